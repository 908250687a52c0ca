#include "game/AssetPreloader.hpp"

#include <exception>

#include "engine/sound/SoundManager.hpp"

namespace kv {

AssetPreloader::AssetPreloader(std::vector<std::string> paths)
    : imagePaths(std::move(paths)), images(imagePaths.size()) {
    for (std::promise<RgbaImage>& image : images) {
        imageResults.push_back(image.get_future());
    }
    effectResults = effects.get_future();
    worker = std::thread([this] { run(); });
}

AssetPreloader::~AssetPreloader() {
    stopping = true;
    worker.join();
}

void AssetPreloader::run() {
    for (std::size_t i = 0; i < imagePaths.size() && !stopping; ++i) {
        try {
            RgbaImage image(imagePaths[i]);
            images[i].set_value(std::move(image));
        } catch (...) {
            images[i].set_exception(std::current_exception());
        }
    }
    if (!stopping) {
        // Nothing may leave the thread: an exception there would end the process instead of the load.
        try {
            effects.set_value(SoundManager::decodeEffects());
        } catch (...) {
            effects.set_exception(std::current_exception());
        }
    }
}

RgbaImage AssetPreloader::takeImage(std::size_t index) {
    return imageResults.at(index).get();
}

std::vector<DecodedSound> AssetPreloader::takeEffects() {
    return effectResults.get();
}

} // namespace kv
