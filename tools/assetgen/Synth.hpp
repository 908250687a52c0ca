// Building blocks of the sound synthesis: oscillators, noise, filters, envelopes and level control.
// Everything runs at one sample rate, in floats from -1 to 1.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/assetgen/Random.hpp"

namespace kv {

inline constexpr int kSampleRate = 44100; // Hz

// One channel of samples.
using Signal = std::vector<float>;

float midiToHz(float note);
int secondsToSamples(float seconds);

// A band-limited oscillator (polyBLEP edges), so that bright waves do not alias into whistles.
class Oscillator {
public:
    explicit Oscillator(float startPhase = 0.0f) : phase(startPhase) {}
    // Each call advances by one sample at `frequency` (Hz).
    float sine(float frequency);
    float saw(float frequency);
    // `width` is the fraction of the cycle spent high.
    float pulse(float frequency, float width);
    float triangle(float frequency);

private:
    float advance(float frequency);
    float phase; // cycles, 0 to 1
};

// Topology-preserving state-variable filter; resonance 0.7 is flat, higher values ring.
class StateVariableFilter {
public:
    struct Output {
        float low;
        float band;
        float high;
    };
    Output process(float input, float cutoff, float resonance);
    float lowPass(float input, float cutoff, float resonance = 0.7f) {
        return process(input, cutoff, resonance).low;
    }
    float highPass(float input, float cutoff, float resonance = 0.7f) {
        return process(input, cutoff, resonance).high;
    }
    float bandPass(float input, float cutoff, float resonance = 0.7f) {
        return process(input, cutoff, resonance).band;
    }

private:
    float state1 = 0.0f;
    float state2 = 0.0f;
};

// White noise from a fixed seed.
class Noise {
public:
    explicit Noise(std::uint64_t seed) : random(seed) {}
    float next() { return random.bipolar(); }

private:
    Random random;
};

// exp(-time / timeConstant): 1 at time 0, about 0.37 after one time constant.
float decay(float time, float timeConstant);
// 0 to 1 over `attack` seconds with a smooth start, so a sound never begins with a click.
float attackRamp(float time, float attack);

// Smooth fades at both ends; the first and last samples become exactly 0.
void fadeEdges(Signal& signal, float fadeInSeconds, float fadeOutSeconds);
// Largest absolute sample over all channels.
float peakOf(const std::vector<Signal>& channels);
// Scales all channels together so that their peak is `peak` (linear, 1 = full scale).
void normalizeTo(std::vector<Signal>& channels, float peak);
// Soft saturation that rounds off peaks instead of clipping them.
float saturate(float sample, float drive);

// The level all generated sounds are normalised to: -3 dBFS, leaving room for the lossy encoder's overshoot
// below the -1 dBFS ceiling.
inline constexpr float kTargetPeak = 0.708f;

} // namespace kv
