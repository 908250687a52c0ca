// Base classes of all behaviour attached to a GameEntity.
#pragma once

#include <cstdint>

namespace kv {

class GameEntity;

// Created with new against an entity, which owns it and deletes it with itself. Registers under
// EntityComponent in the entity's registry (and so game-wide). Each derived class that wants to be
// found by its own class registers after its bases in its constructor and deregisters first in its
// destructor.
class EntityComponent {
public:
    EntityComponent(GameEntity& entity, int priority);
    virtual ~EntityComponent();
    EntityComponent(const EntityComponent&) = delete;
    EntityComponent& operator=(const EntityComponent&) = delete;

    GameEntity& entity;
    // Lower values update and draw first; must not change while registered.
    const int priority;
    // Drawn from the counter of the game-wide registry at construction: orders equal priorities the same
    // way in every run, which addresses would not.
    const std::uint64_t creationNumber;
};

// A component with a per-frame step; dt is the frame time in seconds.
class UpdatableComponent : public EntityComponent {
public:
    UpdatableComponent(GameEntity& entity, int priority);
    ~UpdatableComponent() override;
    virtual void update(float dt) = 0;
};

} // namespace kv
