// The generated images as the game loads them: sprites, explosion sheets, the font's page, and how rasters
// are saved.
#include "tools/assetgen/Raster.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include <SOIL/SOIL.h>
#include <gtest/gtest.h>

#include "engine/text/GlyphAtlas.hpp"
#include "tests/support/Constants.hpp"

namespace kv {
namespace {

constexpr int kSolid = 128;                   // alpha from which the player sees a pixel as the object
constexpr int kLeastSoftEdge = 20;            // pixels between transparent and opaque: no jagged edges
constexpr float kLengthTolerance = 0.12f;     // share of the intended length
constexpr float kShipPivot = 0.4f;            // share of the ship image's width the game turns it about
constexpr float kLeastEnemyLightness = 0.45f; // mean of red, green and blue, so that the red tint shows
constexpr float kMostEnemyColour = 0.1f;      // spread of red, green and blue: nearly neutral

// RGBA pixels as SOIL loads them for the game, rows from the top; none when SOIL cannot read the file.
struct LoadedImage {
    int width = 0;
    int height = 0;
    std::unique_ptr<unsigned char[], void (*)(unsigned char*)> rgba{nullptr, SOIL_free_image_data};
};

LoadedImage loadImage(const std::string& relative) {
    LoadedImage image;
    image.rgba.reset(SOIL_load_image((std::string(VANTOR_ASSET_DIR "/") + relative).c_str(), &image.width,
                                     &image.height, nullptr, SOIL_LOAD_RGBA));
    return image;
}

// What the player sees of a rectangle of an image: solid pixels and their extent across, partly transparent
// ones, the strongest alpha on the rectangle's rim, pixels not white, and the summed colour of opaque pixels
// with their number in w.
struct Look {
    int solid = 0;
    int left = 1 << 30;
    int right = -1;
    int partial = 0;
    int rimAlpha = 0;
    int coloured = 0;
    vec4 opaque{0.0f};
};

Look lookOf(const LoadedImage& image, int left, int top, int width, int height) {
    Look look;
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x) {
            const unsigned char* pixel = &image.rgba[(std::size_t(y) * image.width + x) * kRgbaChannels];
            const bool rim = x == left || y == top || x == left + width - 1 || y == top + height - 1;
            look.rimAlpha = std::max<int>(look.rimAlpha, rim ? pixel[3] : 0);
            look.partial += pixel[3] > 0 && pixel[3] < 255 ? 1 : 0;
            look.coloured += std::min({pixel[0], pixel[1], pixel[2]}) < 255 ? 1 : 0;
            if (pixel[3] >= kSolid) {
                ++look.solid;
                look.left = std::min(look.left, x);
                look.right = std::max(look.right, x);
            }
            if (pixel[3] == 255) {
                look.opaque += vec4(pixel[0], pixel[1], pixel[2], 255) / 255.0f;
            }
        }
    }
    return look;
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
        const Look look = lookOf(image, 0, 0, image.width, image.height);
        EXPECT_GT(look.partial, kLeastSoftEdge);
        EXPECT_EQ(look.rimAlpha, 0);
        EXPECT_NEAR(static_cast<float>(look.right - look.left + 1) * file.pixelScaleX, file.length,
                    kLengthTolerance * file.length);
        if (file.enemy) {
            const vec4 mean = look.opaque / look.opaque.w;
            const auto [least, most] = std::minmax({mean.r, mean.g, mean.b});
            EXPECT_GT((mean.r + mean.g + mean.b) / 3.0f, kLeastEnemyLightness);
            EXPECT_LT(most - least, kMostEnemyColour);
        }
    }
}

// The game turns the ship about a point 40 % along the image's width, and the flame by a quarter of pi.
TEST(SpriteFiles, PointTheShipsNarrowNoseRightAndTheFlamesHeadTowardsTheBottomRightCorner) {
    const LoadedImage ship = loadImage("sprites/space_ship.png");
    const Look hull = lookOf(ship, 0, 0, ship.width, ship.height);
    ASSERT_GT(hull.solid, 0);
    const float pivot = kShipPivot * static_cast<float>(ship.width);
    EXPECT_NEAR((pivot - hull.left) / static_cast<float>(hull.right + 1 - hull.left), kShipPivot, 0.05f);
    EXPECT_LT(lookOf(ship, hull.right - 5, 0, 1, ship.height).solid,
              lookOf(ship, hull.left + 5, 0, 1, ship.height).solid) << "the nose is the narrow end";
    const LoadedImage bolt = loadImage("sprites/firebolt.png");
    ASSERT_EQ(std::pair(bolt.width, bolt.height), std::pair(32, 32));
    const int head = lookOf(bolt, 16, 16, 16, 16).solid;
    for (const auto& [left, top] : {std::pair{0, 0}, {16, 0}, {0, 16}}) {
        EXPECT_GT(head, lookOf(bolt, left, top, 16, 16).solid) << "quarter at " << left << ", " << top;
    }
}

constexpr int kSheetFrame = 256;          // pixels, square
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
        const int columns = image.width / kSheetFrame;
        const int rows = image.height / kSheetFrame;
        ASSERT_TRUE(columns > 0 && image.width % kSheetFrame == 0 && image.height % kSheetFrame == 0);
        EXPECT_TRUE(file.width == 0 || (image.width == file.width && image.height == file.width));
        EXPECT_TRUE(columns * rows >= file.frameCount && columns * (rows - 1) < file.frameCount)
            << "every frame, and no row without one";
        std::vector<int> solid;
        for (int frame = 0; frame < file.frameCount; ++frame) {
            const Look look = lookOf(image, (frame % columns) * kSheetFrame, (frame / columns) * kSheetFrame,
                                     kSheetFrame, kSheetFrame);
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
    EXPECT_EQ(raster.toRgba8(),
              (std::vector<std::uint8_t>{255, 0, 0, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0}));
}

constexpr int kFirstPrintable = 33; // the space has no box
constexpr int kLastPrintable = 126;
constexpr int kMostEdge = 48;  // alpha at a box's edge: the field reaches out far enough for soft edges
constexpr int kGap = 2;        // pixels between boxes, so that filtering never bleeds into a neighbour
constexpr int kLeastSize = 42; // nominal pixels: sharp for text of twenty to sixty pixels
constexpr int kMostSize = 48;

TEST(FontFiles, HoldEveryPrintableGlyphInItsOwnBoxWithTheOutlineInsideAndTheUsualKerning) {
    const GlyphAtlas atlas(VANTOR_ASSET_DIR "/fonts/OpenSans-Regular.fnt");
    const LoadedImage page = loadImage("fonts/" + atlas.pageFile);
    ASSERT_EQ(std::pair(page.width, page.height), std::pair(atlas.scaleW, atlas.scaleH))
        << atlas.pageFile << " is named bare, next to the description";
    EXPECT_TRUE(atlas.size >= kLeastSize && atlas.size <= kMostSize && atlas.lineHeight > atlas.size)
        << atlas.size;
    EXPECT_EQ(lookOf(page, 0, 0, page.width, page.height).coloured, 0) << "the field is white pixels' alpha";
    for (int a = kFirstPrintable; a <= kLastPrintable; ++a) {
        SCOPED_TRACE(::testing::Message() << "character " << a);
        const Glyph& glyph = atlas.getGlyph(a);
        ASSERT_TRUE(glyph.width > 0 && glyph.x >= kGap && glyph.y >= kGap &&
                    glyph.x + glyph.width + kGap <= atlas.scaleW &&
                    glyph.y + glyph.height + kGap <= atlas.scaleH);
        EXPECT_GT(glyph.xadvance, 0);
        const Look look = lookOf(page, glyph.x, glyph.y, glyph.width, glyph.height);
        EXPECT_GT(look.solid, 0) << "the outline, at the alpha of a solid pixel, lies in the box";
        EXPECT_LT(look.rimAlpha, kMostEdge);
        for (int b = a + 1; b <= kLastPrintable; ++b) {
            const Glyph& other = atlas.getGlyph(b);
            EXPECT_TRUE(glyph.x + glyph.width + kGap <= other.x || other.x + other.width + kGap <= glyph.x ||
                        glyph.y + glyph.height + kGap <= other.y || other.y + other.height + kGap <= glyph.y)
                << "overlaps character " << b;
        }
    }
    EXPECT_LT(atlas.getGlyph('V').getKerning('A'), 0);
    EXPECT_LT(atlas.getGlyph('a').getKerning('T'), 0);
}

} // namespace
} // namespace kv
