#include "engine/components/Input.hpp"

#include <functional>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "engine/core/GameEntity.hpp"

namespace kv {
namespace {

// GLFW codes, spelled out so the logic tests need no window library.
constexpr int kKeyW = 87;
constexpr int kKeyS = 83;
constexpr int kModShift = 0x0001;
constexpr int kModControl = 0x0002;
constexpr int kLeftButton = 0;
constexpr int kRightButton = 1;

class InputTest : public ::testing::Test {
protected:
    ~InputTest() override { delete owner; }
    // What the game's dispatcher does with one key event.
    void key(int code, int modifiers, bool pressed) {
        for (KeyboardKeyComponent* c : game.getComponents<KeyboardKeyComponent>()) {
            c->handleKey(code, modifiers, pressed);
        }
        for (LambdaKeyboardComponent* c : game.getComponents<LambdaKeyboardComponent>()) {
            c->callback(code, modifiers, pressed);
        }
    }
    void mouse(int button, int modifiers, bool pressed) {
        for (MouseButtonComponent* c : game.getComponents<MouseButtonComponent>()) {
            c->handleMouseButton(button, modifiers, pressed);
        }
    }
    TaggedEntityRegistry tagged;
    TypedComponentRegistry game{nullptr};
    GameEntity* owner = new GameEntity(tagged, &game, vec2(0.0f), 0.0f);
    std::vector<bool> events;
    PressCallback record = [this](bool pressed) { events.push_back(pressed); };
};

using KeyboardKeyTest = InputTest;

TEST_F(KeyboardKeyTest, PlainKeyReportsPressAndRelease) {
    auto* c = new KeyboardKeyComponent(*owner, kKeyW, record);
    EXPECT_EQ(c->modifiers, 0);
    key(kKeyW, 0, true);
    key(kKeyW, 0, false);
    EXPECT_EQ(events, (std::vector<bool>{true, false}));
}

TEST_F(KeyboardKeyTest, OtherKeysAreIgnored) {
    new KeyboardKeyComponent(*owner, kKeyW, record);
    key(kKeyS, 0, true);
    EXPECT_TRUE(events.empty());
}

TEST_F(KeyboardKeyTest, ModifiersMustMatchExactly) {
    new KeyboardKeyComponent(*owner, kKeyW, record);
    key(kKeyW, kModShift, true);
    EXPECT_TRUE(events.empty());
    std::vector<bool> shifted;
    new KeyboardKeyComponent(*owner, kKeyW, kModShift, [&shifted](bool p) { shifted.push_back(p); });
    key(kKeyW, 0, true);
    key(kKeyW, kModShift | kModControl, true);
    key(kKeyW, kModShift, true);
    EXPECT_EQ(shifted, (std::vector<bool>{true}));
}

TEST_F(KeyboardKeyTest, ReleaseIsReportedOnlyWithTheSameModifiers) {
    new KeyboardKeyComponent(*owner, kKeyW, record);
    key(kKeyW, 0, true);
    key(kKeyW, kModShift, false);
    EXPECT_EQ(events, (std::vector<bool>{true}));
}

TEST_F(KeyboardKeyTest, ComponentOfAnInactiveEntityStillReacts) {
    new KeyboardKeyComponent(*owner, kKeyW, record);
    owner->setActive(false);
    key(kKeyW, 0, true);
    EXPECT_EQ(events, (std::vector<bool>{true}));
}

TEST_F(KeyboardKeyTest, EveryComponentWatchingTheKeyIsCalled) {
    int first = 0;
    int second = 0;
    new KeyboardKeyComponent(*owner, kKeyW, [&first](bool) { ++first; });
    new KeyboardKeyComponent(*owner, kKeyW, [&second](bool) { ++second; });
    key(kKeyW, 0, true);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
}

TEST_F(KeyboardKeyTest, RegistersUnderItsClassWithPriority1000AndIsNotUpdatable) {
    auto* c = new KeyboardKeyComponent(*owner, kKeyW, record);
    EXPECT_EQ(&owner->getComponent<KeyboardKeyComponent>(), c);
    EXPECT_EQ(c->priority, 1000);
    EXPECT_TRUE(game.getComponents<UpdatableComponent>().empty());
    delete c;
    EXPECT_TRUE(game.getComponents<KeyboardKeyComponent>().empty());
    EXPECT_TRUE(game.getComponents<EntityComponent>().empty());
}

using MouseButtonTest = InputTest;

TEST_F(MouseButtonTest, ButtonWithExactModifiersReportsPressAndRelease) {
    new MouseButtonComponent(*owner, kLeftButton, record);
    mouse(kRightButton, 0, true);
    mouse(kLeftButton, kModControl, true);
    mouse(kLeftButton, 0, true);
    mouse(kLeftButton, 0, false);
    EXPECT_EQ(events, (std::vector<bool>{true, false}));
}

TEST_F(MouseButtonTest, ModifiedButtonIgnoresThePlainClick) {
    auto* c = new MouseButtonComponent(*owner, kRightButton, kModShift, record);
    EXPECT_EQ(&owner->getComponent<MouseButtonComponent>(), c);
    mouse(kRightButton, 0, true);
    mouse(kRightButton, kModShift, true);
    mouse(kRightButton, kModShift, false);
    EXPECT_EQ(events, (std::vector<bool>{true, false}));
}

using LambdaKeyboardTest = InputTest;

TEST_F(LambdaKeyboardTest, ReceivesEveryKeyEventUnfiltered) {
    std::vector<std::tuple<int, int, bool>> seen;
    auto* c = new LambdaKeyboardComponent(*owner, [&seen](int code, int modifiers, bool pressed) {
        seen.emplace_back(code, modifiers, pressed);
    });
    EXPECT_EQ(&owner->getComponent<LambdaKeyboardComponent>(), c);
    key(kKeyW, kModShift, true);
    key(kKeyS, 0, false);
    EXPECT_EQ(seen, (std::vector<std::tuple<int, int, bool>>{{kKeyW, kModShift, true}, {kKeyS, 0, false}}));
}

} // namespace
} // namespace kv
