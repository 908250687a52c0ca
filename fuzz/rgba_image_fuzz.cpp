// Writes arbitrary bytes to an image file and loads it through the engine's image loader, as sprites and the
// font page are loaded. An accepted image must own every pixel its size promises; a rejected one must end in
// std::runtime_error.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include "engine/render/RgbaImage.hpp"

namespace {

std::string imagePath;

void removeImage() { std::remove(imagePath.c_str()); }

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    imagePath = (std::filesystem::temp_directory_path() / ("vantor-fuzz-image-" + std::to_string(::getpid()) + ".png"))
                    .string();
    std::atexit(removeImage);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(imagePath.c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        std::abort();
    }
    try {
        const kv::RgbaImage image(imagePath);
        const std::size_t bytes =
            static_cast<std::size_t>(image.getWidth()) * static_cast<std::size_t>(image.getHeight()) * 4;
        // Read the first and last byte of every row, as a texture upload would read them.
        const std::size_t rowBytes = static_cast<std::size_t>(image.getWidth()) * 4;
        volatile unsigned sum = 0;
        for (std::size_t row = 0; row < bytes; row += rowBytes) {
            sum = sum + image.getPixels()[row] + image.getPixels()[row + rowBytes - 1];
        }
    } catch (const std::runtime_error&) {
    }
    return 0;
}
