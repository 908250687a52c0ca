#include "engine/text/GlyphAtlas.hpp"

#include <climits>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

namespace kv {
namespace {

static_assert(!std::is_copy_constructible_v<GlyphAtlas>);
static_assert(!std::is_copy_assignable_v<GlyphAtlas>);

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "<no error>";
}

// A small font: space, A, B and V, with V kerned after A.
const std::string kHeader = "info face=\"Test Sans\" size=32 bold=0 italic=0 charset=\"\" unicode=1\n"
                            "common lineHeight=44 base=35 scaleW=256 scaleH=128 pages=1 packed=0\n"
                            "page id=0 file=\"Test Sans_0.png\"\n";
const std::string kChars =
    "chars count=4\n"
    "char id=32   x=0     y=0     width=0     height=0     xoffset=0     yoffset=0     xadvance=8  page=0 "
    "chnl=15\n"
    "char id=65 x=10 y=20 width=10 height=40 xoffset=1 yoffset=5 xadvance=12 page=0 chnl=15\n"
    "char id=66 x=30 y=20 width=9 height=40 xoffset=2 yoffset=5 xadvance=11 page=0 chnl=15\n"
    "char id=86 x=50 y=20 width=12 height=40 xoffset=0 yoffset=5 xadvance=12 page=0 chnl=15\n";
const std::string kKernings = "kernings count=1\n"
                              "kerning first=65 second=86 amount=-2\n";
const std::string kFont = kHeader + kChars + kKernings;

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::unique_ptr<GlyphAtlas> atlasFrom(const std::string& description) {
    std::istringstream in(description);
    return std::make_unique<GlyphAtlas>(in);
}

std::string parseFailure(const std::string& description) {
    return messageOf([&] { atlasFrom(description); });
}

class GlyphAtlasTest : public ::testing::Test {
protected:
    std::unique_ptr<GlyphAtlas> atlas = atlasFrom(kFont);
};

TEST_F(GlyphAtlasTest, ReadsTheFontAndPageHeader) {
    EXPECT_EQ(atlas->size, 32);
    EXPECT_EQ(atlas->lineHeight, 44);
    EXPECT_EQ(atlas->base, 35);
    EXPECT_EQ(atlas->scaleW, 256);
    EXPECT_EQ(atlas->scaleH, 128);
    EXPECT_EQ(atlas->pageFile, "Test Sans_0.png");
}

TEST_F(GlyphAtlasTest, StoresGlyphMetricsByCode) {
    const Glyph& a = atlas->getGlyph('A');
    EXPECT_EQ(a.id, 65);
    EXPECT_EQ(a.x, 10);
    EXPECT_EQ(a.y, 20);
    EXPECT_EQ(a.width, 10);
    EXPECT_EQ(a.height, 40);
    EXPECT_EQ(a.xoffset, 1);
    EXPECT_EQ(a.yoffset, 5);
    EXPECT_EQ(a.xadvance, 12);
    EXPECT_EQ(atlas->getGlyph(' ').xadvance, 8);
}

TEST_F(GlyphAtlasTest, TextureCoordinatesArePageFractions) {
    const Glyph& a = atlas->getGlyph('A');
    EXPECT_FLOAT_EQ(a.texLeft, 10.0f / 256.0f);
    EXPECT_FLOAT_EQ(a.texRight, 20.0f / 256.0f);
    EXPECT_FLOAT_EQ(a.texTop, 20.0f / 128.0f);
    EXPECT_FLOAT_EQ(a.texBottom, 60.0f / 128.0f);
}

TEST_F(GlyphAtlasTest, UnlistedCharactersStayEmpty) {
    EXPECT_EQ(atlas->glyphs['C'].id, -1);
    EXPECT_EQ(atlas->glyphs[0].id, -1);
    EXPECT_EQ(atlas->glyphs['C'].kerningCount, 0);
    EXPECT_EQ(messageOf([&] { atlas->getGlyph('C'); }), "No glyph is stored for codepoint 67");
}

TEST_F(GlyphAtlasTest, KerningIsStoredOnTheSecondCharacter) {
    EXPECT_EQ(atlas->getGlyph('V').getKerning('A'), -2);
    EXPECT_EQ(atlas->getGlyph('A').getKerning('V'), 0);
    EXPECT_EQ(atlas->getGlyph('A').kerningCount, 0);
    EXPECT_EQ(atlas->getGlyph('V').kerningCount, 1);
}

TEST_F(GlyphAtlasTest, GlyphLookUpRejectsCodesOutsideAscii) {
    EXPECT_EQ(messageOf([&] { atlas->getGlyph(127); }),
              "Unsupported non ascii codepoint, should be in range [0, 127), was: 127");
    EXPECT_EQ(messageOf([&] { atlas->getGlyphMutable(-1); }),
              "Unsupported non ascii codepoint, should be in range [0, 127), was: -1");
    EXPECT_EQ(messageOf([&] { atlas->getGlyphMutable('C'); }), "No glyph is stored for codepoint 67");
}

TEST(GlyphAtlasParse, AcceptsWindowsLineEnds) {
    std::string font = kFont;
    for (auto at = font.find('\n'); at != std::string::npos; at = font.find('\n', at + 2)) {
        font.insert(at, "\r");
    }
    auto atlas = atlasFrom(font);
    EXPECT_EQ(atlas->pageFile, "Test Sans_0.png");
    EXPECT_EQ(atlas->getGlyph('V').getKerning('A'), -2);
}

TEST(GlyphAtlasParse, AcceptsAnEmptyKerningBlock) {
    auto atlas = atlasFrom(kHeader + kChars + "kernings count=0\n");
    for (const Glyph& glyph : atlas->glyphs) {
        EXPECT_EQ(glyph.kerningCount, 0);
    }
}

TEST(GlyphAtlasParse, ALaterCharLineReplacesTheEntry) {
    auto atlas = atlasFrom(replaced(kFont, "char id=66 x=30", "char id=65 x=30"));
    EXPECT_EQ(atlas->getGlyph('A').x, 30);
    EXPECT_EQ(atlas->glyphs['B'].id, -1);
}

TEST(GlyphAtlasParse, ReadsAFileByPath) {
    const std::string path = ::testing::TempDir() + "GlyphAtlas_test_font.fnt";
    std::ofstream(path) << kFont;
    GlyphAtlas atlas(path);
    std::remove(path.c_str());
    EXPECT_EQ(atlas.getGlyph('B').xadvance, 11);
}

TEST(GlyphAtlasParse, AMissingFileFailsOnItsFirstTag) {
    EXPECT_EQ(messageOf([] { GlyphAtlas atlas("no/such/font.fnt"); }),
              "Unexpected tag, expected: info, actual: ");
}

TEST(GlyphAtlasParse, RejectsMoreThanOnePage) {
    EXPECT_EQ(parseFailure(replaced(kFont, "pages=1", "pages=2")),
              "Only 1 page atlas is supported, expected: 1, actual: 2");
}

TEST(GlyphAtlasParse, RejectsPropertiesOutOfOrder) {
    EXPECT_EQ(parseFailure(replaced(kFont, "x=10 y=20", "y=20 x=10")),
              "Unexpected tag, expected: x, actual: y");
}

TEST(GlyphAtlasParse, RejectsAMissingKerningBlock) {
    EXPECT_EQ(parseFailure(kHeader + kChars), "Unexpected tag, expected: kernings, actual: ");
}

TEST(GlyphAtlasParse, RejectsAnUnquotedPageFile) {
    EXPECT_EQ(parseFailure(replaced(kFont, "file=\"Test Sans_0.png\"", "file=page.png")),
              "Invalid string property, expected: \", actual: p");
}

TEST(GlyphAtlasParse, RejectsCharacterCodesOutsideAscii) {
    EXPECT_EQ(parseFailure(replaced(kFont, "char id=66", "char id=127")),
              "Unsupported non ascii codepoint, should be in range [0, 127), was: 127");
    EXPECT_EQ(parseFailure(replaced(kFont, "char id=66", "char id=-1")),
              "Unsupported non ascii codepoint, should be in range [0, 127), was: -1");
}

TEST(GlyphAtlasParse, RejectsKerningOfACharacterOutsideAscii) {
    EXPECT_EQ(parseFailure(replaced(kFont, "second=86", "second=200")),
              "Unsupported non ascii codepoint, should be in range [0, 127), was: 200");
    EXPECT_EQ(parseFailure(replaced(kFont, "second=86", "second=-2147483648")),
              "Unsupported non ascii codepoint, should be in range [0, 127), was: -2147483648");
}

TEST(GlyphAtlasParse, RejectsKerningOfAMissingCharacter) {
    EXPECT_EQ(parseFailure(replaced(kFont, "second=86", "second=67")), "No glyph is stored for codepoint 67");
}

TEST(GlyphAtlasParse, RejectsATwentyFirstKerningOfOneGlyph) {
    std::string kernings = "kernings count=21\n";
    for (int first = 1; first <= 21; ++first) {
        kernings += "kerning first=" + std::to_string(first) + " second=86 amount=-1\n";
    }
    EXPECT_EQ(parseFailure(kHeader + kChars + kernings),
              "Too many kernings for a single glyph (86), a maximum of 20 is supported");
}

TEST(GlyphAtlasParse, AHugeCharCountStopsAtTheNextLine) {
    EXPECT_EQ(parseFailure(replaced(kFont, "chars count=4", "chars count=2000000000")),
              "Unexpected tag, expected: char, actual: kernings");
    EXPECT_EQ(parseFailure(replaced(kHeader + kChars, "chars count=4", "chars count=2147483647")),
              "Unexpected tag, expected: char, actual: ");
}

TEST(GlyphAtlasParse, AnOverflowingCountFailsOnTheFirstPass) {
    EXPECT_EQ(parseFailure(replaced(kFont, "chars count=4", "chars count=99999999999999999999")),
              "Unexpected tag, expected: char, actual: ");
    EXPECT_EQ(parseFailure(replaced(kFont, "kernings count=1", "kernings count=99999999999")),
              "Unexpected tag, expected: kerning, actual: ");
}

TEST(GlyphAtlasParse, ANegativeCharCountReadsNoChars) {
    EXPECT_EQ(parseFailure(replaced(kFont, "chars count=4", "chars count=-4")),
              "Unexpected tag, expected: kernings, actual: char");
}

TEST(GlyphAtlasParse, AHugeKerningCountStopsAtTheEnd) {
    EXPECT_EQ(parseFailure(replaced(kFont, "kernings count=1", "kernings count=2000000000")),
              "Unexpected tag, expected: kerning, actual: ");
}

TEST(GlyphAtlasParse, AnUnreadableNumberStopsAtTheNextSkip) {
    EXPECT_EQ(parseFailure(replaced(kFont, "size=32", "size=99999999999")),
              "Couldn't skip required number of line, still wanted to skip 1 lines");
    EXPECT_EQ(parseFailure(replaced(kFont, "x=10 y=20", "x=ten y=20")),
              "Unexpected tag, expected: y, actual: ");
}

TEST(GlyphAtlasParse, EveryTruncationFailsCleanly) {
    // A cut after the first digit of the last value leaves a complete, if different, description.
    const std::size_t lastDigit = kFont.rfind("amount=-") + std::string("amount=-").size();
    for (std::size_t length = 0; length < lastDigit; ++length) {
        const std::string message = parseFailure(kFont.substr(0, length));
        EXPECT_NE(message, "<no error>") << "cut at " << length;
    }
}

TEST(GlyphAtlasParse, RejectsAnUnreadableLastNumber) {
    EXPECT_EQ(parseFailure(replaced(kFont, "amount=-2", "amount=-")),
              "Unreadable number at the end of the font description");
    EXPECT_EQ(parseFailure(kHeader + kChars + "kernings count="),
              "Unreadable number at the end of the font description");
}

TEST(GlyphAtlasParse, AcceptsADescriptionEndingWithoutLineFeed) {
    auto atlas = atlasFrom(kHeader + kChars + "kernings count=1\nkerning first=65 second=86 amount=-2");
    EXPECT_EQ(atlas->getGlyph('V').getKerning('A'), -2);
}

TEST(GlyphAtlasParse, BinaryGarbageFailsCleanly) {
    std::mt19937 generator(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 50; ++round) {
        std::string garbage(4096, '\0');
        for (char& c : garbage) {
            c = static_cast<char>(byte(generator));
        }
        EXPECT_EQ(parseFailure(garbage).rfind("Unexpected tag, expected: info, actual: ", 0), 0u);
        // Garbage after a valid prefix hits the property checks instead.
        EXPECT_NE(parseFailure(kHeader + "chars count=3\nchar id=65 " + garbage), "<no error>");
    }
}

TEST(GlyphAtlasParse, HugeMetricsDoNotOverflow) {
    auto atlas = atlasFrom(replaced(kFont, "x=10 y=20 width=10 height=40 xoffset=1 yoffset=5 xadvance=12",
                                    "x=2147483647 y=2147483647 width=2147483647 height=2147483647 "
                                    "xoffset=-2147483648 yoffset=5 xadvance=2147483647"));
    const Glyph& a = atlas->getGlyph('A');
    EXPECT_TRUE(std::isfinite(a.texRight));
    EXPECT_TRUE(std::isfinite(a.texBottom));
    EXPECT_EQ(atlas->calculateUnscaledTextWidth("AAA"), INT_MAX);
    std::vector<int> xs;
    atlas->walkForRender("AAA", [&](const Glyph&, int x, int) { xs.push_back(x); });
    EXPECT_EQ(xs, (std::vector<int>{INT_MAX, INT_MAX, INT_MAX}));
}

class GlyphMeasuring : public ::testing::Test {
protected:
    std::unique_ptr<GlyphAtlas> atlas = atlasFrom(kHeader + kChars +
                                                  "kernings count=2\n"
                                                  "kerning first=65 second=86 amount=-2\n"
                                                  "kerning first=65 second=66 amount=-3\n");

    struct Visit {
        int id;
        int x;
        int top;
        bool operator==(const Visit&) const = default;
    };
    std::vector<Visit> walk(const std::string& text) const {
        std::vector<Visit> visits;
        atlas->walkForRender(text, [&](const Glyph& glyph, int x, int top) {
            visits.push_back({glyph.id, x, top});
        });
        return visits;
    }
};

TEST_F(GlyphMeasuring, WidthIsAdvancesPlusTheLastGlyphsExtent) {
    EXPECT_EQ(atlas->calculateUnscaledTextWidth("AB"), 12 + 11 - 11 + 9 + 2);
    EXPECT_EQ(atlas->calculateUnscaledTextWidth("A"), 11);
    EXPECT_EQ(atlas->calculateUnscaledTextWidth("A A"), 12 + 8 + 11);
}

TEST_F(GlyphMeasuring, WidthIgnoresKerning) {
    EXPECT_EQ(atlas->calculateUnscaledTextWidth("AV"), 12 + 12);
}

TEST_F(GlyphMeasuring, EmptyTextMeasuresZeroWithoutGlyphs) {
    auto bare = atlasFrom(kHeader + "chars count=0\nkernings count=0\n");
    EXPECT_EQ(bare->calculateUnscaledTextWidth(""), 0);
    EXPECT_EQ(bare->calculateTextDimensions("", 0.0f), vec2(0.0f, 44.0f));
}

TEST_F(GlyphMeasuring, FontSizeScalesWidthAndHeight) {
    EXPECT_FLOAT_EQ(atlas->calculateTextWidth("AB", 64.0f), 46.0f);
    EXPECT_FLOAT_EQ(atlas->calculateTextWidth("AB", 16.0f), 11.5f);
    EXPECT_EQ(atlas->calculateTextDimensions("AB", 64.0f), vec2(46.0f, 88.0f));
}

TEST_F(GlyphMeasuring, ZeroOrNegativeFontSizeMeansTheFontsOwn) {
    EXPECT_FLOAT_EQ(atlas->calculateTextWidth("AB", 0.0f), 23.0f);
    EXPECT_FLOAT_EQ(atlas->calculateTextWidth("AB", -10.0f), 23.0f);
}

TEST_F(GlyphMeasuring, AFontWithoutSizeIsNotScaled) {
    auto sizeless = atlasFrom(replaced(kFont, "size=32", "size=0"));
    EXPECT_FLOAT_EQ(sizeless->calculateTextWidth("AB", 64.0f), 23.0f);
}

TEST_F(GlyphMeasuring, NonAsciiTextIsRejectedWithItsNegativeCode) {
    EXPECT_EQ(messageOf([&] { atlas->calculateUnscaledTextWidth("A\xc3\xa9"); }),
              "Unsupported non ascii codepoint, should be in range [0, 127), was: -61");
    EXPECT_EQ(messageOf([&] { walk("\xc3\xa9"); }),
              "Unsupported non ascii codepoint, should be in range [0, 127), was: -61");
}

TEST_F(GlyphMeasuring, MissingCharactersAreRejected) {
    EXPECT_EQ(messageOf([&] { atlas->calculateUnscaledTextWidth("ABC"); }),
              "No glyph is stored for codepoint 67");
    EXPECT_EQ(messageOf([&] { walk("CAB"); }), "No glyph is stored for codepoint 67");
}

TEST_F(GlyphMeasuring, WalkStartsTheFirstGlyphAtZeroAndAppliesKerning) {
    EXPECT_EQ(walk("AB"), (std::vector<Visit>{{65, -1, 44}, {66, 11 - 3, 44}}));
    EXPECT_EQ(walk("AVA"), (std::vector<Visit>{{65, -1, 44}, {86, 9, 44}, {65, 21, 44}}));
    EXPECT_EQ(walk("BA"), (std::vector<Visit>{{66, -2, 44}, {65, 9, 44}}));
}

TEST_F(GlyphMeasuring, WalkOfEmptyTextVisitsNothing) {
    EXPECT_TRUE(walk("").empty());
}

TEST(Glyph, KerningLooksUpTheFirstMatchingPair) {
    Glyph glyph;
    glyph.id = 86;
    glyph.addKerning(65, -2);
    glyph.addKerning(76, -4);
    glyph.addKerning(65, -7);
    EXPECT_EQ(glyph.kerningCount, 3);
    EXPECT_EQ(glyph.getKerning(65), -2);
    EXPECT_EQ(glyph.getKerning(76), -4);
    EXPECT_EQ(glyph.getKerning(66), 0);
}

TEST(Glyph, NoKerningBeforeTheFirstCharacter) {
    Glyph glyph;
    glyph.addKerning(0, 5);
    glyph.addKerning(-1, 6);
    EXPECT_EQ(glyph.getKerning(0), 0);
    EXPECT_EQ(glyph.getKerning(-1), 0);
}

TEST(Glyph, HoldsTwentyKerningsAtMost) {
    Glyph glyph;
    glyph.id = 65;
    for (int first = 1; first <= Glyph::kMaxKernings; ++first) {
        glyph.addKerning(first, first);
    }
    EXPECT_EQ(glyph.getKerning(20), 20);
    EXPECT_EQ(messageOf([&] { glyph.addKerning(21, 1); }),
              "Too many kernings for a single glyph (65), a maximum of 20 is supported");
    EXPECT_EQ(glyph.kerningCount, 20);
}

TEST(Glyph, TexCoordsDivideByThePageSize) {
    Glyph glyph;
    glyph.x = 64;
    glyph.y = 32;
    glyph.width = 64;
    glyph.height = 16;
    glyph.calculateTexCoords(512, 256);
    EXPECT_FLOAT_EQ(glyph.texLeft, 0.125f);
    EXPECT_FLOAT_EQ(glyph.texRight, 0.25f);
    EXPECT_FLOAT_EQ(glyph.texTop, 0.125f);
    EXPECT_FLOAT_EQ(glyph.texBottom, 0.1875f);
}

} // namespace
} // namespace kv
