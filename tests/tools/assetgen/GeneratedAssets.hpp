// Where the build wrote the generated assets, and loaders that read them the way the game does.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace kv {

// The path of a file under the runtime directory, e.g. "sprites/space_ship.png".
std::string assetPath(const std::string& relative);

// RGBA pixels as SOIL loads them for the game: rows from the top of the image.
struct LoadedImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;

    bool loaded() const { return !rgba.empty(); }
    unsigned char alphaAt(int x, int y) const {
        return rgba[(static_cast<std::size_t>(y) * width + x) * 4 + 3];
    }
    const unsigned char* pixel(int x, int y) const {
        return &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
    }
};

// Alpha from which a pixel counts as solid: what the player perceives as the object's extent.
inline constexpr unsigned char kSolid = 128;

// Empty (loaded() false) when SOIL cannot read the file.
LoadedImage loadImage(const std::string& relative);

// The whole file decoded with stb_vorbis into interleaved 16-bit samples, as the sound manager does.
struct DecodedSound {
    int channels = 0;
    int sampleRate = 0;
    int frames = 0; // samples per channel; negative when decoding failed
    std::vector<short> samples;

    short at(int frame, int channel) const {
        return samples[static_cast<std::size_t>(frame) * channels + channel];
    }
    float seconds() const { return static_cast<float>(frames) / static_cast<float>(sampleRate); }
    // The largest magnitude of any sample, 16-bit units.
    int peak() const {
        int largest = 0;
        for (short sample : samples) {
            largest = std::max(largest, std::abs(static_cast<int>(sample)));
        }
        return largest;
    }
};

DecodedSound decodeSound(const std::string& relative);

// Sixteen-bit level of -1 dBFS: no sample may reach it.
inline constexpr int kMinusOneDbfs = 29204;

} // namespace kv
