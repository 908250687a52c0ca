// Saves the current framebuffer as a PNG file named "screenshot_<n>.png" in the working directory.
#pragma once

#include <string>

namespace kv {

// Reads the whole framebuffer (width x height pixels) from the current read buffer and writes it upright
// as PNG. The number n goes
// up from lastIndex + 1 past every name already taken, so no earlier file is overwritten; lastIndex
// becomes the number used (or tried last). Returns the file name, or "" when nothing could be written.
std::string saveScreenshot(int width, int height, int& lastIndex);

} // namespace kv
