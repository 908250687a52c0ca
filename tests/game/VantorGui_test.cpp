#include "game/VantorGui.hpp"

#include <utility>
#include <vector>

#include "game/GameFixture.hpp"
#include "support/GlTestContext.hpp"

namespace kv {
namespace {

constexpr float kMenuWidth = 1024.0f; // menu units, the screen's size in pixels
constexpr float kMenuHeight = 768.0f;
constexpr float kMenuScale = 2.0f; // pixels per menu unit of a window larger than the screen

using Menu = GameFixture;

TEST_F(Menu, AClickSelectsTheWeaponOfTheButtonUnderThePointerAloneInItsRowAndGapsDoNothing) {
    VantorGui& menu = game->getMenu();
    int starts = 0;
    int exits = 0;
    menu.startButton.onClick = [&] { ++starts; };
    menu.exitButton.onClick = [&] { ++exits; };
    // The weapons chosen and which buttons show it (main weapon, its row, secondary weapon, its row), then
    // the clicks on Start and Exit so far.
    const auto choice = [&] {
        std::vector<int> shown{menu.getMainWeapon(),         menu.machineGunButton.active,
                               menu.ionCannonButton.active,  menu.flamethrowerButton.active,
                               menu.getSecondaryWeapon(),    menu.empRocketButton.active,
                               menu.gravityOrbButton.active, menu.shockwaveButton.active};
        shown.insert(shown.end(), {starts, exits});
        return shown;
    };
    EXPECT_EQ(choice(), (std::vector<int>{1, 1, 0, 0, 1, 1, 0, 0, 0, 0}))
        << "machine gun and EMP rocket first";
    // A move and a press delivered in one event poll, the press through GLFW's callback, with no update
    // between: the click lands where the pointer is at the click.
    pointer = glm::dvec2(test::windowPointOf(menu.getCamera(), menu.ionCannonButton.label.position));
    game->update(kFrame);
    ASSERT_TRUE(menu.ionCannonButton.isHovered());
    pointer = glm::dvec2(test::windowPointOf(menu.getCamera(), menu.flamethrowerButton.label.position));
    press(GLFW_MOUSE_BUTTON_LEFT);
    // The buttons keep their fractions of the window.
    menu.handleFramebufferSize(int(kMenuScale * kMenuWidth), int(kMenuScale * kMenuHeight));
    // Menu points, y upward from the centre.
    const std::pair<vec2, std::vector<int>> clicks[] = {
        {{0, 100}, {3, 0, 0, 1, 1, 1, 0, 0, 0, 0}},              // between the rows: the flamethrower stays
        {{0, 180}, {2, 0, 1, 0, 1, 1, 0, 0, 0, 0}},              // ion cannon
        {{270, 180}, {3, 0, 0, 1, 1, 1, 0, 0, 0, 0}},            // flamethrower
        {{-270, 180}, {1, 1, 0, 0, 1, 1, 0, 0, 0, 0}},           // machine gun
        {{0, -30}, {1, 1, 0, 0, 2, 0, 1, 0, 0, 0}},              // gravity orb
        {{270 + 120, -30 - 25}, {1, 1, 0, 0, 3, 0, 0, 1, 0, 0}}, // near the shockwave button's corner
        {{-270, -30}, {1, 1, 0, 0, 1, 1, 0, 0, 0, 0}},           // EMP rocket
        {{-135, 180}, {1, 1, 0, 0, 1, 1, 0, 0, 0, 0}},           // between machine gun and ion cannon
        {{0, -170}, {1, 1, 0, 0, 1, 1, 0, 0, 0, 0}},             // between start and exit
        {{-135, -170}, {1, 1, 0, 0, 1, 1, 0, 0, 1, 0}},          // start
        {{135, -170}, {1, 1, 0, 0, 1, 1, 0, 0, 1, 1}},           // exit
    };
    for (const auto& [point, chosen] : clicks) {
        // The menu sees the pointer, then the left button is pressed there.
        menu.update(0.0f, kMenuScale * vec2(0.5f * kMenuWidth + point.x, 0.5f * kMenuHeight - point.y));
        menu.handleMouseButton(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS, 0);
        EXPECT_EQ(choice(), chosen) << point.x << ", " << point.y;
    }
}

} // namespace
} // namespace kv
