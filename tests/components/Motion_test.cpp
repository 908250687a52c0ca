#include "engine/components/Motion.hpp"

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/core/GameEntity.hpp"

namespace kv {
namespace {

constexpr float kPi = 3.1415927f;
constexpr float kFrame = 1.0f / 60.0f; // seconds

class MotionTest : public ::testing::Test {
protected:
    ~MotionTest() override {
        for (GameEntity* e : roots) {
            delete e;
        }
    }
    GameEntity& make(vec2 position = vec2(0.0f), float orientation = 0.0f) {
        roots.push_back(new GameEntity(tagged, &game, position, orientation));
        return *roots.back();
    }
    static std::string errorOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "<no error>";
    }
    TaggedEntityRegistry tagged;
    TypedComponentRegistry game{nullptr};
    std::vector<GameEntity*> roots;
};

using PhysicsTest = MotionTest;

TEST_F(PhysicsTest, FrictionlessBodyFliesStraightAtConstantSpeed) {
    GameEntity& e = make(vec2(10.0f, 20.0f));
    auto* physics = new PhysicsComponent(e, 1000);
    physics->velocity = vec2(100.0f, -50.0f);
    for (int i = 0; i < 8; ++i) {
        physics->update(0.125f);
    }
    EXPECT_EQ(physics->velocity, vec2(100.0f, -50.0f));
    EXPECT_FLOAT_EQ(e.getPosition().x, 110.0f);
    EXPECT_FLOAT_EQ(e.getPosition().y, -30.0f);
}

TEST_F(PhysicsTest, ForceIsIntegratedAndTheNewVelocityMovesTheEntity) {
    GameEntity& e = make();
    auto* physics = new PhysicsComponent(e, 1000);
    physics->force = vec2(10.0f, 0.0f);
    physics->update(0.5f);
    EXPECT_EQ(physics->velocity, vec2(5.0f, 0.0f));
    // Semi-implicit step: the position uses the velocity after the force.
    EXPECT_EQ(e.getPosition(), vec2(2.5f, 0.0f));
    EXPECT_EQ(physics->force, vec2(0.0f, 0.0f));
}

TEST_F(PhysicsTest, DragAlongTheForceUsesTheFullCoefficient) {
    GameEntity& e = make();
    auto* physics = new PhysicsComponent(e, 1000);
    physics->drag = 2.0f;
    physics->velocity = vec2(10.0f, 0.0f);
    physics->force = vec2(0.02f, 0.0f);
    physics->update(0.1f);
    // (0.02 - 2 * 10) * 0.1 added to 10.
    EXPECT_NEAR(physics->velocity.x, 8.002f, 1e-5f);
}

TEST_F(PhysicsTest, ForceOfAtMostTheThresholdCountsAsNoneForTheDragSplit) {
    GameEntity& e = make();
    auto* physics = new PhysicsComponent(e, 1000);
    physics->drag = 2.0f;
    physics->velocity = vec2(10.0f, 0.0f);
    physics->force = vec2(0.01f, 0.0f);
    physics->update(0.1f);
    // The whole velocity is damped with drag * lateralDragFactor; the force itself still acts.
    EXPECT_NEAR(physics->velocity.x, 9.001f, 1e-5f);
}

TEST_F(PhysicsTest, VelocityAcrossTheForceGetsTheLateralFactor) {
    GameEntity& e = make();
    auto* physics = new PhysicsComponent(e, 1000);
    physics->drag = 2.0f;
    physics->lateralDragFactor = 0.25f;
    physics->velocity = vec2(10.0f, 4.0f);
    physics->force = vec2(0.0f, 1.0f);
    physics->update(0.1f);
    // Along y: 1 - 2 * 4; across (x): -2 * 0.25 * 10.
    EXPECT_NEAR(physics->velocity.x, 9.5f, 1e-5f);
    EXPECT_NEAR(physics->velocity.y, 3.3f, 1e-5f);
}

TEST_F(PhysicsTest, InactiveEntityKeepsItsAccumulatedForceUntilActiveAgain) {
    GameEntity& e = make(vec2(1.0f, 1.0f));
    auto* physics = new PhysicsComponent(e, 1000);
    e.setActive(false);
    physics->force += vec2(4.0f, 0.0f);
    physics->update(1.0f);
    physics->force += vec2(4.0f, 0.0f);
    physics->update(1.0f);
    EXPECT_EQ(e.getPosition(), vec2(1.0f, 1.0f));
    EXPECT_EQ(physics->force, vec2(8.0f, 0.0f));
    EXPECT_EQ(physics->velocity, vec2(0.0f, 0.0f));
    e.setActive(true);
    physics->update(0.5f);
    EXPECT_EQ(physics->velocity, vec2(4.0f, 0.0f));
    EXPECT_EQ(physics->force, vec2(0.0f, 0.0f));
}

TEST_F(PhysicsTest, MovingTheEntityCarriesAttachedChildren) {
    GameEntity& e = make();
    auto* child = new GameEntity(tagged, &game, vec2(0.0f), 0.0f);
    child->attachTo(e);
    child->setInheritPosition(true);
    child->setRelativePosition(vec2(5.0f, 0.0f));
    auto* physics = new PhysicsComponent(e, 1000);
    physics->velocity = vec2(0.0f, 10.0f);
    physics->update(1.0f);
    EXPECT_EQ(child->getPosition(), vec2(5.0f, 10.0f));
}

TEST_F(PhysicsTest, RegistersUnderItsOwnClassWithTheGivenPriority) {
    GameEntity& e = make();
    auto* physics = new PhysicsComponent(e, 42);
    EXPECT_EQ(&e.getComponent<PhysicsComponent>(), physics);
    EXPECT_EQ(physics->priority, 42);
    EXPECT_EQ(game.getComponents<UpdatableComponent>().size(), 1u);
}

class ForceControlTest : public MotionTest {
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

TEST_F(ForceControlTest, ConstructorTunesDragAndThrustFromAccelerationTimeAndMaxSpeed) {
    GameEntity& other = make();
    auto* otherPhysics = new PhysicsComponent(other, 1000);
    otherPhysics->drag = 123.0f;
    auto* c = new ForceControlledComponent(other, 0.5f, 300.0f);
    EXPECT_FLOAT_EQ(otherPhysics->drag, 10.0f);
    EXPECT_FLOAT_EQ(c->thrust, 3000.0f);
    EXPECT_FLOAT_EQ(c->turnRate, 3.0f * kPi);
    EXPECT_EQ(c->priority, 1000);
    EXPECT_EQ(&c->physics, otherPhysics);
    EXPECT_EQ(&other.getComponent<ForceControlledComponent>(), c);
}

TEST_F(ForceControlTest, ConstructorNeedsExactlyOnePhysicsComponent) {
    GameEntity& bare = make();
    EXPECT_EQ(errorOf([&] { new ForceControlledComponent(bare, 1.0f, 100.0f); }), "component was not found");
    new PhysicsComponent(bare, 1);
    new PhysicsComponent(bare, 2);
    EXPECT_EQ(errorOf([&] { new ForceControlledComponent(bare, 1.0f, 100.0f); }),
              "multiple components were found");
    // The failed constructions left nothing registered behind.
    EXPECT_EQ(game.getComponents<ForceControlledComponent>().size(), 1u);
    EXPECT_EQ(bare.getComponents<UpdatableComponent>().size(), 2u);
}

TEST_F(ForceControlTest, FullThrustSettlesAtMaxSpeed) {
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
}

TEST_F(ForceControlTest, AboveMaxSpeedThrustExactlyBalancesTheDrag) {
    physics->velocity = vec2(1200.0f, 0.0f);
    control->setControlForce(vec2(1.0f, 0.0f));
    control->update(kFrame);
    EXPECT_FLOAT_EQ(physics->force.x, 2.0f * control->thrust);
    physics->update(kFrame);
    EXPECT_NEAR(physics->velocity.x, 1200.0f, 1e-2f);
}

TEST_F(ForceControlTest, LongInputIsCutToMagnitudeOne) {
    control->setControlForce(vec2(0.0f, 3.0f));
    EXPECT_FLOAT_EQ(control->controlMagnitude, 1.0f);
    EXPECT_EQ(control->controlDirection, vec2(0.0f, 1.0f));
    control->setControlForce(vec2(0.3f, 0.4f));
    EXPECT_FLOAT_EQ(control->controlMagnitude, 0.5f);
    EXPECT_EQ(control->controlDirection, vec2(0.3f, 0.4f));
}

TEST_F(ForceControlTest, TinyInputDoesNothingAndStaysPending) {
    ship->setOrientation(1.0f);
    control->setControlForce(vec2(0.005f, 0.0f));
    control->update(kFrame);
    EXPECT_FLOAT_EQ(ship->getOrientation(), 1.0f);
    EXPECT_EQ(physics->force, vec2(0.0f, 0.0f));
    EXPECT_FLOAT_EQ(control->controlMagnitude, 0.005f);
}

TEST_F(ForceControlTest, InputIsConsumedByOneUpdate) {
    control->setControlForce(vec2(1.0f, 0.0f));
    control->update(kFrame);
    const vec2 firstPush = physics->force;
    control->update(kFrame);
    EXPECT_EQ(physics->force, firstPush);
    EXPECT_EQ(control->controlMagnitude, 0.0f);
    EXPECT_EQ(control->controlDirection, vec2(0.0f, 0.0f));
}

TEST_F(ForceControlTest, InactiveShipNeitherTurnsNorThrustsAndKeepsTheInput) {
    ship->setActive(false);
    control->setControlForce(vec2(0.0f, 1.0f));
    control->update(kFrame);
    EXPECT_EQ(ship->getOrientation(), 0.0f);
    EXPECT_EQ(physics->force, vec2(0.0f, 0.0f));
    EXPECT_FLOAT_EQ(control->controlMagnitude, 1.0f);
}

TEST_F(ForceControlTest, TurnIsLimitedByTurnRateAndThrustFollowsTheNewHeading) {
    control->turnRate = 1.0f;
    control->setControlForce(vec2(0.0f, 1.0f));
    control->update(0.5f);
    EXPECT_FLOAT_EQ(ship->getOrientation(), 0.5f);
    const float length = control->thrust;
    EXPECT_NEAR(physics->force.x, length * std::cos(0.5f), 1e-2f);
    EXPECT_NEAR(physics->force.y, length * std::sin(0.5f), 1e-2f);
}

TEST_F(ForceControlTest, TurnsTheShorterWayAcrossTheWrap) {
    ship->setOrientation(-0.5f);
    // Target 3.0 rad is 3.5 rad ahead counter-clockwise, so the shorter way is clockwise.
    control->setControlForce(vec2(std::cos(3.0f), std::sin(3.0f)));
    control->update(0.1f);
    EXPECT_NEAR(ship->getOrientation(), -0.5f - 0.3f * kPi, 1e-5f);
}

TEST_F(ForceControlTest, OppositeDirectionTurnsAtMostTurnRateTimesDt) {
    control->setControlForce(vec2(-1.0f, 0.0f));
    control->update(0.1f);
    EXPECT_NEAR(std::abs(ship->getOrientation()), 0.3f * kPi, 1e-5f);
}

class OrientTowardsPointTest : public MotionTest {};

TEST_F(OrientTowardsPointTest, FacesThePointAtOnce) {
    GameEntity& e = make(vec2(10.0f, 10.0f));
    auto* aim = new OrientTowardsPointComponent(e);
    aim->setControlPoint(vec2(20.0f, 20.0f));
    EXPECT_NEAR(e.getOrientation(), kPi / 4.0f, 1e-6f);
    aim->setControlPoint(vec2(0.0f, 10.0f));
    EXPECT_NEAR(e.getOrientation(), kPi, 1e-6f);
}

TEST_F(OrientTowardsPointTest, PointBelowGivesMinusHalfPi) {
    GameEntity& e = make(vec2(0.0f, 0.0f));
    auto* aim = new OrientTowardsPointComponent(e);
    aim->setControlPoint(vec2(0.0f, -100.0f));
    EXPECT_NEAR(e.getOrientation(), -kPi / 2.0f, 1e-6f);
    aim->setControlPoint(vec2(-100.0f, -100.0f));
    EXPECT_NEAR(e.getOrientation(), -3.0f * kPi / 4.0f, 1e-6f);
}

TEST_F(OrientTowardsPointTest, PointTooCloseKeepsTheOrientation) {
    GameEntity& e = make(vec2(5.0f, 5.0f), 1.25f);
    auto* aim = new OrientTowardsPointComponent(e);
    aim->setControlPoint(vec2(5.0f, 4.96f));
    EXPECT_EQ(e.getOrientation(), 1.25f);
    aim->setControlPoint(vec2(5.0f, 4.9f));
    EXPECT_NEAR(e.getOrientation(), -kPi / 2.0f, 1e-5f);
}

TEST_F(OrientTowardsPointTest, InactiveEntityIsNotTurned) {
    GameEntity& e = make(vec2(0.0f), 0.5f);
    auto* aim = new OrientTowardsPointComponent(e);
    e.setActive(false);
    aim->setControlPoint(vec2(0.0f, -10.0f));
    EXPECT_EQ(e.getOrientation(), 0.5f);
}

TEST_F(OrientTowardsPointTest, IsFoundUnderItsClassButNotAsUpdatable) {
    GameEntity& e = make();
    auto* aim = new OrientTowardsPointComponent(e);
    EXPECT_EQ(*game.getComponents<OrientTowardsPointComponent>().begin(), aim);
    EXPECT_EQ(aim->priority, 1000);
    EXPECT_TRUE(game.getComponents<UpdatableComponent>().empty());
}

} // namespace
} // namespace kv
