#include "tools/assetgen/ExplosionSheet.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/tools/assetgen/GeneratedAssets.hpp"
#include "tools/assetgen/SoundEffects.hpp"
#include "tools/assetgen/SpriteArt.hpp"

namespace kv {
namespace {

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

} // namespace
} // namespace kv
