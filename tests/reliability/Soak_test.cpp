// The scripted player of the replay plays the real game for a long stretch of game time on a fixed step, with
// a new pair of weapons for every game, back to the menu when its ship is destroyed or a game has run long
// enough. It fails on an exception, a sanitizer report, entities or components that outlive their game, or a
// runaway entity count. Frame times and memory growth vary with the machine's load: they are figures of the
// benchmark suite.
#include <algorithm>
#include <cstdlib>

#include "engine/core/EntityComponent.hpp"
#include "game/GameFixture.hpp"

namespace kv {
namespace {

constexpr double kDefaultSoakSeconds = 180.0; // game time; VANTOR_SOAK_SECONDS overrides it
constexpr double kLongestGameSeconds = 300.0; // the wave director's rates grow without limit
constexpr long kAfterDeathFrames = 120;       // the explosion plays, then escape
constexpr std::size_t kEntityCeiling = 5000;  // live entities at once

class Soak : public GameFixture {
protected:
    void afterFrame() override {
        mostEntities = std::max(mostEntities, game->getTaggedRegistry().getEntities(0).size());
    }
    std::size_t mostEntities = 0;
};

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
        for (long n = 0; !playerAlive() && n < kAfterDeathFrames; ++n) {
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
