#include "engine/components/Collision.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include <glm/geometric.hpp>

#include "engine/components/CollisionBroadPhase.hpp"
#include "engine/core/Diagnostics.hpp"
#include "engine/core/GameEntity.hpp"
#include "engine/core/TaggedEntityRegistry.hpp"

namespace kv {

const std::set<int> emptyTags;

namespace {

// Counter-clockwise rotation by angle radians.
vec2 rotate(const vec2& v, float angle) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    return vec2(v.x * c - v.y * s, v.x * s + v.y * c);
}

// Half the length of the rectangle's shadow on a unit axis.
float projectedHalfExtent(const vec2& axisX, const vec2& axisY, const vec2& halfSize, const vec2& axis) {
    return std::abs(glm::dot(axisX, axis)) * halfSize.x + std::abs(glm::dot(axisY, axis)) * halfSize.y;
}

bool defaultCollisionCallback(int, GameEntity&, float) {
    return true;
}

} // namespace

CollisionGeometry::CollisionGeometry(GameEntity& entity, const vec2& relativePosition,
                                     float relativeOrientation)
    : entity(entity), relativePosition(relativePosition), relativeOrientation(relativeOrientation) {}

vec2 CollisionGeometry::getPosition() const {
    return entity.getPosition() + rotate(relativePosition, entity.getOrientation());
}

float CollisionGeometry::getOrientation() const {
    return entity.getOrientation() + relativeOrientation;
}

vec2 CollisionGeometry::centre() const {
    const vec2& offset = relativePosition;
    // Turning a zero offset adds only zeros, whose sign no distance can tell; an undefined orientation
    // still takes the full path, where it makes the position undefined too.
    if (offset.x == 0.0f && offset.y == 0.0f && std::isfinite(entity.getOrientation())) {
        return entity.getPosition();
    }
    return getPosition();
}

CircleCollisionGeometry::CircleCollisionGeometry(GameEntity& entity, float radius)
    : CircleCollisionGeometry(entity, vec2(0.0f, 0.0f), 0.0f, radius) {}

CircleCollisionGeometry::CircleCollisionGeometry(GameEntity& entity, const vec2& relativePosition,
                                                 float relativeOrientation, float radius)
    : CollisionGeometry(entity, relativePosition, relativeOrientation), radius(radius) {}

bool CircleCollisionGeometry::isColliding(const CollisionGeometry& other) const {
    return other.isColliding(*this);
}

bool CircleCollisionGeometry::isColliding(const CircleCollisionGeometry& other) const {
    return radius + other.radius >= glm::length(centre() - other.centre());
}

bool CircleCollisionGeometry::isColliding(const RectangleCollisionGeometry& other) const {
    // Measure from the circle's centre to the nearest point of the rectangle, in the rectangle's frame.
    const vec2 local = rotate(centre() - other.centre(), -other.getOrientation());
    const vec2 halfSize = other.size.get() * 0.5f;
    const vec2 nearest(std::clamp(local.x, -halfSize.x, halfSize.x),
                       std::clamp(local.y, -halfSize.y, halfSize.y));
    return radius >= glm::length(local - nearest);
}

float CircleCollisionGeometry::boundingRadius() const {
    return radius;
}

RectangleCollisionGeometry::RectangleCollisionGeometry(GameEntity& entity, const vec2& size)
    : RectangleCollisionGeometry(entity, vec2(0.0f, 0.0f), 0.0f, size) {}

RectangleCollisionGeometry::RectangleCollisionGeometry(GameEntity& entity, const vec2& relativePosition,
                                                       float relativeOrientation, const vec2& size)
    : CollisionGeometry(entity, relativePosition, relativeOrientation), size(size) {}

bool RectangleCollisionGeometry::isColliding(const CollisionGeometry& other) const {
    return other.isColliding(*this);
}

bool RectangleCollisionGeometry::isColliding(const CircleCollisionGeometry& other) const {
    return other.isColliding(*this);
}

bool RectangleCollisionGeometry::isColliding(const RectangleCollisionGeometry& other) const {
    // Separating axes: two convex shapes are apart exactly when their shadows are apart on one of the
    // edge normals, which for two rectangles are their four own axes.
    const float angleA = getOrientation();
    const float angleB = other.getOrientation();
    const vec2 axes[4] = {rotate(vec2(1.0f, 0.0f), angleA), rotate(vec2(0.0f, 1.0f), angleA),
                          rotate(vec2(1.0f, 0.0f), angleB), rotate(vec2(0.0f, 1.0f), angleB)};
    const vec2 halfA = size.get() * 0.5f;
    const vec2 halfB = other.size.get() * 0.5f;
    const vec2 between = other.centre() - centre();
    for (const vec2& axis : axes) {
        const float reach = projectedHalfExtent(axes[0], axes[1], halfA, axis) +
                            projectedHalfExtent(axes[2], axes[3], halfB, axis);
        if (std::abs(glm::dot(between, axis)) > reach) {
            return false;
        }
    }
    return true;
}

float RectangleCollisionGeometry::boundingRadius() const {
    const vec2& extent = size;
    if (!(extent.x >= 0.0f && extent.y >= 0.0f)) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    return 0.5f * glm::length(extent);
}

CollisionComponent::CollisionComponent(GameEntity& entity, CollisionGeometry* geometry,
                                       const std::set<int>& targetTags, CollisionCallback callback,
                                       int priority)
    // Wrapped before any base is built, so the shape is freed when registration throws.
    : CollisionComponent(entity, std::unique_ptr<CollisionGeometry>(geometry), targetTags,
                         std::move(callback), priority) {}

CollisionComponent::CollisionComponent(GameEntity& entity, float radius, const std::set<int>& targetTags,
                                       CollisionCallback callback, int priority)
    : CollisionComponent(entity, std::make_unique<CircleCollisionGeometry>(entity, radius), targetTags,
                         std::move(callback), priority) {}

CollisionComponent::CollisionComponent(GameEntity& entity, const vec2& size, const std::set<int>& targetTags,
                                       CollisionCallback callback, int priority)
    : CollisionComponent(entity, std::make_unique<RectangleCollisionGeometry>(entity, size), targetTags,
                         std::move(callback), priority) {}

CollisionComponent::CollisionComponent(GameEntity& entity, float radius, int priority)
    : CollisionComponent(entity, std::make_unique<CircleCollisionGeometry>(entity, radius), emptyTags,
                         defaultCollisionCallback, priority) {}

CollisionComponent::CollisionComponent(GameEntity& entity, std::unique_ptr<CollisionGeometry> ownedGeometry,
                                       const std::set<int>& targetTags, CollisionCallback callback,
                                       int priority)
    : UpdatableComponent(entity, priority), geometry(std::move(ownedGeometry)), targetTags(targetTags),
      callback(std::move(callback)), broadPhase(CollisionBroadPhase::of(entity.getEntityRegistry())) {
    checkState(geometry != nullptr, "collision component without geometry");
    entity.registerComponent<CollisionComponent>(*this);
    // Indexes of the entity's tags now map it to a different set of components.
    entity.getEntityRegistry().noteMemberChange(entity);
}

CollisionComponent::~CollisionComponent() {
    entity.deregisterComponent<CollisionComponent>(*this);
    entity.getEntityRegistry().noteMemberChange(entity);
}

void CollisionComponent::resetForFrame() {
    handledEntities.clear();
    finishedForFrame = false;
}

void CollisionComponent::update(float dt) {
    if (!entity.isActive() || finishedForFrame) {
        return;
    }
    TaggedEntityRegistry& registry = entity.getEntityRegistry();
    // With several target tags an entity skipped far away under one tag must stay handled under the next,
    // which only the full walk records: those components test every entity.
    if (broadPhase != nullptr && targetTags.size() == 1) {
        broadPhase->visitNear(*this, *targetTags.begin(), dt);
        return;
    }
    // Found again after each tag: a callback may have replaced the set.
    for (auto next = targetTags.begin(); next != targetTags.end();) {
        const int tag = *next;
        const EntitySet& set = registry.getEntities(tag);
        if (visitAll(tag, set, set.begin(), dt)) {
            return;
        }
        next = targetTags.upper_bound(tag);
    }
}

bool CollisionComponent::visitAll(int tag, const EntitySet& set, EntitySet::const_iterator from, float dt) {
    // Walked in place: callbacks may tag, move or switch off entities, but never delete them mid-pass.
    for (auto it = from; it != set.end(); ++it) {
        if (visit(tag, *it, dt)) {
            return true;
        }
    }
    return false;
}

bool CollisionComponent::visit(int tag, GameEntity* other, float dt) {
    if (other == &entity || !other->isActive()) {
        return false;
    }
    if (!handledEntities.insert(other)) {
        return false;
    }
    CollisionComponent& otherComponent = other->getComponent<CollisionComponent>();
    if (otherComponent.finishedForFrame || !geometry->isColliding(*otherComponent.geometry)) {
        return false;
    }
    finishedForFrame = callback(tag, *other, dt);
    otherComponent.inverseCollision(entity, dt);
    return finishedForFrame;
}

void CollisionComponent::inverseCollision(GameEntity& other, float dt) {
    for (int tag : other.getTags()) {
        if (targetTags.count(tag) == 0) {
            continue;
        }
        finishedForFrame = callback(tag, other, dt);
        if (!finishedForFrame) {
            handledEntities.insert(&other);
        }
        return;
    }
}

} // namespace kv
