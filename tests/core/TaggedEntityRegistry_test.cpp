#include "engine/core/TaggedEntityRegistry.hpp"

#include <algorithm>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "engine/core/GameEntity.hpp"
#include "tests/support/ErrorText.hpp"

namespace kv {
namespace {

using test::errorOf;

// Tag 0 lists every entity; tags are added once.
TEST(TaggedEntityRegistry, ActiveLookUpsSkipSwitchedOffEntitiesButSingleLookUpKeepsThem) {
    TaggedEntityRegistry registry;
    EXPECT_FALSE(registry.hasActiveEntity(3));
    EXPECT_EQ(errorOf([&] { registry.getEntity(3); }), "entity was not found");
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
    EXPECT_EQ(errorOf([&] { registry.getEntity(3); }), "multiple entities were found");
}

// Sets keep their nodes in pools and find them by address for removal: through much coming and going they
// must still hold exactly the live entities, in creation order.
TEST(TaggedEntityRegistry, SetsStayExactThroughManyEntitiesComingAndGoing) {
    TaggedEntityRegistry registry;
    std::vector<GameEntity*> live;
    std::mt19937 random(7);
    for (int step = 0; step < 4000; ++step) {
        if (live.empty() || random() % 3 != 0) {
            live.push_back(new GameEntity(registry, nullptr, vec2(0), 0));
            live.back()->addTag(1 + static_cast<int>(random() % 3));
        } else {
            const std::size_t gone = random() % live.size();
            delete live[gone];
            live.erase(live.begin() + static_cast<std::ptrdiff_t>(gone));
        }
    }
    EXPECT_EQ(std::vector<GameEntity*>(registry.getEntities(0).begin(), registry.getEntities(0).end()), live);
    std::size_t tagged = 0;
    for (int tag = 1; tag <= 3; ++tag) {
        tagged += registry.getEntities(tag).size();
    }
    EXPECT_EQ(tagged, live.size());
    for (GameEntity* entity : live) {
        delete entity;
    }
    EXPECT_TRUE(registry.getEntities(0).empty());
}

} // namespace
} // namespace kv
