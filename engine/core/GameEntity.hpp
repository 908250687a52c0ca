// The scene object: a placed, turnable, taggable node of an entity tree that owns its components.
#pragma once

#include <cstdint>
#include <set>

#include <glm/vec2.hpp>

#include "engine/core/TaggedEntityRegistry.hpp"
#include "engine/core/TypedComponentRegistry.hpp"

namespace kv {

using glm::vec2;

// Allocated with new. Owns its children and its components (both raw pointers, deleted in the
// destructor: children first, then components in priority order, then the registration). The entity is
// itself the registry of its components; its parent link is the game-wide component registry.
// position and orientation are always world values; children that inherit derive theirs from the parent.
class GameEntity : public TypedComponentRegistry {
public:
    GameEntity(TaggedEntityRegistry& registry, TypedComponentRegistry* componentRegistry, const vec2& position,
               float orientation);
    virtual ~GameEntity();

    // Stores the position and re-places every child that inherits position, recursively.
    void setPosition(const vec2& position);
    // Wraps the angle into [-pi, pi] and re-turns every child that inherits orientation, recursively.
    void setOrientation(float orientation);
    // Recomputes the position from the parent; requires a parent.
    void updateInheritedPosition();
    void attachTo(GameEntity& newParent);
    void addTag(int tag);
    // Switches this entity and every descendant, whatever their own state was.
    void setActive(bool active);

    void setInheritPosition(bool inherit);
    void setRelativePosition(const vec2& offset);
    void setInheritOrientation(bool inherit);
    void setRelativeOrientation(float angle);

    const vec2& getPosition() const { return position; }
    float getOrientation() const { return orientation; }
    bool isActive() const { return active; }
    // From the counter of the top registry: entities are walked and remembered by it, never by address.
    std::uint64_t getCreationNumber() const { return creationNumber; }
    bool hasTag(int tag) const { return tags.count(tag) != 0; }
    GameEntity* getParent() const { return parent; }
    const std::set<int>& getTags() const { return tags; }
    const std::set<GameEntity*>& getChildren() const { return children; }
    TaggedEntityRegistry& getEntityRegistry() const { return *entityRegistry; }
    bool getInheritPosition() const { return inheritPosition; }
    const vec2& getRelativePosition() const { return relativePosition; }
    bool getInheritOrientation() const { return inheritOrientation; }
    float getRelativeOrientation() const { return relativeOrientation; }

private:
    void detachFromParent();

    TaggedEntityRegistry* entityRegistry;
    std::uint64_t creationNumber;
    GameEntity* parent = nullptr;
    bool inheritPosition = false;
    vec2 relativePosition{0.0f, 0.0f};
    bool inheritOrientation = false;
    float relativeOrientation = 0.0f;
    std::set<int> tags;
    std::set<GameEntity*> children;
    bool active = true;
    vec2 position;
    float orientation;
};

} // namespace kv
