#include "game/AssetPreloader.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <exception>

namespace kv {

namespace {
// The niceness of the image decoding: the window, the context and the first menu frame, which need none of
// the images, come first on a busy machine; the decoding still gets a share of the processor.
constexpr int kImageNiceness = 10;
} // namespace

AssetPreloader::AssetPreloader(std::vector<std::string> paths)
    : imagePaths(std::move(paths)), images(imagePaths.size()) {
    for (std::promise<RgbaImage>& image : images) {
        imageResults.push_back(image.get_future());
    }
    soundManagerResult = soundManager.get_future();
    worker = std::thread([this] { run(); });
}

AssetPreloader::~AssetPreloader() {
    stopping = true;
    worker.join();
}

void AssetPreloader::run() {
    // Nothing may leave the thread: an exception there would end the process instead of the load.
    try {
        soundManager.set_value(std::make_unique<SoundManager>());
    } catch (...) {
        soundManager.set_exception(std::current_exception());
    }
    // Only advice: at the same priority the images are decoded all the same.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kImageNiceness);
    for (std::size_t i = 0; i < imagePaths.size() && !stopping; ++i) {
        try {
            RgbaImage image(imagePaths[i]);
            images[i].set_value(std::move(image));
        } catch (...) {
            images[i].set_exception(std::current_exception());
        }
    }
}

RgbaImage AssetPreloader::takeImage(std::size_t index) {
    return imageResults.at(index).get();
}

bool AssetPreloader::isImageReady(std::size_t index) const {
    return imageResults.at(index).wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

std::unique_ptr<SoundManager> AssetPreloader::takeSoundManager() {
    return soundManagerResult.get();
}

} // namespace kv
