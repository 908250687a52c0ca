// The generated images as the game loads them: sprites, explosion sheets, the icon, and how rasters are
// saved.
#include "tools/assetgen/ExplosionSheet.hpp"
#include "tools/assetgen/Icon.hpp"
#include "tools/assetgen/Raster.hpp"
#include "tools/assetgen/SoundEffects.hpp"
#include "tools/assetgen/SpriteArt.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/tools/assetgen/GeneratedAssets.hpp"

namespace kv {
namespace {

constexpr int kLeastSoftEdge = 20;            // pixels between transparent and opaque: no jagged edges
constexpr float kLengthTolerance = 0.12f;     // share of the intended length
constexpr float kShipPivot = 0.4f;            // share of the ship image's width the game turns it about
constexpr float kLeastEnemyLightness = 0.45f; // mean of red, green and blue, so that the red tint shows
constexpr float kMostEnemyColour = 0.1f;      // spread of red, green and blue: nearly neutral

struct Extent {
    int left = 1 << 30;
    int right = -1;
    int width() const { return right - left + 1; }
};

Extent solidExtent(const LoadedImage& image) {
    Extent extent;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (image.alphaAt(x, y) >= kSolid) {
                extent.left = std::min(extent.left, x);
                extent.right = std::max(extent.right, x);
            }
        }
    }
    return extent;
}

// Lengths follow the collision circles: the ship and small enemies 100 units, the mothership 300.
struct SpriteFile {
    const char* name;
    float pixelScaleX; // as in the game's sprite table
    float length;      // intended in-game extent along x, game units
    bool enemy;
} const kSprites[] = {{"space_ship.png", 1.0f, 100.0f, false},
                      {"dual_turret.png", 1.0f, 60.0f, false},
                      {"blueshuttlenoweps.png", 0.65f, 100.0f, true},
                      {"bluecargoship.png", 0.3f, 100.0f, true},
                      {"WB_baseu3_d0.png", 0.35f, 300.0f, true},
                      {"WB_base_d0.png", 0.6f, 100.0f, true},
                      {"firebolt.png", 1.0f, 22.0f, false}};

TEST(SpriteFiles, HaveSoftEdgesATransparentBorderTheirLengthInGameAndEnemiesTakeTheTint) {
    for (const SpriteFile& file : kSprites) {
        SCOPED_TRACE(file.name);
        const LoadedImage image = loadImage(std::string("sprites/") + file.name);
        ASSERT_TRUE(image.loaded());
        int partial = 0;
        int border = 0;
        float rgbSum[3] = {0, 0, 0};
        int opaque = 0;
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                const unsigned char* pixel = image.pixel(x, y);
                partial += pixel[3] > 0 && pixel[3] < 255 ? 1 : 0;
                const bool edge = x == 0 || y == 0 || x == image.width - 1 || y == image.height - 1;
                border += edge && pixel[3] != 0 ? 1 : 0;
                for (int c = 0; c < 3 && pixel[3] == 255; ++c) {
                    rgbSum[c] += pixel[c] / 255.0f;
                }
                opaque += pixel[3] == 255 ? 1 : 0;
            }
        }
        EXPECT_GT(partial, kLeastSoftEdge);
        EXPECT_EQ(border, 0);
        EXPECT_NEAR(static_cast<float>(solidExtent(image).width()) * file.pixelScaleX, file.length,
                    kLengthTolerance * file.length);
        if (file.enemy) {
            ASSERT_GT(opaque, 0);
            const auto [least, most] = std::minmax({rgbSum[0], rgbSum[1], rgbSum[2]});
            EXPECT_GT((rgbSum[0] + rgbSum[1] + rgbSum[2]) / 3.0f / opaque, kLeastEnemyLightness);
            EXPECT_LT((most - least) / opaque, kMostEnemyColour);
        }
    }
}

TEST(ShipSprite, TurnsAboutAPointFortyPercentAlongItsLengthWithTheNoseOnTheRight) {
    const LoadedImage image = loadImage("sprites/space_ship.png");
    ASSERT_TRUE(image.loaded());
    const Extent extent = solidExtent(image);
    const float pivot = kShipPivot * static_cast<float>(image.width);
    const float behind = pivot - static_cast<float>(extent.left);
    const float ahead = static_cast<float>(extent.right + 1) - pivot;
    EXPECT_NEAR(behind / (behind + ahead), kShipPivot, 0.05f);
    auto columnHeight = [&](int x) {
        int count = 0;
        for (int y = 0; y < image.height; ++y) {
            count += image.alphaAt(x, y) >= kSolid ? 1 : 0;
        }
        return count;
    };
    EXPECT_LT(columnHeight(extent.right - 5), columnHeight(extent.left + 5)) << "the nose is the narrow end";
}

// The game turns the flame by a quarter of pi: its head must sit towards the bottom-right corner.
TEST(FireboltSprite, Is32PixelsSquareWithItsHeadTowardsTheBottomRightCorner) {
    const LoadedImage image = loadImage("sprites/firebolt.png");
    ASSERT_TRUE(image.loaded());
    EXPECT_EQ(image.width, 32);
    EXPECT_EQ(image.height, 32);
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

constexpr int kFrame = 256;               // pixels, square
constexpr unsigned char kClear = 8;       // alpha below which a frame's edge shows nothing
constexpr float kRadiusTolerance = 0.25f; // share of the intended fireball radius

struct ExplosionFile {
    const char* name;
    int frameCount;
    int width;            // 0: any whole number of columns
    float fireballRadius; // pixels, at the explosion's fullest
} const kExplosions[] = {{"player_ship_explosion.png", 64, 2048, 110.0f},
                         {"enemy1_explosion.png", 21, 0, 60.0f}};

// Frames are read row by row from the top-left, as the game plays them.
TEST(ExplosionFiles, HoldEveryFrameGrowFromAFlashToTheirFireballAndFadeWithinTheirFrames) {
    for (const ExplosionFile& file : kExplosions) {
        SCOPED_TRACE(file.name);
        const LoadedImage image = loadImage(std::string("sprites/") + file.name);
        ASSERT_TRUE(image.loaded());
        ASSERT_EQ(image.width % kFrame, 0);
        ASSERT_EQ(image.height % kFrame, 0);
        if (file.width > 0) {
            EXPECT_EQ(image.width, file.width);
            EXPECT_EQ(image.height, file.width);
        }
        const int columns = image.width / kFrame;
        const int rows = image.height / kFrame;
        EXPECT_GE(columns * rows, file.frameCount);
        EXPECT_LT(columns * (rows - 1), file.frameCount) << "a row without a frame in it";
        std::vector<int> solid;
        for (int frame = 0; frame < file.frameCount; ++frame) {
            const int left = (frame % columns) * kFrame;
            const int top = (frame / columns) * kFrame;
            int count = 0;
            for (int y = top; y < top + kFrame; ++y) {
                for (int x = left; x < left + kFrame; ++x) {
                    count += image.alphaAt(x, y) >= kSolid ? 1 : 0;
                    const bool edge =
                        x == left || y == top || x == left + kFrame - 1 || y == top + kFrame - 1;
                    ASSERT_FALSE(edge && image.alphaAt(x, y) >= kClear) << "frame " << frame << " is cut off";
                }
            }
            solid.push_back(count);
        }
        const auto fullest = std::max_element(solid.begin(), solid.end());
        EXPECT_GT(solid.front(), 0) << "the first frame shows the flash";
        EXPECT_LT(solid.front(), *fullest / 8);
        EXPECT_LT(solid.back(), *fullest / 50);
        EXPECT_LT(fullest - solid.begin(), file.frameCount / 2) << "the fireball burns early";
        const float radius = std::sqrt(static_cast<float>(*fullest) / std::numbers::pi_v<float>);
        EXPECT_NEAR(radius, file.fireballRadius, kRadiusTolerance * file.fireballRadius);
    }
}

TEST(Generators, PaintAndSynthesizeTheSameOnEveryRun) {
    EXPECT_TRUE(paintSwarmer().toRgba8() == paintSwarmer().toRgba8());
    EXPECT_TRUE(paintExplosionFrame(smallExplosion(), 5).toRgba8() ==
                paintExplosionFrame(smallExplosion(), 5).toRgba8());
    EXPECT_TRUE(synthesizeGunshot() == synthesizeGunshot());
    EXPECT_TRUE(synthesizeBoom() == synthesizeBoom());
}

TEST(IconFile, IsTheDesktopThemeSizeAndHoldsTheArtTheGeneratorPaints) {
    const LoadedImage image = loadImage("icons/vantor.png");
    ASSERT_TRUE(image.loaded()) << "SOIL could not load icons/vantor.png";
    EXPECT_EQ(image.width, kIconSize);
    EXPECT_EQ(image.height, kIconSize);
    // Painting is deterministic: the file is what the painter makes now.
    const std::vector<std::uint8_t> painted = paintIcon().toRgba8();
    EXPECT_TRUE(painted == std::vector<std::uint8_t>(image.rgba.begin(), image.rgba.end()));
}

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
