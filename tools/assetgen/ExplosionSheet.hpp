// Animated explosions as sprite sheets of 256 x 256 frames, laid out row by row from the top-left: a small
// bright flash grows into a fireball, breaks into smoke and flying debris, and fades out completely, so the
// end of the animation is not a visible cut.
#pragma once

#include <cstdint>

#include "tools/assetgen/Raster.hpp"

namespace kv {

struct ExplosionStyle {
    int frameCount;
    int columns;
    float fireballRadius; // pixels; the game draws 3 units per pixel
    int sparkCount;
    int debrisCount;
    std::uint32_t seed;
};

// The player ship's and the mothership's explosion: 64 frames on an 8 x 8 sheet.
ExplosionStyle largeExplosion();
// The swarmer's and the diver's: 21 frames on a 7 x 3 sheet.
ExplosionStyle smallExplosion();

inline constexpr int kExplosionFrameSize = 256; // pixels, square

Raster paintExplosionFrame(const ExplosionStyle& style, int frame);
Raster paintExplosionSheet(const ExplosionStyle& style);

} // namespace kv
