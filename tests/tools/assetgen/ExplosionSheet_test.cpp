#include "tools/assetgen/ExplosionSheet.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/tools/assetgen/GeneratedAssets.hpp"

namespace kv {
namespace {

constexpr int kFrame = 256; // pixels, square

struct ExplosionFile {
    std::string name;
    int frameCount;
    int expectedWidth; // 0: any whole number of columns
    int expectedHeight;
    float fireballRadius; // pixels, at the explosion's fullest
};

void PrintTo(const ExplosionFile& file, std::ostream* out) {
    *out << file.name;
}

class ExplosionFiles : public ::testing::TestWithParam<ExplosionFile> {
protected:
    void SetUp() override {
        image = loadImage("sprites/" + GetParam().name);
        ASSERT_TRUE(image.loaded()) << "SOIL could not load " << GetParam().name;
        ASSERT_EQ(image.width % kFrame, 0);
        ASSERT_EQ(image.height % kFrame, 0);
        columns = image.width / kFrame;
    }

    // Frame i as the game finds it: row by row from the top-left.
    int left(int frame) const { return (frame % columns) * kFrame; }
    int top(int frame) const { return (frame / columns) * kFrame; }

    LoadedImage image;
    int columns = 0;
};

TEST_P(ExplosionFiles, HoldsAllFramesOnTheSheet) {
    if (GetParam().expectedWidth > 0) {
        EXPECT_EQ(image.width, GetParam().expectedWidth);
        EXPECT_EQ(image.height, GetParam().expectedHeight);
    }
    const int rows = image.height / kFrame;
    EXPECT_GE(columns * rows, GetParam().frameCount);
    EXPECT_LT(columns * (rows - 1), GetParam().frameCount) << "a row without a frame in it";
}

TEST_P(ExplosionFiles, GrowsFromASmallFlashToAFireballOfTheIntendedSizeAndFadesToNothing) {
    std::vector<int> counts;
    for (int frame = 0; frame < GetParam().frameCount; ++frame) {
        int solid = 0;
        for (int y = top(frame); y < top(frame) + kFrame; ++y) {
            for (int x = left(frame); x < left(frame) + kFrame; ++x) {
                solid += image.alphaAt(x, y) >= kSolid ? 1 : 0;
            }
        }
        counts.push_back(solid);
    }
    const auto fullest = std::max_element(counts.begin(), counts.end());
    ASSERT_GT(*fullest, 0);
    EXPECT_GT(counts.front(), 0) << "the first frame shows the flash";
    EXPECT_LT(counts.front(), *fullest / 8);
    EXPECT_LT(counts.back(), *fullest / 50);
    EXPECT_LT(fullest - counts.begin(), GetParam().frameCount / 2) << "the fireball burns early";
    // Radius of a disc of the same area.
    const float radius = std::sqrt(static_cast<float>(*fullest) / std::numbers::pi_v<float>);
    EXPECT_NEAR(radius, GetParam().fireballRadius, 0.25f * GetParam().fireballRadius);
}

TEST_P(ExplosionFiles, NeverTouchesTheEdgesOfAFrame) {
    // Anything at a frame's edge would be cut off visibly, or bleed into the neighbouring frame.
    for (int frame = 0; frame < GetParam().frameCount; ++frame) {
        for (int i = 0; i < kFrame; ++i) {
            ASSERT_LT(image.alphaAt(left(frame) + i, top(frame)), 8) << "frame " << frame;
            ASSERT_LT(image.alphaAt(left(frame) + i, top(frame) + kFrame - 1), 8) << "frame " << frame;
            ASSERT_LT(image.alphaAt(left(frame), top(frame) + i), 8) << "frame " << frame;
            ASSERT_LT(image.alphaAt(left(frame) + kFrame - 1, top(frame) + i), 8) << "frame " << frame;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Explosions, ExplosionFiles,
                         ::testing::Values(ExplosionFile{"player_ship_explosion.png", 64, 2048, 2048, 110.0f},
                                           ExplosionFile{"enemy1_explosion.png", 21, 0, 0, 60.0f}),
                         [](const ::testing::TestParamInfo<ExplosionFile>& info) {
                             return std::string(info.index == 0 ? "Large" : "Small");
                         });

TEST(PaintedExplosionFrames, AreTheSameOnEveryRun) {
    EXPECT_EQ(paintExplosionFrame(smallExplosion(), 5).toRgba8(),
              paintExplosionFrame(smallExplosion(), 5).toRgba8());
}

} // namespace
} // namespace kv
