#include <algorithm>
#include <vector>

#include "engine/components/Scripted.hpp"
#include "game/GameFixture.hpp"

namespace kv {
namespace {

class WaveDirector : public GameFixture {
protected:
    // Of the swarmer and diver spawners: their intervals, shortest first, or whether they are on.
    std::vector<float> intervals(bool enabledInstead = false) {
        std::vector<float> result;
        for (TimedEntitySpawner* spawner :
             game->getTaggedRegistry().getEntity(kTagWaveDirector).getComponents<TimedEntitySpawner>()) {
            result.push_back(enabledInstead ? float(spawner->enabled) : spawner->interval);
        }
        std::sort(result.begin(), result.end());
        return result;
    }
    std::vector<float> enabled() { return intervals(true); }
    // Seconds of play at 1/60 s per frame.
    void play(float seconds) { step(static_cast<int>(seconds * 60.0f + 0.5f)); }
};

TEST_F(WaveDirector, WavesComeFasterWithTimeUntilAMothershipAtFortyFiveSecondsHoldsThemWhileItLives) {
    startGame(1, 1, true);
    ship().getComponent<HealthComponent>().health = 1e12f; // survives every ram
    step(1);
    EXPECT_EQ(count(kTagSwarmer), 1) << "the first swarmer comes at once";
    EXPECT_NEAR(intervals()[0], 2.0f, 1e-3);  // swarmers: 1 / (t / 100 + 0.5)
    EXPECT_NEAR(intervals()[1], 10.0f, 1e-2); // divers: 1 / (t / 200 + 0.1)
    play(11.9f);
    EXPECT_EQ(count(kTagDiver), 0);
    play(0.2f);
    EXPECT_EQ(count(kTagDiver), 1);
    play(7.9f);
    EXPECT_NEAR(intervals()[1], 5.0f, 0.01f);
    play(44.9f - 20.0f);
    EXPECT_EQ(count(kTagMothership), 0);
    play(0.2f);
    ASSERT_EQ(count(kTagMothership), 1);
    EXPECT_EQ(enabled(), (std::vector<float>{0, 0}));
    HealthComponent& mothership =
        (*game->getTaggedRegistry().getEntities(kTagMothership).begin())->getComponent<HealthComponent>();
    mothership.health = 1e9f; // survives its rams against the invulnerable ship
    const std::vector<float> frozen = intervals();
    play(30.0f); // a mothership that lives on holds the clock and the waves
    EXPECT_EQ(intervals(), frozen);
    EXPECT_EQ(enabled(), (std::vector<float>{0, 0}));
    mothership.doDamage(1e9f);
    step(2); // swept, then the director sees none and switches the waves back on
    EXPECT_EQ(enabled(), (std::vector<float>{1, 1}));
    EXPECT_NEAR(intervals()[0], 1.0f / (45.0f / 100.0f + 0.5f), 1e-3);
    play(4.95f);
    EXPECT_NEAR(intervals()[0], 1.0f, 0.01f) << "one swarmer a second at director time 50";
    play(39.0f);
    EXPECT_EQ(count(kTagMothership), 0);
    play(1.2f);
    EXPECT_EQ(count(kTagMothership), 2);
}

} // namespace
} // namespace kv
