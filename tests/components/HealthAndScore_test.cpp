#include "engine/components/HealthAndScore.hpp"

#include <vector>

#include <gtest/gtest.h>

#include "engine/core/GameEntity.hpp"

namespace kv {
namespace {

class HealthAndScoreTest : public ::testing::Test {
protected:
    ~HealthAndScoreTest() override {
        for (GameEntity* e : roots) {
            delete e;
        }
    }
    GameEntity& make() {
        roots.push_back(new GameEntity(tagged, &game, vec2(0.0f), 0.0f));
        return *roots.back();
    }
    TaggedEntityRegistry tagged;
    TypedComponentRegistry game{nullptr};
    std::vector<GameEntity*> roots;
};

using HealthTest = HealthAndScoreTest;

TEST_F(HealthTest, StartsWithFullHealthAndIsFoundOnItsEntity) {
    GameEntity& e = make();
    auto* health = new HealthComponent(
        e, 30.0f, [] {}, 5);
    EXPECT_EQ(health->health, 30.0f);
    EXPECT_EQ(health->maxHealth, 30.0f);
    EXPECT_EQ(health->priority, 5);
    EXPECT_EQ(&e.getComponent<HealthComponent>(), health);
}

TEST_F(HealthTest, DamageLeavingAnyPositiveHealthDoesNotKill) {
    GameEntity& e = make();
    int deaths = 0;
    auto* health = new HealthComponent(
        e, 10.0f, [&deaths] { ++deaths; }, 1000);
    health->doDamage(9.999f);
    EXPECT_GT(health->health, 0.0f);
    EXPECT_EQ(deaths, 0);
    EXPECT_TRUE(e.isActive());
    EXPECT_FALSE(e.hasTag(kRetiredTag));
}

TEST_F(HealthTest, DamageLeavingExactlyZeroKills) {
    GameEntity& e = make();
    int deaths = 0;
    auto* health = new HealthComponent(
        e, 10.0f, [&deaths] { ++deaths; }, 1000);
    health->doDamage(4.0f);
    health->doDamage(6.0f);
    EXPECT_EQ(health->health, 0.0f);
    EXPECT_EQ(deaths, 1);
    EXPECT_FALSE(e.isActive());
    EXPECT_TRUE(e.hasTag(kRetiredTag));
    EXPECT_EQ(tagged.getEntities(kRetiredTag).count(&e), 1u);
}

TEST_F(HealthTest, DeathCallbackSeesTheEntityStillAliveAndUntagged) {
    GameEntity& e = make();
    bool activeDuringCallback = false;
    bool taggedDuringCallback = true;
    auto* health = new HealthComponent(
        e, 1.0f,
        [&] {
            activeDuringCallback = e.isActive();
            taggedDuringCallback = e.hasTag(kRetiredTag);
        },
        1000);
    health->doDamage(5.0f);
    EXPECT_TRUE(activeDuringCallback);
    EXPECT_FALSE(taggedDuringCallback);
    EXPECT_FALSE(e.isActive());
}

TEST_F(HealthTest, HittingTheDeadRunsTheCallbackAgain) {
    GameEntity& e = make();
    int deaths = 0;
    auto* health = new HealthComponent(
        e, 1.0f, [&deaths] { ++deaths; }, 1000);
    health->doDamage(1.0f);
    health->doDamage(1.0f);
    EXPECT_EQ(deaths, 2);
    EXPECT_FALSE(e.isActive());
    EXPECT_EQ(e.getTags(), (std::set<int>{kRetiredTag}));
}

TEST_F(HealthTest, KillingAParentSwitchesOffItsChildren) {
    GameEntity& ship = make();
    auto* turret = new GameEntity(tagged, &game, vec2(0.0f), 0.0f);
    turret->attachTo(ship);
    auto* health = new HealthComponent(
        ship, 1.0f, [] {}, 1000);
    health->doDamage(2.0f);
    EXPECT_FALSE(turret->isActive());
    // Only the killed entity itself is retired; its children go with it when it is deleted.
    EXPECT_FALSE(turret->hasTag(kRetiredTag));
}

TEST_F(HealthTest, NegativeDamageHealsBeyondTheMaximum) {
    GameEntity& e = make();
    auto* health = new HealthComponent(
        e, 10.0f, [] {}, 1000);
    health->doDamage(-5.0f);
    EXPECT_EQ(health->health, 15.0f);
    EXPECT_EQ(health->maxHealth, 10.0f);
}

TEST_F(HealthTest, EmptyDeathCallbackThrowsAfterTheSubtraction) {
    GameEntity& e = make();
    auto* health = new HealthComponent(e, 1.0f, nullptr, 1000);
    EXPECT_THROW(health->doDamage(3.0f), std::bad_function_call);
    EXPECT_EQ(health->health, -2.0f);
}

using ScoreTest = HealthAndScoreTest;

TEST_F(ScoreTest, ScoreIsReadableAfterTheKill) {
    GameEntity& e = make();
    new ScoreComponent(e, 250);
    auto* health = new HealthComponent(
        e, 1.0f, [] {}, 1000);
    health->doDamage(1.0f);
    EXPECT_EQ(e.getComponent<ScoreComponent>().score, 250);
    EXPECT_EQ(e.getComponent<ScoreComponent>().priority, 1000);
}

using EnemyAiTest = HealthAndScoreTest;

TEST_F(EnemyAiTest, RunsTheAiEveryUpdateWithDt) {
    GameEntity& e = make();
    std::vector<float> calls;
    UpdatableComponent* ai = new EnemyAiComponent(
        e, [&calls](float dt) { calls.push_back(dt); }, 7);
    ai->update(0.25f);
    ai->update(0.5f);
    EXPECT_EQ(calls, (std::vector<float>{0.25f, 0.5f}));
}

TEST_F(EnemyAiTest, SwitchedOffAiIsNotCalledAndResumesWhenSwitchedOn) {
    GameEntity& e = make();
    int calls = 0;
    auto* ai = new EnemyAiComponent(
        e, [&calls](float) { ++calls; }, 1000);
    ai->aiEnabled = false;
    ai->update(0.1f);
    ai->updateAi(0.1f);
    EXPECT_EQ(calls, 0);
    ai->aiEnabled = true;
    ai->update(0.1f);
    EXPECT_EQ(calls, 1);
}

TEST_F(EnemyAiTest, InactiveEnemyHasNoAi) {
    GameEntity& e = make();
    int calls = 0;
    auto* ai = new EnemyAiComponent(
        e, [&calls](float) { ++calls; }, 1000);
    e.setActive(false);
    ai->update(0.1f);
    ai->updateAi(0.1f);
    EXPECT_EQ(calls, 0);
}

TEST_F(EnemyAiTest, IsFoundAsEnemyAiAndUpdatableButNotAsLambda) {
    GameEntity& e = make();
    auto* ai = new EnemyAiComponent(
        e, [](float) {}, 3);
    EXPECT_EQ(&e.getComponent<EnemyAiComponent>(), ai);
    EXPECT_EQ(game.getComponents<UpdatableComponent>().size(), 1u);
    EXPECT_TRUE(game.getComponents<LambdaComponent>().empty());
    EXPECT_EQ(ai->priority, 3);
    delete ai;
    EXPECT_TRUE(game.getComponents<EnemyAiComponent>().empty());
    EXPECT_TRUE(game.getComponents<UpdatableComponent>().empty());
}

} // namespace
} // namespace kv
