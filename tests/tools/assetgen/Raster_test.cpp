#include "tools/assetgen/Raster.hpp"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(Rasters, BlendOverComposesPremultipliedColours) {
    Raster raster(1, 1);
    raster.blend(0, 0, vec4(0, 0, 1, 1));
    raster.blend(0, 0, vec4(0.5f, 0, 0, 0.5f));
    EXPECT_EQ(raster.at(0, 0), vec4(0.5f, 0, 0.5f, 1));
}

TEST(Rasters, WriteStraightAlphaBytes) {
    Raster raster(1, 1);
    raster.at(0, 0) = vec4(0.5f, 0.25f, 0, 0.5f);
    const std::vector<std::uint8_t> bytes = raster.toRgba8();
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{255, 128, 0, 128}));
}

TEST(Rasters, GiveTransparentPixelsTheColourOfTheirVisibleNeighbours) {
    // Without this, filtering in the game would blend the edges of a sprite towards black.
    Raster raster(4, 1);
    raster.at(0, 0) = vec4(1, 0, 0, 1);
    const std::vector<std::uint8_t> bytes = raster.toRgba8();
    for (int x = 1; x < 4; ++x) {
        EXPECT_EQ(bytes[x * 4 + 0], 255) << "pixel " << x;
        EXPECT_EQ(bytes[x * 4 + 1], 0) << "pixel " << x;
        EXPECT_EQ(bytes[x * 4 + 3], 0) << "pixel " << x << " stays transparent";
    }
}

} // namespace
} // namespace kv
