// Builds the real game in a fresh working directory that links to the generated assets, and steps it.
#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "engine/components/HealthAndScore.hpp"
#include "engine/core/GameEntity.hpp"
#include "game/ArcadeStyleShooterGame.hpp"

namespace kv {

constexpr float kFrame = 1.0f / 60.0f; // seconds

class GameFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs in the fresh working directory before the game is built (to lay down files it reads).
    virtual void beforeGameStarts() {}

    // A fresh directory holding links to the asset folders; the test's working directory until TearDown.
    static std::string makeWorkingDirectory();

    void step(int frames, float dt = kFrame);
    // Steps until the predicate holds or the frame budget runs out; returns the frames taken.
    template <typename Predicate>
    int stepUntil(Predicate predicate, int maxFrames, float dt = kFrame) {
        for (int frame = 1; frame <= maxFrames; ++frame) {
            game->update(dt);
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
    int count(int tag);
    float healthOf(GameEntity& entity) { return entity.getComponent<HealthComponent>().health; }

    std::unique_ptr<ArcadeStyleShooterGame> game;
    std::string workingDirectory;
    std::string previousDirectory;
};

} // namespace kv
