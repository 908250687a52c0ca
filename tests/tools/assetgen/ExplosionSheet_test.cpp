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

constexpr int kFrame = 256;
constexpr unsigned char kSolid = 128;

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
    int opaquePixels(int frame) const {
        const int left = (frame % columns) * kFrame;
        const int top = (frame / columns) * kFrame;
        int count = 0;
        for (int y = top; y < top + kFrame; ++y) {
            for (int x = left; x < left + kFrame; ++x) {
                count += image.alphaAt(x, y) >= kSolid ? 1 : 0;
            }
        }
        return count;
    }

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
    // No row without a frame in it.
    EXPECT_LT(columns * (rows - 1), GetParam().frameCount);
}

TEST_P(ExplosionFiles, StartsWithASmallFlashAndFadesToNothing) {
    std::vector<int> counts;
    for (int frame = 0; frame < GetParam().frameCount; ++frame) {
        counts.push_back(opaquePixels(frame));
    }
    const int fullest = *std::max_element(counts.begin(), counts.end());
    ASSERT_GT(fullest, 0);
    EXPECT_GT(counts.front(), 0) << "the first frame shows the flash";
    EXPECT_LT(counts.front(), fullest / 8);
    EXPECT_LT(counts.back(), fullest / 50);
    // The fullest frame comes early, while the fireball is burning.
    const auto fullestFrame = std::max_element(counts.begin(), counts.end()) - counts.begin();
    EXPECT_LT(fullestFrame, GetParam().frameCount / 2);
}

TEST_P(ExplosionFiles, GrowsAFireballOfTheIntendedSize) {
    int fullest = 0;
    for (int frame = 0; frame < GetParam().frameCount; ++frame) {
        fullest = std::max(fullest, opaquePixels(frame));
    }
    // Radius of a disc of the same area.
    const float radius = std::sqrt(static_cast<float>(fullest) / std::numbers::pi_v<float>);
    EXPECT_NEAR(radius, GetParam().fireballRadius, 0.25f * GetParam().fireballRadius);
}

TEST_P(ExplosionFiles, NeverTouchesTheEdgesOfAFrame) {
    // Anything at a frame's edge would be cut off visibly, or bleed into the neighbouring frame.
    for (int frame = 0; frame < GetParam().frameCount; ++frame) {
        const int left = (frame % columns) * kFrame;
        const int top = (frame / columns) * kFrame;
        for (int i = 0; i < kFrame; ++i) {
            ASSERT_LT(image.alphaAt(left + i, top), 8) << "frame " << frame;
            ASSERT_LT(image.alphaAt(left + i, top + kFrame - 1), 8) << "frame " << frame;
            ASSERT_LT(image.alphaAt(left, top + i), 8) << "frame " << frame;
            ASSERT_LT(image.alphaAt(left + kFrame - 1, top + i), 8) << "frame " << frame;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Explosions, ExplosionFiles,
                         ::testing::Values(ExplosionFile{"player_ship_explosion.png", 64, 2048, 2048, 110.0f},
                                           ExplosionFile{"enemy1_explosion.png", 21, 0, 0, 60.0f}),
                         [](const ::testing::TestParamInfo<ExplosionFile>& info) {
                             return std::string(info.index == 0 ? "Large" : "Small");
                         });

TEST(ExplosionStyles, MatchTheGamesSheets) {
    EXPECT_EQ(largeExplosion().frameCount, 64);
    EXPECT_EQ(largeExplosion().columns, 8);
    EXPECT_EQ(smallExplosion().frameCount, 21);
}

TEST(PaintedExplosionFrames, AreTheSameOnEveryRun) {
    EXPECT_EQ(paintExplosionFrame(smallExplosion(), 5).toRgba8(),
              paintExplosionFrame(smallExplosion(), 5).toRgba8());
}

} // namespace
} // namespace kv
