#include "tools/assetgen/Synth.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kv {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// Correction of a discontinuity at phase 0 for an oscillator that advances `step` cycles per sample.
float polyBlep(float phase, float step) {
    if (phase < step) {
        const float t = phase / step;
        return t + t - t * t - 1.0f;
    }
    if (phase > 1.0f - step) {
        const float t = (phase - 1.0f) / step;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

} // namespace

float midiToHz(float note) {
    return 440.0f * std::pow(2.0f, (note - 69.0f) / 12.0f);
}

int secondsToSamples(float seconds) {
    return static_cast<int>(std::lround(seconds * kSampleRate));
}

float Oscillator::advance(float frequency) {
    const float current = phase;
    phase += frequency / kSampleRate;
    phase -= std::floor(phase);
    return current;
}

float Oscillator::sine(float frequency) {
    return std::sin(2.0f * kPi * advance(frequency));
}

float Oscillator::saw(float frequency) {
    const float step = frequency / kSampleRate;
    const float p = advance(frequency);
    return 2.0f * p - 1.0f - polyBlep(p, step);
}

float Oscillator::pulse(float frequency, float width) {
    const float step = frequency / kSampleRate;
    const float p = advance(frequency);
    float value = p < width ? 1.0f : -1.0f;
    value += polyBlep(p, step);
    float falling = p - width;
    falling -= std::floor(falling);
    value -= polyBlep(falling, step);
    return value;
}

float Oscillator::triangle(float frequency) {
    const float p = advance(frequency);
    return 1.0f - 4.0f * std::abs(p - 0.5f);
}

StateVariableFilter::Output StateVariableFilter::process(float input, float cutoff, float resonance) {
    const float limited = std::clamp(cutoff, 10.0f, 0.45f * kSampleRate);
    const float g = std::tan(kPi * limited / kSampleRate);
    const float k = 1.0f / resonance;
    const float a1 = 1.0f / (1.0f + g * (g + k));
    const float a2 = g * a1;
    const float a3 = g * a2;
    const float v3 = input - state2;
    const float v1 = a1 * state1 + a2 * v3;
    const float v2 = state2 + a2 * state1 + a3 * v3;
    state1 = 2.0f * v1 - state1;
    state2 = 2.0f * v2 - state2;
    return {v2, v1, input - k * v1 - v2};
}

float decay(float time, float timeConstant) {
    return std::exp(-time / timeConstant);
}

float attackRamp(float time, float attack) {
    if (time >= attack) {
        return 1.0f;
    }
    const float t = std::max(time, 0.0f) / attack;
    return t * t * (3.0f - 2.0f * t);
}

void fadeEdges(Signal& signal, float fadeInSeconds, float fadeOutSeconds) {
    const int count = static_cast<int>(signal.size());
    const int fadeIn = std::min(count, secondsToSamples(fadeInSeconds));
    const int fadeOut = std::min(count, secondsToSamples(fadeOutSeconds));
    for (int i = 0; i < fadeIn; ++i) {
        signal[static_cast<std::size_t>(i)] *= 0.5f - 0.5f * std::cos(kPi * static_cast<float>(i) / fadeIn);
    }
    for (int i = 0; i < fadeOut; ++i) {
        signal[static_cast<std::size_t>(count - 1 - i)] *=
            0.5f - 0.5f * std::cos(kPi * static_cast<float>(i) / fadeOut);
    }
}

float peakOf(const std::vector<Signal>& channels) {
    float peak = 0.0f;
    for (const Signal& channel : channels) {
        for (float sample : channel) {
            peak = std::max(peak, std::abs(sample));
        }
    }
    return peak;
}

void normalizeTo(std::vector<Signal>& channels, float peak) {
    const float current = peakOf(channels);
    if (current <= 0.0f) {
        return;
    }
    const float gain = peak / current;
    for (Signal& channel : channels) {
        for (float& sample : channel) {
            sample *= gain;
        }
    }
}

float saturate(float sample, float drive) {
    return std::tanh(sample * drive) / std::tanh(drive);
}

} // namespace kv
