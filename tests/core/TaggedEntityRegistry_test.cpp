#include "engine/core/TaggedEntityRegistry.hpp"

#include <stdexcept>

#include <gtest/gtest.h>

#include "engine/core/GameEntity.hpp"

namespace kv {
namespace {

TEST(TaggedEntityRegistry, NewEntityIsFiledOnlyUnderTagZero) {
    TaggedEntityRegistry registry;
    GameEntity entity(registry, nullptr, vec2(0), 0);
    EXPECT_EQ(registry.getEntities(0), EntitySet{&entity});
    EXPECT_TRUE(registry.getEntities(5).empty());
}

TEST(TaggedEntityRegistry, ActiveSetFiltersButFullSetKeepsSwitchedOffEntities) {
    TaggedEntityRegistry registry;
    GameEntity entity(registry, nullptr, vec2(0), 0);
    entity.addTag(12);
    entity.setActive(false);
    EXPECT_EQ(registry.getEntities(12).count(&entity), 1u);
    EXPECT_TRUE(registry.getActiveEntities(12).empty());
    EXPECT_EQ(&registry.getEntity(12), &entity) << "getEntity ignores the active flag";
}

TEST(TaggedEntityRegistry, GetEntityReportsNoneAndSeveral) {
    TaggedEntityRegistry registry;
    try {
        registry.getEntity(3);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "entity was not found");
    }
    GameEntity a(registry, nullptr, vec2(0), 0);
    GameEntity b(registry, nullptr, vec2(0), 0);
    a.addTag(3);
    b.addTag(3);
    try {
        registry.getEntity(3);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "multiple entities were found");
    }
}

TEST(TaggedEntityRegistry, ParentRegistryMirrorsEveryChange) {
    TaggedEntityRegistry parent;
    TaggedEntityRegistry child(&parent);
    auto* entity = new GameEntity(child, nullptr, vec2(0), 0);
    entity->addTag(7);
    EXPECT_EQ(parent.getEntities(7).count(entity), 1u);
    EXPECT_EQ(parent.getEntities(0).count(entity), 1u);
    child.removeTagFromEntity(*entity, 7);
    EXPECT_EQ(parent.getEntities(7).count(entity), 0u);
    delete entity;
    EXPECT_TRUE(parent.getEntities(0).empty());
    EXPECT_TRUE(child.getEntities(0).empty());
}

} // namespace
} // namespace kv
