// An autopilot plays the real game for a long stretch of game time on a fixed step: a new pair of weapons for
// every game, steering towards the nearest enemy while keeping its distance, aiming at it and firing both
// weapons, back to the menu when its ship is destroyed or a game has run long enough. It fails on an
// exception, a sanitizer report, entities or components that outlive their game, or a runaway entity count.
// Frame times and memory growth vary with the machine's load: they are figures of the benchmark suite.
#include <algorithm>
#include <cstdlib>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "engine/core/EntityComponent.hpp"
#include "game/GameFixture.hpp"
#include "game/GameState.hpp"
#include "game/VantorGui.hpp"
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

using Soak = GameFixture;

TEST_F(Soak, TheAutopilotPlaysGameAfterGameWithinBounds) {
    const char* setting = std::getenv("VANTOR_SOAK_SECONDS");
    const long soakFrames =
        static_cast<long>((setting != nullptr ? std::atof(setting) : kDefaultSoakSeconds) / kFrame);
    const long longestGame = std::min(static_cast<long>(kLongestGameSeconds / kFrame), soakFrames / 3);
    VantorGui& menu = game->getMenu();
    GlLabelButton* mains[] = {&menu.machineGunButton, &menu.ionCannonButton, &menu.flamethrowerButton};
    GlLabelButton* secondaries[] = {&menu.empRocketButton, &menu.gravityOrbButton, &menu.shockwaveButton};
    int games = 0;
    while (frames < soakFrames) {
        // A pointer that never lands on a button leaves the soak without games, which fails it.
        ASSERT_TRUE(chooseAndStart(*mains[games % 3], *secondaries[(games / 3) % 3]));
        ++games;
        press(GLFW_MOUSE_BUTTON_LEFT);
        for (long start = frames; playerAlive() && frames - start <= longestGame && frames < soakFrames;) {
            // Steers around the nearest enemy and aims at it; fires the secondary weapon now and then.
            heldKeys.clear();
            const vec2 from = ship().getPosition();
            const auto enemies = game->getTaggedRegistry().getActiveEntities(kTagEnemy);
            const auto away = [&](GameEntity* enemy) { return glm::length(enemy->getPosition() - from); };
            const auto nearest =
                std::min_element(enemies.begin(), enemies.end(),
                                 [&](GameEntity* a, GameEntity* b) { return away(a) < away(b); });
            if (nearest != enemies.end() && away(*nearest) >= 1.0f) {
                pointer = glm::dvec2(test::windowPointOf(game->getGameCamera(), (*nearest)->getPosition()));
                const vec2 towards = ((*nearest)->getPosition() - from) / away(*nearest);
                const vec2 wanted = away(*nearest) < kCloseDistance ? -towards
                                    : away(*nearest) < kFarDistance ? vec2(-towards.y, towards.x) // circle it
                                                                    : towards;
                for (const auto& [key, held] : {std::pair{GLFW_KEY_D, wanted.x > kSteerThreshold},
                                                {GLFW_KEY_A, wanted.x < -kSteerThreshold},
                                                {GLFW_KEY_W, wanted.y > kSteerThreshold},
                                                {GLFW_KEY_S, wanted.y < -kSteerThreshold}}) {
                    if (held) {
                        heldKeys.insert(key);
                    }
                }
                mouse(GLFW_MOUSE_BUTTON_RIGHT,
                      (frames - start) % kSecondaryPeriod == 0 ? GLFW_PRESS : GLFW_RELEASE);
            }
            ASSERT_LT(game->getTaggedRegistry().getEntities(0).size(), kEntityCeiling) << "live entities";
            frame();
        }
        heldKeys.clear();
        release(GLFW_MOUSE_BUTTON_LEFT);
        release(GLFW_MOUSE_BUTTON_RIGHT);
        for (long n = 0; !playerAlive() && n < kAfterDeathFrames; ++n) {
            frame();
        }
        pressKey(GLFW_KEY_ESCAPE);
        // Nothing of the game may outlive it.
        EXPECT_EQ(game->getTaggedRegistry().getEntities(0).size(), 0u) << "entities outlived game " << games;
        EXPECT_EQ(game->getComponentRegistry().getComponents<EntityComponent>().size(), 0u)
            << "components outlived game " << games;
        frame();
    }
    EXPECT_GE(games, 2) << "the soak covers many games";
}

} // namespace
} // namespace kv
