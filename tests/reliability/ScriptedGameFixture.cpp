#include "reliability/ScriptedGameFixture.hpp"

#include <algorithm>
#include <bit>
#include <map>
#include <vector>

#include "engine/components/HealthAndScore.hpp"
#include "engine/core/EntityComponent.hpp"
#include "game/GameState.hpp"
#include "game/VantorGui.hpp"
#include "support/GameWorkingDirectory.hpp"
#include "support/GlTestContext.hpp"

namespace kv {

namespace {
constexpr int kFullScreenPolls = 500;    // a bound on a hang, not a wait
constexpr double kFullScreenPoll = 0.01; // seconds
constexpr int kPointAttempts = 600;      // frames a button may take to be hovered
constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;
// No health component: a value no health can take, so that "none" and "0" differ.
constexpr std::uint32_t kNoHealth = 0xffffffffu;

void mix(std::uint64_t& hash, std::uint32_t word) {
    for (int byte = 0; byte < 4; ++byte) {
        hash ^= (word >> (8 * byte)) & 0xffu;
        hash *= kFnvPrime;
    }
}

std::uint32_t bitsOf(float value) {
    return std::bit_cast<std::uint32_t>(value);
}
} // namespace

std::set<int> ScriptedGameFixture::heldKeys;
vec2 ScriptedGameFixture::pointer;

extern "C" int __wrap_glfwGetKey(GLFWwindow*, int key) {
    return ScriptedGameFixture::heldKeys.count(key) != 0 ? GLFW_PRESS : GLFW_RELEASE;
}

extern "C" void __wrap_glfwGetCursorPos(GLFWwindow*, double* x, double* y) {
    *x = ScriptedGameFixture::pointer.x;
    *y = ScriptedGameFixture::pointer.y;
}

void ScriptedGameFixture::SetUp() {
    previousDirectory = std::filesystem::current_path();
    workingDirectory.emplace("vantor-reliability");
    testsupport::linkAssetFolders(workingDirectory->path());
    std::filesystem::current_path(workingDirectory->path());
    testsupport::resetGameState();
    heldKeys.clear();
    pointer = vec2(0.0f);
    game = std::make_unique<ArcadeStyleShooterGame>();
    game->load();
    frame();
    // Full screen is confirmed asynchronously; every later frame must see the same framebuffer.
    const GLFWvidmode* mode = glfwGetVideoMode(glfwGetPrimaryMonitor());
    for (int poll = 0; poll < kFullScreenPolls; ++poll) {
        if (game->getGuiCamera().bufferWidth == static_cast<float>(mode->width) &&
            game->getGuiCamera().bufferHeight == static_cast<float>(mode->height)) {
            break;
        }
        glfwWaitEventsTimeout(kFullScreenPoll);
    }
}

void ScriptedGameFixture::TearDown() {
    game.reset();
    std::filesystem::current_path(previousDirectory);
    workingDirectory.reset();
}

void ScriptedGameFixture::frame() {
    game->update(frames == 0 ? 0.0f : kStep);
    game->render();
    glfwSwapBuffers(game->getWindow());
    glfwPollEvents();
    ++frames;
    afterFrame();
}

void ScriptedGameFixture::hold(int key, bool down) {
    if (down) {
        heldKeys.insert(key);
    } else {
        heldKeys.erase(key);
    }
}

void ScriptedGameFixture::mouse(int button, int action) {
    Game::handleMouseButtonStatic(game->getWindow(), button, action, 0);
}

void ScriptedGameFixture::pressKey(int key) {
    Game::handleKeyStatic(game->getWindow(), key, 0, GLFW_PRESS, 0);
}

bool ScriptedGameFixture::chooseAndStart(GlLabelButton& mainWeapon, GlLabelButton& secondaryWeapon) {
    for (GlLabelButton* button : {&mainWeapon, &secondaryWeapon, &game->getMenu().startButton}) {
        for (int attempt = 0; attempt == 0 || (!button->isHovered() && attempt < kPointAttempts); ++attempt) {
            pointer = test::windowPointOf(game->getMenu().getCamera(), button->label.position);
            frame();
        }
        mouse(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS);
        mouse(GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE);
        frame();
    }
    return !mainMenuActive;
}

bool ScriptedGameFixture::playerAlive() {
    return !game->getTaggedRegistry().getActiveEntities(kTagPlayer).empty();
}

std::uint64_t ScriptedGameFixture::playStateHash() {
    std::map<const GameEntity*, std::uint32_t> health;
    for (HealthComponent* component : game->getComponentRegistry().getComponents<HealthComponent>()) {
        health[&component->entity] = bitsOf(component->health);
    }
    std::vector<std::vector<std::uint32_t>> records;
    for (const GameEntity* entity : game->getTaggedRegistry().getEntities(0)) {
        const auto found = health.find(entity);
        std::vector<std::uint32_t> record{bitsOf(entity->getPosition().x), bitsOf(entity->getPosition().y),
                                          bitsOf(entity->getOrientation()), entity->isActive() ? 1u : 0u,
                                          found == health.end() ? kNoHealth : found->second};
        for (int tag : entity->getTags()) {
            record.push_back(static_cast<std::uint32_t>(tag));
        }
        records.push_back(std::move(record));
    }
    std::sort(records.begin(), records.end());
    std::uint64_t hash = kFnvOffset;
    mix(hash, static_cast<std::uint32_t>(records.size()));
    for (const auto& record : records) {
        mix(hash, static_cast<std::uint32_t>(record.size()));
        for (std::uint32_t word : record) {
            mix(hash, word);
        }
    }
    for (int value : {playerScore, playerHighScore, mainMenuActive ? 1 : 0}) {
        mix(hash, static_cast<std::uint32_t>(value));
    }
    return hash;
}

std::size_t ScriptedGameFixture::entityCount() {
    return game->getTaggedRegistry().getEntities(0).size();
}

std::size_t ScriptedGameFixture::componentCount() {
    return game->getComponentRegistry().getComponents<EntityComponent>().size();
}

} // namespace kv
