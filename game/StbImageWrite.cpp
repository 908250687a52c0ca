// The PNG writer, compiled here once; Debian's SOIL exports stbi_* symbols of its own, so the shared
// stb library is not linked.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>

namespace kv {

unsigned char* encodePng(const unsigned char* rgba, int width, int height, int* size) {
    return stbi_write_png_to_mem(rgba, width * 4, width, height, 4, size);
}

} // namespace kv
