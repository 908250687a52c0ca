#include "tools/assetgen/Synth.hpp"

#include <cmath>

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(Synthesis, FadeEdgesStartsAndEndsAtSilence) {
    Signal signal(1000, 1.0f);
    fadeEdges(signal, 0.001f, 0.002f);
    EXPECT_FLOAT_EQ(signal.front(), 0.0f);
    EXPECT_NEAR(signal.back(), 0.0f, 1e-6f);
    EXPECT_FLOAT_EQ(signal[500], 1.0f);
    // Rising smoothly: half way through the fade-in, half the level.
    EXPECT_NEAR(signal[22], 0.5f, 0.05f);
}

TEST(Synthesis, NormalizeScalesAllChannelsByOneFactor) {
    std::vector<Signal> channels{{0.1f, -0.4f}, {0.2f, 0.0f}};
    normalizeTo(channels, 0.8f);
    EXPECT_FLOAT_EQ(channels[0][1], -0.8f);
    EXPECT_FLOAT_EQ(channels[1][0], 0.4f);
    EXPECT_FLOAT_EQ(peakOf(channels), 0.8f);
}

TEST(Synthesis, OscillatorsRunAtTheirFrequency) {
    Oscillator oscillator;
    int upwardCrossings = 0;
    float previous = oscillator.sine(441.0f);
    for (int i = 1; i < kSampleRate; ++i) {
        const float sample = oscillator.sine(441.0f);
        upwardCrossings += previous < 0.0f && sample >= 0.0f ? 1 : 0;
        previous = sample;
    }
    EXPECT_NEAR(upwardCrossings, 441, 1);
}

TEST(Synthesis, LowPassLetsBassThroughAndStopsTreble) {
    auto gainAt = [](float frequency) {
        Oscillator oscillator;
        StateVariableFilter filter;
        float peak = 0.0f;
        for (int i = 0; i < kSampleRate / 10; ++i) {
            const float out = filter.lowPass(oscillator.sine(frequency), 500.0f);
            if (i > kSampleRate / 20) {
                peak = std::max(peak, std::abs(out));
            }
        }
        return peak;
    };
    EXPECT_GT(gainAt(100.0f), 0.9f);
    EXPECT_LT(gainAt(8000.0f), 0.01f);
}

} // namespace
} // namespace kv
