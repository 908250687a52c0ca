// An autopilot plays the real game for a long stretch of game time on a fixed step: it picks a new pair of
// weapons for every game, steers towards the nearest enemy while keeping its distance, aims at it, fires
// both weapons, and goes back to the menu when its ship is destroyed or a game has run long enough. The run
// fails on an exception, a sanitizer report, entities or components that outlive their game, runaway entity
// counts. Frame times and memory growth are figures of the benchmark suite, not limits of a test:
// they vary with the machine's load.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "game/GameState.hpp"
#include "game/VantorGui.hpp"
#include "reliability/PlayState.hpp"
#include "reliability/ScriptedGameFixture.hpp"

namespace kv {
namespace {

constexpr double kDefaultSoakSeconds = 180.0;  // game time; VANTOR_SOAK_SECONDS overrides it
constexpr double kWarmUpSeconds = 60.0;        // game time before memory must level off
constexpr double kLongestGameSeconds = 300.0;  // the wave director's rates grow without limit
constexpr double kAfterDeathSeconds = 2.0;     // the explosion plays, then escape
constexpr std::size_t kEntityCeiling = 5000;   // live entities at once
constexpr int kRssInterval = 60;               // frames between memory samples
constexpr int kReportInterval = 3600;          // frames between progress lines
constexpr float kCloseDistance = 500.0f;       // world units: back off inside this
constexpr float kFarDistance = 800.0f;         // world units: close in beyond this
constexpr float kSteerThreshold = 0.3f;        // component of the wanted direction that presses a key
constexpr int kSecondaryPeriod = 120;          // frames between secondary shots

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double wallSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

long residentKilobytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

double soakSeconds() {
    const char* text = std::getenv("VANTOR_SOAK_SECONDS");
    return text != nullptr ? std::atof(text) : kDefaultSoakSeconds;
}

class Soak : public ScriptedGameFixture {
protected:
    enum class Phase { Menu, Playing, Dead };

    GameEntity* nearestEnemy(const vec2& from) {
        GameEntity* nearest = nullptr;
        float best = std::numeric_limits<float>::max();
        for (GameEntity* enemy : game->getTaggedRegistry().getActiveEntities(kTagEnemy)) {
            const vec2 offset = enemy->getPosition() - from;
            const float distance = offset.x * offset.x + offset.y * offset.y;
            if (distance < best) {
                best = distance;
                nearest = enemy;
            }
        }
        return nearest;
    }

    void fly(long frameInGame) {
        GameEntity& ship = game->getTaggedRegistry().getEntity(kTagPlayer);
        GameEntity* enemy = nearestEnemy(ship.getPosition());
        player->releaseAllKeys();
        if (enemy == nullptr) {
            return;
        }
        const vec2 offset = enemy->getPosition() - ship.getPosition();
        const float distance = std::sqrt(offset.x * offset.x + offset.y * offset.y);
        player->setCursor(windowPointOf(game->getGameCamera(), enemy->getPosition()));
        if (distance < 1.0f) {
            return;
        }
        vec2 wanted = offset / distance;
        if (distance < kCloseDistance) {
            wanted = -wanted;
        } else if (distance < kFarDistance) {
            wanted = vec2(-wanted.y, wanted.x); // circle it
        }
        player->setKey(GLFW_KEY_D, wanted.x > kSteerThreshold);
        player->setKey(GLFW_KEY_A, wanted.x < -kSteerThreshold);
        player->setKey(GLFW_KEY_W, wanted.y > kSteerThreshold);
        player->setKey(GLFW_KEY_S, wanted.y < -kSteerThreshold);
        const int action = frameInGame % kSecondaryPeriod == 0 ? GLFW_PRESS : GLFW_RELEASE;
        ScriptedPlayer::sendMouseButton(game->getWindow(), GLFW_MOUSE_BUTTON_RIGHT, action);
    }
};

TEST_F(Soak, TheAutopilotPlaysGameAfterGameWithinBounds) {
    const double seconds = soakSeconds();
    const long frames = static_cast<long>(seconds / kStep);
    const long warmUpFrames = static_cast<long>(kWarmUpSeconds / kStep);
    // A short soak still covers several games.
    const double longestGame = std::min(kLongestGameSeconds, seconds / 3.0);

    Phase phase = Phase::Menu;
    PlayScript menuScript;
    int games = 0;
    int deaths = 0;
    int escapes = 0;
    int bestScore = 0;
    long gameStart = 0;
    long deathFrame = 0;
    std::size_t maxEntities = 0;
    std::size_t leftovers = 0;
    // Filled up front, so that the measurements' own pages do not count as the game's memory growth.
    std::vector<double> cpu(static_cast<std::size_t>(frames) + 1, 0.0);
    std::vector<double> wall(static_cast<std::size_t>(frames) + 1, 0.0);
    std::size_t measured = 0;
    long rssStart = 0;
    long rssWarm = 0;
    long rssMaxAfterWarmUp = 0;
    long rssLast = 0;
    double lastCpu = 0.0;
    double lastWall = 0.0;
    const double started = wallSeconds();

    const auto leaveGame = [&] {
        player->releaseAllKeys();
        ScriptedPlayer::sendMouseButton(game->getWindow(), GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
        ScriptedPlayer::sendMouseButton(game->getWindow(), GLFW_MOUSE_BUTTON_RIGHT, GLFW_RELEASE);
        ScriptedPlayer::sendKey(game->getWindow(), GLFW_KEY_ESCAPE, GLFW_PRESS);
        // Nothing of the game may outlive it.
        leftovers = std::max(leftovers, PlayState::entityCount(*game) + PlayState::componentCount(*game));
        phase = Phase::Menu;
    };

    play([&] {
        const long frame = player->getFrame();
        const double nowCpu = threadCpuSeconds();
        const double nowWall = wallSeconds();
        if (frame > 1 && measured < cpu.size()) {
            cpu[measured] = nowCpu - lastCpu;
            wall[measured] = nowWall - lastWall;
            ++measured;
        }
        maxEntities = std::max(maxEntities, PlayState::entityCount(*game));
        if (frame % kRssInterval == 0 || frame == 1) {
            rssLast = residentKilobytes();
            if (frame == 1) {
                rssStart = rssLast;
            }
            if (frame <= warmUpFrames) {
                rssWarm = rssLast;
            } else {
                rssMaxAfterWarmUp = std::max(rssMaxAfterWarmUp, rssLast);
            }
        }
        if (frame % kReportInterval == 0) {
            std::printf("%6.0f s game time: %d games, %zu entities, resident %ld kB, %.0f s wall\n",
                        static_cast<double>(frame) * kStep, games, PlayState::entityCount(*game), rssLast,
                        nowWall - started);
            std::fflush(stdout);
        }
        if (frame >= frames) {
            return false;
        }

        switch (phase) {
        case Phase::Menu:
            if (menuScript.done()) {
                VantorGui& menu = game->getMenu();
                GlLabelButton* mains[] = {&menu.machineGunButton, &menu.ionCannonButton, &menu.flamethrowerButton};
                GlLabelButton* secondaries[] = {&menu.empRocketButton, &menu.gravityOrbButton,
                                                &menu.shockwaveButton};
                menuScript = PlayScript();
                for (GlLabelButton* button : {mains[games % 3], secondaries[(games / 3) % 3], &menu.startButton}) {
                    menuScript.once([this, button] { pointAt(*button); }).once([this, button] {
                        if (!button->isHovered()) {
                            throw std::runtime_error("the pointer misses a menu button");
                        }
                        click();
                    });
                }
            }
            menuScript.advance();
            if (!mainMenuActive) {
                ++games;
                gameStart = frame;
                phase = Phase::Playing;
                ScriptedPlayer::sendMouseButton(game->getWindow(), GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
            }
            break;
        case Phase::Playing:
            if (!playerAlive()) {
                ++deaths;
                deathFrame = frame;
                phase = Phase::Dead;
                player->releaseAllKeys();
            } else if (static_cast<double>(frame - gameStart) * kStep > longestGame) {
                ++escapes;
                bestScore = std::max(bestScore, playerScore);
                leaveGame();
            } else {
                fly(frame - gameStart);
            }
            break;
        case Phase::Dead:
            if (static_cast<double>(frame - deathFrame) * kStep > kAfterDeathSeconds) {
                bestScore = std::max(bestScore, playerScore);
                leaveGame();
            }
            break;
        }
        // The autopilot's own time is not the game's.
        lastCpu = threadCpuSeconds();
        lastWall = wallSeconds();
        return true;
    });

    cpu.resize(measured);
    wall.resize(measured);
    const double elapsed = wallSeconds() - started;
    const double cpuMax = cpu.empty() ? 0.0 : *std::max_element(cpu.begin(), cpu.end());
    std::printf("soak: %.0f s of game time (%ld frames) in %.0f s wall, %d games (%d destroyed, %d left), best "
                "score %d, high score %d\n",
                seconds, player->getFrame(), elapsed, games, deaths, escapes, bestScore, playerHighScore);
    std::printf("frame CPU ms: p50 %.2f p90 %.2f p99 %.2f max %.2f; wall ms: p50 %.2f p99 %.2f max %.2f\n",
                percentile(cpu, 0.5) * 1e3, percentile(cpu, 0.9) * 1e3, percentile(cpu, 0.99) * 1e3, cpuMax * 1e3,
                percentile(wall, 0.5) * 1e3, percentile(wall, 0.99) * 1e3,
                (wall.empty() ? 0.0 : *std::max_element(wall.begin(), wall.end())) * 1e3);
    std::printf("live entities: max %zu; resident kB: start %ld, after warm-up %ld, max after %ld, end %ld\n",
                maxEntities, rssStart, rssWarm, rssMaxAfterWarmUp, rssLast);

    EXPECT_GE(games, 2) << "the soak covers many games";
    EXPECT_EQ(leftovers, 0u) << "entities or components outlived their game";
    EXPECT_LT(maxEntities, kEntityCeiling);
}

} // namespace
} // namespace kv
