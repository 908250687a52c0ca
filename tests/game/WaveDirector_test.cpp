#include <algorithm>
#include <utility>

#include "engine/components/Scripted.hpp"
#include "game/GameFixture.hpp"

namespace kv {
namespace {

using WaveDirector = GameFixture;

TEST_F(WaveDirector, WavesComeFasterWithTimeUntilAMothershipAtFortyFiveSecondsHoldsThemWhileItLives) {
    startGame(1, 1, true);
    const auto spawners =
        game->getTaggedRegistry().getEntity(kTagWaveDirector).getComponents<TimedEntitySpawner>();
    // Swarmers come more often than divers.
    const auto [swarmers, divers] = std::ranges::minmax(spawners, {}, &TimedEntitySpawner::interval);
    // Seconds of play at 1/60 s per frame.
    const auto play = [&](float seconds) { step(static_cast<int>(seconds * 60.0f + 0.5f)); };
    ship().getComponent<HealthComponent>().health = 1e12f; // survives every ram
    step(1);
    EXPECT_EQ(count(kTagSwarmer), 1) << "the first swarmer comes at once";
    EXPECT_NEAR(swarmers->interval, 2.0f, 1e-3); // 1 / (t / 100 + 0.5)
    EXPECT_NEAR(divers->interval, 10.0f, 1e-2);  // 1 / (t / 200 + 0.1)
    play(11.9f);
    EXPECT_EQ(count(kTagDiver), 0);
    play(0.2f);
    EXPECT_EQ(count(kTagDiver), 1);
    play(7.9f);
    EXPECT_NEAR(divers->interval, 5.0f, 0.01f);
    play(44.9f - 20.0f);
    EXPECT_EQ(count(kTagMothership), 0);
    play(0.2f);
    ASSERT_EQ(count(kTagMothership), 1);
    EXPECT_FALSE(swarmers->enabled || divers->enabled);
    HealthComponent& mothership =
        (*game->getTaggedRegistry().getEntities(kTagMothership).begin())->getComponent<HealthComponent>();
    mothership.health = 1e9f; // survives its rams against the invulnerable ship
    const std::pair frozen(swarmers->interval, divers->interval);
    play(30.0f); // a mothership that lives on holds the clock and the waves
    EXPECT_EQ(std::pair(swarmers->interval, divers->interval), frozen);
    EXPECT_FALSE(swarmers->enabled || divers->enabled);
    mothership.doDamage(1e9f);
    step(2); // swept, then the director sees none and switches the waves back on
    EXPECT_TRUE(swarmers->enabled && divers->enabled);
    EXPECT_NEAR(swarmers->interval, 1.0f / (45.0f / 100.0f + 0.5f), 1e-3);
    play(4.95f);
    EXPECT_NEAR(swarmers->interval, 1.0f, 0.01f) << "one swarmer a second at director time 50";
    play(39.0f);
    EXPECT_EQ(count(kTagMothership), 0);
    play(1.2f);
    EXPECT_EQ(count(kTagMothership), 2);
}

} // namespace
} // namespace kv
