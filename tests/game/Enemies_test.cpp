#include <cmath>

#include "engine/components/Motion.hpp"
#include "engine/components/Scripted.hpp"
#include "engine/core/Diagnostics.hpp"
#include "game/GameFixture.hpp"
#include "game/GameState.hpp"

namespace kv {
namespace {

using Enemies = GameFixture;

TEST_F(Enemies, SpawnOutsideTheArenaWithTheirTagsAndWorth) {
    startGame(1, 1);
    GameEntity* swarmer = game->spawnSwarmer();
    GameEntity* diver = game->spawnDiver();
    GameEntity* mothership = game->spawnMothership();
    EXPECT_NEAR(std::hypot(swarmer->getPosition().x, swarmer->getPosition().y), 2100.0f, 0.01f);
    EXPECT_NEAR(std::hypot(diver->getPosition().x, diver->getPosition().y), 2100.0f, 0.01f);
    EXPECT_NEAR(std::hypot(mothership->getPosition().x, mothership->getPosition().y), 2300.0f, 0.01f);
    EXPECT_EQ(swarmer->getTags(), (std::set<int>{kTagEnemy, kTagSwarmer}));
    EXPECT_EQ(diver->getTags(), (std::set<int>{kTagEnemy, kTagDiver}));
    EXPECT_EQ(mothership->getTags(), (std::set<int>{kTagEnemy, kTagMothership}));
    EXPECT_EQ(swarmer->getComponent<ScoreComponent>().score, 5);
    EXPECT_EQ(diver->getComponent<ScoreComponent>().score, 7);
    EXPECT_EQ(mothership->getComponent<ScoreComponent>().score, 300);
    EXPECT_FLOAT_EQ(diver->getComponent<PhysicsComponent>().lateralDragFactor, 1.5f);
}

TEST_F(Enemies, SixSwarmerRamsDestroyTheShipAndScoreNothing) {
    startGame(1, 1);
    for (int ram = 1; ram <= 6; ++ram) {
        placeEnemy(game->spawnSwarmer(), ship().getPosition() + vec2(60, 0));
        step(1);
        EXPECT_EQ(count(kTagSwarmer), 0) << "the rammer explodes";
        if (ram < 6) {
            EXPECT_FLOAT_EQ(healthOf(ship()), 6.0f - ram);
        }
    }
    EXPECT_TRUE(game->getTaggedRegistry().getEntities(kTagPlayer).empty());
    EXPECT_EQ(playerScore, 0);
}

TEST_F(Enemies, OneMothershipRamDestroysTheShipAndCostsItFifty) {
    startGame(1, 1);
    GameEntity& mothership = placeEnemy(game->spawnMothership(), vec2(150, 0));
    step(1);
    EXPECT_TRUE(game->getTaggedRegistry().getActiveEntities(kTagPlayer).empty());
    EXPECT_FLOAT_EQ(healthOf(mothership), 150.0f);
}

TEST_F(Enemies, DiverFiresOnlyOnScreenInRangeAndAligned) {
    startGame(1, 1);
    ship().getComponent<HealthComponent>().health = 1e9f;
    GameEntity& diver = placeEnemy(game->spawnDiver(), vec2(1000, 0), 3.1415927f);
    diver.getComponent<EnemyAiComponent>().aiEnabled = true;
    auto& gun = diver.getComponent<TimedEntitySpawner>();
    step(1);
    EXPECT_TRUE(gun.enabled);
    // Gun and AI update in address order: the first shot comes in this frame or the next, then not for 1 s.
    step(1);
    EXPECT_EQ(count(kTagDiverBullet), 1) << "a rested gun fires at once";

    diver.setPosition(vec2(1900, 0)); // beyond the screen's right edge (1333 + 50)
    step(1);
    EXPECT_FALSE(gun.enabled);
    diver.setPosition(vec2(1000, 0));
    diver.setOrientation(3.1415927f - 0.3f); // 17 degrees off: still over 4.5 after a frame's turn
    step(1);
    EXPECT_FALSE(gun.enabled);
}

TEST_F(Enemies, DiverBreaksOffAtSixHundredAndReturnsBeyondSixFifty) {
    startGame(1, 1);
    ship().getComponent<HealthComponent>().health = 1e9f;
    GameEntity& diver = placeEnemy(game->spawnDiver(), vec2(599, 0), 0.0f);
    auto& ai = diver.getComponent<EnemyAiComponent>();
    auto& control = diver.getComponent<ForceControlledComponent>();
    ai.aiEnabled = true;
    ai.updateAi(kFrame);
    EXPECT_FALSE(diver.getComponent<TimedEntitySpawner>().enabled);
    EXPECT_NEAR(control.controlDirection.x, 1.0f, 1e-6) << "steers straight away";
    diver.setPosition(vec2(640, 0));
    ai.updateAi(kFrame);
    EXPECT_NEAR(control.controlDirection.x, 1.0f, 1e-6) << "still retreating inside 650";
    diver.setPosition(vec2(651, 0));
    ai.updateAi(kFrame);
    EXPECT_NEAR(control.controlDirection.x, -1.0f, 1e-6) << "attacks again";
    diver.setPosition(vec2(620, 0));
    ai.updateAi(kFrame);
    EXPECT_NEAR(control.controlDirection.x, -1.0f, 1e-6) << "keeps attacking down to 600";
}

TEST_F(Enemies, MothershipLaunchesFiveAfterTwoSecondsAndNineWhenEnraged) {
    startGame(1, 1);
    ship().getComponent<HealthComponent>().health = 1e9f;
    GameEntity& mothership = placeEnemy(game->spawnMothership(), vec2(1000, 0));
    mothership.getComponent<EnemyAiComponent>().aiEnabled = true;
    const int frames = stepUntil([&] { return count(kTagSwarmer) + count(kTagDiver) > 0; }, 200);
    EXPECT_NEAR(frames * kFrame, 2.0f, 2 * kFrame);
    EXPECT_EQ(count(kTagDiver), 2);
    EXPECT_EQ(count(kTagSwarmer), 3);

    mothership.getComponent<HealthComponent>().doDamage(100.0f);
    const int before = count(kTagSwarmer) + count(kTagDiver);
    stepUntil([&] { return count(kTagSwarmer) + count(kTagDiver) > before; }, 200);
    EXPECT_EQ(count(kTagSwarmer) + count(kTagDiver) - before, 9);
}

TEST_F(Enemies, EscortsLeaveAlongTheFanAwayFromTheShip) {
    startGame(1, 1);
    ship().getComponent<HealthComponent>().health = 1e9f;
    GameEntity& mothership = placeEnemy(game->spawnMothership(), vec2(1000, 0));
    mothership.getComponent<EnemyAiComponent>().aiEnabled = true;
    stepUntil([&] { return count(kTagSwarmer) > 0; }, 200);
    const vec2 towardsShip = -mothership.getPosition() / std::hypot(mothership.getPosition().x, mothership.getPosition().y);
    for (GameEntity* escort : game->getTaggedRegistry().getEntities(kTagEnemy)) {
        if (escort == &mothership) {
            continue;
        }
        const vec2 velocity = escort->getComponent<PhysicsComponent>().velocity;
        // The fan spans 90 to 270 degrees from the ship's direction; its first escort leaves square to it.
        EXPECT_LE(velocity.x * towardsShip.x + velocity.y * towardsShip.y, 1.0f) << "launched away from the ship";
        const float speed = std::hypot(velocity.x, velocity.y);
        // 1125 for a swarmer, 2250 for a diver, less what one frame of drag has taken since.
        EXPECT_TRUE((speed > 1000.0f && speed <= 1125.5f) || (speed > 1900.0f && speed <= 2250.5f)) << speed;
        EXPECT_FALSE(escort->getComponent<EnemyAiComponent>().aiEnabled) << "coasting until it slows down";
    }
}

TEST_F(Enemies, MothershipCoreTurnsFourTimesFasterWhenEnraged) {
    startGame(1, 1);
    GameEntity& mothership = placeEnemy(game->spawnMothership(), vec2(1500, 0));
    GameEntity& core = **mothership.getChildren().begin();
    step(1);
    const float calm = core.getOrientation();
    step(1);
    EXPECT_NEAR(core.getOrientation() - calm, kFrame * 3.1415927f / 4.0f, 1e-5);
    mothership.getComponent<HealthComponent>().doDamage(100.0f);
    step(1); // the watcher sees half health
    const float start = core.getOrientation();
    step(1);
    EXPECT_NEAR(core.getOrientation() - start, kFrame * 3.1415927f, 1e-5);
}

TEST_F(Enemies, WithTheShipDeadMothershipsNeitherSteerNorLaunch) {
    startGame(1, 1);
    GameEntity& mothership = placeEnemy(game->spawnMothership(), vec2(1000, 0));
    mothership.getComponent<EnemyAiComponent>().aiEnabled = true;
    ship().getComponent<HealthComponent>().doDamage(6.0f);
    step(static_cast<int>(3.0f / kFrame));
    EXPECT_EQ(count(kTagSwarmer) + count(kTagDiver), 0);
    EXPECT_EQ(mothership.getComponent<PhysicsComponent>().velocity, vec2(0.0f));
}

TEST_F(Enemies, ExplosionsPlayOnceThroughTheirSheetsAndAreSwept) {
    startGame(1, 1);
    placeEnemy(game->spawnSwarmer(), vec2(1000, 500)).getComponent<HealthComponent>().doDamage(2.0f);
    placeEnemy(game->spawnMothership(), vec2(-1000, 500)).getComponent<HealthComponent>().doDamage(200.0f);
    step(1); // sweeps both dead ships; the two explosions remain
    EXPECT_EQ(count(kTagEnemy), 0);
    EXPECT_EQ(count(kTagRetired), 2);
    // The first frame only accumulates time; each later one steps one frame of the sheet.
    step(20);
    EXPECT_EQ(count(kTagRetired), 2);
    step(1); // 21 steps of 1/60 s: the small sheet has played
    EXPECT_EQ(count(kTagRetired), 1);
    step(42);
    EXPECT_EQ(count(kTagRetired), 1);
    step(1); // 64 steps: the large sheet has played
    EXPECT_EQ(count(kTagRetired), 0);
}

} // namespace
} // namespace kv
