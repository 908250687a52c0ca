// The game's rules are deterministic given the time steps and the input: three scripted games, each with its
// own pair of weapons, flown and fired through the real main loop on a fixed step, must reach exactly the
// recorded play states. A change that alters them has to update kRecorded deliberately.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/core/Diagnostics.hpp"
#include "game/GameState.hpp"
#include "game/VantorGui.hpp"
#include "reliability/PlayState.hpp"
#include "reliability/ScriptedGameFixture.hpp"

namespace kv {
namespace {

constexpr int kCheckpointInterval = 500; // frames
constexpr int kDeathLimit = 30000;       // frames an idle ship may take to be destroyed
constexpr int kAfterDeath = 120;         // frames between the explosion and escape
constexpr float kAimRadius = 250.0f;     // pixels around the screen centre
constexpr float kAimTurnRate = 0.02f;    // radians per frame

struct Checkpoint {
    long frame;
    std::uint64_t hash;
    bool operator==(const Checkpoint&) const = default;
};

// Recorded on the release build and checked on every build, the sanitized debug build included.
const std::vector<Checkpoint> kRecorded = {
    {500, 0xab9be1f8284d82e0ull},
    {1000, 0x8cb471ff9d310f74ull},
    {1500, 0x5edfb0bb06499e45ull},
    {2000, 0x9d7e0b92d855e01cull},
    {2500, 0x5988cf110b261c4full},
    {3000, 0xe3df325a9c05b430ull},
    {3500, 0x53b574a14bf28037ull},
    {4000, 0x8e3a67920212f6e2ull},
    {4500, 0x6424420afaba34c3ull},
    {5000, 0x29a39c99ac16038full},
    {5500, 0xe93314a86e8522efull},
    {6000, 0x02b0b09cad3c2b13ull},
    {6500, 0x81dae163a4fb68f5ull},
    {7000, 0x9fb3b44b4186c8f1ull},
    {7500, 0x131f113d48aad212ull},
    {8000, 0x7c0d9de8a7697405ull},
    {8500, 0x152765a15b769df6ull},
    {9000, 0x29d3ec612f359578ull},
    {9500, 0xe7153f3a7dce976dull},
    {10000, 0xfd994c00cc68f0b5ull},
    {10500, 0x51897a3a195f8da5ull},
    {10769, 0x955eb04c290e5d49ull},
};

class Replay : public ScriptedGameFixture {
protected:
    // Steers in a box pattern, sweeps the aim around the ship and fires in bursts; the secondary weapon
    // every 400 frames.
    void flightFrame(int frame) {
        constexpr int kLegFrames = 90;
        const int leg = (frame / kLegFrames) % 4;
        player->releaseAllKeys();
        player->setKey(GLFW_KEY_W, leg == 0 || leg == 1);
        player->setKey(GLFW_KEY_D, leg == 1 || leg == 2);
        player->setKey(GLFW_KEY_S, leg == 2 || leg == 3);
        player->setKey(GLFW_KEY_A, leg == 3 || leg == 0);
        const float angle = static_cast<float>(frame) * kAimTurnRate;
        const vec2 centre(game->getGuiCamera().bufferWidth * 0.5f, game->getGuiCamera().bufferHeight * 0.5f);
        player->setCursor(centre + kAimRadius * vec2(std::cos(angle), std::sin(angle)));
        if (frame % 180 == 0) {
            ScriptedPlayer::sendMouseButton(game->getWindow(), GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
        }
        if (frame % 180 == 120) {
            ScriptedPlayer::sendMouseButton(game->getWindow(), GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
        }
        if (frame % 400 == 200) {
            ScriptedPlayer::sendMouseButton(game->getWindow(), GLFW_MOUSE_BUTTON_RIGHT, GLFW_PRESS);
        }
        if (frame % 400 == 230) {
            ScriptedPlayer::sendMouseButton(game->getWindow(), GLFW_MOUSE_BUTTON_RIGHT, GLFW_RELEASE);
        }
    }

    void stopFlying() {
        player->releaseAllKeys();
        ScriptedPlayer::sendMouseButton(game->getWindow(), GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
        ScriptedPlayer::sendMouseButton(game->getWindow(), GLFW_MOUSE_BUTTON_RIGHT, GLFW_RELEASE);
    }

    void chooseAndStart(PlayScript& script, GlLabelButton& mainWeapon, GlLabelButton& secondaryWeapon) {
        for (GlLabelButton* button : {&mainWeapon, &secondaryWeapon, &game->getMenu().startButton}) {
            script.once([this, button] { pointAt(*button); }).once([this, button] {
                ASSERT_TRUE(button->isHovered());
                click();
            });
        }
        script.once([] { ASSERT_FALSE(mainMenuActive) << "the start button starts a game"; });
    }

    void escape() { ScriptedPlayer::sendKey(game->getWindow(), GLFW_KEY_ESCAPE, GLFW_PRESS); }

    std::vector<Checkpoint> replay() {
        PlayScript script;
        game = nullptr;
        std::vector<Checkpoint> checkpoints;
        bool scripted = false;
        play([&] {
            if (!scripted) {
                VantorGui& menu = game->getMenu();
                chooseAndStart(script, menu.machineGunButton, menu.empRocketButton);
                script.during(4000, [this](int frame) { flightFrame(frame); });
                script.once([this] { stopFlying(); });
                script.waitUntil([this] { return !playerAlive(); }, kDeathLimit, "the first ship's end");
                script.wait(kAfterDeath).once([this] { escape(); });

                chooseAndStart(script, menu.ionCannonButton, menu.gravityOrbButton);
                script.during(1500, [this](int frame) { flightFrame(frame); });
                script.once([this] {
                    EXPECT_TRUE(playerAlive()) << "the second game is left during play";
                    stopFlying();
                    escape();
                });

                chooseAndStart(script, menu.flamethrowerButton, menu.shockwaveButton);
                script.during(5000, [this](int frame) { flightFrame(frame); });
                script.once([this] { stopFlying(); });
                script.waitUntil([this] { return !playerAlive(); }, kDeathLimit, "the third ship's end");
                script.wait(kAfterDeath).once([this] { escape(); });
                scripted = true;
            }
            const long frame = player->getFrame();
            if (frame % kCheckpointInterval == 0) {
                checkpoints.push_back({frame, PlayState::hash(*game)});
            }
            return script.advance();
        });
        checkpoints.push_back({player->getFrame(), PlayState::hash(*game)});
        return checkpoints;
    }
};

TEST_F(Replay, ThreeGamesReachTheRecordedPlayStates) {
    const std::vector<Checkpoint> checkpoints = replay();
    std::printf("replayed %ld frames, %zu checkpoints, score %d, high score %d\n", player->getFrame(),
                checkpoints.size(), playerScore, playerHighScore);
    for (const Checkpoint& checkpoint : checkpoints) {
        std::printf("    {%ld, 0x%016llxull},\n", checkpoint.frame, static_cast<unsigned long long>(checkpoint.hash));
    }
    EXPECT_GE(player->getFrame(), 10000);
    EXPECT_EQ(checkpoints, kRecorded);
}

} // namespace
} // namespace kv
