#include "engine/components/HealthAndScore.hpp"

#include <vector>

#include <gtest/gtest.h>

#include "tests/support/EntityWorld.hpp"

namespace kv {
namespace {

using HealthTest = test::EntityTest;

TEST_F(HealthTest, OnlyAHitLeavingNoHealthKillsRetiresAndSwitchesOffTheSubtree) {
    GameEntity& ship = make();
    GameEntity& turret = makeChild(ship, vec2(0.0f));
    new ScoreComponent(ship, 250);
    std::vector<bool> activeAndTaggedAtDeath;
    auto* health = new HealthComponent(
        ship, 10.0f,
        [&] {
            activeAndTaggedAtDeath.push_back(ship.isActive());
            activeAndTaggedAtDeath.push_back(ship.hasTag(kRetiredTag));
        },
        5);
    constexpr float kSliver = 1.0f / 1024.0f; // exact in binary, so the last hit leaves exactly 0
    health->doDamage(4.0f);
    health->doDamage(6.0f - kSliver);
    EXPECT_EQ(health->health, kSliver);
    EXPECT_TRUE(activeAndTaggedAtDeath.empty());
    EXPECT_TRUE(ship.isActive());
    health->doDamage(kSliver);
    EXPECT_EQ(health->health, 0.0f);
    EXPECT_EQ(activeAndTaggedAtDeath, (std::vector<bool>{true, false})) << "the callback sees it alive";
    EXPECT_FALSE(ship.isActive());
    EXPECT_EQ(tagged.getEntities(kRetiredTag), EntitySet{&ship});
    EXPECT_FALSE(turret.isActive());
    EXPECT_FALSE(turret.hasTag(kRetiredTag)) << "children go when the retired entity is deleted";
    EXPECT_EQ(ship.getComponent<ScoreComponent>().score, 250) << "the score is read after the kill";
    health->doDamage(1.0f);
    EXPECT_EQ(activeAndTaggedAtDeath.size(), 4u) << "every later hit dies again";
}

} // namespace
} // namespace kv
