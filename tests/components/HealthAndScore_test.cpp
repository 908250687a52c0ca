#include "engine/components/HealthAndScore.hpp"

#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/EntityWorld.hpp"

namespace kv {
namespace {

using HealthTest = test::EntityTest;

TEST_F(HealthTest, OnlyAHitLeavingNoHealthKillsRetiresAndSwitchesOffTheSubtree) {
    GameEntity& ship = make();
    GameEntity& turret = makeChild(ship, vec2(0.0f));
    std::vector<std::pair<bool, bool>> deaths; // active and retired, as each death saw the ship
    const auto die = [&] { deaths.emplace_back(ship.isActive(), ship.hasTag(99)); };
    auto* health = new HealthComponent(ship, 10.0f, die, 5);
    EXPECT_EQ((new ScoreComponent(ship, 50))->priority, 1000) << "the game's own";
    constexpr float kSliver = 1.0f / 1024.0f; // exact in binary, so the last hit leaves exactly 0
    health->doDamage(4.0f);
    health->doDamage(6.0f - kSliver);
    EXPECT_EQ(health->health, kSliver);
    EXPECT_TRUE(deaths.empty());
    EXPECT_TRUE(ship.isActive());
    health->doDamage(kSliver);
    EXPECT_EQ(deaths, (std::vector<std::pair<bool, bool>>{{true, false}})) << "the callback sees it alive";
    EXPECT_EQ(std::pair(ship.isActive(), turret.isActive()), std::pair(false, false)) << "with its subtree";
    EXPECT_EQ(tagged.getEntities(99), EntitySet{&ship}) << "children go with the retired one";
    health->doDamage(1.0f);
    EXPECT_EQ(deaths.size(), 2u) << "every later hit dies again";
    scene.update(kFrame);
    EXPECT_TRUE(tagged.getEntities(0).empty()) << "the frame's sweep deletes the dead ship and its turret";
}

} // namespace
} // namespace kv
