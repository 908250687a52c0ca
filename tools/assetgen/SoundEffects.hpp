// The game's three sound effects, synthesised in mono: a muffled gunshot, a large explosion and a low boom;
// and the pickup chime of the example game, Collector.
#pragma once

#include "tools/assetgen/Synth.hpp"

namespace kv {

// About 0.15 s. The machine gun plays it 20 times a second, so it is a dull thump rather than a crack.
Signal synthesizeGunshot();
// About 1.8 s: a crack, a roaring body that darkens as it dies away, and a sub-bass swell.
Signal synthesizeExplosion();
// About 1 s: a low, short boom for small ships.
Signal synthesizeBoom();
// About 0.35 s: two bright notes a fifth apart, the second a moment after the first.
Signal synthesizeChime();

} // namespace kv
