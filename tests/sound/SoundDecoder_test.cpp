#include "engine/sound/SoundDecoder.hpp"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "support/OggVorbisWriter.hpp"

namespace kv {
namespace {

namespace fs = std::filesystem;

class SoundDecoder : public ::testing::Test {
protected:
    void SetUp() override {
        directory = fs::temp_directory_path() / ("kv_sound_decoder_" + std::to_string(::getpid()));
        fs::create_directories(directory);
    }
    void TearDown() override { fs::remove_all(directory); }

    std::string writeBytes(const std::string& name, const std::string& bytes) {
        const fs::path path = directory / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    fs::path directory;
};

TEST_F(SoundDecoder, DecodesEveryFrameOfAStereoFile) {
    const std::string path = (directory / "tone.ogg").string();
    test::writeOggVorbis(path, 2, 22050, test::sineTone(2, 22050, 11025, 440.0f, 0.5f));
    const DecodedSound sound = decodeOggVorbisFile(path);
    ASSERT_TRUE(sound.loaded);
    EXPECT_EQ(sound.channels, 2);
    EXPECT_EQ(sound.sampleRate, 22050);
    EXPECT_EQ(sound.frames, 11025);
    EXPECT_EQ(sound.samples.size(), 2u * 11025u);
    // In the host's byte order the peaks are the tone's half scale; swapped bytes would read as noise.
    constexpr double kFullScale = 32767.0;
    const auto [low, high] = std::minmax_element(sound.samples.begin(), sound.samples.end());
    EXPECT_NEAR(*high / kFullScale, 0.5, 0.05);
    EXPECT_NEAR(*low / kFullScale, -0.5, 0.05);
}

TEST_F(SoundDecoder, AMissingFileGivesNoSamples) {
    const DecodedSound sound = decodeOggVorbisFile((directory / "missing.ogg").string());
    EXPECT_FALSE(sound.loaded);
    EXPECT_TRUE(sound.samples.empty());
}

TEST_F(SoundDecoder, EmptyAndForeignFilesGiveNoSamples) {
    EXPECT_EQ(decodeOggVorbisFile(writeBytes("empty.ogg", "")).loaded, false);
    EXPECT_EQ(decodeOggVorbisFile(writeBytes("text.ogg", "HighScore=1250")).loaded, false);
}

TEST_F(SoundDecoder, AFileCutInsideItsHeadersGivesNoSamples) {
    const std::string path = (directory / "tone.ogg").string();
    test::writeOggVorbis(path, 1, 22050, test::sineTone(1, 22050, 22050, 440.0f, 0.5f));
    std::ifstream in(path, std::ios::binary);
    std::string head(200, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    EXPECT_EQ(decodeOggVorbisFile(writeBytes("cut.ogg", head)).loaded, false);
}

// Found by fuzzing: a comment header whose vendor length reads as -1 made stb_vorbis write in front of its
// buffer and corrupt the heap.
TEST_F(SoundDecoder, AVendorLengthOfMinusOneIsRejected) {
    const fs::path input = fs::path(VANTOR_SOURCE_DIR) / "fuzz/regressions/ogg_decode/vendor_length_minus_one.ogg";
    ASSERT_TRUE(fs::exists(input));
    EXPECT_EQ(decodeOggVorbisFile(input.string()).loaded, false);
}

// Found by fuzzing: a sparse codebook that fails to set up left stb_vorbis's scratch memory allocated (the
// sanitized build's leak check sees it).
TEST_F(SoundDecoder, ACodebookThatFailsToSetUpLeavesNothingBehind) {
    const fs::path input = fs::path(VANTOR_SOURCE_DIR) / "fuzz/regressions/ogg_decode/sparse_codebook_error_leak.ogg";
    ASSERT_TRUE(fs::exists(input));
    const DecodedSound sound = decodeOggVorbisFile(input.string());
    EXPECT_EQ(sound.samples.size(), static_cast<std::size_t>(sound.frames) * static_cast<std::size_t>(sound.channels));
}

// Found by fuzzing: a file whose headers the reference decoder accepts but whose comment header made
// stb_vorbis read past its packet and write outside its buffers.
TEST_F(SoundDecoder, ACommentHeaderEndingEarlyDecodesSafely) {
    const fs::path input = fs::path(VANTOR_SOURCE_DIR) / "fuzz/regressions/ogg_decode/shift_of_end_of_packet.ogg";
    ASSERT_TRUE(fs::exists(input));
    const DecodedSound sound = decodeOggVorbisFile(input.string());
    EXPECT_EQ(sound.samples.size(), static_cast<std::size_t>(sound.frames) * static_cast<std::size_t>(sound.channels));
}

} // namespace
} // namespace kv
