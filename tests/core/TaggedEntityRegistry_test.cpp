#include "engine/core/TaggedEntityRegistry.hpp"

#include <set>

#include <gtest/gtest.h>

#include "engine/core/GameEntity.hpp"
#include "tests/support/ErrorText.hpp"

namespace kv {
namespace {

// Tag 0 lists every entity; tags are added once.
TEST(TaggedEntityRegistry, ActiveLookUpsSkipSwitchedOffEntitiesButSingleLookUpKeepsThem) {
    TaggedEntityRegistry registry;
    EXPECT_EQ(test::errorOf([&] { registry.getEntity(3); }), "entity was not found: tag 3");
    GameEntity a(registry, nullptr, vec2(0), 0);
    a.addTag(3);
    a.addTag(3);
    EXPECT_EQ(registry.getEntities(0), EntitySet{&a});
    EXPECT_EQ(a.getTags(), std::set<int>{3});
    EXPECT_TRUE(registry.hasActiveEntity(3));
    a.setActive(false);
    EXPECT_FALSE(registry.hasActiveEntity(3));
    EXPECT_TRUE(registry.getActiveEntities(3).empty());
    EXPECT_EQ(&registry.getEntity(3), &a);
    GameEntity b(registry, nullptr, vec2(0), 0);
    b.addTag(3);
    EXPECT_EQ(test::errorOf([&] { registry.getEntity(3); }), "multiple entities were found: 2 with tag 3");
}

} // namespace
} // namespace kv
