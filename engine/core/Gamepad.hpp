// A game controller read through GLFW's gamepad layout: the first connected pad that GLFW has a mapping for.
#pragma once

#include <string>

// GLEW has to come before any other GL header, GLFW's included.
#include <GL/glew.h>
#include <GLFW/glfw3.h>

namespace kv {

// Polled once a frame: poll() takes the first connected joystick that GLFW knows as a gamepad (from the
// mappings it ships and those added with addMappings) and reads its buttons and axes, and tells what changed
// since the poll before. A joystick without a mapping is never taken. Buttons and axes are GLFW's
// GLFW_GAMEPAD_BUTTON_* and GLFW_GAMEPAD_AXIS_* codes; while no pad is connected everything is at rest.
class Gamepad {
public:
    enum class Change { kNone, kConnected, kDisconnected };

    // Adds mappings in SDL's text format (a line per pad) to those GLFW ships; a malformed mapping throws, as
    // every GLFW error does.
    static void addMappings(const std::string& mappings);

    // Reads the pad in use, or takes the first connected one; a pad taken counts as coming from rest, so a
    // button held as it connects reads as pressed, and one that goes away reads as released.
    Change poll();

    bool isConnected() const { return joystick != kNoJoystick; }
    bool isDown(int button) const { return current.buttons[button] == GLFW_PRESS; }
    // Down at this poll, up at the one before.
    bool wasPressed(int button) const { return isDown(button) && previous.buttons[button] != GLFW_PRESS; }
    bool wasReleased(int button) const { return !isDown(button) && previous.buttons[button] == GLFW_PRESS; }
    // Sticks from -1 to 1, right and down positive; triggers from -1 (at rest) to 1 (pulled fully).
    float getAxis(int axis) const { return current.axes[axis]; }

private:
    static constexpr int kNoJoystick = -1;
    static GLFWgamepadstate atRest();

    int joystick = kNoJoystick;
    GLFWgamepadstate current = atRest();
    GLFWgamepadstate previous = atRest();
};

} // namespace kv
