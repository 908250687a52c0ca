#include "tools/assetgen/SoundEffects.hpp"

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

constexpr float kGunshotSeconds = 0.15f;
constexpr float kExplosionSeconds = 1.8f;
constexpr float kBoomSeconds = 1.0f;
constexpr float kChimeSeconds = 0.35f;
constexpr float kChimeSecondNote = 0.07f; // seconds after the first
constexpr float kLeadInSeconds = 0.004f;

float timeOf(int sample) {
    return static_cast<float>(sample) / kSampleRate;
}

Signal finish(Signal signal, float fadeOutSeconds) {
    // Two milliseconds in, a longer fade out: neither end of a sound may click.
    fadeEdges(signal, 0.002f, fadeOutSeconds);
    // A moment of silence ahead of the attack keeps the encoder's pre-echo away from the first sample.
    signal.insert(signal.begin(), static_cast<std::size_t>(secondsToSamples(kLeadInSeconds)), 0.0f);
    std::vector<Signal> channels{std::move(signal)};
    normalizeTo(channels, kTargetPeak);
    return std::move(channels.front());
}

} // namespace

Signal synthesizeGunshot() {
    Signal signal(static_cast<std::size_t>(secondsToSamples(kGunshotSeconds)));
    Oscillator body;
    Noise noise(0x6A11u);
    StateVariableFilter thump;
    StateVariableFilter tail;
    StateVariableFilter tone;
    for (std::size_t i = 0; i < signal.size(); ++i) {
        const float t = timeOf(static_cast<int>(i));
        const float white = noise.next();
        // A pitch-dropping sine gives the punch; filtered noise the muffled report.
        const float drop = body.sine(55.0f + 150.0f * decay(t, 0.012f)) * decay(t, 0.03f) * 0.9f;
        const float report = thump.lowPass(white, 1800.0f) * decay(t, 0.012f) * 0.8f;
        const float rattle = tail.bandPass(white, 520.0f, 0.9f) * decay(t, 0.045f) * 0.35f;
        const float mixed = saturate(drop + report + rattle, 1.5f) * attackRamp(t, 0.0008f);
        // Nothing above a few kHz: heard twenty times a second, brightness turns shrill.
        signal[i] = tone.lowPass(mixed, 3500.0f);
    }
    return finish(std::move(signal), 0.03f);
}

Signal synthesizeExplosion() {
    Signal signal(static_cast<std::size_t>(secondsToSamples(kExplosionSeconds)));
    Oscillator sub;
    Noise noise(0xE8B1u);
    Random crackles(0xC4AC);
    StateVariableFilter crackFilter;
    StateVariableFilter bodyFilter;
    StateVariableFilter rumbleFilter;
    StateVariableFilter crackleFilter;
    float brown = 0.0f;
    for (std::size_t i = 0; i < signal.size(); ++i) {
        const float t = timeOf(static_cast<int>(i));
        const float white = noise.next();
        // Integrated (brown) noise, leaking slowly back to zero so it cannot drift.
        brown = 0.995f * brown + 0.06f * white;
        const float crack = crackFilter.lowPass(white, 5000.0f) * decay(t, 0.025f) * 0.6f;
        const float roar = bodyFilter.lowPass(white, 200.0f + 2200.0f * decay(t, 0.25f), 0.9f) *
                           (0.6f * decay(t, 0.35f) + 0.4f * decay(t, 0.9f)) * 1.1f;
        const float rumble = rumbleFilter.lowPass(brown, 120.0f) * decay(t, 0.8f) * 1.6f;
        const float swell = sub.sine(30.0f + 45.0f * decay(t, 0.2f)) * decay(t, 0.5f) * 0.8f;
        // Sparse crackles of falling debris.
        float impulse = 0.0f;
        if (crackles.uniform() < 0.004f * decay(t, 0.5f)) {
            impulse = crackles.bipolar() * 6.0f;
        }
        const float crackle = crackleFilter.bandPass(impulse, 1300.0f, 3.0f) * 0.25f;
        signal[i] = saturate(crack + roar + rumble + swell + crackle, 1.3f) * attackRamp(t, 0.001f);
    }
    return finish(std::move(signal), 0.4f);
}

Signal synthesizeBoom() {
    Signal signal(static_cast<std::size_t>(secondsToSamples(kBoomSeconds)));
    Oscillator sub;
    Noise noise(0xB0B0u);
    StateVariableFilter bodyFilter;
    StateVariableFilter attackFilter;
    for (std::size_t i = 0; i < signal.size(); ++i) {
        const float t = timeOf(static_cast<int>(i));
        const float white = noise.next();
        const float thud = sub.sine(38.0f + 70.0f * decay(t, 0.06f)) * decay(t, 0.28f);
        const float body =
            bodyFilter.lowPass(white, 120.0f + 600.0f * decay(t, 0.08f)) * decay(t, 0.25f) * 1.4f;
        const float hit = attackFilter.lowPass(white, 2000.0f) * decay(t, 0.01f) * 0.3f;
        signal[i] = saturate(thud + body + hit, 1.6f) * attackRamp(t, 0.001f);
    }
    return finish(std::move(signal), 0.25f);
}

Signal synthesizeChime() {
    Signal signal(static_cast<std::size_t>(secondsToSamples(kChimeSeconds)));
    Oscillator first;
    Oscillator second;
    for (std::size_t i = 0; i < signal.size(); ++i) {
        const float t = timeOf(static_cast<int>(i));
        const float late = std::max(0.0f, t - kChimeSecondNote);
        const float upper = t < kChimeSecondNote ? 0.0f : second.sine(midiToHz(91.0f)) * decay(late, 0.1f);
        signal[i] = (first.sine(midiToHz(84.0f)) * decay(t, 0.06f) + upper * attackRamp(late, 0.002f)) *
                    attackRamp(t, 0.002f);
    }
    return finish(std::move(signal), 0.08f);
}

} // namespace kv
