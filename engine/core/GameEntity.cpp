#include "engine/core/GameEntity.hpp"

#include <cmath>
#include <vector>

#include "engine/core/Angles.hpp"
#include "engine/core/Diagnostics.hpp"
#include "engine/core/EntityComponent.hpp"

namespace kv {

bool EntityCreationOrder::operator()(const GameEntity* a, const GameEntity* b) const {
    return a->getCreationNumber() < b->getCreationNumber();
}

bool EntityCreationOrder::operator()(const GameEntity* a, std::uint64_t b) const {
    return a->getCreationNumber() < b;
}

bool EntityCreationOrder::operator()(std::uint64_t a, const GameEntity* b) const {
    return a < b->getCreationNumber();
}

GameEntity::GameEntity(TaggedEntityRegistry& registry, TypedComponentRegistry* componentRegistry,
                       const vec2& position, float orientation)
    : TypedComponentRegistry(componentRegistry), entityRegistry(&registry),
      creationNumber(registry.takeCreationNumber()), position(position),
      orientation(orientation) {
    entityRegistry->registerEntity(*this);
}

GameEntity::~GameEntity() {
    detachFromParent();
    // Each child detaches itself from `children` while it is deleted, so walk a copy.
    const std::vector<GameEntity*> ownedChildren(children.begin(), children.end());
    for (GameEntity* child : ownedChildren) {
        delete child;
    }
    const auto ownComponents = getComponents<EntityComponent>();
    const std::vector<EntityComponent*> owned(ownComponents.begin(), ownComponents.end());
    for (EntityComponent* component : owned) {
        delete component;
    }
    entityRegistry->deregisterEntity(*this);
}

void GameEntity::setPosition(const vec2& newPosition) {
    position = newPosition;
    entityRegistry->notePlacementChange();
    for (GameEntity* child : children) {
        if (child->inheritPosition) {
            child->updateInheritedPosition();
        }
    }
}

void GameEntity::setOrientation(float angle) {
    // fmod returns an angle already inside (-2 pi, 2 pi) unchanged (it is exact), and costs a call.
    float wrapped = std::fabs(angle) < kTwoPi ? angle : std::fmod(angle, kTwoPi);
    if (wrapped > kPi) {
        wrapped -= kTwoPi;
    } else if (wrapped < -kPi) {
        wrapped += kTwoPi;
    }
    orientation = wrapped;
    entityRegistry->notePlacementChange();
    for (GameEntity* child : children) {
        if (child->inheritOrientation) {
            child->setOrientation(orientation + child->relativeOrientation);
        }
    }
}

void GameEntity::updateInheritedPosition() {
    const float theta = parent->orientation;
    const float c = std::cos(theta);
    const float s = std::sin(theta);
    const float x = relativePosition.x;
    const float y = relativePosition.y;
    position = vec2(x * c - y * s + parent->position.x, x * s + y * c + parent->position.y);
    entityRegistry->notePlacementChange();
    for (GameEntity* child : children) {
        if (child->inheritPosition) {
            child->updateInheritedPosition();
        }
    }
}

void GameEntity::detachFromParent() {
    if (parent != nullptr) {
        parent->children.erase(this);
        parent = nullptr;
    }
}

void GameEntity::attachTo(GameEntity& newParent) {
    checkState(&newParent != this, "illegal attach, attaching itself");
    if (parent == &newParent) {
        return;
    }
    detachFromParent();
    parent = &newParent;
    newParent.children.insert(this);
}

void GameEntity::addTag(int tag) {
    entityRegistry->addTagToEntity(*this, tag);
    tags.insert(tag);
}

void GameEntity::setActive(bool isOn) {
    active = isOn;
    for (GameEntity* child : children) {
        child->setActive(isOn);
    }
}

void GameEntity::setInheritPosition(bool inherit) {
    inheritPosition = inherit;
    if (inheritPosition && parent != nullptr) {
        updateInheritedPosition();
    }
}

void GameEntity::setRelativePosition(const vec2& offset) {
    relativePosition = offset;
    if (inheritPosition && parent != nullptr) {
        updateInheritedPosition();
    }
}

void GameEntity::setInheritOrientation(bool inherit) {
    inheritOrientation = inherit;
    if (inheritOrientation && parent != nullptr) {
        setOrientation(parent->orientation + relativeOrientation);
    }
}

void GameEntity::setRelativeOrientation(float angle) {
    relativeOrientation = angle;
    if (inheritOrientation && parent != nullptr) {
        setOrientation(parent->orientation + relativeOrientation);
    }
}

} // namespace kv
