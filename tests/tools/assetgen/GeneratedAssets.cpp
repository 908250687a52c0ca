#include "tests/tools/assetgen/GeneratedAssets.hpp"

#include <cstdlib>

#include <SOIL/SOIL.h>
// Debian's stb_vorbis.h carries the decoder's implementation; this file is its one translation unit.
#include <stb_vorbis.h>

namespace kv {

std::string assetPath(const std::string& relative) {
    return std::string(VANTOR_ASSET_DIR) + "/" + relative;
}

LoadedImage loadImage(const std::string& relative) {
    LoadedImage image;
    unsigned char* pixels =
        SOIL_load_image(assetPath(relative).c_str(), &image.width, &image.height, nullptr, SOIL_LOAD_RGBA);
    if (pixels == nullptr) {
        return image;
    }
    image.rgba.assign(pixels, pixels + static_cast<std::size_t>(image.width) * image.height * 4);
    SOIL_free_image_data(pixels);
    return image;
}

DecodedSound decodeSound(const std::string& relative) {
    DecodedSound sound;
    short* samples = nullptr;
    sound.frames =
        stb_vorbis_decode_filename(assetPath(relative).c_str(), &sound.channels, &sound.sampleRate, &samples);
    if (samples != nullptr) {
        if (sound.frames > 0) {
            sound.samples.assign(samples, samples + static_cast<std::size_t>(sound.frames) * sound.channels);
        }
        std::free(samples);
    }
    return sound;
}

} // namespace kv
