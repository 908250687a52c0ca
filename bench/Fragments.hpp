// Where the pixels of a frame go: fragments counted with an occlusion query. With no depth test every
// fragment passes it, so the count is every fragment shaded, the same on every machine.
#pragma once

#include <cstdint>
#include <functional>

#include "bench/BenchGame.hpp"

namespace kv::bench {

// Fragments shaded by the GL calls of draw().
std::uint64_t countFragments(const std::function<void()>& draw);

// The fragments of one late-game frame by kind of visual, each kind drawn alone (fragment counts do not
// depend on the order). "Changing" counts only those whose colour has a non-zero alpha: under the game's
// blending a fragment with alpha 0 leaves its pixel as it was.
struct FragmentBreakdown {
    double total = 0.0;
    double explosions = 0.0;
    double explosionsChanging = 0.0;
    double sprites = 0.0;
    double spritesChanging = 0.0;
    double shapes = 0.0;
    double text = 0.0; // the rest of render(): the HUD and notices
    double screenPixels = 0.0;
};

FragmentBreakdown breakDownFragments(BenchGame& bench);

} // namespace kv::bench
