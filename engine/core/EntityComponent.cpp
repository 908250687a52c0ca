#include "engine/core/EntityComponent.hpp"

#include "engine/core/GameEntity.hpp"

namespace kv {

EntityComponent::EntityComponent(GameEntity& entity, int priority)
    : entity(entity), priority(priority), creationNumber(entity.takeCreationNumber()) {
    entity.registerComponent<EntityComponent>(*this);
}

EntityComponent::~EntityComponent() { entity.deregisterComponent<EntityComponent>(*this); }

UpdatableComponent::UpdatableComponent(GameEntity& entity, int priority) : EntityComponent(entity, priority) {
    entity.registerComponent<UpdatableComponent>(*this);
}

UpdatableComponent::~UpdatableComponent() { entity.deregisterComponent<UpdatableComponent>(*this); }

} // namespace kv
