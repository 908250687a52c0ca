#include "tools/assetgen/FontBaker.hpp"

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "engine/text/GlyphAtlas.hpp"
#include "tests/tools/assetgen/GeneratedAssets.hpp"

namespace kv {
namespace {

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
