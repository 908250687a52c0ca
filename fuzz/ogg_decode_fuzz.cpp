// Writes arbitrary bytes to a sound file and decodes it the way the sound manager does. Whatever decodes
// must hold every sample it claims, as the manager hands them all to OpenAL.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "engine/sound/SoundDecoder.hpp"

namespace {

std::string soundPath;

void removeSound() { std::remove(soundPath.c_str()); }

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    soundPath = (std::filesystem::temp_directory_path() / ("vantor-fuzz-sound-" + std::to_string(::getpid()) + ".ogg"))
                    .string();
    std::atexit(removeSound);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(soundPath.c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        std::abort();
    }
    const kv::DecodedSound sound = kv::decodeOggVorbisFile(soundPath);
    if (!sound.loaded) {
        return 0;
    }
    if (sound.channels < 1 || sound.frames < 0 ||
        sound.samples.size() != static_cast<std::size_t>(sound.frames) * static_cast<std::size_t>(sound.channels)) {
        std::abort();
    }
    const std::size_t count = static_cast<std::size_t>(sound.frames) * static_cast<std::size_t>(sound.channels);
    volatile int sum = 0;
    for (std::size_t i = 0; i < count; i += 64) {
        sum = sum + sound.samples[i];
    }
    if (count > 0) {
        sum = sum + sound.samples[count - 1];
    }
    return 0;
}
