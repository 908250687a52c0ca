// The generated sounds as the game decodes them: effects and the music loop.
#include "tools/assetgen/MusicLoop.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/sound/SoundDecoder.hpp"

namespace kv {
namespace {

constexpr int kSampleRate = 44100;   // Hz
constexpr int kEdgeSamples = 4;      // a tenth of a millisecond
constexpr int kSilentLevel = 328;    // 1 % of full scale
constexpr int kMinusOneDbfs = 29204; // 16-bit level of -1 dBFS, which no sample may reach
constexpr int kMinusSixDbfs = 16384; // 16-bit level of -6 dBFS, which every sound exceeds

constexpr int kWindow = 2205;                // frames: 50 ms
constexpr double kLeastSeamLevel = 0.1;      // share of the middle's level at either side of the seam
constexpr int kLeastChannelDifference = 100; // mean 16-bit difference between left and right

struct SoundFile {
    const char* path;
    int channels;
    float minSeconds;
    float maxSeconds;
    bool effect; // starts and ends in silence; the music loops instead
} const kSounds[] = {{"sounds/255716_varno12_silenced-pistol-layered-powerful.ogg", 1, 0.1f, 0.25f, true},
                     {"sounds/94185_olm-tarr_explosion.ogg", 1, 1.5f, 2.0f, true},
                     {"sounds/78457_delvo41_bum.ogg", 1, 0.8f, 1.2f, true},
                     {"sounds/220332_r-tamosk_vel-23022014-game-loop-3.ogg", 2, 30.0f, 60.0f, false},
                     {"../examples/collector/sounds/pickup.ogg", 1, 0.3f, 0.4f, true}};

TEST(SoundFiles, DecodeAtTheirLengthAndLevelEffectsStartAndEndWithoutAClickAndTheMusicLoopsSeamlessly) {
    for (const SoundFile& file : kSounds) {
        SCOPED_TRACE(file.path);
        const DecodedSound sound = decodeOggVorbisFile(std::string(VANTOR_ASSET_DIR "/") + file.path);
        ASSERT_TRUE(sound.loaded);
        EXPECT_EQ(sound.channels, file.channels);
        EXPECT_EQ(sound.sampleRate, kSampleRate);
        EXPECT_GE(sound.frames, file.minSeconds * kSampleRate);
        EXPECT_LE(sound.frames, file.maxSeconds * kSampleRate);
        const auto [low, high] = std::minmax_element(sound.samples.begin(), sound.samples.end());
        EXPECT_LT(std::max(-*low, +*high), kMinusOneDbfs);
        EXPECT_GT(std::max(-*low, +*high), kMinusSixDbfs);
        if (file.effect) {
            for (int i = 0; i < kEdgeSamples; ++i) {
                EXPECT_LT(std::abs(sound.samples[i]), kSilentLevel) << "sample " << i;
                EXPECT_LT(std::abs(sound.samples[sound.frames - 1 - i]), kSilentLevel) << "last but " << i;
            }
            continue;
        }
        // Any sample more or less would put a gap or a jump into every repetition.
        EXPECT_EQ(sound.frames, kMusicLoopSamples);
        std::vector<int> waves[2]; // left, right
        long long difference = 0;
        for (std::size_t i = 0; i < sound.samples.size(); ++i) {
            waves[i % 2].push_back(sound.samples[i]);
            difference += i % 2 == 1 ? std::abs(sound.samples[i] - sound.samples[i - 1]) : 0;
        }
        EXPECT_GT(difference / sound.frames, kLeastChannelDifference);
        for (const std::vector<int>& wave : waves) {
            const auto rms = [&](int first) {
                const auto from = wave.begin() + first;
                return std::sqrt(std::inner_product(from, from + kWindow, from, 0.0) / kWindow);
            };
            // The step across the seam compared with the steps inside the music: a click would stand out.
            std::vector<int> steps;
            for (int i = 1; i < sound.frames; ++i) {
                steps.push_back(std::abs(wave[i] - wave[i - 1]));
            }
            std::sort(steps.begin(), steps.end());
            EXPECT_LE(std::abs(wave.front() - wave.back()), steps[steps.size() * 99 / 100]);
            const double least = kLeastSeamLevel * rms(sound.frames / 2); // of the middle's level
            EXPECT_GT(rms(0), least) << "no silence after the seam";
            EXPECT_GT(rms(sound.frames - kWindow), least) << "no silence before it";
        }
    }
}

} // namespace
} // namespace kv
