// An autopilot plays the real game for a long stretch of game time on a fixed step: a new pair of weapons for
// every game, steering towards the nearest enemy while keeping its distance, aiming at it and firing both
// weapons, back to the menu when its ship is destroyed or a game has run long enough. It fails on an
// exception, a sanitizer report, entities or components that outlive their game, or a runaway entity count.
// Frame times and memory growth vary with the machine's load: they are figures of the benchmark suite.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "game/GameState.hpp"
#include "game/VantorGui.hpp"
#include "reliability/ScriptedGameFixture.hpp"
#include "support/GlTestContext.hpp"

namespace kv {
namespace {

constexpr double kDefaultSoakSeconds = 180.0; // game time; VANTOR_SOAK_SECONDS overrides it
constexpr double kLongestGameSeconds = 300.0; // the wave director's rates grow without limit
constexpr long kAfterDeathFrames = 120;       // the explosion plays, then escape
constexpr std::size_t kEntityCeiling = 5000;  // live entities at once
constexpr float kCloseDistance = 500.0f;      // world units: back off inside this
constexpr float kFarDistance = 800.0f;        // world units: close in beyond this
constexpr float kSteerThreshold = 0.3f;       // component of the wanted direction that presses a key
constexpr long kSecondaryPeriod = 120;        // frames between secondary shots

class Soak : public ScriptedGameFixture {
protected:
    // Steers around the nearest enemy and aims at it; fires the secondary weapon now and then.
    void fly(long frameInGame) {
        const vec2 from = game->getTaggedRegistry().getEntity(kTagPlayer).getPosition();
        const auto enemies = game->getTaggedRegistry().getActiveEntities(kTagEnemy);
        const auto distance = [&](GameEntity* enemy) {
            return std::hypot(enemy->getPosition().x - from.x, enemy->getPosition().y - from.y);
        };
        const auto nearest =
            std::min_element(enemies.begin(), enemies.end(),
                             [&](GameEntity* a, GameEntity* b) { return distance(a) < distance(b); });
        heldKeys.clear();
        if (nearest == enemies.end() || distance(*nearest) < 1.0f) {
            return;
        }
        pointer = test::windowPointOf(game->getGameCamera(), (*nearest)->getPosition());
        vec2 wanted = ((*nearest)->getPosition() - from) / distance(*nearest);
        if (distance(*nearest) < kCloseDistance) {
            wanted = -wanted;
        } else if (distance(*nearest) < kFarDistance) {
            wanted = vec2(-wanted.y, wanted.x); // circle it
        }
        hold(GLFW_KEY_D, wanted.x > kSteerThreshold);
        hold(GLFW_KEY_A, wanted.x < -kSteerThreshold);
        hold(GLFW_KEY_W, wanted.y > kSteerThreshold);
        hold(GLFW_KEY_S, wanted.y < -kSteerThreshold);
        mouse(GLFW_MOUSE_BUTTON_RIGHT, frameInGame % kSecondaryPeriod == 0 ? GLFW_PRESS : GLFW_RELEASE);
    }

    // The menu moves of the next game: its two weapons and Start; true if it started.
    bool chooseWeapons(int game) {
        VantorGui& menu = this->game->getMenu();
        GlLabelButton* mains[] = {&menu.machineGunButton, &menu.ionCannonButton, &menu.flamethrowerButton};
        GlLabelButton* secondaries[] = {&menu.empRocketButton, &menu.gravityOrbButton, &menu.shockwaveButton};
        // A pointer that never lands on a button leaves the soak without games, which fails it.
        return chooseAndStart(*mains[game % 3], *secondaries[(game / 3) % 3]);
    }
};

TEST_F(Soak, TheAutopilotPlaysGameAfterGameWithinBounds) {
    const char* setting = std::getenv("VANTOR_SOAK_SECONDS");
    const double seconds = setting != nullptr ? std::atof(setting) : kDefaultSoakSeconds;
    const long soakFrames = static_cast<long>(seconds / kStep);
    // A short soak still covers several games.
    const long longestGame = static_cast<long>(std::min(kLongestGameSeconds, seconds / 3.0) / kStep);

    int games = 0;
    long gameStart = 0;
    long deathFrame = -1;
    std::size_t maxEntities = 0;
    std::size_t leftovers = 0;
    const auto move = [&] {
        const long frame = frames;
        maxEntities = std::max(maxEntities, entityCount());
        if (mainMenuActive) {
            if (chooseWeapons(games)) {
                ++games;
                gameStart = frames;
                deathFrame = -1;
                mouse(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
            }
        } else if (deathFrame < 0 && !playerAlive()) {
            deathFrame = frame;
            heldKeys.clear();
        } else if (deathFrame < 0 && frame - gameStart <= longestGame) {
            fly(frame - gameStart);
        } else if (deathFrame < 0 || frame - deathFrame > kAfterDeathFrames) {
            heldKeys.clear();
            mouse(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
            mouse(GLFW_MOUSE_BUTTON_RIGHT, GLFW_RELEASE);
            pressKey(GLFW_KEY_ESCAPE);
            // Nothing of the game may outlive it.
            leftovers = std::max(leftovers, entityCount() + componentCount());
        }
        return frames < soakFrames;
    };
    while (move()) {
        frame();
    }

    std::printf("soak: %.0f s of game time, %d games, %zu live entities at most, high score %d\n", seconds,
                games, maxEntities, playerHighScore);
    EXPECT_GE(games, 2) << "the soak covers many games";
    EXPECT_EQ(leftovers, 0u) << "entities or components outlived their game";
    EXPECT_LT(maxEntities, kEntityCeiling);
}

} // namespace
} // namespace kv
