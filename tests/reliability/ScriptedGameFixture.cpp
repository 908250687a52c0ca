#include "reliability/ScriptedGameFixture.hpp"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include <unistd.h>

#include "game/GameState.hpp"
#include "support/GameWorkingDirectory.hpp"
#include "game/VantorGui.hpp"

namespace kv {

namespace fs = std::filesystem;

namespace {
constexpr int kFullScreenPolls = 500;        // 10 ms each: the window manager's answer
constexpr float kHoverTolerance = 0.5f;      // pixels between a point and its round trip
constexpr int kLeftButton = GLFW_MOUSE_BUTTON_LEFT;
} // namespace

void ScriptedGameFixture::SetUp() {
    previousDirectory = fs::current_path().string();
    workingDirectory = testsupport::makeGameWorkingDirectory("vantor-reliability");
    fs::current_path(workingDirectory);
    testsupport::resetGameState();
    player = std::make_unique<ScriptedPlayer>(kStep);
}

void ScriptedGameFixture::TearDown() {
    game.reset();
    player.reset();
    fs::current_path(previousDirectory);
    std::error_code ignored;
    fs::remove_all(workingDirectory, ignored);
}

void ScriptedGameFixture::play(const std::function<bool()>& move) {
    game = std::make_unique<ArcadeStyleShooterGame>();
    bool settled = false;
    player->onPoll = [&] {
        if (!settled) {
            // Full screen is confirmed asynchronously; every later frame must see the same framebuffer.
            const GLFWvidmode* mode = glfwGetVideoMode(glfwGetPrimaryMonitor());
            for (int poll = 0; poll < kFullScreenPolls; ++poll) {
                if (game->getGuiCamera().bufferWidth == static_cast<float>(mode->width) &&
                    game->getGuiCamera().bufferHeight == static_cast<float>(mode->height)) {
                    break;
                }
                glfwWaitEventsTimeout(0.01);
            }
            settled = true;
        }
        if (!move()) {
            game->quit();
        }
    };
    game->start();
    player->onPoll = nullptr;
}

vec2 ScriptedGameFixture::windowPointOf(const OrthoCamera& camera, const vec2& point) {
    const vec2 relative = (point - camera.position) / vec2(camera.halfWidth, camera.halfHeight);
    return vec2((relative.x + 1.0f) * 0.5f * camera.bufferWidth, (1.0f - relative.y) * 0.5f * camera.bufferHeight);
}

void ScriptedGameFixture::pointAt(const GlLabelButton& button) {
    const OrthoCamera& camera = game->getMenu().getCamera();
    const vec2 target = button.label.position;
    const vec2 windowPoint = windowPointOf(camera, target);
    const vec2 back = camera.screenToGameCoordinates(windowPoint);
    if (std::abs(back.x - target.x) > kHoverTolerance || std::abs(back.y - target.y) > kHoverTolerance) {
        throw std::logic_error("the menu camera does not map the button back onto itself");
    }
    player->setCursor(windowPoint);
}

void ScriptedGameFixture::click() {
    ScriptedPlayer::sendMouseButton(game->getWindow(), kLeftButton, GLFW_PRESS);
    ScriptedPlayer::sendMouseButton(game->getWindow(), kLeftButton, GLFW_RELEASE);
}

bool ScriptedGameFixture::playerAlive() {
    return !game->getTaggedRegistry().getActiveEntities(kTagPlayer).empty();
}

PlayScript& PlayScript::then(Step step) {
    steps.push_back(std::move(step));
    return *this;
}

PlayScript& PlayScript::during(int frames, std::function<void(int)> action) {
    return then([frames, action = std::move(action), frame = 0]() mutable {
        action(frame);
        return ++frame >= frames;
    });
}

PlayScript& PlayScript::wait(int frames) {
    return during(frames, [](int) {});
}

PlayScript& PlayScript::once(std::function<void()> action) {
    return then([action = std::move(action)] {
        action();
        return true;
    });
}

PlayScript& PlayScript::waitUntil(std::function<bool()> condition, int limit, const std::string& what) {
    return then([condition = std::move(condition), limit, what, frame = 0]() mutable {
        if (condition()) {
            return true;
        }
        if (++frame > limit) {
            throw std::runtime_error("gave up waiting: " + what);
        }
        return false;
    });
}

bool PlayScript::advance() {
    if (done()) {
        return false;
    }
    if (steps[next]()) {
        ++next;
    }
    return true;
}

} // namespace kv
