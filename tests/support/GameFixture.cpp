#include "support/GameFixture.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <vector>

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
constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;
constexpr std::uint32_t kNoHealth = 0xffffffffu; // a value no health takes, so that "none" and "0" differ
} // namespace

std::set<int> GameFixture::heldKeys;
glm::dvec2 GameFixture::pointer;
std::map<int, std::optional<GLFWgamepadstate>> GameFixture::joysticks;

extern "C" int __wrap_glfwGetKey(GLFWwindow*, int key) {
    return GameFixture::heldKeys.count(key) != 0 ? GLFW_PRESS : GLFW_RELEASE;
}

extern "C" void __wrap_glfwGetCursorPos(GLFWwindow*, double* x, double* y) {
    *x = GameFixture::pointer.x;
    *y = GameFixture::pointer.y;
}

extern "C" int __wrap_glfwGetGamepadState(int joystick, GLFWgamepadstate* state) {
    const auto found = GameFixture::joysticks.find(joystick);
    if (found == GameFixture::joysticks.end() || !found->second) {
        return GLFW_FALSE;
    }
    *state = *found->second;
    return GLFW_TRUE;
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
    joysticks.clear();
    beforeGameStarts();
    game = std::make_unique<ArcadeStyleShooterGame>();
    // Another test's window on the shared display would take the focus: the game hears of focus and
    // minimising only from the test, through its handlers.
    glfwSetWindowFocusCallback(game->getWindow(), nullptr);
    glfwSetWindowIconifyCallback(game->getWindow(), nullptr);
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
        pointer = glm::dvec2(0.5f * framebuffer() + kAimRadius * vec2(std::cos(angle), std::sin(angle)));
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

std::uint64_t GameFixture::playStateHash() {
    std::vector<std::vector<std::uint32_t>> records;
    for (const GameEntity* e : game->getTaggedRegistry().getEntities(0)) {
        records.push_back({std::bit_cast<std::uint32_t>(e->getPosition().x),
                           std::bit_cast<std::uint32_t>(e->getPosition().y),
                           std::bit_cast<std::uint32_t>(e->getOrientation()), e->isActive() ? 1u : 0u,
                           e->countComponents<HealthComponent>() == 0
                               ? kNoHealth
                               : std::bit_cast<std::uint32_t>(e->getComponent<HealthComponent>().health)});
        records.back().insert(records.back().end(), e->getTags().begin(), e->getTags().end());
    }
    std::sort(records.begin(), records.end());
    std::vector<std::uint32_t> words{static_cast<std::uint32_t>(records.size())};
    for (const auto& record : records) {
        words.push_back(static_cast<std::uint32_t>(record.size()));
        words.insert(words.end(), record.begin(), record.end());
    }
    words.insert(words.end(),
                 {std::uint32_t(playerScore), std::uint32_t(playerHighScore), mainMenuActive ? 1u : 0u});
    std::uint64_t hash = kFnvOffset;
    for (std::uint32_t word : words) {
        for (int byte = 0; byte < 4; ++byte) {
            hash = (hash ^ ((word >> (8 * byte)) & 0xffu)) * kFnvPrime;
        }
    }
    return hash;
}

} // namespace kv
