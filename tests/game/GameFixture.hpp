// Builds the real game in a fresh working directory that links to the generated assets, and steps it.
#pragma once

#include <memory>
#include <optional>
#include <set>

#include <gtest/gtest.h>

#include "engine/components/HealthAndScore.hpp"
#include "engine/core/GameEntity.hpp"
#include "game/ArcadeStyleShooterGame.hpp"
#include "support/Process.hpp"

namespace kv {

constexpr float kFrame = 1.0f / 60.0f; // seconds

class GameFixture : public ::testing::Test {
public:
    // Keys the game finds held when it asks (the executable wraps glfwGetKey); none at the start of a test.
    static std::set<int> heldKeys;
    // Where the game finds the pointer, in window coordinates (the executable wraps glfwGetCursorPos): the
    // display is shared with other tests that move the real one. The window's centre at the start of a test.
    static std::optional<glm::dvec2> pointer;

protected:
    void SetUp() override;
    void TearDown() override;
    // Runs in the fresh working directory before the game is built (to lay down files it reads).
    virtual void beforeGameStarts() {}

    void step(int frames) {
        for (int i = 0; i < frames; ++i) {
            game->update(kFrame);
        }
    }
    // Steps until the predicate holds or the frame budget runs out; returns the frames taken, or -1.
    template <typename Predicate> int stepUntil(Predicate predicate, int maxFrames) {
        for (int frame = 1; frame <= maxFrames; ++frame) {
            game->update(kFrame);
            if (predicate()) {
                return frame;
            }
        }
        return -1;
    }

    // Starts a game with the given weapons; the wave director is switched off unless asked for.
    void startGame(int mainWeapon, int secondaryWeapon, bool withWaves = false);
    GameEntity& ship();
    // An enemy of the given kind at the position, standing still with its AI off.
    GameEntity& placeEnemy(GameEntity* enemy, const vec2& position, float orientation = 0.0f);
    void press(int button);
    void release(int button);
    // A press and release around one frame: one shot.
    void fire(int button);
    int count(int tag);
    float healthOf(GameEntity& entity) { return entity.getComponent<HealthComponent>().health; }

    std::unique_ptr<ArcadeStyleShooterGame> game;
    std::optional<testsupport::TemporaryDirectory> workingDirectory;
    std::filesystem::path previousDirectory;
};

} // namespace kv
