#include "tools/assetgen/MusicLoop.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "tests/tools/assetgen/GeneratedAssets.hpp"

namespace kv {
namespace {

class MusicFile : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        music = new DecodedSound(decodeSound("sounds/220332_r-tamosk_vel-23022014-game-loop-3.ogg"));
    }
    static void TearDownTestSuite() {
        delete music;
        music = nullptr;
    }
    void SetUp() override { ASSERT_GT(music->frames, 0) << "stb_vorbis could not decode the music"; }

    // Root mean square of `count` frames from `first`, as a fraction of full scale.
    static double rms(int first, int count, int channel) {
        double sum = 0.0;
        for (int i = first; i < first + count; ++i) {
            const double sample = music->at(i, channel) / 32768.0;
            sum += sample * sample;
        }
        return std::sqrt(sum / count);
    }

    static DecodedSound* music;
};

DecodedSound* MusicFile::music = nullptr;

TEST_F(MusicFile, IsAStereoLoopOfExactlyTheComposedLengthAt44100HertzAndFullLevel) {
    EXPECT_EQ(music->channels, 2);
    EXPECT_EQ(music->sampleRate, 44100);
    EXPECT_GE(music->seconds(), 30.0f);
    EXPECT_LE(music->seconds(), 60.0f);
    // Any sample more or less would put a gap or a jump into every repetition.
    EXPECT_EQ(music->frames, kMusicLoopSamples);
    EXPECT_LT(music->peak(), kMinusOneDbfs);
    EXPECT_GT(music->peak(), 16384); // -6 dBFS
}

TEST_F(MusicFile, FlowsFromItsLastSampleIntoItsFirstWithoutAJumpOrAGap) {
    const int window = 2205; // 50 ms
    for (int channel = 0; channel < 2; ++channel) {
        // The step across the seam compared with the steps inside the music: a click would stand out.
        std::vector<int> steps;
        for (int i = 1; i < music->frames; ++i) {
            steps.push_back(std::abs(music->at(i, channel) - music->at(i - 1, channel)));
        }
        std::sort(steps.begin(), steps.end());
        const int seamStep = std::abs(music->at(0, channel) - music->at(music->frames - 1, channel));
        EXPECT_LE(seamStep, steps[steps.size() * 99 / 100]) << "channel " << channel;
        // No stretch of near silence at either side of the seam.
        const double middle = rms(music->frames / 2, window, channel);
        EXPECT_GT(rms(0, window, channel), 0.1 * middle) << "channel " << channel;
        EXPECT_GT(rms(music->frames - window, window, channel), 0.1 * middle) << "channel " << channel;
    }
}

TEST_F(MusicFile, UsesBothChannelsDifferently) {
    long long difference = 0;
    for (int i = 0; i < music->frames; ++i) {
        difference += std::abs(music->at(i, 0) - music->at(i, 1));
    }
    EXPECT_GT(difference / music->frames, 100);
}

} // namespace
} // namespace kv
