#include "engine/components/Input.hpp"

#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/EntityWorld.hpp"

namespace kv {
namespace {

// GLFW codes, spelled out so the logic tests need no window library.
constexpr int kKeyW = 87;
constexpr int kKeyS = 83;
constexpr int kModShift = 0x0001;
constexpr int kModControl = 0x0002;
constexpr int kLeftButton = 0;
constexpr int kRightButton = 1;

class InputTest : public test::EntityTest {
protected:
    // What the game's dispatcher does with one key event.
    void key(int code, int modifiers, bool pressed) {
        for (KeyboardKeyComponent* c : components.getComponents<KeyboardKeyComponent>()) {
            c->handleKey(code, modifiers, pressed);
        }
        for (LambdaKeyboardComponent* c : components.getComponents<LambdaKeyboardComponent>()) {
            c->callback(code, modifiers, pressed);
        }
    }
    void mouse(int button, int modifiers, bool pressed) {
        for (MouseButtonComponent* c : components.getComponents<MouseButtonComponent>()) {
            c->handleMouseButton(button, modifiers, pressed);
        }
    }
    PressCallback recordInto(std::vector<bool>& events) {
        return [&events](bool pressed) { events.push_back(pressed); };
    }
    GameEntity& owner = make();
};

TEST_F(InputTest, KeyReportsPressAndReleaseOnlyWithExactlyItsModifiers) {
    std::vector<bool> plain;
    std::vector<bool> shifted;
    new KeyboardKeyComponent(owner, kKeyW, recordInto(plain));
    new KeyboardKeyComponent(owner, kKeyW, kModShift, recordInto(shifted));
    key(kKeyS, 0, true);
    key(kKeyW, kModShift | kModControl, true);
    EXPECT_TRUE(plain.empty());
    EXPECT_TRUE(shifted.empty());
    key(kKeyW, 0, true);
    key(kKeyW, kModShift, false);
    key(kKeyW, 0, false);
    EXPECT_EQ(plain, (std::vector<bool>{true, false}));
    EXPECT_EQ(shifted, (std::vector<bool>{false})) << "a release with other modifiers is not this key's";
}

TEST_F(InputTest, KeyOfAnInactiveEntityStillReacts) {
    std::vector<bool> events;
    new KeyboardKeyComponent(owner, kKeyW, recordInto(events));
    owner.setActive(false);
    key(kKeyW, 0, true);
    EXPECT_EQ(events, (std::vector<bool>{true}));
    EXPECT_TRUE(components.getComponents<UpdatableComponent>().empty());
}

TEST_F(InputTest, MouseButtonReportsPressesWithExactlyItsModifiersAndEveryRelease) {
    std::vector<bool> left;
    std::vector<bool> shiftedRight;
    new MouseButtonComponent(owner, kLeftButton, recordInto(left));
    new MouseButtonComponent(owner, kRightButton, kModShift, recordInto(shiftedRight));
    mouse(kRightButton, 0, true);
    mouse(kLeftButton, kModControl, true);
    mouse(kLeftButton, 0, true);
    mouse(kLeftButton, 0, false);
    mouse(kLeftButton, 0, true);
    mouse(kLeftButton, kModShift | kModControl, false); // a modifier taken up while the button was held
    mouse(kRightButton, kModShift, true);
    mouse(kRightButton, 0, false);
    EXPECT_EQ(left, (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(shiftedRight, (std::vector<bool>{true, false}));
}

TEST_F(InputTest, LambdaKeyboardReceivesEveryKeyEventUnfiltered) {
    std::vector<std::tuple<int, int, bool>> seen;
    new LambdaKeyboardComponent(owner, [&seen](int code, int modifiers, bool pressed) {
        seen.emplace_back(code, modifiers, pressed);
    });
    key(kKeyW, kModShift, true);
    key(kKeyS, 0, false);
    EXPECT_EQ(seen, (std::vector<std::tuple<int, int, bool>>{{kKeyW, kModShift, true}, {kKeyS, 0, false}}));
}

} // namespace
} // namespace kv
