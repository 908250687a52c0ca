// The example game built for real in a fresh working directory linked to the generated assets, stepped
// with fixed time steps and drawn on the virtual display.
#include "examples/collector/CollectorGame.hpp"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <glm/geometric.hpp>
#include <gtest/gtest.h>
#include <unistd.h>

#include "engine/components/HealthAndScore.hpp"
#include "engine/components/Motion.hpp"
#include "engine/components/Scripted.hpp"

namespace kv {
namespace {

namespace fs = std::filesystem;

constexpr float kFrame = 1.0f / 60.0f; // seconds
constexpr int kFramesPerSecond = 60;
constexpr int kMarkTag = 500; // put on crystals a test follows; the game gives it no meaning

class CollectorGameTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousDirectory = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "vantor-collector-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        directory = pattern;
        for (const char* folder : {"shaders", "sprites", "fonts", "sounds"}) {
            fs::create_directory_symlink(fs::path(VANTOR_RUNTIME_DIR) / folder, directory / folder);
        }
        fs::current_path(directory);
        std::srand(1);
        game = std::make_unique<CollectorGame>();
        game->load();
    }
    void TearDown() override {
        game.reset();
        fs::current_path(previousDirectory);
        std::error_code ignored;
        fs::remove_all(directory, ignored);
    }

    void step(int frames) {
        for (int i = 0; i < frames; ++i) {
            game->update(kFrame);
        }
    }
    void key(int key, bool pressed) { game->handleKey(key, 0, pressed ? GLFW_PRESS : GLFW_RELEASE, 0); }
    int count(int tag) { return static_cast<int>(game->getEntities().getEntities(tag).size()); }
    // Switches off the dispenser, so that only the crystals a test makes itself are in play.
    void stopSpawning() {
        for (GameEntity* entity : game->getEntities().getEntities(0)) {
            for (TimedEntitySpawner* spawner : entity->getComponents<TimedEntitySpawner>()) {
                spawner->enabled = false;
            }
        }
    }
    vec2 shipPosition() { return game->getShip().getPosition(); }
    // Pixels that are not black within a rectangle of the back buffer (x, y from the bottom-left).
    int litPixels(int x, int y, int width, int height) {
        std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4);
        glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        int lit = 0;
        for (std::size_t i = 0; i < pixels.size(); i += 4) {
            lit += pixels[i] + pixels[i + 1] + pixels[i + 2] > 60 ? 1 : 0;
        }
        return lit;
    }

    std::unique_ptr<CollectorGame> game;
    fs::path directory;
    fs::path previousDirectory;
};

TEST_F(CollectorGameTest, DrawsTheShipTheRingAndTheScore) {
    stopSpawning();
    game->update(kFrame);
    game->render();
    // The window manager may have resized the window already: measure in the viewport, whatever its size.
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int width = viewport[2];
    const int height = viewport[3];
    const int ringOnTheRight = width / 2 + height / 4; // between the ship and the ring on the centre row

    EXPECT_GT(litPixels(width / 2 - 20, height / 2 - 20, 40, 40), 400) << "the ship at the centre";
    EXPECT_EQ(litPixels(width / 2 + height / 10, height / 2 - 2, ringOnTheRight - width / 2 - height / 10, 4),
              0)
        << "empty space inside the ring is black";
    EXPECT_GT(litPixels(ringOnTheRight, height / 2 - 2, width - ringOnTheRight, 4), 0)
        << "the ring on the right";
    EXPECT_GT(litPixels(0, height - 50, 150, 50), 20) << "the score in the top-left corner";
    glfwSwapBuffers(glfwGetCurrentContext());
}

TEST_F(CollectorGameTest, PicksUpACrystalTheShipTouches) {
    stopSpawning();
    GameEntity* crystal = game->createCrystal(shipPosition() + vec2(30.0f, 0.0f), vec2(0.0f));
    crystal->addTag(kMarkTag);
    game->update(kFrame);
    EXPECT_EQ(game->getScore(), 1);
    EXPECT_EQ(count(kMarkTag), 0) << "collected crystals are deleted at the end of the frame";
    EXPECT_EQ(count(kRetiredTag), 0);
}

TEST_F(CollectorGameTest, PicksUpEveryCrystalTouchedInTheSameFrame) {
    stopSpawning();
    game->createCrystal(shipPosition() + vec2(20.0f, 0.0f), vec2(0.0f));
    game->createCrystal(shipPosition() - vec2(20.0f, 0.0f), vec2(0.0f));
    game->update(kFrame);
    EXPECT_EQ(game->getScore(), 2);
    EXPECT_EQ(count(CollectorGame::kTagCrystal), 0);
}

TEST_F(CollectorGameTest, LeavesCrystalsOutOfReachAlone) {
    stopSpawning();
    game->createCrystal(shipPosition() + vec2(150.0f, 0.0f), vec2(0.0f));
    step(30);
    EXPECT_EQ(game->getScore(), 0);
    EXPECT_EQ(count(CollectorGame::kTagCrystal), 1);
}

TEST_F(CollectorGameTest, CrystalsDriftAndVanishAfterTheirLifetime) {
    stopSpawning();
    GameEntity* crystal = game->createCrystal(vec2(-300.0f, 200.0f), vec2(10.0f, 0.0f));
    crystal->addTag(kMarkTag);
    step(kFramesPerSecond); // one second
    EXPECT_NEAR(crystal->getPosition().x, -290.0f, 0.01f);
    EXPECT_NEAR(crystal->getPosition().y, 200.0f, 0.01f);

    step(static_cast<int>(CollectorGame::kCrystalLife * kFramesPerSecond) - 2 * kFramesPerSecond);
    ASSERT_EQ(count(kMarkTag), 1) << "still drifting a second before its end";
    step(2 * kFramesPerSecond);
    EXPECT_EQ(count(kMarkTag), 0);
    EXPECT_EQ(count(kRetiredTag), 0) << "the sweep leaves no retired entity behind";
}

TEST_F(CollectorGameTest, KeepsDispensingCrystalsWhoseNumberStaysBounded) {
    // Park the ship on the rim, out of the crystals' way.
    key(GLFW_KEY_S, true);
    step(3 * kFramesPerSecond);
    const int early = count(CollectorGame::kTagCrystal) + game->getScore();
    EXPECT_GE(early, 4) << "a crystal every 0.7 seconds";

    step(60 * kFramesPerSecond);
    // Crystals live 9 seconds and come every 0.7: never more than 13 (plus one due this frame) at once.
    EXPECT_LE(count(CollectorGame::kTagCrystal), 14);
    EXPECT_GE(count(CollectorGame::kTagCrystal), 5);
}

TEST_F(CollectorGameTest, FliesWhereTheKeysSteer) {
    stopSpawning();
    key(GLFW_KEY_D, true);
    step(kFramesPerSecond);
    EXPECT_GT(shipPosition().x, 150.0f);
    EXPECT_NEAR(shipPosition().y, 0.0f, 1.0f);

    key(GLFW_KEY_D, false);
    key(GLFW_KEY_W, true);
    step(kFramesPerSecond);
    key(GLFW_KEY_W, false);
    EXPECT_GT(shipPosition().y, 100.0f);
    EXPECT_GT(game->getShip().getOrientation(), 1.4f) << "turned to face up";

    step(3 * kFramesPerSecond);
    const vec2 resting = shipPosition();
    step(kFramesPerSecond);
    EXPECT_LT(glm::length(shipPosition() - resting), 5.0f) << "drag brings the released ship to rest";
}

TEST_F(CollectorGameTest, HoldsTheShipInsideTheRing) {
    stopSpawning();
    key(GLFW_KEY_A, true);
    step(5 * kFramesPerSecond);
    EXPECT_NEAR(glm::length(shipPosition()), CollectorGame::kFieldRadius, 0.01f);
    key(GLFW_KEY_A, false);
    step(kFramesPerSecond);
    EXPECT_LE(glm::length(shipPosition()), CollectorGame::kFieldRadius + 0.01f);
    EXPECT_NEAR(glm::length(game->getShip().getComponent<PhysicsComponent>().velocity), 0.0f, 1.0f)
        << "pressing against the rim leaves no outward speed";
}

TEST_F(CollectorGameTest, IgnoresTheSteeringKeysWhileAModifierIsHeld) {
    stopSpawning();
    game->handleKey(GLFW_KEY_D, 0, GLFW_PRESS, GLFW_MOD_CONTROL);
    step(kFramesPerSecond);
    EXPECT_EQ(shipPosition(), vec2(0.0f));
}

TEST_F(CollectorGameTest, EscapeEndsTheGame) {
    GLFWwindow* window = glfwGetCurrentContext();
    ASSERT_FALSE(glfwWindowShouldClose(window));
    game->handleKey(GLFW_KEY_ESCAPE, 0, GLFW_PRESS, 0);
    EXPECT_TRUE(glfwWindowShouldClose(window));
}

TEST_F(CollectorGameTest, RunsFramesOnTheDisplayUntilEscape) {
    GLFWwindow* window = glfwGetCurrentContext();
    key(GLFW_KEY_W, true);
    for (int frame = 0; frame < 30; ++frame) {
        game->update(kFrame);
        game->render();
        glfwSwapBuffers(window);
        glfwPollEvents();
    }
    EXPECT_GT(shipPosition().y, 0.0f);
    game->handleKey(GLFW_KEY_ESCAPE, 0, GLFW_PRESS, 0);
    EXPECT_TRUE(glfwWindowShouldClose(window));
}

} // namespace
} // namespace kv
