#include "game/TwinStick.hpp"

#include <algorithm>

#include <glm/geometric.hpp>

#include "engine/core/Gamepad.hpp"

namespace kv {

namespace {
constexpr float kStickDeadZone = 0.2f; // deflection that counts as rest, so a worn stick does not drift
constexpr float kTriggerHeld = 0.0f;   // trigger axis beyond half travel
} // namespace

vec2 stickControl(float x, float y) {
    const vec2 deflection(x, -y);
    const float length = glm::length(deflection);
    if (length <= kStickDeadZone) {
        return vec2(0.0f);
    }
    const float strength = (std::min(length, 1.0f) - kStickDeadZone) / (1.0f - kStickDeadZone);
    return deflection * (strength / length);
}

TwinStick readTwinStick(const Gamepad& pad) {
    TwinStick controls;
    controls.steer =
        stickControl(pad.getAxis(GLFW_GAMEPAD_AXIS_LEFT_X), pad.getAxis(GLFW_GAMEPAD_AXIS_LEFT_Y));
    const vec2 aim =
        stickControl(pad.getAxis(GLFW_GAMEPAD_AXIS_RIGHT_X), pad.getAxis(GLFW_GAMEPAD_AXIS_RIGHT_Y));
    if (aim != vec2(0.0f)) {
        controls.aim = glm::normalize(aim);
    }
    controls.mainFire = pad.getAxis(GLFW_GAMEPAD_AXIS_RIGHT_TRIGGER) > kTriggerHeld ||
                        pad.isDown(GLFW_GAMEPAD_BUTTON_RIGHT_BUMPER);
    controls.secondaryFire = pad.getAxis(GLFW_GAMEPAD_AXIS_LEFT_TRIGGER) > kTriggerHeld ||
                             pad.isDown(GLFW_GAMEPAD_BUTTON_LEFT_BUMPER);
    return controls;
}

} // namespace kv
