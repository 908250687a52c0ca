// Decodes the shooter's images and sound effects on a thread of its own from the moment it is made, so that
// the decoding runs on another core while the window, the context and the shaders are made; the uploads
// stay on the thread of the OpenGL context.
#pragma once

#include <atomic>
#include <future>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/render/RgbaImage.hpp"
#include "engine/sound/SoundDecoder.hpp"

namespace kv {

class AssetPreloader {
public:
    // Decodes the images in the order given, then the effects. Paths are relative to the working
    // directory at this call.
    explicit AssetPreloader(std::vector<std::string> imagePaths);
    // Stops after the file in hand.
    ~AssetPreloader();
    AssetPreloader(const AssetPreloader&) = delete;
    AssetPreloader& operator=(const AssetPreloader&) = delete;

    // The image at that position of the list, once decoded; throws what decoding it threw (which names
    // the file). Each at most once.
    RgbaImage takeImage(std::size_t index);
    // SoundManager::decodeEffects, once done.
    std::vector<DecodedSound> takeEffects();

private:
    void run();

    std::vector<std::string> imagePaths;
    std::vector<std::promise<RgbaImage>> images;
    std::promise<std::vector<DecodedSound>> effects;
    std::vector<std::future<RgbaImage>> imageResults;
    std::future<std::vector<DecodedSound>> effectResults;
    std::atomic<bool> stopping{false};
    std::thread worker; // last: starts once everything above exists
};

} // namespace kv
