#include "game/VantorGui.hpp"

#include <span>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/GameFixture.hpp"
#include "support/GlTestContext.hpp"

namespace kv {
namespace {

constexpr float kMenuWidth = 1024.0f; // menu units, the screen's size in pixels
constexpr float kMenuHeight = 768.0f;
constexpr float kMenuScale = 2.0f; // pixels per menu unit of a window larger than the screen

using Menu = GameFixture;

TEST_F(Menu, AClickSelectsTheWeaponUnderThePointerAloneInItsRowExitQuitsStartPlaysAndGapsDoNothing) {
    VantorGui& menu = game->getMenu();
    // The weapons chosen, what Exit and Start did through the game's own bindings (10 once the window is to
    // close, 1 in a game), then which weapon buttons show the choice: the main weapons', the secondary ones'.
    const auto choice = [&] {
        std::vector<int> shown{menu.getMainWeapon(), menu.getSecondaryWeapon(),
                               10 * glfwWindowShouldClose(game->getWindow()) + !mainMenuActive};
        for (const GlLabelButton* button : std::span(menu.getButtons()).subspan(2)) { // after Start and Exit
            shown.push_back(button->active);
        }
        return shown;
    };
    EXPECT_EQ(choice(), (std::vector<int>{1, 1, 0, 1, 0, 0, 1, 0, 0})) << "machine gun and EMP rocket first";
    // Headings over rows of buttons 20 apart (menu units, y up from the centre); text of 30 and 25 pixels.
    EXPECT_EQ(std::tuple(menu.mainWeaponLabel.position, menu.secondaryWeaponLabel.position,
                         menu.shockwaveButton.label.position, menu.secondaryWeaponLabel.getFontSize(),
                         menu.exitButton.label.getFontSize()),
              std::tuple(vec2(0, 250), vec2(0, 40), vec2(270, -30), 30.0f, 25.0f));
    // A move and a press delivered in one event poll, the press through GLFW's callback, with no update
    // between: the click lands where the pointer is at the click.
    pointer = glm::dvec2(test::windowPointOf(menu.getCamera(), menu.ionCannonButton.label.position));
    game->update(kFrame);
    ASSERT_TRUE(menu.ionCannonButton.isHovered());
    pointer = glm::dvec2(test::windowPointOf(menu.getCamera(), menu.flamethrowerButton.label.position));
    press(GLFW_MOUSE_BUTTON_LEFT);
    // The buttons keep their fractions of the window.
    menu.handleFramebufferSize(int(kMenuScale * kMenuWidth), int(kMenuScale * kMenuHeight));
    // Menu points, y upward from the centre: between the rows (the flamethrower stays), the ion cannon, the
    // flamethrower, the machine gun, the gravity orb, near the shockwave button's corner, the EMP rocket,
    // between machine gun and ion cannon, between start and exit, exit, start.
    const std::pair<vec2, std::vector<int>> points[] = {
        {{0, 100}, {3, 1, 0, 0, 0, 1, 1, 0, 0}},     {{0, 180}, {2, 1, 0, 0, 1, 0, 1, 0, 0}},
        {{270, 180}, {3, 1, 0, 0, 0, 1, 1, 0, 0}},   {{-270, 180}, {1, 1, 0, 1, 0, 0, 1, 0, 0}},
        {{0, -30}, {1, 2, 0, 1, 0, 0, 0, 1, 0}},     {{270 + 120, -30 - 25}, {1, 3, 0, 1, 0, 0, 0, 0, 1}},
        {{-270, -30}, {1, 1, 0, 1, 0, 0, 1, 0, 0}},  {{-135, 180}, {1, 1, 0, 1, 0, 0, 1, 0, 0}},
        {{0, -170}, {1, 1, 0, 1, 0, 0, 1, 0, 0}},    {{135, -170}, {1, 1, 10, 1, 0, 0, 1, 0, 0}},
        {{-135, -170}, {1, 1, 11, 1, 0, 0, 1, 0, 0}}};
    for (const auto& [point, chosen] : points) {
        menu.update(0.0f, kMenuScale * vec2(0.5f * kMenuWidth + point.x, 0.5f * kMenuHeight - point.y));
        menu.handleMouseButton(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS, 0);
        EXPECT_EQ(choice(), chosen) << point.x << ", " << point.y;
    }
}

// One walk of focus moves (Up, Down, Left, Right and presses), taken with the keys and again with the pad
// (its D-pad, and every other move its left stick, which moves nothing short of half way): where the focus
// lands; the presses, Enter or A, choose the flamethrower, the gravity orb and Exit as clicks would.
TEST_F(Menu, KeysAndThePadMoveTheFocusRowByRowWithoutWrappingAndPressItAsAClick) {
    VantorGui& menu = game->getMenu();
    int exits = 0;
    menu.exitButton.onClick = [&] { ++exits; };
    const auto focus = [&] { return menu.getFocused() ? menu.getFocused()->label.getText() : "none"; };
    EXPECT_EQ(focus(), "Start game");
    const std::string walk = "UUURRR*DR*LLUDDDRR*LU";
    const char* const focused[] = {
        "Emp rocket",   "Machine gun", "Machine gun", "Ion cannon",  "Flamethrower", "Flamethrower",
        "Flamethrower", "Emp rocket",  "Gravity orb", "Gravity orb", "Emp rocket",   "Emp rocket",
        "Flamethrower", "Gravity orb", "Start game",  "Start game",  "Exit",         "Exit",
        "Exit",         "Start game",  "Gravity orb"};
    const int keys[] = {GLFW_KEY_UP, GLFW_KEY_DOWN, GLFW_KEY_LEFT, GLFW_KEY_RIGHT, GLFW_KEY_ENTER};
    const int buttons[] = {GLFW_GAMEPAD_BUTTON_DPAD_UP, GLFW_GAMEPAD_BUTTON_DPAD_DOWN,
                           GLFW_GAMEPAD_BUTTON_DPAD_LEFT, GLFW_GAMEPAD_BUTTON_DPAD_RIGHT,
                           GLFW_GAMEPAD_BUTTON_A};
    const vec2 sticks[] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
    GLFWgamepadstate& pad = connectPad();
    for (const bool byPad : {false, true}) {
        menu.selectMainWeapon(1);
        menu.selectSecondaryWeapon(1);
        menu.focusStartButton();
        exits = 0;
        for (std::size_t n = 0; n < walk.size(); ++n) {
            const std::size_t input = std::string("UDLR*").find(walk[n]);
            if (!byPad || walk[n] == '*' || n % 2 == 0) {
                byPad ? padPress(buttons[input]) : key(keys[input]);
            } else {
                for (const float reach : {0.45f, 0.0f, 0.55f, 0.0f}) {
                    std::tie(pad.axes[GLFW_GAMEPAD_AXIS_LEFT_X], pad.axes[GLFW_GAMEPAD_AXIS_LEFT_Y]) =
                        std::pair(reach * sticks[input].x, reach * sticks[input].y);
                    step(2);
                }
            }
            EXPECT_EQ(focus(), focused[n]) << (byPad ? "pad, move " : "keys, move ") << n;
        }
        EXPECT_EQ(std::tuple(menu.getMainWeapon(), menu.getSecondaryWeapon(), exits), std::tuple(3, 2, 1));
    }
    pointer = glm::dvec2(10, 10);
    step(1);
    EXPECT_EQ(focus(), "none") << "moving the mouse hands the focus to the pointer";
    // Tab (the last with Shift: back) in reading order, the first only showing the focus where it was.
    const char* const tabs[] = {"Gravity orb", "Shockwave", "Start game", "Exit", "Exit", "Start game"};
    for (std::size_t n = 0; n < std::size(tabs); ++n) {
        key(GLFW_KEY_TAB, GLFW_PRESS, n == 5 ? GLFW_MOD_SHIFT : 0);
        EXPECT_EQ(focus(), tabs[n]);
    }
    padPress(GLFW_GAMEPAD_BUTTON_B);
    key(GLFW_KEY_ENTER, GLFW_PRESS, GLFW_MOD_ALT | GLFW_MOD_SHIFT);
    EXPECT_TRUE(mainMenuActive) << "B and Enter with Alt press nothing";
    key(GLFW_KEY_TAB);
    game->initGame();
    key(GLFW_KEY_ESCAPE);
    EXPECT_EQ(focus(), "Start game") << "the menu appears again with the focus on Start game";
}

} // namespace
} // namespace kv
