// The play state of a game in miniature: both registries, entity trees that are deleted with the test,
// and the update pass the game runs every frame.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "engine/core/EntityComponent.hpp"
#include "engine/core/GameEntity.hpp"

namespace kv {

// The game's fixed step, and pi as the engine's float arithmetic sees it.
inline constexpr float kFrame = 1.0f / 60.0f; // seconds
inline constexpr float kPi = 3.1415927f;

namespace test {

class EntityWorld {
public:
    // A root entity; it and its subtree are deleted with the world.
    GameEntity& make(vec2 position = vec2(0.0f), float orientation = 0.0f) {
        return *roots.emplace_back(std::make_unique<GameEntity>(tagged, &components, position, orientation));
    }

    // A child placed the way the game builds fixed parts: attach, inherit, then the offset.
    GameEntity& makeChild(GameEntity& parent, vec2 offset, bool inheritPosition = true,
                          bool inheritOrientation = true) {
        auto* child = new GameEntity(tagged, &components, vec2(0.0f), 0.0f);
        child->attachTo(parent);
        child->setInheritPosition(inheritPosition);
        child->setInheritOrientation(inheritOrientation);
        child->setRelativePosition(offset);
        return *child;
    }

    // Deletes a root entity made by make() now.
    void destroy(GameEntity& root) {
        std::erase_if(roots, [&](const auto& made) { return made.get() == &root; });
    }

    // GL tests call this before their context goes.
    void deleteAll() { roots.clear(); }

    // One update pass as the game runs it: over a copy, because components delete themselves and spawn.
    void updateAll(float dt) {
        const auto view = components.getComponents<UpdatableComponent>();
        const std::vector<UpdatableComponent*> pass(view.begin(), view.end());
        for (UpdatableComponent* component : pass) {
            component->update(dt);
        }
    }

    TaggedEntityRegistry tagged;
    TypedComponentRegistry components{nullptr};

private:
    std::vector<std::unique_ptr<GameEntity>> roots; // deleted first, while both registries still exist
};

class EntityTest : public ::testing::Test, public EntityWorld {};

} // namespace test
} // namespace kv
