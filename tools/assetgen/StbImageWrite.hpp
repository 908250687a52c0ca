// The PNG writer of stb_image_write, compiled in its own translation unit so that its many warnings and
// symbols stay out of the rest of the generator.
#pragma once

namespace kv {

// Returns 0 on failure, like stbi_write_png.
int writePngFile(const char* path, int width, int height, int components, const void* pixels,
                 int strideBytes);

} // namespace kv
