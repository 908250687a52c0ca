// The example game built for real on the files the build wrote for it, stepped with fixed time steps and
// drawn on the virtual display.
#include "examples/collector/CollectorGame.hpp"

#include <cstdlib>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "engine/components/Scripted.hpp"
#include "engine/core/AssetFiles.hpp"
#include "tests/support/Constants.hpp"

namespace kv {
namespace {

constexpr int kSecond = 60; // frames

TEST(CollectorGame, SteersPicksUpWhatItTouchesStaysInTheRingAndRunsOnTheDisplayUntilEscape) {
    setAssetRoot(VANTOR_COLLECTOR_DIR);
    std::srand(1);
    CollectorGame game;
    game.load();
    setAssetRoot("");
    for (GameEntity* entity : game.getEntities().getEntities(0)) {
        for (TimedEntitySpawner* spawner : entity->getComponents<TimedEntitySpawner>()) {
            spawner->enabled = false; // only the crystals made here are in play
        }
    }
    for (float x : {20.0f, -20.0f, 150.0f}) {
        game.createCrystal(vec2(x, 0.0f), vec2(0.0f));
    }
    game.update(kFrame);
    EXPECT_EQ(game.getScore(), 2) << "every crystal touched in the frame, none out of reach";
    EXPECT_EQ(game.getEntities().getEntities(CollectorGame::kTagCrystal).size(), 1u);

    game.handleKey(GLFW_KEY_W, 0, GLFW_PRESS, 0);
    GLFWwindow* window = glfwGetCurrentContext();
    for (int frame = 0; frame < 5 * kSecond; ++frame) {
        game.update(kFrame);
        game.render();
        glfwSwapBuffers(window);
    }
    EXPECT_GT(game.getShip().getOrientation(), 1.4f) << "turned to face up";
    EXPECT_NEAR(game.getShip().getPosition().y, CollectorGame::kFieldRadius, 0.01f) << "held at the ring";
    EXPECT_NEAR(game.getShip().getPosition().x, 0.0f, 1.0f);
    game.handleKey(GLFW_KEY_ESCAPE, 0, GLFW_PRESS, 0);
    EXPECT_TRUE(glfwWindowShouldClose(window));
}

} // namespace
} // namespace kv
