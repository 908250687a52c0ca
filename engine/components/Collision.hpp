// Collision shapes and the per-frame collision test between tagged entities.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <set>

#include <glm/vec2.hpp>

#include "engine/components/EntityPointerSet.hpp"
#include "engine/core/EntityComponent.hpp"
#include "engine/core/TaggedEntityRegistry.hpp"

namespace kv {

using glm::vec2;

class GameEntity;
class CircleCollisionGeometry;
class RectangleCollisionGeometry;
class CollisionBroadPhase;

// A measure of a shape (radius, size, offset) that reads like a plain value and counts every write in
// CollisionGeometry::shapeRevision, so that spatial indexes built over the shapes know when to refresh.
template <typename T>
class ShapeMeasure {
public:
    ShapeMeasure(const T& value) : value(value) {}
    ShapeMeasure(const ShapeMeasure&) = default;
    ShapeMeasure& operator=(const T& newValue);
    ShapeMeasure& operator=(const ShapeMeasure& other) { return *this = other.value; }

    operator const T&() const { return value; }
    const T& get() const { return value; }

    friend bool operator==(const ShapeMeasure& a, const T& b) { return a.value == b; }
    friend std::ostream& operator<<(std::ostream& out, const ShapeMeasure& measure)
        requires requires(std::ostream& o, const T& v) { o << v; }
    {
        return out << measure.value;
    }

private:
    T value;
};

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
    // getPosition() without turning an offset of zero: the same point, though a zero coordinate may differ
    // in sign, which no distance taken from it can tell. The shape tests and the broad phase use it.
    vec2 centre() const;
    // Radius of the smallest circle around centre() that holds the shape (world units); NaN or negative for
    // a shape with a negative or undefined measure.
    virtual float boundingRadius() const = 0;

    GameEntity& entity;
    // Centre in the entity's own frame, world units.
    ShapeMeasure<vec2> relativePosition;
    // Radians.
    float relativeOrientation;

    // Raised by every write of a shape measure of any geometry.
    static inline std::uint64_t shapeRevision = 0;
};

template <typename T>
ShapeMeasure<T>& ShapeMeasure<T>::operator=(const T& newValue) {
    value = newValue;
    ++CollisionGeometry::shapeRevision;
    return *this;
}

class CircleCollisionGeometry : public CollisionGeometry {
public:
    CircleCollisionGeometry(GameEntity& entity, float radius);
    CircleCollisionGeometry(GameEntity& entity, const vec2& relativePosition, float relativeOrientation,
                            float radius);

    bool isColliding(const CollisionGeometry& other) const override;
    bool isColliding(const CircleCollisionGeometry& other) const override;
    bool isColliding(const RectangleCollisionGeometry& other) const override;
    float boundingRadius() const override;

    // World units; may change at any time (a growing shockwave).
    ShapeMeasure<float> radius;
};

class RectangleCollisionGeometry : public CollisionGeometry {
public:
    RectangleCollisionGeometry(GameEntity& entity, const vec2& size);
    RectangleCollisionGeometry(GameEntity& entity, const vec2& relativePosition, float relativeOrientation,
                               const vec2& size);

    bool isColliding(const CollisionGeometry& other) const override;
    bool isColliding(const CircleCollisionGeometry& other) const override;
    bool isColliding(const RectangleCollisionGeometry& other) const override;
    float boundingRadius() const override;

    // Full width along the shape's own x axis and full height along its y axis, world units; centred.
    ShapeMeasure<vec2> size;
};

// Reaction to a hit: the tag under which the other entity was matched, the other entity, dt. Returning
// true finishes the component for the frame: it tests nothing more and cannot be hit again.
using CollisionCallback = std::function<bool(int tag, GameEntity& other, float dt)>;

// Target tags of passive components, which test nothing themselves but can be hit.
extern const std::set<int> emptyTags;

// Gives its entity one shape and, once per frame, tests it against the active entities carrying its target
// tags. Each pair of entities meets at most once per frame: the side that runs first reports the hit to
// both callbacks. Every entity carrying a targeted tag must own exactly one CollisionComponent.
//
// A component with one target tag asks the registry's CollisionBroadPhase for the entities near enough to
// touch it instead of testing every entity of the tag; the callbacks run in the same order either way (see
// CollisionBroadPhase.hpp). Then handledEntities holds only the entities the pass came near, which differs
// from the full walk only if update ran twice in a frame without resetForFrame, which the game never does.
class CollisionComponent : public UpdatableComponent {
public:
    // Takes ownership of the geometry and keeps a copy of the target tags.
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

    // Forgets the pairs of the last frame; the game calls it on every component before any update.
    void resetForFrame();
    void update(float dt) override;
    // Called by another component whose update has just hit this one's entity.
    void inverseCollision(GameEntity& other, float dt);

    // Deals with one entity of the tag as the pass does; true when this component has finished for the
    // frame. Used by the pass and by the broad phase.
    bool visit(int tag, GameEntity* other, float dt);
    // The pass over the live set of the tag from `from` on, testing every entity; true when finished.
    bool visitAll(int tag, const EntitySet& set, EntitySet::const_iterator from, float dt);

    // Fixed for the component's life (broad-phase indexes hold on to it).
    const std::unique_ptr<CollisionGeometry> geometry;
    // The component's own: the game may replace them at any time (an arming rocket), even from the callback.
    std::set<int> targetTags;
    // Entities already dealt with in this frame.
    EntityPointerSet handledEntities;
    CollisionCallback callback;
    bool finishedForFrame = false;

private:
    CollisionComponent(GameEntity& entity, std::unique_ptr<CollisionGeometry> ownedGeometry,
                       const std::set<int>& targetTags, CollisionCallback callback, int priority);

    // The broad phase of the entity's registry, or null when the registry keeps another attachment.
    CollisionBroadPhase* broadPhase;
};

} // namespace kv
