#include "engine/sound/SoundDecoder.hpp"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tools/assetgen/VorbisWriter.hpp"

namespace kv {
namespace {

namespace fs = std::filesystem;

const std::string kMusicFile = std::string(VANTOR_RUNTIME_DIR) + "/sounds/220332_r-tamosk_vel-23022014-game-loop-3.ogg";

// A stereo tone at half scale, written by the asset generator's encoder. In the host's byte order its peaks
// are at half scale; swapped bytes would read as noise.
TEST(SoundDecoder, DecodesEveryFrameOfAStereoToneInTheHostsByteOrder) {
    constexpr int kFrames = 11025;
    constexpr float kHalfScale = 0.5f;
    constexpr float kToneHz = 440.0f;
    Signal tone(kFrames);
    Oscillator oscillator;
    for (float& sample : tone) {
        sample = kHalfScale * oscillator.sine(kToneHz);
    }
    const fs::path path = fs::temp_directory_path() / ("kv_tone_" + std::to_string(::getpid()) + ".ogg");
    writeOggVorbis(path.string(), {tone, tone}, 0.6f);
    const DecodedSound sound = decodeOggVorbisFile(path.string());
    fs::remove(path);
    ASSERT_TRUE(sound.loaded);
    EXPECT_EQ(sound.channels, 2);
    EXPECT_EQ(sound.sampleRate, kSampleRate);
    EXPECT_EQ(sound.frames, kFrames);
    EXPECT_EQ(sound.samples.size(), 2u * kFrames);
    constexpr double kFullScale = 32767.0;
    const auto [low, high] = std::minmax_element(sound.samples.begin(), sound.samples.end());
    EXPECT_NEAR(*high / kFullScale, kHalfScale, 0.05);
    EXPECT_NEAR(*low / kFullScale, -kHalfScale, 0.05);
}

TEST(SoundDecoder, MissingEmptyForeignAndCutFilesGiveNoSamples) {
    const fs::path directory = fs::temp_directory_path() / ("kv_sound_decoder_" + std::to_string(::getpid()));
    fs::create_directories(directory);
    std::ifstream music(kMusicFile, std::ios::binary);
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

// Streamed in blocks of odd sizes across three ends of the music, it gives the whole file's samples over
// and over, nothing between; restarted, its start again. Missing and foreign files do not open.
TEST(LoopingOggVorbisStream, LoopsSeamlesslyAndRestartsAtTheStart) {
    const DecodedSound whole = decodeOggVorbisFile(kMusicFile);
    ASSERT_TRUE(whole.loaded);
    LoopingOggVorbisStream stream(kMusicFile);
    ASSERT_TRUE(stream.isOpen());
    ASSERT_EQ(stream.getChannels(), whole.channels);
    EXPECT_EQ(stream.getSampleRate(), whole.sampleRate);
    const std::size_t channels = static_cast<std::size_t>(whole.channels);
    const std::size_t total = 3 * whole.samples.size() + 1000 * channels;
    std::vector<short> read(total);
    for (std::size_t frames = 0, block = 777; frames * channels < total; block = block * 3 % 40009 + 1) {
        const std::size_t wanted = std::min(block, total / channels - frames);
        ASSERT_EQ(stream.read(read.data() + frames * channels, wanted), wanted);
        frames += wanted;
    }
    for (std::size_t i = 0; i < total; ++i) {
        ASSERT_EQ(read[i], whole.samples[i % whole.samples.size()]) << "sample " << i;
    }
    stream.rewind();
    ASSERT_EQ(stream.read(read.data(), 10), 10u);
    EXPECT_TRUE(std::equal(read.begin(), read.begin() + 10 * channels, whole.samples.begin()));
    EXPECT_FALSE(LoopingOggVorbisStream(kMusicFile + ".missing").isOpen());
    EXPECT_FALSE(LoopingOggVorbisStream(std::string(VANTOR_SOURCE_DIR) + "/CMakeLists.txt").isOpen());
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
