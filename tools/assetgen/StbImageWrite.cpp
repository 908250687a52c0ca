#include "tools/assetgen/StbImageWrite.hpp"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>

namespace kv {

namespace {

// stb's default (8) spends most of the generator's time squeezing the explosion sheets by a few percent.
constexpr int kPngCompressionLevel = 3;
const bool kCompressionLevelSet = (stbi_write_png_compression_level = kPngCompressionLevel, true);

} // namespace

int writePngFile(const char* path, int width, int height, int components, const void* pixels,
                 int strideBytes) {
    return stbi_write_png(path, width, height, components, pixels, strideBytes);
}

} // namespace kv
