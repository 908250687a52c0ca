#include "tests/support/PngWriter.hpp"

#include <stdexcept>

// Private to this file: SOIL carries stb functions of its own under the same names.
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace kv::test {

namespace {
constexpr int kChannels = 4; // RGBA
} // namespace

void writePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgba) {
    if (rgba.size() != static_cast<std::size_t>(width * height * kChannels)) {
        throw std::runtime_error("Pixel data doesn't match the image size for " + path);
    }
    if (stbi_write_png(path.c_str(), width, height, kChannels, rgba.data(), width * kChannels) == 0) {
        throw std::runtime_error("Couldn't write test image " + path);
    }
}

std::vector<std::uint8_t> makeCellImage(int width, int height, int cellWidth, int cellHeight,
                                        const std::vector<std::uint32_t>& cellColors) {
    const int columns = width / cellWidth;
    std::vector<std::uint8_t> rgba;
    rgba.reserve(static_cast<std::size_t>(width * height * kChannels));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::size_t cell = static_cast<std::size_t>((y / cellHeight) * columns + x / cellWidth);
            const std::uint32_t color = cell < cellColors.size() ? cellColors[cell] : 0x000000ffu;
            rgba.push_back(static_cast<std::uint8_t>(color >> 24));
            rgba.push_back(static_cast<std::uint8_t>(color >> 16));
            rgba.push_back(static_cast<std::uint8_t>(color >> 8));
            rgba.push_back(static_cast<std::uint8_t>(color));
        }
    }
    return rgba;
}

} // namespace kv::test
