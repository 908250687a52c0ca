// Input bindings, steering and motion.
#include "engine/components/Input.hpp"
#include "engine/components/Motion.hpp"

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include "tests/support/EntityWorld.hpp"

namespace kv {
namespace {

using PhysicsTest = test::EntityTest;

// A force is an acceleration. Drag damps the motion along a force above 0.01 at its full rate and the rest,
// coasting or sideways, at the lateral factor's share of it: with drag 2 the speed halves in ln 2 / 2 =
// 0.35 s along a force, in 0.69 s across one or coasting at half the rate, in 1.4 s at a quarter; a held
// force settles where drag cancels it. A switched-off body stays put and keeps its pending force.
TEST_F(PhysicsTest, DragDampsMotionAlongAForceFullyAndTheRestByTheLateralFactor) {
    const vec2 start(10.0f, 20.0f);
    // Drag, lateral drag factor, velocity, force held, seconds, velocity then.
    const std::tuple<float, float, vec2, vec2, float, vec2> cases[] = {
        {0.0f, 0.5f, {100, -50}, {0, 0}, 1.0f, {100, -50}}, {0.0f, 0.5f, {0, 0}, {10, 0}, 1.0f, {10, 0}},
        {2.0f, 0.5f, {0, 0}, {100, 0}, 10.0f, {50, 0}},     {2.0f, 0.5f, {10, 0}, {0, 0}, 0.7f, {5, 0}},
        {2.0f, 0.5f, {10, 0}, {0.01f, 0}, 0.7f, {5, 0}},    {2.0f, 0.5f, {10, 0}, {0.02f, 0}, 0.35f, {5, 0}},
        {2.0f, 0.5f, {0, 10}, {0.02f, 0}, 0.7f, {0, 5}},    {2.0f, 0.25f, {0, 10}, {0, 0}, 1.4f, {0, 5}},
    };
    for (const auto& [drag, lateralFactor, velocity, force, seconds, expected] : cases) {
        GameEntity& e = make(start);
        auto* physics = new PhysicsComponent(e, 1000);
        physics->drag = drag;
        physics->lateralDragFactor = lateralFactor;
        physics->velocity = velocity;
        for (int step = 0; step < static_cast<int>(std::lround(seconds / kFrame)); ++step) {
            physics->force = force;
            physics->update(kFrame);
        }
        SCOPED_TRACE(testing::Message() << velocity.x << ", " << velocity.y << " pushed by " << force.x);
        EXPECT_LT(glm::distance(physics->velocity, expected), 0.15f);
        EXPECT_EQ(physics->force, vec2(0.0f));
        if (drag == 0.0f) { // the mean of the velocities, for a steady force
            EXPECT_LT(glm::distance(e.getPosition(), start + 0.5f * seconds * (velocity + expected)), 0.1f);
        }
        const vec2 reached = e.getPosition();
        e.setActive(false);
        physics->force = force;
        physics->update(kFrame);
        EXPECT_EQ(e.getPosition(), reached) << "switched off";
        EXPECT_EQ(physics->force, force) << "kept for later";
    }
}

using ForceControlTest = test::EntityTest;

// A ship with 1 s acceleration time and 600 units/s top speed. After one acceleration time full thrust gives
// about 99.3 % of the top speed (a little more with discrete steps); beyond it, thrust grows with the speed
// so that full thrust holds it. Input is cut to length one and consumed by one update; the turn is limited by
// the turn rate and goes the shorter way, and the thrust follows the new heading.
TEST_F(ForceControlTest, FullThrustSettlesAtMaxSpeedAndHoldsAboveItAndTurnsTheShorterWayAtTheTurnRate) {
    GameEntity& ship = make();
    PhysicsComponent& physics = *new PhysicsComponent(ship, 1000);
    ForceControlledComponent& control = *new ForceControlledComponent(ship, 1.0f, 600.0f);
    const auto fullThrust = [&] {
        control.setControlForce(vec2(1.0f, 0.0f));
        control.update(kFrame);
        physics.update(kFrame);
    };
    for (int i = 1; i <= 660; ++i) {
        fullThrust();
        if (i == 60) {
            EXPECT_TRUE(physics.velocity.x > 0.99f * 600.0f && physics.velocity.x < 600.0f) << physics.velocity.x;
        }
    }
    EXPECT_NEAR(glm::length(physics.velocity - vec2(600.0f, 0.0f)), 0.0f, 0.01f);
    physics.velocity = vec2(1200.0f, 0.0f);
    fullThrust();
    EXPECT_NEAR(physics.velocity.x, 1200.0f, 0.01f);
    physics.velocity = vec2(0.0f); // the thrust below is the plain one
    for (const auto& [input, magnitude] :
         {std::pair{vec2(0.3f, 0.4f), 0.5f}, {vec2(1, 1), 1.0f}, {vec2(0, 3), 1.0f}}) {
        control.setControlForce(input);
        EXPECT_FLOAT_EQ(control.controlMagnitude, magnitude) << input.x << ", " << input.y;
    }
    EXPECT_EQ(control.controlDirection, vec2(0.0f, 1.0f));
    control.turnRate = 1.0f;
    control.update(0.5f);
    const vec2 firstPush = physics.force;
    EXPECT_FLOAT_EQ(ship.getOrientation(), 0.5f);
    EXPECT_FLOAT_EQ(std::atan2(firstPush.y, firstPush.x), 0.5f) << "along the new heading";
    control.update(0.5f);
    EXPECT_EQ(physics.force, firstPush);
    // At the default rate, one and a half turns a second. From, input, to. From -0.5, heading 3.0 lies 3.5
    // ahead counter-clockwise: the shorter way is clockwise. An input shorter than 0.01 does nothing.
    ForceControlledComponent& fresh = *new ForceControlledComponent(ship, 1.0f, 600.0f);
    const std::tuple<float, vec2, float> turns[] = {
        {-0.5f, {std::cos(3.0f), std::sin(3.0f)}, -0.5f - 0.3f * kPi}, {0.0f, {-1, 0}, 0.3f * kPi},
        {0.0f, {0, 0.009f}, 0.0f}};
    for (const auto& [from, input, to] : turns) {
        ship.setOrientation(from);
        fresh.setControlForce(input);
        fresh.update(0.1f);
        EXPECT_NEAR(ship.getOrientation(), to, 1e-5f) << from;
    }
}

using OrientTowardsPointTest = test::EntityTest;

TEST_F(OrientTowardsPointTest, FacesThePointAtOnceUnlessItIsTooCloseOrTheEntityIsOff) {
    GameEntity& e = make(vec2(10.0f, 10.0f), 1.25f);
    new OrientTowardsPointComponent(e);
    // Found the way the game hands out the mouse position.
    OrientTowardsPointComponent& aim = components.getComponent<OrientTowardsPointComponent>();
    EXPECT_TRUE(components.getComponents<UpdatableComponent>().empty());
    // Point, orientation after, entity active.
    const std::tuple<vec2, float, bool> cases[] = {
        {{10.0f, 9.96f}, 1.25f, true},           {{10.0f, 9.9f}, -kPi / 2.0f, true},
        {{20.0f, 20.0f}, kPi / 4.0f, true},      {{0.0f, 10.0f}, kPi, true},
        {{0.0f, 0.0f}, -3.0f * kPi / 4.0f, true}, {{20.0f, 10.0f}, -3.0f * kPi / 4.0f, false}};
    for (const auto& [point, angle, active] : cases) {
        e.setActive(active);
        aim.setControlPoint(point);
        EXPECT_NEAR(e.getOrientation(), angle, 1e-5f) << point.x << ", " << point.y;
    }
}

using InputTest = test::EntityTest;

// Each event goes to every component, as the game's dispatcher sends it; only exact matches report, to one
// log of (component, pressed). Input components sit in the frame's order with the default priority, after
// 999 and before 1001; equal priorities go by creation, so the neighbours are made on the far side of it.
TEST_F(InputTest, KeysAndButtonsReportPressAndReleaseOnlyWithExactlyTheirModifiersInTheirPlaceInTheFrame) {
    GameEntity& owner = make();
    auto* after = new PhysicsComponent(owner, 1001);
    std::vector<std::pair<std::string, bool>> log;
    const auto into = [&log](const char* name) {
        return [&log, name](bool pressed) { log.emplace_back(name, pressed); };
    };
    auto* plain = new KeyboardKeyComponent(owner, kKeyW, into("key"));
    auto* shifted = new KeyboardKeyComponent(owner, kKeyW, kModShift, into("shifted key"));
    auto* left = new MouseButtonComponent(owner, kLeftButton, into("button"));
    auto* right = new MouseButtonComponent(owner, kRightButton, kModShift, into("shifted right"));
    new LambdaKeyboardComponent(owner, [](int, int, bool) {});
    new OrientTowardsPointComponent(owner);
    new ForceControlledComponent(owner, 1.0f, 1.0f);
    auto* before = new PhysicsComponent(owner, 999); // the one the control component drives
    std::vector<EntityComponent*> order;
    owner.copyComponents(order);
    EXPECT_EQ(order.front(), before);
    EXPECT_EQ(order.back(), after);
    owner.setActive(false); // components of inactive entities still react
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
    const std::vector<std::pair<std::string, bool>> reports{
        {"key", true},     {"shifted key", false},  {"key", false},
        {"button", true},  {"button", false},       {"button", true},
        {"button", false}, {"shifted right", true}, {"shifted right", false}};
    EXPECT_EQ(log, reports) << "a key's release with other modifiers is not the key's";
}

} // namespace
} // namespace kv
