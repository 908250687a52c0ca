#include "engine/core/TaggedEntityRegistry.hpp"

#include <stdexcept>

#include "engine/core/GameEntity.hpp"

namespace kv {

TaggedEntityRegistry::TaggedEntityRegistry(TaggedEntityRegistry* parent) : parent(parent) {}

void TaggedEntityRegistry::registerEntity(GameEntity& entity) {
    for (int tag : entity.getTags()) {
        entities[tag].insert(&entity);
    }
    entities[0].insert(&entity);
    if (parent != nullptr) {
        parent->registerEntity(entity);
    }
}

void TaggedEntityRegistry::deregisterEntity(GameEntity& entity) {
    for (int tag : entity.getTags()) {
        entities[tag].erase(&entity);
    }
    entities[0].erase(&entity);
    if (parent != nullptr) {
        parent->deregisterEntity(entity);
    }
}

void TaggedEntityRegistry::addTagToEntity(GameEntity& entity, int tag) {
    entities[tag].insert(&entity);
    if (parent != nullptr) {
        parent->addTagToEntity(entity, tag);
    }
}

void TaggedEntityRegistry::removeTagFromEntity(GameEntity& entity, int tag) {
    entities[tag].erase(&entity);
    if (parent != nullptr) {
        parent->removeTagFromEntity(entity, tag);
    }
}

EntitySet& TaggedEntityRegistry::getEntities(int tag) { return entities[tag]; }

EntitySet TaggedEntityRegistry::getActiveEntities(int tag) {
    EntitySet active;
    for (GameEntity* entity : entities[tag]) {
        if (entity->isActive()) {
            active.insert(active.end(), entity);
        }
    }
    return active;
}

GameEntity& TaggedEntityRegistry::getEntity(int tag) {
    const EntitySet& set = entities[tag];
    if (set.size() == 1) {
        return **set.begin();
    }
    if (set.empty()) {
        throw std::runtime_error("entity was not found");
    }
    throw std::runtime_error("multiple entities were found");
}

} // namespace kv
