#include "game/VantorGui.hpp"

#include <utility>
#include <vector>

#include "game/GameFixture.hpp"

namespace kv {
namespace {

constexpr float kMenuWidth = 1024.0f; // menu units, the screen's size in pixels
constexpr float kMenuHeight = 768.0f;
constexpr float kMenuScale = 2.0f; // pixels per menu unit of a window larger than the screen

class Menu : public GameFixture {
protected:
    void SetUp() override {
        GameFixture::SetUp();
        menu().startButton.onClick = [this] { ++starts; };
        menu().exitButton.onClick = [this] { ++exits; };
        // The buttons keep their fractions of the window.
        menu().handleFramebufferSize(int(kMenuScale * kMenuWidth), int(kMenuScale * kMenuHeight));
    }
    VantorGui& menu() { return game->getMenu(); }
    // Points at a menu point (y upward from the centre), lets the menu see the pointer, and presses the left
    // button there.
    void clickAt(const vec2& point) {
        menu().update(0.0f, kMenuScale * vec2(0.5f * kMenuWidth + point.x, 0.5f * kMenuHeight - point.y));
        menu().handleMouseButton(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS, 0);
    }
    // The weapons chosen and which buttons show it: main weapon, its row, secondary weapon, its row.
    std::vector<int> choice() {
        VantorGui& m = menu();
        return {m.getMainWeapon(),           m.machineGunButton.active, m.ionCannonButton.active,
                m.flamethrowerButton.active, m.getSecondaryWeapon(),    m.empRocketButton.active,
                m.gravityOrbButton.active,   m.shockwaveButton.active};
    }
    int starts = 0;
    int exits = 0;
};

TEST_F(Menu, EveryButtonSelectsItsOwnWeaponAloneInItsRowAndGapsDoNothing) {
    EXPECT_EQ(choice(), (std::vector<int>{1, 1, 0, 0, 1, 1, 0, 0})) << "machine gun and EMP rocket at first";
    const std::pair<vec2, std::vector<int>> clicks[] = {
        {{270, 180}, {3, 0, 0, 1, 1, 1, 0, 0}},            // flamethrower
        {{0, 180}, {2, 0, 1, 0, 1, 1, 0, 0}},              // ion cannon
        {{-270, 180}, {1, 1, 0, 0, 1, 1, 0, 0}},           // machine gun
        {{0, -30}, {1, 1, 0, 0, 2, 0, 1, 0}},              // gravity orb
        {{270 + 120, -30 - 25}, {1, 1, 0, 0, 3, 0, 0, 1}}, // near the shockwave button's corner
        {{-270, -30}, {1, 1, 0, 0, 1, 1, 0, 0}},           // EMP rocket
        {{-135, 180}, {1, 1, 0, 0, 1, 1, 0, 0}},           // between machine gun and ion cannon
        {{0, -170}, {1, 1, 0, 0, 1, 1, 0, 0}},             // between start and exit
        {{0, 100}, {1, 1, 0, 0, 1, 1, 0, 0}},              // between the rows
    };
    for (const auto& [point, chosen] : clicks) {
        clickAt(point);
        EXPECT_EQ(choice(), chosen) << point.x << ", " << point.y;
    }
    EXPECT_EQ(starts + exits, 0);
    clickAt(vec2(-135, -170));
    EXPECT_EQ(starts, 1);
    clickAt(vec2(135, -170));
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(starts, 1);
}

} // namespace
} // namespace kv
