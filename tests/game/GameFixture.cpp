#include "game/GameFixture.hpp"

#include <cmath>
#include <cstdlib>

#include "engine/components/Motion.hpp"
#include "support/GlTestContext.hpp"

namespace kv {

namespace {
constexpr int kFullScreenPolls = 6000;   // a bound on a hang, not a wait: a busy window manager is slow
constexpr double kFullScreenPoll = 0.01; // seconds
constexpr int kPointAttempts = 600;      // frames a button may take to be hovered
constexpr int kLegFrames = 90;           // frames of each side of the steered box
constexpr float kAimRadius = 250.0f;     // pixels around the screen centre
constexpr float kAimTurnRate = 0.02f;    // radians per frame
} // namespace

std::set<int> GameFixture::heldKeys;
glm::dvec2 GameFixture::pointer;

extern "C" int __wrap_glfwGetKey(GLFWwindow*, int key) {
    return GameFixture::heldKeys.count(key) != 0 ? GLFW_PRESS : GLFW_RELEASE;
}

extern "C" void __wrap_glfwGetCursorPos(GLFWwindow*, double* x, double* y) {
    *x = GameFixture::pointer.x;
    *y = GameFixture::pointer.y;
}

void GameFixture::SetUp() {
    previousDirectory = std::filesystem::current_path();
    workingDirectory.emplace("vantor-game");
    testsupport::linkAssetFolders(workingDirectory->path());
    std::filesystem::current_path(workingDirectory->path());
    // The shared state as in a fresh program, whose random sequence is that of seed 1.
    std::srand(1);
    mainMenuActive = true;
    deadTime = 0.0f;
    showEscapeLabel = showNewHighScore = false;
    playerScore = playerHighScore = shIndex = 0;
    heldKeys.clear();
    pointer = glm::dvec2(0.0);
    beforeGameStarts();
    game = std::make_unique<ArcadeStyleShooterGame>();
    game->load();
    frame();
    // Full screen is confirmed asynchronously; every later frame must see the same framebuffer.
    const GLFWvidmode* mode = glfwGetVideoMode(glfwGetPrimaryMonitor());
    for (int poll = 0; poll < kFullScreenPolls && (game->getGuiCamera().bufferWidth != float(mode->width) ||
                                                   game->getGuiCamera().bufferHeight != float(mode->height));
         ++poll) {
        glfwWaitEventsTimeout(kFullScreenPoll);
    }
    test::drawOffscreen(mode->width, mode->height);
}

void GameFixture::TearDown() {
    game.reset();
    std::filesystem::current_path(previousDirectory);
}

void GameFixture::step(int count) {
    for (int i = 0; i < count; ++i) {
        game->update(kFrame);
    }
}

void GameFixture::frame() {
    game->update(frames == 0 ? 0.0f : kFrame);
    game->render();
    glfwSwapBuffers(game->getWindow());
    glfwPollEvents();
    ++frames;
    afterFrame();
}

void GameFixture::startGame(int mainWeapon, int secondaryWeapon, bool withWaves) {
    game->getMenu().selectMainWeapon(mainWeapon);
    game->getMenu().selectSecondaryWeapon(secondaryWeapon);
    game->initGame();
    const auto aims = game->getComponentRegistry().getComponents<OrientTowardsPointComponent>();
    while (!aims.empty()) {
        delete *aims.begin();
    }
    game->getTaggedRegistry().getEntity(kTagWaveDirector).setActive(withWaves);
}

void GameFixture::flyScripted(GlLabelButton& mainWeapon, GlLabelButton& secondaryWeapon, long flightFrames,
                              bool untilDestroyed) {
    for (GlLabelButton* button : {&mainWeapon, &secondaryWeapon, &game->getMenu().startButton}) {
        for (int attempt = 0; attempt == 0 || (!button->isHovered() && attempt < kPointAttempts); ++attempt) {
            pointer = glm::dvec2(test::windowPointOf(game->getMenu().getCamera(), button->label.position));
            frame();
        }
        press(GLFW_MOUSE_BUTTON_LEFT);
        release(GLFW_MOUSE_BUTTON_LEFT);
        frame();
    }
    ASSERT_FALSE(mainMenuActive) << "a game started";
    frame();
    for (long n = 0; n < flightFrames && (!untilDestroyed || playerAlive()); ++n) {
        const long leg = (n / kLegFrames) % 4;
        heldKeys = {leg <= 1 ? GLFW_KEY_W : GLFW_KEY_S, leg == 1 || leg == 2 ? GLFW_KEY_D : GLFW_KEY_A};
        const float angle = static_cast<float>(n) * kAimTurnRate;
        const vec2 centre(game->getGuiCamera().bufferWidth * 0.5f, game->getGuiCamera().bufferHeight * 0.5f);
        pointer = glm::dvec2(centre + kAimRadius * vec2(std::cos(angle), std::sin(angle)));
        if (n % 180 == 0 || n % 180 == 120) {
            mouse(GLFW_MOUSE_BUTTON_LEFT, n % 180 == 0 ? GLFW_PRESS : GLFW_RELEASE);
        }
        if (n % 400 == 200 || n % 400 == 230) {
            mouse(GLFW_MOUSE_BUTTON_RIGHT, n % 400 == 200 ? GLFW_PRESS : GLFW_RELEASE);
        }
        frame();
    }
    heldKeys.clear();
    release(GLFW_MOUSE_BUTTON_LEFT);
    release(GLFW_MOUSE_BUTTON_RIGHT);
}

GameEntity& GameFixture::placeEnemy(GameEntity* enemy, const vec2& position, float orientation) {
    enemy->setPosition(position);
    enemy->setOrientation(orientation);
    enemy->getComponent<EnemyAiComponent>().aiEnabled = false;
    enemy->getComponent<PhysicsComponent>().velocity = vec2(0.0f);
    return *enemy;
}

} // namespace kv
