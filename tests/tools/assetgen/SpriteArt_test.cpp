#include "tools/assetgen/SpriteArt.hpp"

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "tests/tools/assetgen/GeneratedAssets.hpp"

namespace kv {
namespace {

struct Extent {
    int left = 1 << 30;
    int right = -1;
    int top = 1 << 30;
    int bottom = -1;
    int width() const { return right - left + 1; }
};

Extent solidExtent(const LoadedImage& image) {
    Extent extent;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (image.alphaAt(x, y) >= kSolid) {
                extent.left = std::min(extent.left, x);
                extent.right = std::max(extent.right, x);
                extent.top = std::min(extent.top, y);
                extent.bottom = std::max(extent.bottom, y);
            }
        }
    }
    return extent;
}

struct SpriteFile {
    std::string name;
    float pixelScaleX; // as in the game's sprite table
    float length;      // intended in-game extent along x, game units
};

void PrintTo(const SpriteFile& file, std::ostream* out) {
    *out << file.name;
}

class SpriteFiles : public ::testing::TestWithParam<SpriteFile> {
protected:
    void SetUp() override {
        image = loadImage("sprites/" + GetParam().name);
        ASSERT_TRUE(image.loaded()) << "SOIL could not load " << GetParam().name;
    }
    LoadedImage image;
};

TEST_P(SpriteFiles, HasATransparentBorderAndSoftEdges) {
    int partial = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const unsigned char alpha = image.alphaAt(x, y);
            partial += alpha > 0 && alpha < 255 ? 1 : 0;
            if (x == 0 || y == 0 || x == image.width - 1 || y == image.height - 1) {
                EXPECT_EQ(alpha, 0) << "border pixel " << x << ", " << y;
            }
        }
    }
    EXPECT_GT(partial, 20) << "jagged edges";
}

TEST_P(SpriteFiles, MeasuresItsIntendedLengthInGame) {
    const Extent extent = solidExtent(image);
    ASSERT_GT(extent.width(), 0);
    EXPECT_NEAR(static_cast<float>(extent.width()) * GetParam().pixelScaleX, GetParam().length,
                0.12f * GetParam().length);
}

INSTANTIATE_TEST_SUITE_P(
    Sprites, SpriteFiles,
    // Lengths follow the collision circles: the ship and small enemies 100 units, the mothership 300.
    ::testing::Values(SpriteFile{"space_ship.png", 1.0f, 100.0f}, SpriteFile{"dual_turret.png", 1.0f, 60.0f},
                      SpriteFile{"blueshuttlenoweps.png", 0.65f, 100.0f},
                      SpriteFile{"bluecargoship.png", 0.3f, 100.0f},
                      SpriteFile{"WB_baseu3_d0.png", 0.35f, 300.0f},
                      SpriteFile{"WB_base_d0.png", 0.6f, 100.0f}, SpriteFile{"firebolt.png", 1.0f, 22.0f}),
    [](const ::testing::TestParamInfo<SpriteFile>& info) {
        std::string name = info.param.name.substr(0, info.param.name.find('.'));
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); },
            '_');
        return name;
    });

TEST(ShipSprite, TurnsAboutAPointFortyPercentAlongItsLengthWithTheNoseOnTheRight) {
    const LoadedImage image = loadImage("sprites/space_ship.png");
    ASSERT_TRUE(image.loaded());
    const Extent extent = solidExtent(image);
    // The pivot is at 40 % of the image width; the hull should stretch 40 % behind it and 60 % ahead.
    const float pivot = 0.4f * static_cast<float>(image.width);
    const float behind = pivot - static_cast<float>(extent.left);
    const float ahead = static_cast<float>(extent.right + 1) - pivot;
    EXPECT_NEAR(behind / (behind + ahead), 0.4f, 0.05f);
    auto columnHeight = [&](int x) {
        int count = 0;
        for (int y = 0; y < image.height; ++y) {
            count += image.alphaAt(x, y) >= kSolid ? 1 : 0;
        }
        return count;
    };
    EXPECT_LT(columnHeight(extent.right - 5), columnHeight(extent.left + 5)) << "the nose is the narrow end";
}

TEST(EnemySprites, AreLightAndNearlyNeutralSoThatTheRedTintShows) {
    for (const char* name :
         {"blueshuttlenoweps.png", "bluecargoship.png", "WB_baseu3_d0.png", "WB_base_d0.png"}) {
        const LoadedImage image = loadImage(std::string("sprites/") + name);
        ASSERT_TRUE(image.loaded()) << name;
        double sum[3] = {0, 0, 0};
        int count = 0;
        for (int i = 0; i < image.width * image.height; ++i) {
            if (image.alphaAt(i % image.width, i / image.width) == 255) {
                for (int c = 0; c < 3; ++c) {
                    sum[c] += image.pixel(i % image.width, i / image.width)[c] / 255.0;
                }
                ++count;
            }
        }
        ASSERT_GT(count, 0) << name;
        const double r = sum[0] / count;
        const double g = sum[1] / count;
        const double b = sum[2] / count;
        EXPECT_GT((r + g + b) / 3.0, 0.45) << name;
        EXPECT_LT(std::max({r, g, b}) - std::min({r, g, b}), 0.1) << name;
    }
}

TEST(MothershipCoreSprite, LooksDifferentWhenTurnedSoItsSpinShows) {
    const LoadedImage image = loadImage("sprites/WB_base_d0.png");
    ASSERT_TRUE(image.loaded());
    // Compare the silhouette with itself turned by half a turn and mirrored: a symmetric core would match.
    int solid = 0;
    int turnedMismatch = 0;
    int mirroredMismatch = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const bool here = image.alphaAt(x, y) >= kSolid;
            solid += here ? 1 : 0;
            turnedMismatch += here != (image.alphaAt(image.width - 1 - x, image.height - 1 - y) >= kSolid);
            mirroredMismatch += here != (image.alphaAt(x, image.height - 1 - y) >= kSolid);
        }
    }
    EXPECT_GT(turnedMismatch, solid / 8);
    EXPECT_GT(mirroredMismatch, solid / 8);
}

TEST(FireboltSprite, Is32PixelsSquareWithItsHeadTowardsTheBottomRightCorner) {
    const LoadedImage image = loadImage("sprites/firebolt.png");
    ASSERT_TRUE(image.loaded());
    EXPECT_EQ(image.width, 32);
    EXPECT_EQ(image.height, 32);
    // The head is the most opaque part; rows count downwards, so that corner has the largest x and y.
    double weightedX = 0.0;
    double weightedY = 0.0;
    double total = 0.0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            weightedX += image.alphaAt(x, y) * x;
            weightedY += image.alphaAt(x, y) * y;
            total += image.alphaAt(x, y);
        }
    }
    ASSERT_GT(total, 0.0);
    EXPECT_GT(weightedX / total, 16.5);
    EXPECT_GT(weightedY / total, 16.5);
}

TEST(PaintedArt, IsTheSameOnEveryRun) {
    EXPECT_EQ(paintSwarmer().toRgba8(), paintSwarmer().toRgba8());
}

} // namespace
} // namespace kv
