#include "tools/assetgen/Icon.hpp"

#include <gtest/gtest.h>

#include "tests/tools/assetgen/GeneratedAssets.hpp"

namespace kv {
namespace {

TEST(IconFile, IsTheDesktopThemeSizeAndHoldsTheArtTheGeneratorPaints) {
    const LoadedImage image = loadImage("icons/vantor.png");
    ASSERT_TRUE(image.loaded()) << "SOIL could not load icons/vantor.png";
    EXPECT_EQ(image.width, kIconSize);
    EXPECT_EQ(image.height, kIconSize);
    // Painting is deterministic: the file is what the painter makes now.
    const std::vector<std::uint8_t> painted = paintIcon().toRgba8();
    EXPECT_TRUE(painted == std::vector<std::uint8_t>(image.rgba.begin(), image.rgba.end()));
}

} // namespace
} // namespace kv
