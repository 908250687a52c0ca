#include "engine/components/Motion.hpp"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/EntityWorld.hpp"

namespace kv {
namespace {

constexpr float kPi = 3.1415927f;
constexpr float kFrame = 1.0f / 60.0f; // seconds

using PhysicsTest = test::EntityTest;

TEST_F(PhysicsTest, ForceChangesTheVelocityBeforeTheVelocityMovesTheEntity) {
    GameEntity& e = make(vec2(10.0f, 20.0f));
    auto* physics = new PhysicsComponent(e, 1000);
    physics->velocity = vec2(100.0f, -50.0f);
    for (int i = 0; i < 8; ++i) {
        physics->update(0.125f);
    }
    EXPECT_EQ(physics->velocity, vec2(100.0f, -50.0f)) << "frictionless flight keeps its speed";
    EXPECT_EQ(e.getPosition(), vec2(110.0f, -30.0f));
    physics->velocity = vec2(0.0f);
    physics->force = vec2(10.0f, 0.0f);
    physics->update(0.5f);
    EXPECT_EQ(physics->velocity, vec2(5.0f, 0.0f));
    EXPECT_EQ(e.getPosition(), vec2(112.5f, -30.0f));
    EXPECT_EQ(physics->force, vec2(0.0f, 0.0f)) << "consumed by the step";
    e.setActive(false);
    physics->force = vec2(4.0f, 0.0f);
    physics->update(1.0f);
    EXPECT_EQ(e.getPosition(), vec2(112.5f, -30.0f)) << "an inactive entity stays";
    EXPECT_EQ(physics->force, vec2(4.0f, 0.0f)) << "and keeps the force for later";
}

TEST_F(PhysicsTest, DragActsFullyAlongAForceAbove0Point01AndByTheLateralFactorOtherwise) {
    const struct {
        float lateralFactor;
        vec2 velocity;
        vec2 force;
        vec2 expected; // after 0.1 s with drag 2
    } cases[] = {
        {0.5f, {10.0f, 0.0f}, {0.02f, 0.0f}, {10.0f + (0.02f - 2.0f * 10.0f) * 0.1f, 0.0f}},
        {0.5f, {10.0f, 0.0f}, {0.01f, 0.0f}, {10.0f + (0.01f - 2.0f * 0.5f * 10.0f) * 0.1f, 0.0f}},
        {0.25f,
         {10.0f, 4.0f},
         {0.0f, 1.0f},
         {10.0f - 2.0f * 0.25f * 10.0f * 0.1f, 4.0f + (1.0f - 2.0f * 4.0f) * 0.1f}},
    };
    for (const auto& c : cases) {
        auto* physics = new PhysicsComponent(make(), 1000);
        physics->drag = 2.0f;
        physics->lateralDragFactor = c.lateralFactor;
        physics->velocity = c.velocity;
        physics->force = c.force;
        physics->update(0.1f);
        EXPECT_NEAR(physics->velocity.x, c.expected.x, 1e-5f) << "force " << c.force.x << ", " << c.force.y;
        EXPECT_NEAR(physics->velocity.y, c.expected.y, 1e-5f) << "force " << c.force.x << ", " << c.force.y;
    }
}

class ForceControlTest : public test::EntityTest {
protected:
    // A ship with 1 s acceleration time and 600 units/s top speed.
    void SetUp() override {
        ship = &make();
        physics = new PhysicsComponent(*ship, 1000);
        control = new ForceControlledComponent(*ship, 1.0f, 600.0f);
    }
    void step(const vec2& input, float dt = kFrame) {
        control->setControlForce(input);
        control->update(dt);
        physics->update(dt);
    }
    GameEntity* ship = nullptr;
    PhysicsComponent* physics = nullptr;
    ForceControlledComponent* control = nullptr;
};

TEST_F(ForceControlTest, FullThrustSettlesAtMaxSpeedAndBalancesTheDragAboveIt) {
    for (int i = 0; i < 60; ++i) {
        step(vec2(1.0f, 0.0f));
    }
    // After one acceleration time about 99.3 % of the top speed (a little more with discrete steps).
    EXPECT_GT(physics->velocity.x, 0.99f * 600.0f);
    EXPECT_LT(physics->velocity.x, 600.0f);
    for (int i = 0; i < 600; ++i) {
        step(vec2(1.0f, 0.0f));
    }
    EXPECT_NEAR(physics->velocity.x, 600.0f, 0.01f);
    EXPECT_NEAR(physics->velocity.y, 0.0f, 1e-4f);

    physics->velocity = vec2(1200.0f, 0.0f);
    control->setControlForce(vec2(1.0f, 0.0f));
    control->update(kFrame);
    EXPECT_FLOAT_EQ(physics->force.x, 2.0f * control->thrust) << "thrust scales with the speed beyond max";
    physics->update(kFrame);
    EXPECT_NEAR(physics->velocity.x, 1200.0f, 1e-2f);
}

TEST_F(ForceControlTest, InputIsCutToLengthOneAndConsumedByOneUpdate) {
    control->setControlForce(vec2(0.3f, 0.4f));
    EXPECT_FLOAT_EQ(control->controlMagnitude, 0.5f);
    control->setControlForce(vec2(1.0f, 1.0f)); // two keys held: no faster than one
    EXPECT_FLOAT_EQ(control->controlMagnitude, 1.0f);
    control->setControlForce(vec2(0.0f, 3.0f));
    EXPECT_FLOAT_EQ(control->controlMagnitude, 1.0f);
    EXPECT_EQ(control->controlDirection, vec2(0.0f, 1.0f));
    control->update(kFrame);
    const vec2 firstPush = physics->force;
    control->update(kFrame);
    EXPECT_EQ(physics->force, firstPush);
    EXPECT_EQ(control->controlMagnitude, 0.0f);
}

TEST_F(ForceControlTest, TurnIsLimitedByTurnRateTheShorterWayAndThrustFollowsTheNewHeading) {
    control->turnRate = 1.0f;
    control->setControlForce(vec2(0.0f, 1.0f));
    control->update(0.5f);
    EXPECT_FLOAT_EQ(ship->getOrientation(), 0.5f);
    EXPECT_NEAR(physics->force.x, control->thrust * std::cos(0.5f), 1e-2f);
    EXPECT_NEAR(physics->force.y, control->thrust * std::sin(0.5f), 1e-2f);

    control->turnRate = 3.0f * kPi;
    ship->setOrientation(-0.5f);
    // Target 3.0 rad is 3.5 rad ahead counter-clockwise, so the shorter way is clockwise.
    control->setControlForce(vec2(std::cos(3.0f), std::sin(3.0f)));
    control->update(0.1f);
    EXPECT_NEAR(ship->getOrientation(), -0.5f - 0.3f * kPi, 1e-5f);
    ship->setOrientation(0.0f);
    control->setControlForce(vec2(-1.0f, 0.0f));
    control->update(0.1f);
    EXPECT_NEAR(std::abs(ship->getOrientation()), 0.3f * kPi, 1e-5f) << "straight behind";
}

using OrientTowardsPointTest = test::EntityTest;

TEST_F(OrientTowardsPointTest, FacesThePointAtOnceUnlessItIsTooCloseOrTheEntityIsOff) {
    GameEntity& e = make(vec2(10.0f, 10.0f), 1.25f);
    new OrientTowardsPointComponent(e);
    // Found the way the game hands out the mouse position.
    OrientTowardsPointComponent& aim = components.getComponent<OrientTowardsPointComponent>();
    EXPECT_TRUE(components.getComponents<UpdatableComponent>().empty());
    aim.setControlPoint(vec2(10.0f, 9.96f));
    EXPECT_EQ(e.getOrientation(), 1.25f) << "too close";
    const struct {
        vec2 point;
        float angle;
    } cases[] = {{{10.0f, 9.9f}, -kPi / 2.0f},
                 {{20.0f, 20.0f}, kPi / 4.0f},
                 {{0.0f, 10.0f}, kPi},
                 {{0.0f, 0.0f}, -3.0f * kPi / 4.0f}};
    for (const auto& c : cases) {
        aim.setControlPoint(c.point);
        EXPECT_NEAR(e.getOrientation(), c.angle, 1e-5f) << c.point.x << ", " << c.point.y;
    }
    e.setActive(false);
    aim.setControlPoint(vec2(20.0f, 10.0f));
    EXPECT_NEAR(e.getOrientation(), -3.0f * kPi / 4.0f, 1e-5f);
}

} // namespace
} // namespace kv
