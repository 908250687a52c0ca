#include "engine/components/Motion.hpp"

#include <algorithm>
#include <cmath>

#include <glm/geometric.hpp>

#include "engine/core/Angles.hpp"
#include "engine/core/GameEntity.hpp"

namespace kv {

namespace {

// World units per second squared; shorter forces give no usable direction to split the drag along.
constexpr float kForceDirectionThreshold = 0.01f;
// Time constants per acceleration time: full thrust from rest reaches 1 - e^-5 (99.3 %) of maxSpeed.
constexpr float kTimeConstantsPerAccelerationTime = 5.0f;
// Radians per second, one and a half turns.
constexpr float kDefaultTurnRate = 3.0f * kPi;
// Control inputs shorter than this are ignored and stay pending.
constexpr float kMinimumControlMagnitude = 0.01f;
// World units; closer points give no reliable direction.
constexpr float kMinimumAimDistance = 0.05f;
// Fixed priority of the steering and aiming components.
constexpr int kControlPriority = 1000;
} // namespace

PhysicsComponent::PhysicsComponent(GameEntity& entity, int priority) : UpdatableComponent(entity, priority) {
    entity.registerComponent<PhysicsComponent>(*this);
}

PhysicsComponent::~PhysicsComponent() {
    entity.deregisterComponent<PhysicsComponent>(*this);
}

void PhysicsComponent::update(float dt) {
    if (!entity.isActive()) {
        return;
    }
    vec2 appliedForce = force;
    vec2 lateral = velocity;
    const float forceLength = glm::length(force);
    if (forceLength > kForceDirectionThreshold) {
        const vec2 along = (glm::dot(velocity, force) / (forceLength * forceLength)) * force;
        lateral = velocity - along;
        appliedForce -= drag * along;
    }
    appliedForce -= drag * lateralDragFactor * lateral;
    velocity += appliedForce * dt;
    entity.setPosition(entity.getPosition() + velocity * dt);
    force = vec2(0.0f, 0.0f);
}

ForceControlledComponent::ForceControlledComponent(GameEntity& entity, float accelerationTime, float maxSpeed)
    : UpdatableComponent(entity, kControlPriority), physics(entity.getComponent<PhysicsComponent>()),
      turnRate(kDefaultTurnRate), thrust(maxSpeed * (kTimeConstantsPerAccelerationTime / accelerationTime)) {
    physics.drag = kTimeConstantsPerAccelerationTime / accelerationTime;
    entity.registerComponent<ForceControlledComponent>(*this);
}

ForceControlledComponent::~ForceControlledComponent() {
    entity.deregisterComponent<ForceControlledComponent>(*this);
}

void ForceControlledComponent::setControlForce(const vec2& control) {
    const float length = glm::length(control);
    if (length > 1.0f) {
        controlMagnitude = 1.0f;
        controlDirection = control / length;
    } else {
        controlMagnitude = length;
        controlDirection = control;
    }
}

void ForceControlledComponent::update(float dt) {
    if (!entity.isActive() || controlMagnitude < kMinimumControlMagnitude) {
        return;
    }
    const float target = std::atan2(controlDirection.y, controlDirection.x);
    const float current = entity.getOrientation();
    float delta = target - current;
    if (delta > kPi) {
        delta -= kTwoPi;
    } else if (delta < -kPi) {
        delta += kTwoPi;
    }
    const float maxStep = turnRate * dt;
    const float step = delta > maxStep ? maxStep : std::max(-maxStep, delta);
    const float heading = current + step;
    entity.setOrientation(heading);

    // Above terminal speed the thrust grows until it just balances the drag along the heading, so
    // steering never brakes a ship that something else has pushed faster.
    const float terminalSpeed = thrust / physics.drag;
    const float speedRatio = glm::length(physics.velocity) / terminalSpeed;
    const float scale = std::max(1.0f, speedRatio);
    const float thrustNow = scale * controlMagnitude * thrust;
    physics.force += vec2(thrustNow * std::cos(heading), thrustNow * std::sin(heading));

    controlMagnitude = 0.0f;
    controlDirection = vec2(0.0f, 0.0f);
}

OrientTowardsPointComponent::OrientTowardsPointComponent(GameEntity& entity)
    : EntityComponent(entity, kControlPriority) {
    entity.registerComponent<OrientTowardsPointComponent>(*this);
}

OrientTowardsPointComponent::~OrientTowardsPointComponent() {
    entity.deregisterComponent<OrientTowardsPointComponent>(*this);
}

void OrientTowardsPointComponent::setControlPoint(const vec2& point) {
    if (!entity.isActive()) {
        return;
    }
    const vec2 offset = point - entity.getPosition();
    const float distance = glm::length(offset);
    if (!(distance > kMinimumAimDistance)) {
        return;
    }
    float angle = std::acos(std::clamp(offset.x / distance, -1.0f, 1.0f));
    if (offset.y < 0.0f) {
        angle = kTwoPi - angle;
    }
    entity.setOrientation(angle);
}

} // namespace kv
