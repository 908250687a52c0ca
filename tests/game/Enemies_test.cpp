#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

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
// the swarmer itself; a mothership's destroys it and costs the mothership fifty. Nothing is scored. With the
// ship dead, motherships neither steer nor launch, and swarmers and divers turn on the spot.
TEST_F(Enemies, SwarmersChaseAndRamTheShipAMothershipsRamKillsItAndThenSmallEnemiesCircleOnTheSpot) {
    startGame(1, 1);
    for (int ram = 1; ram <= 6; ++ram) {
        GameEntity& swarmer = placeEnemy(game->spawnSwarmer(), 400.0f * dir(float(ram))); // from all sides
        swarmer.getComponent<EnemyAiComponent>().aiEnabled = true;
        ASSERT_GT(stepUntil([&] { return count(kTagSwarmer) == 0; }, 240), 0) << "the rammer explodes";
        EXPECT_FLOAT_EQ(playerAlive() ? healthOf(ship()) : 0.0f, 6.0f - ram);
    }
    EXPECT_EQ(playerScore, 0);
    key(GLFW_KEY_ESCAPE);
    startGame(1, 1);
    GameEntity& mothership = placeEnemy(game->spawnMothership(), vec2(150, 0));
    step(1);
    EXPECT_EQ(std::pair(playerAlive(), healthOf(mothership)), std::pair(false, 150.0f))
        << "ship alive, mothership";
    mothership.getComponent<EnemyAiComponent>().aiEnabled = true;
    const std::pair<GameEntity*, vec2> circling[] = {{game->spawnSwarmer(), {600, 600}},
                                                     {game->spawnDiver(), {-600, 600}}};
    for (const auto& [enemy, at] : circling) {
        placeEnemy(enemy, at).getComponent<EnemyAiComponent>().aiEnabled = true;
    }
    step(static_cast<int>(3.0f / kFrame));
    EXPECT_EQ(count(kTagSwarmer) + count(kTagDiver), 2) << "with the ship dead, no launches";
    EXPECT_EQ(mothership.getComponent<PhysicsComponent>().velocity, vec2(0.0f)) << "nor steering";
    for (const auto& [enemy, at] : circling) {
        EXPECT_LT(glm::distance(enemy->getPosition(), at), 500.0f) << "turning within 500 of " << at.x;
        EXPECT_NE(enemy->getOrientation(), 0.0f) << at.x;
    }
}

TEST_F(Enemies, DiverFiresOnlyOnScreenInRangeAndAlignedBreaksOffAtSixHundredUntilSixFiftyAndItsShotHurts) {
    constexpr float kAtShip = kPi; // the heading from the right of the ship straight at it
    startGame(1, 1);
    GameEntity& diver = placeEnemy(game->spawnDiver(), vec2(1000, 0));
    auto& gun = diver.getComponent<TimedEntitySpawner>();
    auto& ai = diver.getComponent<EnemyAiComponent>();
    ai.aiEnabled = true;
    // In order: distance to the right of the ship and heading, then whether the gun is on and the way the
    // diver steers along x (+1 away from the ship at the origin). 1900 is past the screen's edge (1333 + 50).
    const std::tuple<float, float, bool, float> moves[] = {
        {1000, kAtShip, true, -1}, {1900, kAtShip, false, -1}, {1000, kAtShip - 0.3f, false, -1},
        {599, kAtShip, false, 1},  {640, kAtShip, false, 1},   {651, kAtShip, true, -1},
        {620, kAtShip, true, -1}};
    for (const auto& [distance, heading, firing, away] : moves) {
        diver.setPosition(vec2(distance, 0));
        diver.setOrientation(heading);
        ai.updateAi(kFrame);
        const vec2 steering = diver.getComponent<ForceControlledComponent>().controlDirection;
        EXPECT_EQ(std::pair(gun.enabled, steering.x), std::pair(firing, away)) << distance << ", " << heading;
    }
    step(2);
    EXPECT_EQ(count(kTagDiverBullet), 1) << "a rested gun fires at once, then waits its second";
    ASSERT_GT(stepUntil([&] { return healthOf(ship()) < 6.0f; }, 60), 0);
    EXPECT_EQ(std::pair(healthOf(ship()), count(kTagDiverBullet)), std::pair(5.0f, 0)) << "hurt, and gone";
}

TEST_F(Enemies, MothershipLaunchesFiveEscortsAwayFromTheShipAfterTwoSecondsAndNineWhenEnraged) {
    startGame(1, 1);
    ship().getComponent<HealthComponent>().health = 1e9f;
    GameEntity& mothership = placeEnemy(game->spawnMothership(), vec2(1000, 0));
    mothership.getComponent<EnemyAiComponent>().aiEnabled = true;
    EXPECT_NEAR(stepUntil([&] { return count(kTagEnemy) > 1; }, 200) * kFrame, 2.0f, 2 * kFrame);
    EXPECT_EQ(std::pair(count(kTagDiver), count(kTagSwarmer)), std::pair(2, 3));
    const EntitySet& enemies = game->getTaggedRegistry().getEntities(kTagEnemy);
    std::vector<GameEntity*> escorts(enemies.begin(), enemies.end());
    std::erase(escorts, &mothership);
    for (GameEntity* escort : escorts) {
        // The fan spans 90 to 270 degrees from the ship's direction: never towards the ship (at the origin).
        EXPECT_GE(escort->getComponent<PhysicsComponent>().velocity.x, -1.0f)
            << "launched away from the ship";
        EXPECT_FALSE(escort->getComponent<EnemyAiComponent>().aiEnabled) << "coasting until it slows down";
    }
    mothership.getComponent<HealthComponent>().doDamage(100.0f);
    stepUntil([&] { return count(kTagEnemy) > 6; }, 200);
    ASSERT_EQ(count(kTagEnemy), 1 + 5 + 9);
    for (GameEntity* escort : escorts) {
        EXPECT_TRUE(escort->getComponent<EnemyAiComponent>().aiEnabled) << "hunting once slowed down";
    }
}

} // namespace
} // namespace kv
