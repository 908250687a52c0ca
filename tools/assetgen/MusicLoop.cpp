#include "tools/assetgen/MusicLoop.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numbers>

namespace kv {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
static_assert(kSampleRate * 60 % (kMusicTempo * 4) == 0,
              "a sixteenth note must be a whole number of samples");

struct Chord {
    int root; // MIDI note of the bass root
    bool minor;
};

// A minor: two eight-bar verses, then an eight-bar bridge that ends on E to lead back into the start.
constexpr int kA = 33;
constexpr int kC = 36;
constexpr int kE = 28;
constexpr int kF = 29;
constexpr int kG = 31;
constexpr std::array<Chord, kMusicBars> kProgression{{
    {kA, true},  {kF, false}, {kC, false}, {kG, false}, {kA, true},  {kF, false}, {kG, false}, {kE, false},
    {kA, true},  {kF, false}, {kC, false}, {kG, false}, {kA, true},  {kF, false}, {kG, false}, {kE, false},
    {kF, false}, {kC, false}, {kG, false}, {kA, true},  {kF, false}, {kG, false}, {kE, false}, {kE, false},
}};

// The lead plays five notes a bar in a long-long-longer-short-long rhythm (3, 3, 4, 2, 4 sixteenths).
constexpr std::array<int, 5> kLeadRhythm{3, 3, 4, 2, 4};
constexpr std::array<std::array<int, 5>, 16> kLeadMelody{{
    // Second verse.
    {76, 74, 72, 69, 72},
    {72, 69, 65, 69, 72},
    {79, 76, 72, 76, 74},
    {74, 71, 67, 71, 74},
    {76, 79, 81, 79, 76},
    {77, 76, 72, 69, 72},
    {74, 76, 79, 74, 71},
    {71, 68, 64, 68, 71},
    // Bridge.
    {81, 79, 77, 72, 77},
    {79, 76, 72, 76, 79},
    {79, 81, 83, 79, 74},
    {81, 76, 72, 76, 81},
    {84, 81, 77, 81, 84},
    {83, 79, 74, 79, 83},
    {80, 76, 71, 76, 80},
    {83, 80, 76, 71, 68},
}};
constexpr int kLeadFirstBar = 8;

// Arpeggio: chord tones, up and down, an octave and more above the bass.
constexpr std::array<int, 8> kArpeggioOrder{0, 1, 2, 3, 2, 1, 2, 3};

constexpr float kKickLevel = 0.9f;
constexpr float kSnareLevel = 0.5f;
constexpr float kHatLevel = 0.16f;
constexpr float kBassLevel = 0.42f;
constexpr float kArpeggioLevel = 0.16f;
constexpr float kLeadLevel = 0.26f;
constexpr float kPadLevel = 0.08f;

float timeOf(int sample) {
    return static_cast<float>(sample) / kSampleRate;
}

// Mixes voices into a loop; anything that runs past the end continues at the start.
class LoopMixer {
public:
    LoopMixer() : channels(2, Signal(kMusicLoopSamples, 0.0f)) {}

    // `pan` from -1 (left) to 1 (right), constant power.
    void add(int start, const Signal& voice, float gain, float pan) {
        const float angle = (pan + 1.0f) * kPi / 4.0f;
        const float left = gain * std::cos(angle);
        const float right = gain * std::sin(angle);
        for (std::size_t i = 0; i < voice.size(); ++i) {
            const std::size_t at = (static_cast<std::size_t>(start) + i) % kMusicLoopSamples;
            channels[0][at] += voice[i] * left;
            channels[1][at] += voice[i] * right;
        }
    }

    // Ping-pong echo of this mixer's content added onto `target`, again wrapping round the loop.
    void echoInto(LoopMixer& target, int delay, float feedback, int repeats) const {
        float gain = 1.0f;
        for (int repeat = 0; repeat <= repeats; ++repeat) {
            const int crossed = repeat % 2;
            for (std::size_t i = 0; i < kMusicLoopSamples; ++i) {
                const std::size_t at = (i + static_cast<std::size_t>(repeat * delay)) % kMusicLoopSamples;
                target.channels[0][at] += gain * channels[crossed][i];
                target.channels[1][at] += gain * channels[1 - crossed][i];
            }
            gain *= feedback;
        }
    }

    std::vector<Signal> channels;
};

int stepStart(int bar, int step) {
    return (bar * kMusicStepsPerBar + step) * kMusicSamplesPerStep;
}

Signal render(float seconds, const std::function<float(float)>& voice) {
    Signal signal(static_cast<std::size_t>(secondsToSamples(seconds)));
    for (std::size_t i = 0; i < signal.size(); ++i) {
        signal[i] = voice(timeOf(static_cast<int>(i)));
    }
    fadeEdges(signal, 0.0f, 0.005f);
    return signal;
}

Signal kick() {
    Oscillator body;
    Noise click(0x1C1Cu);
    return render(0.35f, [&](float t) {
        const float thump = body.sine(48.0f + 110.0f * decay(t, 0.035f)) * decay(t, 0.16f);
        return saturate(thump + click.next() * decay(t, 0.003f) * 0.3f, 1.4f);
    });
}

Signal snare() {
    Oscillator tone;
    Noise noise(0x5A4Eu);
    StateVariableFilter filter;
    return render(0.25f, [&](float t) {
        const float body = tone.sine(185.0f) * decay(t, 0.05f) * 0.5f;
        const float rattle = filter.highPass(noise.next(), 900.0f) * decay(t, 0.07f);
        return (body + rattle) * attackRamp(t, 0.0005f);
    });
}

Signal hat(float length, float timeConstant) {
    Noise noise(0x4A7u);
    StateVariableFilter filter;
    return render(length, [&, timeConstant](float t) {
        return filter.highPass(noise.next(), 7000.0f) * decay(t, timeConstant) * attackRamp(t, 0.0005f);
    });
}

Signal bassNote(float note, float seconds) {
    Oscillator saw;
    Oscillator sub;
    StateVariableFilter filter;
    const float frequency = midiToHz(note);
    return render(seconds, [&, frequency](float t) {
        const float raw = saw.saw(frequency) * 0.6f + sub.sine(frequency) * 0.5f;
        const float shaped = filter.lowPass(raw, 300.0f + 1400.0f * decay(t, 0.06f), 1.1f);
        return shaped * attackRamp(t, 0.003f) * decay(t, 0.25f);
    });
}

Signal arpeggioNote(float note) {
    Oscillator pulse;
    StateVariableFilter filter;
    const float frequency = midiToHz(note);
    return render(0.18f, [&, frequency](float t) {
        return filter.lowPass(pulse.pulse(frequency, 0.3f), 3200.0f) * attackRamp(t, 0.002f) *
               decay(t, 0.08f);
    });
}

Signal leadNote(float note, float seconds) {
    Oscillator sawA;
    Oscillator sawB(0.37f);
    Oscillator vibrato;
    StateVariableFilter filter;
    constexpr float kRelease = 0.06f;
    return render(seconds + kRelease, [&, note, seconds](float t) {
        // Vibrato fades in after the attack, as a player would add it.
        const float wobble = vibrato.sine(5.5f) * 0.15f * attackRamp(t - 0.1f, 0.15f);
        const float frequency = midiToHz(note + wobble);
        const float raw = sawA.saw(frequency * 1.0035f) + sawB.saw(frequency * 0.9965f);
        const float sustain = 0.7f + 0.3f * decay(t, 0.08f);
        const float release = t < seconds ? 1.0f : 1.0f - (t - seconds) / kRelease;
        return filter.lowPass(raw * 0.5f, 1800.0f + 2400.0f * decay(t, 0.1f), 0.9f) * attackRamp(t, 0.005f) *
               sustain * release;
    });
}

Signal padChord(const Chord& chord, float seconds) {
    std::array<Oscillator, 3> voices{Oscillator(0.0f), Oscillator(0.3f), Oscillator(0.6f)};
    const int third = chord.minor ? 3 : 4;
    const std::array<float, 3> notes{static_cast<float>(chord.root + 24),
                                     static_cast<float>(chord.root + 24 + third),
                                     static_cast<float>(chord.root + 31)};
    return render(seconds, [&, seconds](float t) {
        float sum = 0.0f;
        for (std::size_t i = 0; i < voices.size(); ++i) {
            sum += voices[i].triangle(midiToHz(notes[i]));
        }
        // Swells in and out across the bar.
        const float swell = std::sin(kPi * std::clamp(t / seconds, 0.0f, 1.0f));
        return sum / 3.0f * swell;
    });
}

} // namespace

std::vector<Signal> composeMusicLoop() {
    LoopMixer mix;
    LoopMixer arpeggio;
    const Signal kickVoice = kick();
    const Signal snareVoice = snare();
    const Signal closedHat = hat(0.06f, 0.015f);
    const Signal openHat = hat(0.25f, 0.09f);
    const float stepSeconds = static_cast<float>(kMusicSamplesPerStep) / kSampleRate;
    const float barSeconds = stepSeconds * kMusicStepsPerBar;

    for (int bar = 0; bar < kMusicBars; ++bar) {
        const Chord& chord = kProgression[static_cast<std::size_t>(bar)];
        const bool bridge = bar >= 16;
        const bool lastBar = bar == kMusicBars - 1;

        // Drums: four on the floor, backbeat snare, eighth hats with ghosted sixteenths after the first
        // verse.
        for (int step = 0; step < kMusicStepsPerBar; ++step) {
            const int at = stepStart(bar, step);
            if (step % 4 == 0) {
                mix.add(at, kickVoice, kKickLevel, 0.0f);
            }
            if (step == 4 || step == 12 || (lastBar && step >= 13)) {
                mix.add(at, snareVoice, kSnareLevel * (lastBar && step > 12 ? 0.7f : 1.0f), 0.1f);
            }
            if (step % 2 == 0) {
                mix.add(at, closedHat, kHatLevel, 0.3f);
            } else if (bar >= 8) {
                mix.add(at, closedHat, kHatLevel * 0.45f, 0.3f);
            }
            if (bridge && step % 4 == 2) {
                mix.add(at, openHat, kHatLevel * 0.8f, -0.3f);
            }
        }

        // Bass: driving eighths, jumping between root and octave.
        for (int eighth = 0; eighth < 8; ++eighth) {
            const float note = static_cast<float>(chord.root + (eighth % 2 == 1 ? 12 : 0));
            mix.add(stepStart(bar, eighth * 2), bassNote(note, stepSeconds * 1.7f), kBassLevel, 0.0f);
        }

        // Arpeggio on every sixteenth.
        const int third = chord.minor ? 3 : 4;
        const std::array<int, 4> tones{chord.root + 24, chord.root + 24 + third, chord.root + 31,
                                       chord.root + 36};
        for (int step = 0; step < kMusicStepsPerBar; ++step) {
            const int tone =
                tones[static_cast<std::size_t>(kArpeggioOrder[static_cast<std::size_t>(step % 8)])];
            const float accent = step % 4 == 0 ? 1.0f : 0.7f;
            arpeggio.add(stepStart(bar, step), arpeggioNote(static_cast<float>(tone)),
                         kArpeggioLevel * accent, -0.35f);
        }

        if (bar >= kLeadFirstBar) {
            mix.add(stepStart(bar, 0), padChord(chord, barSeconds), kPadLevel, 0.0f);
            const auto& melody = kLeadMelody[static_cast<std::size_t>(bar - kLeadFirstBar)];
            int step = 0;
            for (std::size_t i = 0; i < melody.size(); ++i) {
                const float seconds = stepSeconds * static_cast<float>(kLeadRhythm[i]) * 0.9f;
                mix.add(stepStart(bar, step), leadNote(static_cast<float>(melody[i]), seconds), kLeadLevel,
                        0.15f);
                step += kLeadRhythm[i];
            }
        }
    }

    // A dotted-eighth ping-pong echo widens the arpeggio across the stereo field.
    constexpr int kEchoSteps = 3;
    arpeggio.echoInto(mix, kEchoSteps * kMusicSamplesPerStep, 0.42f, 5);

    for (Signal& channel : mix.channels) {
        for (float& sample : channel) {
            sample = saturate(sample, 1.2f);
        }
    }
    normalizeTo(mix.channels, kTargetPeak);
    return std::move(mix.channels);
}

} // namespace kv
