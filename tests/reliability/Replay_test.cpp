// The game's rules are deterministic given the time steps and the input: three scripted games, each with its
// own pair of weapons, flown and fired through the real main loop on a fixed step, must reach exactly the
// recorded play states. A change that alters them has to update kRecorded deliberately.
// The soak: the same scripted player plays the real game for a long stretch of game time, with a new pair of
// weapons for every game, back to the menu when its ship is destroyed or a game has run long enough. It fails
// on an exception, a sanitizer report, entities or components that outlive their game, or a runaway entity
// count. Frame times and memory growth vary with the machine's load: they are figures of the benchmark suite.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/core/EntityComponent.hpp"
#include "support/GameFixture.hpp"

namespace kv {
namespace {

constexpr int kCheckpointInterval = 1000;     // frames
constexpr int kDeathLimit = 30000;            // frames an idle ship may take to be destroyed
constexpr int kAfterDeath = 120;              // frames between the explosion and escape
constexpr double kDefaultSoakSeconds = 180.0; // game time; VANTOR_SOAK_SECONDS overrides it
constexpr double kLongestGameSeconds = 300.0; // the wave director's rates grow without limit
constexpr std::size_t kEntityCeiling = 5000;  // live entities at once

using Checkpoint = std::pair<long, std::uint64_t>; // frame, play state hash

// Recorded on the release build and checked on every build, the sanitized debug build included.
const std::vector<Checkpoint> kRecorded = {
    {1000, 0x8cb471ff9d310f74ull},  {2000, 0x9d7e0b92d855e01cull},  {3000, 0xe3df325a9c05b430ull},
    {4000, 0x8e3a67920212f6e2ull},  {5000, 0x29a39c99ac16038full},  {6000, 0x02b0b09cad3c2b13ull},
    {7000, 0x9fb3b44b4186c8f1ull},  {8000, 0x7c0d9de8a7697405ull},  {9000, 0x29d3ec612f359578ull},
    {10000, 0xfd994c00cc68f0b5ull}, {10769, 0x955eb04c290e5d49ull},
};

class Replay : public GameFixture {
protected:
    void afterFrame() override {
        if (frames % kCheckpointInterval == 0) {
            checkpoints.push_back({frames, playStateHash()});
        }
        mostEntities = std::max(mostEntities, game->getTaggedRegistry().getEntities(0).size());
    }

    // Waits for the idle ship's end, lets the explosion play and leaves for the menu.
    void escapeAfterDeath() {
        frame();
        for (int n = 0; playerAlive(); ++n) {
            ASSERT_LT(n, kDeathLimit) << "the ship is never destroyed";
            frame();
        }
        for (int n = 0; n <= kAfterDeath; ++n) {
            frame();
        }
        key(GLFW_KEY_ESCAPE);
        frame();
    }

    std::vector<Checkpoint> checkpoints;
    std::size_t mostEntities = 0;
};
using Soak = Replay; // the same scripted player, run long

TEST_F(Replay, ThreeGamesReachTheRecordedPlayStates) {
    VantorGui& menu = game->getMenu();
    flyScripted(menu.machineGunButton, menu.empRocketButton, 4000);
    escapeAfterDeath();
    flyScripted(menu.ionCannonButton, menu.gravityOrbButton, 1500);
    EXPECT_TRUE(playerAlive()) << "the second game is left during play";
    key(GLFW_KEY_ESCAPE);
    frame();
    flyScripted(menu.flamethrowerButton, menu.shockwaveButton, 5000);
    escapeAfterDeath();
    checkpoints.push_back({frames, playStateHash()});
    EXPECT_EQ(checkpoints, kRecorded); // a mismatch prints the states reached, to record after a deliberate change
}

TEST_F(Soak, ScriptedGamesWithEveryPairOfWeaponsStayWithinBoundsAndLeaveNothingBehind) {
    const char* setting = std::getenv("VANTOR_SOAK_SECONDS");
    const long soakFrames =
        static_cast<long>((setting != nullptr ? std::atof(setting) : kDefaultSoakSeconds) / kFrame);
    const long longestGame = std::min(static_cast<long>(kLongestGameSeconds / kFrame), soakFrames / 3);
    VantorGui& menu = game->getMenu();
    GlLabelButton* mains[] = {&menu.machineGunButton, &menu.ionCannonButton, &menu.flamethrowerButton};
    GlLabelButton* secondaries[] = {&menu.empRocketButton, &menu.gravityOrbButton, &menu.shockwaveButton};
    int games = 0;
    for (; frames < soakFrames; ++games) {
        flyScripted(*mains[games % 3], *secondaries[(games / 3) % 3], longestGame, true);
        for (long n = 0; !playerAlive() && n < kAfterDeath; ++n) {
            frame();
        }
        key(GLFW_KEY_ESCAPE);
        ASSERT_LT(mostEntities, kEntityCeiling) << "live entities in game " << games;
        EXPECT_EQ(game->getTaggedRegistry().getEntities(0).size(), 0u) << "entities outlived game " << games;
        EXPECT_EQ(game->getComponentRegistry().getComponents<EntityComponent>().size(), 0u)
            << "components outlived game " << games;
        frame();
    }
    EXPECT_GE(games, 2) << "the soak covers many games";
}

} // namespace
} // namespace kv
