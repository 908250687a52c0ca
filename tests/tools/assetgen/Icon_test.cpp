#include "tools/assetgen/Icon.hpp"

#include <algorithm>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "tests/tools/assetgen/GeneratedAssets.hpp"

namespace kv {
namespace {

// Light grey and white: the ship's hull, which nothing else in the icon is.
bool isHull(const unsigned char* pixel) {
    return pixel[0] > 150 && pixel[1] > 150 && pixel[2] > 150 && pixel[3] == 255;
}

class IconFile : public ::testing::Test {
protected:
    void SetUp() override {
        image = loadImage("icons/vantor.png");
        ASSERT_TRUE(image.loaded()) << "SOIL could not load icons/vantor.png";
    }
    LoadedImage image;
};

TEST_F(IconFile, IsTheSquareSizeOfTheDesktopIconTheme) {
    EXPECT_EQ(image.width, kIconSize);
    EXPECT_EQ(image.height, kIconSize);
}

TEST_F(IconFile, IsAnOpaqueTileWithRoundedTransparentCorners) {
    const int last = image.width - 1;
    for (const auto& [x, y] : {std::pair{0, 0}, {8, 8}, {last - 8, 8}, {8, last - 8}, {last, last}}) {
        EXPECT_EQ(image.alphaAt(x, y), 0) << x << ", " << y;
    }
    for (const auto& [x, y] : {std::pair{128, 8}, {8, 128}, {128, last - 8}, {last - 8, 128}, {128, 128}}) {
        EXPECT_EQ(image.alphaAt(x, y), 255) << x << ", " << y;
    }
    int opaque = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            opaque += image.alphaAt(x, y) == 255 ? 1 : 0;
        }
    }
    EXPECT_GT(opaque, image.width * image.height * 9 / 10);
}

TEST_F(IconFile, ShowsTheShipLargeAndCentred) {
    long sumX = 0;
    long sumY = 0;
    int count = 0;
    int left = image.width;
    int right = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (isHull(image.pixel(x, y))) {
                sumX += x;
                sumY += y;
                ++count;
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    ASSERT_GT(count, 2000) << "the hull covers a good part of the icon";
    EXPECT_NEAR(static_cast<double>(sumX) / count, 128.0, 24.0);
    EXPECT_NEAR(static_cast<double>(sumY) / count, 128.0, 24.0);
    EXPECT_GT(right - left, image.width / 2) << "readable at small sizes";
}

TEST_F(IconFile, HoldsTheArtTheGeneratorPaintsNow) {
    const std::vector<std::uint8_t> painted = paintIcon().toRgba8();
    ASSERT_EQ(painted.size(), image.rgba.size());
    EXPECT_TRUE(std::equal(painted.begin(), painted.end(), image.rgba.begin()));
}

} // namespace
} // namespace kv
