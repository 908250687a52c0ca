#include "engine/components/Input.hpp"

#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "engine/components/Motion.hpp"
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

using InputTest = test::EntityTest;

// Each event goes to every component, as the game's dispatcher sends it; only exact matches report.
TEST_F(InputTest, KeysAndButtonsReportPressAndReleaseOnlyWithExactlyTheirModifiers) {
    GameEntity& owner = make();
    owner.setActive(false); // components of inactive entities still react
    std::vector<bool> plainKey;
    std::vector<bool> shiftedKey;
    std::vector<bool> leftButton;
    std::vector<bool> shiftedRight;
    const auto into = [](std::vector<bool>& events) { return [&events](bool pressed) { events.push_back(pressed); }; };
    auto* plain = new KeyboardKeyComponent(owner, kKeyW, into(plainKey));
    auto* shifted = new KeyboardKeyComponent(owner, kKeyW, kModShift, into(shiftedKey));
    auto* left = new MouseButtonComponent(owner, kLeftButton, into(leftButton));
    auto* right = new MouseButtonComponent(owner, kRightButton, kModShift, into(shiftedRight));
    const std::tuple<int, int, bool> keys[] = {{kKeyS, 0, true},   {kKeyW, kModShift | kModControl, true},
                                               {kKeyW, 0, true},   {kKeyW, kModShift, false},
                                               {kKeyW, 0, false}};
    for (const auto& [key, modifiers, pressed] : keys) {
        plain->handleKey(key, modifiers, pressed);
        shifted->handleKey(key, modifiers, pressed);
    }
    // A press needs exactly the button's modifiers; any release of the button ends the hold, even with a
    // modifier taken up or let go while it was held.
    const std::tuple<int, int, bool> buttons[] = {
        {kRightButton, 0, true}, {kLeftButton, kModControl, true},  {kLeftButton, 0, true},
        {kLeftButton, 0, false}, {kLeftButton, 0, true},            {kLeftButton, kModShift | kModControl, false},
        {kRightButton, kModShift, true}, {kRightButton, 0, false}};
    for (const auto& [button, modifiers, pressed] : buttons) {
        left->handleMouseButton(button, modifiers, pressed);
        right->handleMouseButton(button, modifiers, pressed);
    }
    EXPECT_EQ(plainKey, (std::vector<bool>{true, false}));
    EXPECT_EQ(shiftedKey, (std::vector<bool>{false})) << "a release with other modifiers is not this key's";
    EXPECT_EQ(leftButton, (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(shiftedRight, (std::vector<bool>{true, false}));
}

// Components are updated and deleted in registry order: these sit with the default priority, after 999 and
// before 1001. Equal priorities go by creation, so the neighbours are made on the far side of it: a priority
// moved onto either neighbour's changes the order.
TEST_F(InputTest, InputAndControlComponentsTakeTheirPlaceInTheRegistryOrder) {
    GameEntity& owner = make();
    auto* after = new PhysicsComponent(owner, 1001);
    new KeyboardKeyComponent(owner, kKeyW, [](bool) {});
    new MouseButtonComponent(owner, kLeftButton, [](bool) {});
    new LambdaKeyboardComponent(owner, [](int, int, bool) {});
    new OrientTowardsPointComponent(owner);
    new ForceControlledComponent(owner, 1.0f, 1.0f);
    auto* before = new PhysicsComponent(owner, 999); // the one the control component drives
    std::vector<EntityComponent*> order;
    owner.copyComponents(order);
    ASSERT_EQ(order.size(), 7u);
    EXPECT_EQ(order.front(), before);
    EXPECT_EQ(order.back(), after);
}

} // namespace
} // namespace kv
