// The play state of a game in miniature: both registries and the scene that runs the game's frame over
// them and deletes every entity left with the test.
#pragma once

#include <gtest/gtest.h>

#include "engine/core/Angles.hpp"
#include "engine/core/EntityComponent.hpp"
#include "engine/core/GameEntity.hpp"
#include "engine/core/Scene.hpp"
#include "tests/support/Constants.hpp"

namespace kv::test {

class EntityWorld {
public:
    // A root entity; it and its subtree are deleted with the world.
    GameEntity& make(vec2 position = vec2(0.0f), float orientation = 0.0f) {
        return *new GameEntity(tagged, &components, position, orientation);
    }

    // A child placed the way the game builds fixed parts: attach, inherit, then the offset.
    GameEntity& makeChild(GameEntity& parent, vec2 offset, bool inheritPosition = true,
                          bool inheritOrientation = true) {
        GameEntity& child = make();
        child.attachTo(parent);
        child.setInheritPosition(inheritPosition);
        child.setInheritOrientation(inheritOrientation);
        child.setRelativePosition(offset);
        return child;
    }

    TaggedEntityRegistry tagged;
    TypedComponentRegistry components{nullptr};
    Scene scene{tagged, components}; // goes first, and takes every entity left with it
};

class EntityTest : public ::testing::Test, public EntityWorld {};

} // namespace kv::test
