#include "tests/tools/assetgen/GeneratedAssets.hpp"

#include <algorithm>
#include <cstdlib>

#include <SOIL/SOIL.h>

namespace kv {

std::string assetPath(const std::string& relative) {
    return std::string(VANTOR_ASSET_DIR) + "/" + relative;
}

LoadedImage loadImage(const std::string& relative) {
    LoadedImage image;
    unsigned char* pixels =
        SOIL_load_image(assetPath(relative).c_str(), &image.width, &image.height, nullptr, SOIL_LOAD_RGBA);
    if (pixels != nullptr) {
        image.rgba.assign(pixels, pixels + static_cast<std::size_t>(image.width) * image.height * 4);
        SOIL_free_image_data(pixels);
    }
    return image;
}

DecodedSound decodeSound(const std::string& relative) {
    return decodeOggVorbisFile(assetPath(relative));
}

int peakOf(const DecodedSound& sound) {
    int largest = 0;
    for (short sample : sound.samples) {
        largest = std::max(largest, std::abs(static_cast<int>(sample)));
    }
    return largest;
}

} // namespace kv
