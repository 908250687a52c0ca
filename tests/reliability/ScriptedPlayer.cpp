#include "reliability/ScriptedPlayer.hpp"

#include <stdexcept>

#include "engine/core/Game.hpp"

extern "C" {
int __real_glfwGetKey(GLFWwindow* window, int key);
void __real_glfwGetCursorPos(GLFWwindow* window, double* x, double* y);
double __real_glfwGetTime();
void __real_glfwPollEvents();
}

namespace kv {

namespace {
ScriptedPlayer* instance = nullptr;
} // namespace

ScriptedPlayer::ScriptedPlayer(float step) : step(step) {
    if (instance != nullptr) {
        throw std::logic_error("only one scripted player at a time");
    }
    instance = this;
}

ScriptedPlayer::~ScriptedPlayer() { instance = nullptr; }

ScriptedPlayer* ScriptedPlayer::current() { return instance; }

void ScriptedPlayer::setKey(int key, bool down) {
    if (down) {
        keysDown.insert(key);
    } else {
        keysDown.erase(key);
    }
}

void ScriptedPlayer::releaseAllKeys() { keysDown.clear(); }

void ScriptedPlayer::setCursor(const glm::vec2& windowPoint) { cursor = windowPoint; }

void ScriptedPlayer::sendKey(GLFWwindow* window, int key, int action) {
    Game::handleKeyStatic(window, key, 0, action, 0);
}

void ScriptedPlayer::sendMouseButton(GLFWwindow* window, int button, int action) {
    Game::handleMouseButtonStatic(window, button, action, 0);
}

// The step is a float widened exactly to double and frame counts stay far below 2^29, so every product is
// exact and each frame's difference narrows back to exactly the step.
double ScriptedPlayer::getTime() const { return static_cast<double>(frame) * step; }

void ScriptedPlayer::advanceFrame() {
    ++frame;
    if (onPoll) {
        onPoll();
    }
}

} // namespace kv

extern "C" {

int __wrap_glfwGetKey(GLFWwindow* window, int key) {
    const kv::ScriptedPlayer* player = kv::ScriptedPlayer::current();
    if (player == nullptr) {
        return __real_glfwGetKey(window, key);
    }
    return player->isKeyDown(key) ? GLFW_PRESS : GLFW_RELEASE;
}

void __wrap_glfwGetCursorPos(GLFWwindow* window, double* x, double* y) {
    const kv::ScriptedPlayer* player = kv::ScriptedPlayer::current();
    if (player == nullptr) {
        __real_glfwGetCursorPos(window, x, y);
        return;
    }
    *x = player->getCursor().x;
    *y = player->getCursor().y;
}

double __wrap_glfwGetTime() {
    const kv::ScriptedPlayer* player = kv::ScriptedPlayer::current();
    return player == nullptr ? __real_glfwGetTime() : player->getTime();
}

// The window system's own events (size changes from the switch to full screen) still arrive.
void __wrap_glfwPollEvents() {
    __real_glfwPollEvents();
    if (kv::ScriptedPlayer* player = kv::ScriptedPlayer::current()) {
        player->advanceFrame();
    }
}

} // extern "C"
