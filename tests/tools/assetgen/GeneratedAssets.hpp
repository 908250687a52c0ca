// Where the build wrote the generated assets, and readers that take them as the game does.
#pragma once

#include <string>
#include <vector>

#include <SOIL/SOIL.h>

namespace kv {

// The path of a file under the runtime directory, e.g. "sprites/space_ship.png".
inline std::string assetPath(const std::string& relative) {
    return std::string(VANTOR_ASSET_DIR) + "/" + relative;
}

// RGBA pixels as SOIL loads them for the game: rows from the top of the image.
struct LoadedImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;

    bool loaded() const { return !rgba.empty(); }
    const unsigned char* pixel(int x, int y) const {
        return &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
    }
    unsigned char alphaAt(int x, int y) const { return pixel(x, y)[3]; }
};

// Alpha from which a pixel counts as solid: what the player perceives as the object's extent.
inline constexpr unsigned char kSolid = 128;

// Empty (loaded() false) when SOIL cannot read the file.
inline LoadedImage loadImage(const std::string& relative) {
    LoadedImage image;
    unsigned char* pixels =
        SOIL_load_image(assetPath(relative).c_str(), &image.width, &image.height, nullptr, SOIL_LOAD_RGBA);
    if (pixels != nullptr) {
        image.rgba.assign(pixels, pixels + static_cast<std::size_t>(image.width) * image.height * 4);
        SOIL_free_image_data(pixels);
    }
    return image;
}

} // namespace kv
