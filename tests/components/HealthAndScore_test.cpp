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
    int deaths = 0;
    auto* health = new HealthComponent(
        ship, 10.0f, [&deaths] { ++deaths; }, 5);
    EXPECT_EQ(&ship.getComponent<HealthComponent>(), health);
    EXPECT_EQ(health->maxHealth, 10.0f);
    constexpr float kSliver = 1.0f / 1024.0f; // exact in binary, so the last hit leaves exactly 0
    health->doDamage(4.0f);
    health->doDamage(6.0f - kSliver);
    EXPECT_EQ(health->health, kSliver);
    EXPECT_EQ(deaths, 0);
    EXPECT_TRUE(ship.isActive());
    health->doDamage(kSliver);
    EXPECT_EQ(health->health, 0.0f);
    EXPECT_EQ(deaths, 1);
    EXPECT_FALSE(ship.isActive());
    EXPECT_EQ(tagged.getEntities(kRetiredTag), EntitySet{&ship});
    EXPECT_FALSE(turret.isActive());
    EXPECT_FALSE(turret.hasTag(kRetiredTag)) << "children go when the retired entity is deleted";
    EXPECT_EQ(ship.getComponent<ScoreComponent>().score, 250) << "the score is read after the kill";
}

TEST_F(HealthTest, DeathCallbackSeesTheEntityStillAliveAndUntaggedAndRunsAgainOnEveryLaterHit) {
    GameEntity& e = make();
    std::vector<bool> activeAndTagged;
    auto* health = new HealthComponent(
        e, 1.0f,
        [&] {
            activeAndTagged.push_back(e.isActive());
            activeAndTagged.push_back(e.hasTag(kRetiredTag));
        },
        1000);
    health->doDamage(5.0f);
    EXPECT_EQ(activeAndTagged, (std::vector<bool>{true, false}));
    health->doDamage(1.0f);
    EXPECT_EQ(activeAndTagged.size(), 4u);
    EXPECT_EQ(e.getTags(), (std::set<int>{kRetiredTag}));
}

TEST_F(HealthTest, NegativeDamageHealsBeyondTheMaximum) {
    auto* health = new HealthComponent(
        make(), 10.0f, [] {}, 1000);
    health->doDamage(-5.0f);
    EXPECT_EQ(health->health, 15.0f);
    EXPECT_EQ(health->maxHealth, 10.0f);
}

TEST_F(HealthTest, EmptyDeathCallbackThrowsAfterTheSubtraction) {
    auto* health = new HealthComponent(make(), 1.0f, nullptr, 1000);
    EXPECT_THROW(health->doDamage(3.0f), std::bad_function_call);
    EXPECT_EQ(health->health, -2.0f);
}

using EnemyAiTest = test::EntityTest;

TEST_F(EnemyAiTest, RunsTheAiWithDtWhileEnabledAndTheEntityIsActive) {
    GameEntity& e = make();
    std::vector<float> calls;
    new EnemyAiComponent(
        e, [&calls](float dt) { calls.push_back(dt); }, 7);
    auto& ai = e.getComponent<EnemyAiComponent>();
    updateAll(0.25f);
    ai.aiEnabled = false;
    updateAll(0.5f);
    ai.updateAi(0.5f);
    ai.aiEnabled = true;
    e.setActive(false);
    updateAll(0.75f);
    ai.updateAi(0.75f);
    e.setActive(true);
    updateAll(0.125f);
    EXPECT_EQ(calls, (std::vector<float>{0.25f, 0.125f}));
}

TEST_F(EnemyAiTest, RegistersAsEnemyAiAndUpdatableButNotAsLambda) {
    auto* ai = new EnemyAiComponent(
        make(), [](float) {}, 3);
    EXPECT_EQ(&components.getComponent<EnemyAiComponent>(), ai);
    EXPECT_EQ(components.getComponents<UpdatableComponent>().size(), 1u);
    EXPECT_TRUE(components.getComponents<LambdaComponent>().empty());
    delete ai;
    EXPECT_TRUE(components.getComponents<EnemyAiComponent>().empty());
    EXPECT_TRUE(components.getComponents<UpdatableComponent>().empty());
}

} // namespace
} // namespace kv
