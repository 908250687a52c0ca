#include <algorithm>

#include "engine/components/Scripted.hpp"
#include "game/GameRules.hpp"
#include "support/GameFixture.hpp"

namespace kv {
namespace {

using WaveDirector = GameFixture;

// The director's spawners come at the rates they state: a swarmer every 2 s and a diver every 10 s at first,
// a diver every 5 s at director time 20, a swarmer a second at 50. Its clock stands while a mothership lives.
TEST_F(WaveDirector, WavesComeFasterWithTimeUntilAMothershipAtFortyFiveSecondsHoldsThemWhileItLives) {
    startGame(1, 1, true);
    ship().setActive(false); // nobody to chase or ram: every enemy sent stays
    const auto spawners =
        game->getTaggedRegistry().getEntity(kTagWaveDirector).getComponents<TimedEntitySpawner>();
    const auto [swarmers, divers] = std::ranges::minmax(spawners, {}, &TimedEntitySpawner::interval);
    const auto play = [&](float seconds) { step(static_cast<int>(seconds * 60.0f + 0.5f)); };
    step(1);
    EXPECT_EQ(count(kTagSwarmer), 1) << "the first swarmer comes at once";
    EXPECT_NEAR(swarmers->interval, 2.0f, 1e-3);
    EXPECT_NEAR(divers->interval, 10.0f, 1e-2);
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
    const int sent = count(kTagEnemy);
    play(30.0f);
    EXPECT_EQ(count(kTagEnemy), sent) << "a mothership that lives on holds the waves";
    GameEntity& mothership = **game->getTaggedRegistry().getEntities(kTagMothership).begin();
    mothership.getComponent<HealthComponent>().doDamage(200.0f);
    step(2); // swept, then the director sees none and sends waves again
    play(4.95f);
    EXPECT_NEAR(swarmers->interval, 1.0f, 0.01f) << "at director time 50, the mothership's life not counted";
    EXPECT_GT(count(kTagEnemy), sent) << "the waves come again";
    play(39.0f);
    EXPECT_EQ(count(kTagMothership), 0);
    play(1.2f);
    EXPECT_EQ(count(kTagMothership), 2);
    key(GLFW_KEY_ESCAPE); // a mothership there from the first step holds the clock: the first pace stays
    startGame(1, 1, true);
    ship().setActive(false);
    game->spawnMothership();
    play(13.6f);
    EXPECT_EQ(std::pair(count(kTagSwarmer), count(kTagDiver)), std::pair(21, 2)) << "every 0.65 s, 1.5 s";
}

} // namespace
} // namespace kv
