#include "engine/core/TaggedEntityRegistry.hpp"

#include <gtest/gtest.h>

#include "engine/core/GameEntity.hpp"
#include "tests/support/ErrorText.hpp"

namespace kv {
namespace {

using test::errorOf;

TEST(TaggedEntityRegistry, TagZeroListsEveryEntityAndTagsAreAddedOnce) {
    TaggedEntityRegistry registry;
    GameEntity entity(registry, nullptr, vec2(0), 0);
    EXPECT_EQ(registry.getEntities(0), EntitySet{&entity});
    EXPECT_TRUE(registry.getEntities(5).empty());
    entity.addTag(5);
    entity.addTag(5);
    EXPECT_EQ(entity.getTags(), std::set<int>{5});
    EXPECT_EQ(registry.getEntities(5), EntitySet{&entity});
}

TEST(TaggedEntityRegistry, ActiveSetFiltersButFullSetAndGetEntityKeepSwitchedOffEntities) {
    TaggedEntityRegistry registry;
    GameEntity entity(registry, nullptr, vec2(0), 0);
    entity.addTag(12);
    entity.setActive(false);
    EXPECT_EQ(registry.getEntities(12).count(&entity), 1u);
    EXPECT_TRUE(registry.getActiveEntities(12).empty());
    EXPECT_EQ(&registry.getEntity(12), &entity);
}

TEST(TaggedEntityRegistry, GetEntityReportsNoneAndSeveral) {
    TaggedEntityRegistry registry;
    EXPECT_EQ(errorOf([&] { registry.getEntity(3); }), "entity was not found");
    GameEntity a(registry, nullptr, vec2(0), 0);
    GameEntity b(registry, nullptr, vec2(0), 0);
    a.addTag(3);
    b.addTag(3);
    EXPECT_EQ(errorOf([&] { registry.getEntity(3); }), "multiple entities were found");
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
