// The shooter's twin-stick reading of a gamepad: the left stick flies, the right stick aims, the right
// trigger or bumper fires the main weapon and the left ones the secondary.
#pragma once

#include <optional>

#include <glm/vec2.hpp>

namespace kv {

using glm::vec2;

class Gamepad;

// What the pad asks of the ship in one frame. Directions have y upward, like the play field.
struct TwinStick {
    vec2 steer{0.0f};        // as W/A/S/D give it: length 0 to 1
    std::optional<vec2> aim; // unit direction from the ship, while the right stick is deflected
    bool mainFire = false;
    bool secondaryFire = false;
};

// A stick's axes (GLFW's: y downward) as a control of length 0 to 1, y upward: none inside the radial dead
// zone, then growing from nothing at its edge to the full length at full deflection (and beyond, on pads
// whose corners reach further).
vec2 stickControl(float x, float y);

// Nothing pressed while no pad is connected.
TwinStick readTwinStick(const Gamepad& pad);

} // namespace kv
