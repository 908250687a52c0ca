#include "tools/assetgen/MusicLoop.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "tests/tools/assetgen/GeneratedAssets.hpp"

namespace kv {
namespace {

constexpr int kWindow = 2205;                // frames: 50 ms
constexpr double kLeastSeamLevel = 0.1;      // share of the middle's level at either side of the seam
constexpr int kLeastChannelDifference = 100; // mean 16-bit difference between left and right

TEST(MusicFile, LoopsWithoutAJumpOrAGapAndUsesBothChannelsDifferently) {
    const DecodedSound music = decodeSound("sounds/220332_r-tamosk_vel-23022014-game-loop-3.ogg");
    ASSERT_TRUE(music.loaded);
    ASSERT_EQ(music.channels, 2);
    // Any sample more or less would put a gap or a jump into every repetition.
    EXPECT_EQ(music.frames, kMusicLoopSamples);
    auto at = [&](int frame, int channel) {
        return music.samples[static_cast<std::size_t>(frame) * 2 + channel];
    };
    auto rms = [&](int first, int channel) {
        double sum = 0.0;
        for (int i = first; i < first + kWindow; ++i) {
            sum += static_cast<double>(at(i, channel)) * at(i, channel);
        }
        return std::sqrt(sum / kWindow);
    };
    for (int channel = 0; channel < 2; ++channel) {
        // The step across the seam compared with the steps inside the music: a click would stand out.
        std::vector<int> steps;
        for (int i = 1; i < music.frames; ++i) {
            steps.push_back(std::abs(at(i, channel) - at(i - 1, channel)));
        }
        std::sort(steps.begin(), steps.end());
        EXPECT_LE(std::abs(at(0, channel) - at(music.frames - 1, channel)), steps[steps.size() * 99 / 100]);
        const double middle = rms(music.frames / 2, channel);
        EXPECT_GT(rms(0, channel), kLeastSeamLevel * middle) << "no silence after the seam";
        EXPECT_GT(rms(music.frames - kWindow, channel), kLeastSeamLevel * middle) << "no silence before it";
    }
    long long difference = 0;
    for (int i = 0; i < music.frames; ++i) {
        difference += std::abs(at(i, 0) - at(i, 1));
    }
    EXPECT_GT(difference / music.frames, kLeastChannelDifference);
}

} // namespace
} // namespace kv
