#include "game/GameFixture.hpp"

#include <vector>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "engine/components/Motion.hpp"
#include "game/GameState.hpp"
#include "game/VantorGui.hpp"
#include "support/GameWorkingDirectory.hpp"

namespace kv {

namespace {
constexpr int kFullScreenPolls = 300; // of 10 ms each: a bound on a hang, not a wait
} // namespace

std::set<int> GameFixture::heldKeys;
std::optional<glm::dvec2> GameFixture::pointer;

extern "C" int __wrap_glfwGetKey(GLFWwindow*, int key) {
    return GameFixture::heldKeys.count(key) != 0 ? GLFW_PRESS : GLFW_RELEASE;
}

extern "C" void __wrap_glfwGetCursorPos(GLFWwindow* window, double* x, double* y) {
    glm::dvec2 at = GameFixture::pointer.value_or(glm::dvec2(0.0));
    if (!GameFixture::pointer) {
        int width = 0;
        int height = 0;
        glfwGetWindowSize(window, &width, &height);
        at = 0.5 * glm::dvec2(width, height);
    }
    *x = at.x;
    *y = at.y;
}

void GameFixture::SetUp() {
    previousDirectory = std::filesystem::current_path();
    workingDirectory.emplace("vantor-game");
    testsupport::linkAssetFolders(workingDirectory->path());
    std::filesystem::current_path(workingDirectory->path());
    testsupport::resetGameState();
    heldKeys.clear();
    pointer.reset();
    beforeGameStarts();
    game = std::make_unique<ArcadeStyleShooterGame>();
    game->load();
    // The window system confirms full screen asynchronously; let its size events arrive before the test.
    const GLFWvidmode* mode = glfwGetVideoMode(glfwGetPrimaryMonitor());
    for (int poll = 0; poll < kFullScreenPolls; ++poll) {
        glfwWaitEventsTimeout(0.01);
        if (game->getGuiCamera().bufferWidth == static_cast<float>(mode->width) &&
            game->getGuiCamera().bufferHeight == static_cast<float>(mode->height)) {
            break;
        }
    }
}

void GameFixture::TearDown() {
    game.reset();
    std::filesystem::current_path(previousDirectory);
    workingDirectory.reset();
}

void GameFixture::startGame(int mainWeapon, int secondaryWeapon, bool withWaves) {
    game->getMenu().selectMainWeapon(mainWeapon);
    game->getMenu().selectSecondaryWeapon(secondaryWeapon);
    game->initGame();
    // The turret follows the real pointer, which the window manager's placement of the window moves
    // relative to the game: tests hold the aim fixed along +x instead.
    const auto aims = game->getComponentRegistry().getComponents<OrientTowardsPointComponent>();
    for (OrientTowardsPointComponent* aim :
         std::vector<OrientTowardsPointComponent*>(aims.begin(), aims.end())) {
        delete aim;
    }
    if (!withWaves) {
        game->getTaggedRegistry().getEntity(kTagWaveDirector).setActive(false);
    }
}

GameEntity& GameFixture::ship() {
    return game->getTaggedRegistry().getEntity(kTagPlayer);
}

GameEntity& GameFixture::placeEnemy(GameEntity* enemy, const vec2& position, float orientation) {
    enemy->setPosition(position);
    enemy->setOrientation(orientation);
    enemy->getComponent<EnemyAiComponent>().aiEnabled = false;
    enemy->getComponent<PhysicsComponent>().velocity = vec2(0.0f);
    return *enemy;
}

void GameFixture::press(int button) {
    game->handleMouseButton(button, GLFW_PRESS, 0);
}

void GameFixture::release(int button) {
    game->handleMouseButton(button, GLFW_RELEASE, 0);
}

void GameFixture::fire(int button) {
    press(button);
    step(1);
    release(button);
}

int GameFixture::count(int tag) {
    return static_cast<int>(game->getTaggedRegistry().getEntities(tag).size());
}

} // namespace kv
