// A preview picture of all generated art on a dark background, so that a person can judge it at a glance.
#pragma once

#include <vector>

#include "tools/assetgen/ExplosionSheet.hpp"
#include "tools/assetgen/FontBaker.hpp"
#include "tools/assetgen/Raster.hpp"
#include "tools/assetgen/SpriteArt.hpp"

namespace kv {

struct ExplosionArt {
    ExplosionStyle style;
    Raster sheet;
};

// Top row: the sprites at their in-game size (one pixel per game unit) as the game tints them, the turret on
// the hull and the core on the mothership. Second row: the small ships at twice that size, untinted. Then a
// row of frames of each explosion at half size, and some frames of the large one at full size.
// With a font, lines of text drawn from its distance field at 20 to 60 pixels are added at the bottom.
Raster paintContactSheet(const std::vector<SpriteImage>& sprites, const std::vector<ExplosionArt>& explosions,
                         const FontBaker* font);

} // namespace kv
