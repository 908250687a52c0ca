#include "engine/core/TaggedEntityRegistry.hpp"

#include <stdexcept>
#include <utility>

#include "engine/core/Diagnostics.hpp"
#include "engine/core/GameEntity.hpp"

namespace kv {

void TaggedEntityRegistry::Tag::insert(GameEntity& entity) {
    const auto [position, inserted] = members.insert(&entity);
    if (inserted) {
        positions.insert(&entity, position);
    }
    ++revision;
}

void TaggedEntityRegistry::Tag::erase(GameEntity& entity) {
    if (const auto position = positions.take(&entity)) {
        // extract rather than erase: erase would also find the next node, which nobody needs.
        members.extract(*position);
    }
    ++revision;
}

TaggedEntityRegistry::TaggedEntityRegistry(TaggedEntityRegistry* parent) : parent(parent) {}

TaggedEntityRegistry::~TaggedEntityRegistry() = default;

void TaggedEntityRegistry::registerEntity(GameEntity& entity) {
    for (int tag : entity.getTags()) {
        Tag& set = entities[tag];
        set.insert(entity);
    }
    entities[0].insert(entity);
    if (parent != nullptr) {
        parent->registerEntity(entity);
    }
}

void TaggedEntityRegistry::deregisterEntity(GameEntity& entity) {
    for (int tag : entity.getTags()) {
        Tag& set = entities[tag];
        set.erase(entity);
    }
    entities[0].erase(entity);
    if (parent != nullptr) {
        parent->deregisterEntity(entity);
    }
}

void TaggedEntityRegistry::addTagToEntity(GameEntity& entity, int tag) {
    entities[tag].insert(entity);
    if (parent != nullptr) {
        parent->addTagToEntity(entity, tag);
    }
}

void TaggedEntityRegistry::removeTagFromEntity(GameEntity& entity, int tag) {
    entities[tag].erase(entity);
    if (parent != nullptr) {
        parent->removeTagFromEntity(entity, tag);
    }
}

const EntitySet& TaggedEntityRegistry::getEntities(int tag) { return entities[tag].members; }

EntitySet TaggedEntityRegistry::getActiveEntities(int tag) {
    EntitySet active;
    for (GameEntity* entity : entities[tag].members) {
        if (entity->isActive()) {
            active.insert(active.end(), entity);
        }
    }
    return active;
}

bool TaggedEntityRegistry::hasActiveEntity(int tag) {
    for (GameEntity* entity : entities[tag].members) {
        if (entity->isActive()) {
            return true;
        }
    }
    return false;
}

GameEntity& TaggedEntityRegistry::getEntity(int tag) {
    const EntitySet& set = entities[tag].members;
    if (set.empty()) {
        throwRuntimeError([&](std::stringstream& out) { out << "entity was not found: tag " << tag; });
    }
    if (set.size() > 1) {
        throwRuntimeError([&](std::stringstream& out) {
            out << "multiple entities were found: " << set.size() << " with tag " << tag;
        });
    }
    return **set.begin();
}

void TaggedEntityRegistry::deleteInactiveEntities(int tag) {
    const EntitySet& set = entities[tag].members;
    sweepNumbers.clear();
    for (const GameEntity* entity : set) {
        sweepNumbers.push_back(entity->getCreationNumber());
    }
    for (const std::uint64_t number : sweepNumbers) {
        // An entity deleted with an ancestor earlier in this sweep has left the set: it is looked up by
        // number, never through its freed memory.
        const auto found = set.find(number);
        if (found != set.end() && !(*found)->isActive()) {
            delete *found;
        }
    }
}

const std::uint64_t& TaggedEntityRegistry::getTagRevision(int tag) { return entities[tag].revision; }

void TaggedEntityRegistry::noteMemberChange(GameEntity& entity) {
    for (int tag : entity.getTags()) {
        ++entities[tag].revision;
    }
    ++entities[0].revision;
    if (parent != nullptr) {
        parent->noteMemberChange(entity);
    }
}

void TaggedEntityRegistry::setAttachment(std::unique_ptr<Attachment> newAttachment) {
    attachment = std::move(newAttachment);
}

} // namespace kv
