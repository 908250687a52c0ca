// Angles as the engine measures orientations and turns: radians, in float.
#pragma once

#include <numbers>

namespace kv {

inline constexpr float kPi = std::numbers::pi_v<float>;
inline constexpr float kTwoPi = 2.0f * kPi; // a full turn

} // namespace kv
