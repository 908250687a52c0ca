#include "tools/assetgen/Raster.hpp"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(Rasters, GiveTransparentPixelsTheColourOfTheirVisibleNeighbours) {
    // Without this, filtering in the game would blend the edges of a sprite towards black.
    Raster raster(4, 1);
    raster.at(0, 0) = vec4(1, 0, 0, 1);
    const std::vector<std::uint8_t> bytes = raster.toRgba8();
    for (int x = 1; x < 4; ++x) {
        EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + x * 4, bytes.begin() + x * 4 + 4),
                  (std::vector<std::uint8_t>{255, 0, 0, 0}))
            << "pixel " << x << " takes the red and stays transparent";
    }
}

} // namespace
} // namespace kv
