// Numbers the tests share, one home each: the game's fixed step, the bytes of a pixel read back, and GLFW's
// input codes spelled out, so that the logic tests need no window library.
#pragma once

namespace kv {

inline constexpr float kFrame = 1.0f / 60.0f; // seconds
inline constexpr int kRgbaChannels = 4;       // bytes a pixel in the images written and read back

inline constexpr int kKeyW = 87;
inline constexpr int kKeyS = 83;
inline constexpr int kModShift = 0x0001;
inline constexpr int kModControl = 0x0002;
inline constexpr int kLeftButton = 0;
inline constexpr int kRightButton = 1;

} // namespace kv
