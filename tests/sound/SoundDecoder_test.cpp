#include "engine/sound/SoundDecoder.hpp"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

namespace kv {
namespace {

namespace fs = std::filesystem;

const std::string kMusic = std::string(VANTOR_RUNTIME_DIR) + "/sounds/220332_r-tamosk_vel-23022014-game-loop-3.ogg";

TEST(SoundDecoder, DecodesEveryFrameOfTheStereoMusic) {
    const DecodedSound sound = decodeOggVorbisFile(kMusic);
    ASSERT_TRUE(sound.loaded);
    EXPECT_EQ(sound.channels, 2);
    EXPECT_GT(sound.frames, 0);
    EXPECT_EQ(sound.samples.size(), 2u * static_cast<std::size_t>(sound.frames));
}

TEST(SoundDecoder, MissingEmptyForeignAndCutFilesGiveNoSamples) {
    const fs::path directory = fs::temp_directory_path() / ("kv_sound_decoder_" + std::to_string(::getpid()));
    fs::create_directories(directory);
    std::ifstream music(kMusic, std::ios::binary);
    const std::string head(std::istreambuf_iterator<char>(music), {});
    const std::pair<const char*, std::string> files[] = {
        {"empty.ogg", ""}, {"text.ogg", "HighScore=1250"}, {"cut.ogg", head.substr(0, 200)}};
    for (const auto& [name, bytes] : files) {
        std::ofstream(directory / name, std::ios::binary) << bytes;
        const DecodedSound sound = decodeOggVorbisFile((directory / name).string());
        EXPECT_FALSE(sound.loaded) << name;
        EXPECT_TRUE(sound.samples.empty()) << name;
    }
    EXPECT_FALSE(decodeOggVorbisFile((directory / "missing.ogg").string()).loaded);
    fs::remove_all(directory);
}

// Files the fuzzer found faults with (writes outside buffers, leaks): never more samples than frames.
TEST(SoundDecoder, FuzzFindingsDecodeSafely) {
    int files = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(VANTOR_SOURCE_DIR) / "fuzz/regressions/ogg_decode")) {
        const DecodedSound sound = decodeOggVorbisFile(entry.path().string());
        EXPECT_EQ(sound.samples.size(), static_cast<std::size_t>(sound.frames * sound.channels)) << entry.path();
        ++files;
    }
    EXPECT_GT(files, 0);
}

} // namespace
} // namespace kv
