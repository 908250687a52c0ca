// The game's music: a stereo arcade loop (drums, bass, arpeggio, lead) composed from a fixed pattern and
// rendered circularly, so that its end flows into its start without a gap or click.
#pragma once

#include <vector>

#include "tools/assetgen/Synth.hpp"

namespace kv {

inline constexpr int kMusicTempo = 140;      // beats per minute
inline constexpr int kMusicStepsPerBar = 16; // sixteenth notes
inline constexpr int kMusicBars = 24;
// 4725 samples per sixteenth at 140 beats per minute, exactly.
inline constexpr int kMusicSamplesPerStep = kSampleRate * 60 / (kMusicTempo * 4);
inline constexpr int kMusicLoopSamples = kMusicSamplesPerStep * kMusicStepsPerBar * kMusicBars;

// Left and right channels of exactly kMusicLoopSamples each.
std::vector<Signal> composeMusicLoop();

} // namespace kv
