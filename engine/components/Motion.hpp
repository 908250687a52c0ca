// Components that move and turn an entity: force integration, steered thrust, and facing a point.
#pragma once

#include <glm/vec2.hpp>

#include "engine/core/EntityComponent.hpp"

namespace kv {

using glm::vec2;

// Integrates force into velocity and velocity into the entity's position, with a linear drag that is
// stronger along the applied force than across it. There is no mass: force is an acceleration.
class PhysicsComponent : public UpdatableComponent {
public:
    PhysicsComponent(GameEntity& entity, int priority);
    ~PhysicsComponent() override;

    // One step of dt seconds; does nothing on an inactive entity, which keeps the force pending.
    void update(float dt) override;

    // World units per second squared, accumulated by anyone during a frame and consumed by update.
    vec2 force{0.0f, 0.0f};
    // World units per second.
    vec2 velocity{0.0f, 0.0f};
    // Per second; 0 means frictionless flight.
    float drag = 0.0f;
    // Scales drag for the velocity that is not along the force (all of it while no force acts).
    float lateralDragFactor = 0.5f;
};

// Turns a steering input into a rate-limited turn and a thrust along the new heading, which it adds to
// the entity's PhysicsComponent. It tunes that component's drag so that full thrust settles at maxSpeed.
class ForceControlledComponent : public UpdatableComponent {
public:
    // accelerationTime in seconds, maxSpeed in world units per second. The entity must own exactly one
    // PhysicsComponent already.
    ForceControlledComponent(GameEntity& entity, float accelerationTime, float maxSpeed);
    ~ForceControlledComponent() override;

    // The input for the next update only; inputs longer than 1 are cut to length 1.
    void setControlForce(const vec2& control);
    void update(float dt) override;

    PhysicsComponent& physics;
    // Radians per second.
    float turnRate;
    // World units per second squared at full control.
    float thrust;
    // 0 to 1.
    float controlMagnitude = 0.0f;
    // Only its angle is used.
    vec2 controlDirection{0.0f, 0.0f};
};

// Turns its entity at once to face a point; the game hands it the mouse position every frame.
class OrientTowardsPointComponent : public EntityComponent {
public:
    explicit OrientTowardsPointComponent(GameEntity& entity);
    ~OrientTowardsPointComponent() override;

    // Point in world coordinates; one too close to the entity leaves the orientation unchanged.
    void setControlPoint(const vec2& point);
};

} // namespace kv
