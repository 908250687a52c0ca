#include "engine/core/Gamepad.hpp"

namespace kv {

namespace {
constexpr float kTriggerAtRest = -1.0f;
} // namespace

void Gamepad::addMappings(const std::string& mappings) {
    glfwUpdateGamepadMappings(mappings.c_str());
}

GLFWgamepadstate Gamepad::atRest() {
    GLFWgamepadstate state{};
    state.axes[GLFW_GAMEPAD_AXIS_LEFT_TRIGGER] = kTriggerAtRest;
    state.axes[GLFW_GAMEPAD_AXIS_RIGHT_TRIGGER] = kTriggerAtRest;
    return state;
}

Gamepad::Change Gamepad::poll() {
    previous = current;
    if (joystick != kNoJoystick) {
        if (glfwGetGamepadState(joystick, &current) == GLFW_TRUE) {
            return Change::kNone;
        }
        joystick = kNoJoystick;
        current = atRest();
        return Change::kDisconnected;
    }
    for (int candidate = GLFW_JOYSTICK_1; candidate <= GLFW_JOYSTICK_LAST; ++candidate) {
        // Fails for a joystick that is absent or that GLFW has no mapping for.
        if (glfwGetGamepadState(candidate, &current) == GLFW_TRUE) {
            joystick = candidate;
            previous = atRest();
            return Change::kConnected;
        }
    }
    current = atRest();
    return Change::kNone;
}

} // namespace kv
