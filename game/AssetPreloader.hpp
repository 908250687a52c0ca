// Makes the shooter's sound manager (its effects decoded), then decodes its images, on a thread of its own
// from the moment it is made, so that this runs on another core while the window, the context and the
// shaders are made and while the first menu frames are drawn; the uploads stay on the thread of the OpenGL
// context.
#pragma once

#include <atomic>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/render/RgbaImage.hpp"
#include "engine/sound/SoundManager.hpp"

namespace kv {

class AssetPreloader {
public:
    // Makes the sound manager, then decodes the images in the order given, these at a lower priority than
    // the rest of the process: they are needed later. Paths are relative to the working directory at this
    // call.
    explicit AssetPreloader(std::vector<std::string> imagePaths);
    // Stops after the file in hand.
    ~AssetPreloader();
    AssetPreloader(const AssetPreloader&) = delete;
    AssetPreloader& operator=(const AssetPreloader&) = delete;

    // The image at that position of the list, once decoded; throws what decoding it threw (which names
    // the file). Each at most once.
    RgbaImage takeImage(std::size_t index);
    // Whether takeImage(index) would return at once.
    bool isImageReady(std::size_t index) const;
    // The sound manager, once made; throws what making it threw. Once.
    std::unique_ptr<SoundManager> takeSoundManager();

private:
    void run();

    std::vector<std::string> imagePaths;
    std::vector<std::promise<RgbaImage>> images;
    std::promise<std::unique_ptr<SoundManager>> soundManager;
    std::vector<std::future<RgbaImage>> imageResults;
    std::future<std::unique_ptr<SoundManager>> soundManagerResult;
    std::atomic<bool> stopping{false};
    std::thread worker; // last: starts once everything above exists
};

} // namespace kv
