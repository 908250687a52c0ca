#include "tools/assetgen/FontBaker.hpp"

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "engine/text/GlyphAtlas.hpp"
#include "tests/tools/assetgen/GeneratedAssets.hpp"

namespace kv {
namespace {

constexpr int kFirstPrintable = 32;
constexpr int kLastPrintable = 126;
constexpr unsigned char kOutline = 128;

class FontFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        atlas = std::make_unique<GlyphAtlas>(assetPath("fonts/OpenSans-Regular.fnt"));
        page = std::make_unique<LoadedImage>(loadImage("fonts/" + atlas->pageFile));
    }
    static void TearDownTestSuite() {
        atlas.reset();
        page.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(page->loaded()) << "SOIL could not load the page " << atlas->pageFile;
    }

    static std::unique_ptr<GlyphAtlas> atlas;
    static std::unique_ptr<LoadedImage> page;
};

std::unique_ptr<GlyphAtlas> FontFiles::atlas;
std::unique_ptr<LoadedImage> FontFiles::page;

TEST_F(FontFiles, DescribeANominalSizeForTwentyToSixtyPixelTextAndNameTheirPageBare) {
    EXPECT_GE(atlas->size, 42);
    EXPECT_LE(atlas->size, 48);
    EXPECT_GT(atlas->lineHeight, atlas->size);
    EXPECT_GT(atlas->base, 0);
    EXPECT_LT(atlas->base, atlas->lineHeight);
    EXPECT_EQ(atlas->pageFile.find('/'), std::string::npos);
    EXPECT_EQ(page->width, atlas->scaleW);
    EXPECT_EQ(page->height, atlas->scaleH);
}

TEST_F(FontFiles, MeasureEveryPrintableCharacterAndKernTheUsualPairs) {
    std::string all;
    for (int code = kFirstPrintable; code <= kLastPrintable; ++code) {
        const std::string one(1, static_cast<char>(code));
        EXPECT_NO_THROW(atlas->calculateUnscaledTextWidth(one)) << "character " << code;
        EXPECT_GT(atlas->getGlyph(code).xadvance, 0) << "character " << code;
        all += one;
    }
    EXPECT_GT(atlas->calculateUnscaledTextWidth(all), 95 * 10);
    EXPECT_GT(atlas->calculateUnscaledTextWidth("Press escape to exit to menu"),
              atlas->calculateUnscaledTextWidth("New highscore!"));
    EXPECT_LT(atlas->getGlyph('V').getKerning('A'), 0);
    EXPECT_LT(atlas->getGlyph('a').getKerning('T'), 0);
}

TEST_F(FontFiles, KeepTheDistanceFieldInWhitePixelsAlpha) {
    for (int i = 0; i < page->width * page->height; ++i) {
        const unsigned char* pixel = page->pixel(i % page->width, i / page->width);
        ASSERT_TRUE(pixel[0] == 255 && pixel[1] == 255 && pixel[2] == 255) << "pixel " << i;
    }
}

TEST_F(FontFiles, PutEachGlyphInsideItsBoxWithTheOutlineAtOneHalf) {
    for (int code = kFirstPrintable + 1; code <= kLastPrintable; ++code) {
        const Glyph& glyph = atlas->getGlyph(code);
        ASSERT_GT(glyph.width, 0) << "character " << code;
        unsigned char deepest = 0;
        unsigned char edge = 0;
        for (int y = glyph.y; y < glyph.y + glyph.height; ++y) {
            for (int x = glyph.x; x < glyph.x + glyph.width; ++x) {
                const unsigned char alpha = page->alphaAt(x, y);
                deepest = std::max(deepest, alpha);
                if (y == glyph.y || x == glyph.x || y == glyph.y + glyph.height - 1 ||
                    x == glyph.x + glyph.width - 1) {
                    edge = std::max(edge, alpha);
                }
            }
        }
        // Inside the outline somewhere, and the box reaches far enough out for smooth edges.
        EXPECT_GT(deepest, kOutline) << "character " << code;
        EXPECT_LT(edge, 48) << "character " << code;
    }
}

TEST_F(FontFiles, LeaveGapsBetweenGlyphBoxesSoNeighboursNeverBleed) {
    constexpr int kGap = 2;
    for (int a = kFirstPrintable + 1; a <= kLastPrintable; ++a) {
        const Glyph& first = atlas->getGlyph(a);
        EXPECT_GE(first.x, kGap);
        EXPECT_GE(first.y, kGap);
        EXPECT_LE(first.x + first.width + kGap, atlas->scaleW);
        EXPECT_LE(first.y + first.height + kGap, atlas->scaleH);
        for (int b = a + 1; b <= kLastPrintable; ++b) {
            const Glyph& second = atlas->getGlyph(b);
            const bool apart =
                first.x + first.width + kGap <= second.x || second.x + second.width + kGap <= first.x ||
                first.y + first.height + kGap <= second.y || second.y + second.height + kGap <= first.y;
            EXPECT_TRUE(apart) << "characters " << a << " and " << b;
        }
    }
}

TEST(FontDescription, WritesAKerningsBlockAndNoMoreThanTwentyPairsPerCharacter) {
    const FontBaker baker(OPEN_SANS_REGULAR_FONT, 44, 8);
    const std::string text = baker.describe("page.png");
    EXPECT_NE(text.find("\nkernings count="), std::string::npos);
    std::istringstream in(text);
    const GlyphAtlas parsed(in);
    EXPECT_EQ(parsed.pageFile, "page.png");
    for (int code = kFirstPrintable; code <= kLastPrintable; ++code) {
        EXPECT_LE(parsed.getGlyph(code).kerningCount, FontBaker::kMaxKerningsPerGlyph);
    }
}

} // namespace
} // namespace kv
