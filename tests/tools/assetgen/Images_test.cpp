// The generated images as the game loads them: sprites, explosion sheets, the font's page, and how rasters
// are saved.
#include "tools/assetgen/Raster.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/text/GlyphAtlas.hpp"
#include "tests/tools/assetgen/GeneratedAssets.hpp"

namespace kv {
namespace {

constexpr int kLeastSoftEdge = 20;            // pixels between transparent and opaque: no jagged edges
constexpr float kLengthTolerance = 0.12f;     // share of the intended length
constexpr float kShipPivot = 0.4f;            // share of the ship image's width the game turns it about
constexpr float kLeastEnemyLightness = 0.45f; // mean of red, green and blue, so that the red tint shows
constexpr float kMostEnemyColour = 0.1f;      // spread of red, green and blue: nearly neutral

// What the player sees of a rectangle of an image: solid pixels (alpha from kSolid) and their extent across,
// partly transparent ones, the strongest alpha on the rectangle's rim, the mean colour of opaque pixels and
// the alpha-weighted centre.
struct Look {
    int solid = 0;
    int left = 1 << 30;
    int right = -1;
    int partial = 0;
    int rimAlpha = 0;
    int opaque = 0;
    float rgb[3] = {0, 0, 0};
    double alpha = 0, centreX = 0, centreY = 0;
};

Look lookOf(const LoadedImage& image, int left, int top, int width, int height) {
    Look look;
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x) {
            const unsigned char* pixel = image.pixel(x, y);
            const bool rim = x == left || y == top || x == left + width - 1 || y == top + height - 1;
            look.rimAlpha = rim ? std::max<int>(look.rimAlpha, pixel[3]) : look.rimAlpha;
            look.partial += pixel[3] > 0 && pixel[3] < 255 ? 1 : 0;
            if (pixel[3] >= kSolid) {
                ++look.solid;
                look.left = std::min(look.left, x);
                look.right = std::max(look.right, x);
            }
            for (int c = 0; c < 3 && pixel[3] == 255; ++c) {
                look.rgb[c] += pixel[c] / 255.0f;
            }
            look.opaque += pixel[3] == 255 ? 1 : 0;
            look.alpha += pixel[3];
            look.centreX += pixel[3] * (x - left);
            look.centreY += pixel[3] * (y - top);
        }
    }
    look.centreX /= std::max(look.alpha, 1.0);
    look.centreY /= std::max(look.alpha, 1.0);
    return look;
}
Look lookOf(const LoadedImage& image) { return lookOf(image, 0, 0, image.width, image.height); }

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
        const Look look = lookOf(image);
        EXPECT_GT(look.partial, kLeastSoftEdge);
        EXPECT_EQ(look.rimAlpha, 0);
        EXPECT_NEAR(static_cast<float>(look.right - look.left + 1) * file.pixelScaleX, file.length,
                    kLengthTolerance * file.length);
        if (file.enemy) {
            ASSERT_GT(look.opaque, 0);
            const auto [least, most] = std::minmax({look.rgb[0], look.rgb[1], look.rgb[2]});
            EXPECT_GT((look.rgb[0] + look.rgb[1] + look.rgb[2]) / 3.0f / look.opaque, kLeastEnemyLightness);
            EXPECT_LT((most - least) / look.opaque, kMostEnemyColour);
        }
    }
}

TEST(ShipSprite, TurnsAboutAPointFortyPercentAlongItsLengthWithTheNoseOnTheRight) {
    const LoadedImage image = loadImage("sprites/space_ship.png");
    ASSERT_TRUE(image.loaded());
    const Look look = lookOf(image);
    const float pivot = kShipPivot * static_cast<float>(image.width);
    EXPECT_NEAR((pivot - look.left) / static_cast<float>(look.right + 1 - look.left), kShipPivot, 0.05f);
    EXPECT_LT(lookOf(image, look.right - 5, 0, 1, image.height).solid,
              lookOf(image, look.left + 5, 0, 1, image.height).solid)
        << "the nose is the narrow end";
}

// The game turns the flame by a quarter of pi: its head must sit towards the bottom-right corner.
TEST(FireboltSprite, Is32PixelsSquareWithItsHeadTowardsTheBottomRightCorner) {
    const LoadedImage image = loadImage("sprites/firebolt.png");
    ASSERT_EQ(image.width, 32);
    ASSERT_EQ(image.height, 32);
    const Look look = lookOf(image);
    EXPECT_GT(look.centreX, 16.5);
    EXPECT_GT(look.centreY, 16.5);
}

constexpr int kFrame = 256;               // pixels, square
constexpr int kClear = 8;                 // alpha below which a frame's edge shows nothing
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
        EXPECT_TRUE(file.width == 0 || (image.width == file.width && image.height == file.width));
        const int columns = image.width / kFrame;
        EXPECT_GE(columns * (image.height / kFrame), file.frameCount);
        EXPECT_LT(columns * (image.height / kFrame - 1), file.frameCount) << "a row without a frame in it";
        std::vector<int> solid;
        for (int frame = 0; frame < file.frameCount; ++frame) {
            const int left = (frame % columns) * kFrame;
            const Look look = lookOf(image, left, (frame / columns) * kFrame, kFrame, kFrame);
            EXPECT_LT(look.rimAlpha, kClear) << "frame " << frame << " is cut off";
            solid.push_back(look.solid);
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

// Without this, filtering in the game would blend the edges of a sprite towards black.
TEST(Rasters, GiveTransparentPixelsTheColourOfTheirVisibleNeighbours) {
    Raster raster(4, 1);
    raster.at(0, 0) = vec4(1, 0, 0, 1);
    const std::vector<std::uint8_t> bytes = raster.toRgba8();
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 4, bytes.end()),
              (std::vector<std::uint8_t>{255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0}));
}

constexpr int kFirstPrintable = 33; // the space has no box
constexpr int kLastPrintable = 126;
constexpr unsigned char kOutline = 128; // alpha of the distance field at a glyph's outline
constexpr unsigned char kMostEdge = 48; // alpha at a box's edge: the field reaches out far enough for soft edges
constexpr int kGap = 2;                 // pixels between boxes, so that filtering never bleeds into a neighbour
constexpr int kLeastSize = 42;          // nominal pixels: sharp for text of twenty to sixty pixels
constexpr int kMostSize = 48;

TEST(FontFiles, HoldEveryPrintableGlyphInItsOwnBoxWithTheOutlineInsideAndTheUsualKerning) {
    const GlyphAtlas atlas(assetPath("fonts/OpenSans-Regular.fnt"));
    const LoadedImage page = loadImage("fonts/" + atlas.pageFile);
    ASSERT_TRUE(page.loaded()) << atlas.pageFile << " is named bare, next to the description";
    EXPECT_EQ(page.width, atlas.scaleW);
    EXPECT_EQ(page.height, atlas.scaleH);
    EXPECT_TRUE(atlas.size >= kLeastSize && atlas.size <= kMostSize && atlas.lineHeight > atlas.size)
        << atlas.size;
    for (int i = 0; i < page.width * page.height; ++i) {
        const unsigned char* pixel = page.pixel(i % page.width, i / page.width);
        ASSERT_TRUE(pixel[0] == 255 && pixel[1] == 255 && pixel[2] == 255)
            << "the field is in white pixels' alpha";
    }
    for (int a = kFirstPrintable; a <= kLastPrintable; ++a) {
        const Glyph& glyph = atlas.getGlyph(a);
        ASSERT_GT(glyph.width, 0) << "character " << a;
        EXPECT_GT(glyph.xadvance, 0) << "character " << a;
        unsigned char deepest = 0;
        unsigned char edge = 0;
        for (int y = glyph.y; y < glyph.y + glyph.height; ++y) {
            for (int x = glyph.x; x < glyph.x + glyph.width; ++x) {
                deepest = std::max(deepest, page.alphaAt(x, y));
                const bool onEdge = y == glyph.y || x == glyph.x || y == glyph.y + glyph.height - 1 ||
                                    x == glyph.x + glyph.width - 1;
                edge = onEdge ? std::max(edge, page.alphaAt(x, y)) : edge;
            }
        }
        EXPECT_GT(deepest, kOutline) << "character " << a;
        EXPECT_LT(edge, kMostEdge) << "character " << a;
        EXPECT_TRUE(glyph.x >= kGap && glyph.y >= kGap && glyph.x + glyph.width + kGap <= atlas.scaleW &&
                    glyph.y + glyph.height + kGap <= atlas.scaleH)
            << "character " << a;
        for (int b = a + 1; b <= kLastPrintable; ++b) {
            const Glyph& other = atlas.getGlyph(b);
            EXPECT_TRUE(glyph.x + glyph.width + kGap <= other.x || other.x + other.width + kGap <= glyph.x ||
                        glyph.y + glyph.height + kGap <= other.y || other.y + other.height + kGap <= glyph.y)
                << "characters " << a << " and " << b;
        }
    }
    EXPECT_LT(atlas.getGlyph('V').getKerning('A'), 0);
    EXPECT_LT(atlas.getGlyph('a').getKerning('T'), 0);
}

} // namespace
} // namespace kv
