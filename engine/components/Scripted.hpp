// Updatable components that run behaviour over time: per-frame callbacks, delayed one-off callbacks and
// timed entity spawners.
#pragma once

#include <functional>

#include "engine/core/EntityComponent.hpp"

namespace kv {

class GameEntity;

// Receives the component itself (and through it the entity) and a time in seconds.
using ComponentCallback = std::function<void(EntityComponent& self, float seconds)>;
// Builds, places and returns one new entity with all its components.
using EntityFactory = std::function<GameEntity*()>;

// Runs its callback with dt every frame while the entity is active: the game's scripted one-off behaviour.
// Registers under its bases only.
class LambdaComponent : public UpdatableComponent {
public:
    LambdaComponent(GameEntity& entity, ComponentCallback callback, int priority);

    void update(float dt) override;

    ComponentCallback callback;
};

// Runs its callback once, after the delay has run down on an active entity, with the overshoot of this
// frame, and then deletes itself. Safe only because the update pass walks a copy of the component set;
// nothing may touch the component once its callback has run. Registers under its bases only.
class TimedLambdaComponent : public UpdatableComponent {
public:
    // delay in seconds.
    TimedLambdaComponent(GameEntity& entity, float delay, ComponentCallback callback);

    void update(float dt) override;

    // Seconds of active time until the callback fires.
    float remaining;
    ComponentCallback callback;
};

// Creates entities through its factory every interval seconds while enabled, several in one frame when
// the interval is shorter than the frame, and advances each new entity by how late its spawn was.
class TimedEntitySpawner : public UpdatableComponent {
public:
    // interval in seconds, greater than 0, else std::runtime_error naming the class.
    TimedEntitySpawner(GameEntity& entity, float interval, bool enabled, EntityFactory factory);
    ~TimedEntitySpawner() override;

    void update(float dt) override;
    // Creates one entity now and runs each of its updatable components once with age (seconds); a factory
    // that returns null is a std::runtime_error.
    void spawn(float age);
    // Holding the mouse button (without modifiers) enables spawning, releasing it disables it.
    void addMouseControl(int button);

    // Seconds between two spawns; must stay greater than 0: an update that is due to spawn checks it.
    float interval;
    // Seconds until the next spawn is due; rests at 0 while disabled.
    float countdown = 0.0f;
    bool enabled;
    EntityFactory factory;
};

} // namespace kv
