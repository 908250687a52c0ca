#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include <AL/al.h>
#include <glm/geometric.hpp>

#include "engine/components/Motion.hpp"
#include "engine/components/Scripted.hpp"
#include "game/GameRules.hpp"
#include "support/GameFixture.hpp"

namespace kv {
namespace {

using Enemies = GameFixture;

// Each enemy comes at its distance, tagged as an enemy of its kind, and a weapon that destroys it scores its
// worth. Brought to exactly zero health, it is swept at the end of the frame; its explosion stays until its
// sheet has played: 21 steps of 1/60 s for the small sheet, 64 for the large (the first only accumulates).
TEST_F(Enemies, SpawnOutsideTheArenaWithTheirTagsAndWorthAndExplodeOnceThroughTheirSheets) {
    startGame(1, 1);
    const std::tuple<GameEntity*, float, int, int> spawned[] = {{game->spawnSwarmer(), 2100, 14, 5},
                                                                {game->spawnDiver(), 2100, 15, 7},
                                                                {game->spawnMothership(), 2300, 16, 300}};
    for (const auto& [enemy, distance, tag, score] : spawned) {
        EXPECT_NEAR(std::hypot(enemy->getPosition().x, enemy->getPosition().y), distance, 0.01f);
        EXPECT_EQ(enemy->getTags(), (std::set<int>{11, tag}));
        const int before = playerScore;
        damageAndScore(*enemy, healthOf(*enemy)); // as the player's weapons hit
        EXPECT_EQ(playerScore - before, score);
    }
    for (const auto& [steps, explosions] : {std::pair{1, 3}, {20, 3}, {1, 1}, {42, 1}, {1, 0}}) {
        step(steps);
        EXPECT_EQ(count(kTagEnemy), 0);
        EXPECT_EQ(count(kTagRetired), explosions) << "after " << steps << " more steps";
    }
}

// Swarmers head for the ship from wherever they are and ram it: each ram costs the ship one of its six and
// the swarmer itself; a mothership's, once a frame, costs the ship and the mothership fifty. Nothing is
// scored. With the ship dead, motherships neither steer nor launch, and swarmers and divers turn on the spot.
TEST_F(Enemies, SwarmersChaseAndRamTheShipAMothershipsRamKillsItAndThenSmallEnemiesCircleOnTheSpot) {
    startGame(1, 1);
    for (int ram = 1; ram <= 6; ++ram) {
        game->spawnSwarmer()->setPosition(400.0f * dir(float(ram))); // from all sides
        ASSERT_GT(stepUntil([&] { return count(kTagSwarmer) == 0; }, 240), 0) << "the rammer explodes";
        EXPECT_FLOAT_EQ(playerAlive() ? healthOf(ship()) : 0.0f, 6.0f - ram);
    }
    EXPECT_EQ(playerScore, 0);
    key(GLFW_KEY_ESCAPE);
    startGame(1, 1);
    ship().getComponent<HealthComponent>().health = 51.0f; // the first ram leaves it one
    GameEntity& mothership = placeEnemy(game->spawnMothership(), vec2(150, 0));
    step(2);
    EXPECT_EQ(std::pair(playerAlive(), healthOf(mothership)), std::pair(false, 100.0f)) << "ship, mothership";
    mothership.getComponent<EnemyAiComponent>().aiEnabled = true;
    GameEntity* const circling[] = {game->spawnSwarmer(), game->spawnDiver()};
    step(static_cast<int>(3.0f / kFrame));
    EXPECT_EQ(count(kTagSwarmer) + count(kTagDiver), 2) << "with the ship dead, no launches";
    EXPECT_EQ(mothership.getComponent<PhysicsComponent>().velocity, vec2(0.0f)) << "nor steering";
    for (GameEntity* enemy : circling) {
        enemy->setOrientation(0.0f);
        enemy->getComponent<EnemyAiComponent>().updateAi(kFrame);
        game->update(1.0f); // a frame long enough to turn all the way to the point it steers at
        EXPECT_NEAR(std::fabs(enemy->getOrientation()), kPi - 0.01f, 1e-4f) << "0.01 off straight behind";
    }
}

TEST_F(Enemies, DiverFiresOnlyOnScreenInRangeAndAlignedBreaksOffAtSixHundredUntilSixFiftyAndItsShotHurts) {
    constexpr float kAtShip = kPi; // the heading from the right of the ship straight at it
    startGame(1, 1);
    GameEntity& diver = *game->spawnDiver();
    auto& gun = diver.getComponent<TimedEntitySpawner>();
    auto& ai = diver.getComponent<EnemyAiComponent>();
    // Rows: distance right of the ship, heading; then gun on, steering along x (+1: away from the ship at the
    // origin). It fires up to 50 past the screen's edge (1333), aligned within 4.5 degrees (0.0785 rad).
    const std::tuple<float, float, bool, float> moves[] = {
        {1370, kAtShip, true, -1},          {1390, kAtShip, false, -1}, {1000, kAtShip + 0.07f, true, -1},
        {1000, kAtShip - 0.09f, false, -1}, {599, kAtShip, false, 1},   {640, kAtShip, false, 1},
        {651, kAtShip, true, -1},           {620, kAtShip, true, -1}};
    for (const auto& [distance, heading, firing, away] : moves) {
        diver.setPosition(vec2(distance, 0));
        diver.setOrientation(heading);
        ai.updateAi(kFrame);
        const vec2 steering = diver.getComponent<ForceControlledComponent>().controlDirection;
        EXPECT_EQ(std::pair(gun.enabled, steering.x), std::pair(firing, away)) << distance << ", " << heading;
    }
    ai.aiEnabled = false; // it holds still, its gun on
    step(2);
    ALfloat gain = 0.0f;
    for (ALuint source = 1; source < 1024 && gain != 0.3f * 0.07f; ++source) {
        alGetSourcef(source, AL_GAIN, &gain);
    }
    EXPECT_EQ(gain, 0.3f * 0.07f) << "a rested gun fires at once, at 0.07 of the effects' gain (0.3)";
    ASSERT_GT(stepUntil([&] { return healthOf(ship()) < 6.0f; }, 60), 0);
    EXPECT_EQ(std::pair(healthOf(ship()), count(kTagDiverBullet)), std::pair(5.0f, 0)) << "hurt, and gone";
    EXPECT_EQ(stepUntil([&] { return healthOf(ship()) < 5.0f; }, 120), 60) << "one shot a second";
}

// A mothership launches five escorts every two seconds, 90 to 270 degrees from the ship's direction, nine
// once enraged at half health; its core turns a quarter turn a second, four times that enraged. Escorts coast
// until below 100: the swarmers, launched at 1125 with a drag of 2.5/s, the last, after 56 frames.
TEST_F(Enemies, MothershipLaunchesEscortsEveryTwoSecondsNineWhenEnragedCoreTurnsFasterEscortsHuntOnceSlowed) {
    startGame(1, 1);
    ship().getComponent<HealthComponent>().health = 1e9f;
    GameEntity& mothership = placeEnemy(game->spawnMothership(), vec2(1000, 0));
    mothership.getComponent<EnemyAiComponent>().aiEnabled = true;
    const GameEntity& core = **mothership.getChildren().begin();
    EXPECT_NEAR(stepUntil([&] { return count(kTagEnemy) > 1; }, 200) * kFrame, 2.0f, 2 * kFrame);
    EXPECT_NEAR(core.getOrientation(), kPi / 2.0f, 0.03f);
    EXPECT_EQ(std::pair(count(kTagDiver), count(kTagSwarmer)), std::pair(2, 3));
    const EntitySet& enemies = game->getTaggedRegistry().getEntities(kTagEnemy);
    std::vector<GameEntity*> escorts(enemies.begin(), enemies.end());
    std::erase(escorts, &mothership);
    for (GameEntity* escort : escorts) {
        EXPECT_GE(escort->getComponent<PhysicsComponent>().velocity.x, -1.0f) << "away from the ship";
    }
    mothership.getComponent<HealthComponent>().doDamage(100.0f);
    const auto hunts = [](GameEntity* e) { return e->getComponent<EnemyAiComponent>().aiEnabled; };
    EXPECT_EQ(stepUntil([&] { return std::ranges::all_of(escorts, hunts); }, 120), 56) << "slowed, hunting";
    EXPECT_EQ(stepUntil([&] { return count(kTagEnemy) > 6; }, 200), 120 - 56) << "two seconds later";
    ASSERT_EQ(count(kTagEnemy), 1 + 5 + 9);
    EXPECT_NEAR(core.getOrientation(), kPi / 2.0f, 0.06f) << "enraged, once round in those two seconds";
}

} // namespace
} // namespace kv
