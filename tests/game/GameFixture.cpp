#include "game/GameFixture.hpp"

#include <cstdlib>
#include <filesystem>
#include <vector>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <unistd.h>

#include "engine/components/Motion.hpp"
#include "game/GameState.hpp"
#include "support/GameWorkingDirectory.hpp"
#include "game/VantorGui.hpp"

namespace kv {

namespace fs = std::filesystem;

std::string GameFixture::makeWorkingDirectory() { return testsupport::makeGameWorkingDirectory("vantor-game"); }

void GameFixture::SetUp() {
    previousDirectory = fs::current_path().string();
    workingDirectory = makeWorkingDirectory();
    fs::current_path(workingDirectory);

    testsupport::resetGameState();

    beforeGameStarts();
    game = std::make_unique<ArcadeStyleShooterGame>();
    game->load();
    // The window system confirms full screen asynchronously; let its size events arrive before the test.
    const GLFWvidmode* mode = glfwGetVideoMode(glfwGetPrimaryMonitor());
    int framebufferWidth = 0;
    int framebufferHeight = 0;
    for (int poll = 0; poll < 300; ++poll) {
        glfwWaitEventsTimeout(0.01);
        glfwGetFramebufferSize(game->getWindow(), &framebufferWidth, &framebufferHeight);
        if (framebufferWidth == mode->width && framebufferHeight == mode->height &&
            game->getGuiCamera().bufferWidth == static_cast<float>(mode->width) &&
            game->getGuiCamera().bufferHeight == static_cast<float>(mode->height)) {
            break;
        }
    }
}

void GameFixture::TearDown() {
    game.reset();
    fs::current_path(previousDirectory);
    std::error_code ignored;
    fs::remove_all(workingDirectory, ignored);
}

void GameFixture::step(int frames, float dt) {
    for (int i = 0; i < frames; ++i) {
        game->update(dt);
    }
}

void GameFixture::startGame(int mainWeapon, int secondaryWeapon, bool withWaves) {
    game->getMenu().selectMainWeapon(mainWeapon);
    game->getMenu().selectSecondaryWeapon(secondaryWeapon);
    game->initGame();
    // The turret follows the real pointer, which the window manager's placement of the window moves
    // relative to the game: tests hold the aim fixed along +x instead.
    const auto aims = game->getComponentRegistry().getComponents<OrientTowardsPointComponent>();
    for (OrientTowardsPointComponent* aim : std::vector<OrientTowardsPointComponent*>(aims.begin(), aims.end())) {
        delete aim;
    }
    if (!withWaves) {
        game->getTaggedRegistry().getEntity(kTagWaveDirector).setActive(false);
    }
}

GameEntity& GameFixture::ship() { return game->getTaggedRegistry().getEntity(kTagPlayer); }

GameEntity& GameFixture::placeEnemy(GameEntity* enemy, const vec2& position, float orientation) {
    enemy->setPosition(position);
    enemy->setOrientation(orientation);
    enemy->getComponent<EnemyAiComponent>().aiEnabled = false;
    enemy->getComponent<PhysicsComponent>().velocity = vec2(0.0f);
    return *enemy;
}

void GameFixture::press(int button) { game->handleMouseButton(button, GLFW_PRESS, 0); }

void GameFixture::release(int button) { game->handleMouseButton(button, GLFW_RELEASE, 0); }

int GameFixture::count(int tag) { return static_cast<int>(game->getTaggedRegistry().getEntities(tag).size()); }

} // namespace kv
