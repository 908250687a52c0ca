// Collision shapes and the per-frame collision test between tagged entities.
#pragma once

#include <functional>
#include <memory>
#include <set>

#include <glm/vec2.hpp>

#include "engine/core/EntityComponent.hpp"

namespace kv {

using glm::vec2;

class GameEntity;
class CircleCollisionGeometry;
class RectangleCollisionGeometry;

// A shape carried by an entity, placed and turned relative to it. Pairs are tested by double dispatch,
// so the answer does not depend on which side asks. Touching counts as colliding.
class CollisionGeometry {
public:
    CollisionGeometry(GameEntity& entity, const vec2& relativePosition, float relativeOrientation);
    virtual ~CollisionGeometry() = default;
    CollisionGeometry(const CollisionGeometry&) = delete;
    CollisionGeometry& operator=(const CollisionGeometry&) = delete;

    virtual bool isColliding(const CollisionGeometry& other) const = 0;
    virtual bool isColliding(const CircleCollisionGeometry& other) const = 0;
    virtual bool isColliding(const RectangleCollisionGeometry& other) const = 0;

    // World position of the shape's centre: the relative position turned with the entity.
    vec2 getPosition() const;
    // World orientation in radians (not wrapped).
    float getOrientation() const;

    GameEntity& entity;
    // Centre in the entity's own frame, world units.
    vec2 relativePosition;
    // Radians.
    float relativeOrientation;
};

class CircleCollisionGeometry : public CollisionGeometry {
public:
    CircleCollisionGeometry(GameEntity& entity, float radius);
    CircleCollisionGeometry(GameEntity& entity, const vec2& relativePosition, float relativeOrientation,
                            float radius);

    bool isColliding(const CollisionGeometry& other) const override;
    bool isColliding(const CircleCollisionGeometry& other) const override;
    bool isColliding(const RectangleCollisionGeometry& other) const override;

    // World units; may change at any time (a growing shockwave).
    float radius;
};

class RectangleCollisionGeometry : public CollisionGeometry {
public:
    RectangleCollisionGeometry(GameEntity& entity, const vec2& size);
    RectangleCollisionGeometry(GameEntity& entity, const vec2& relativePosition, float relativeOrientation,
                               const vec2& size);

    bool isColliding(const CollisionGeometry& other) const override;
    bool isColliding(const CircleCollisionGeometry& other) const override;
    bool isColliding(const RectangleCollisionGeometry& other) const override;

    // Full width along the shape's own x axis and full height along its y axis, world units; centred.
    vec2 size;
};

// Reaction to a hit: the tag under which the other entity was matched, the other entity, dt. Returning
// true finishes the component for the frame: it tests nothing more and cannot be hit again.
using CollisionCallback = std::function<bool(int tag, GameEntity& other, float dt)>;

// Target tags of passive components, which test nothing themselves but can be hit.
extern const std::set<int> emptyTags;

// Gives its entity one shape and, once per frame, tests it against the active entities carrying its target
// tags. Each pair of entities meets at most once per frame: the side that runs first reports the hit to
// both callbacks. Every entity carrying a targeted tag must own exactly one CollisionComponent.
class CollisionComponent : public UpdatableComponent {
public:
    // Takes ownership of the geometry. The tag sets are not copied and must outlive the component.
    CollisionComponent(GameEntity& entity, CollisionGeometry* geometry, const std::set<int>& targetTags,
                       CollisionCallback callback, int priority);
    // A circle of that radius (world units) centred on the entity.
    CollisionComponent(GameEntity& entity, float radius, const std::set<int>& targetTags,
                       CollisionCallback callback, int priority);
    // A rectangle of that size (world units) centred on the entity and turned with it.
    CollisionComponent(GameEntity& entity, const vec2& size, const std::set<int>& targetTags,
                       CollisionCallback callback, int priority);
    // A passive circle: no target tags, a callback that does nothing.
    CollisionComponent(GameEntity& entity, float radius, int priority);
    ~CollisionComponent() override;

    // A temporary tag set would dangle.
    CollisionComponent(GameEntity&, CollisionGeometry*, const std::set<int>&&, CollisionCallback,
                       int) = delete;
    CollisionComponent(GameEntity&, float, const std::set<int>&&, CollisionCallback, int) = delete;
    CollisionComponent(GameEntity&, const vec2&, const std::set<int>&&, CollisionCallback, int) = delete;

    // Forgets the pairs of the last frame; the game calls it on every component before any update.
    void resetForFrame();
    void update(float dt) override;
    // Called by another component whose update has just hit this one's entity.
    void inverseCollision(GameEntity& other, float dt);

    std::unique_ptr<CollisionGeometry> geometry;
    // Never null. A pointer so that the game can switch the set while the component lives (an arming
    // rocket); the set itself must have static lifetime.
    const std::set<int>* targetTags;
    // Entities already dealt with in this frame.
    std::set<GameEntity*> handledEntities;
    CollisionCallback callback;
    bool finishedForFrame = false;

private:
    CollisionComponent(GameEntity& entity, std::unique_ptr<CollisionGeometry> ownedGeometry,
                       const std::set<int>& targetTags, CollisionCallback callback, int priority);
};

} // namespace kv
