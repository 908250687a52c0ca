#include "engine/text/GlyphAtlas.hpp"

#include <climits>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/ErrorText.hpp"

namespace kv {
namespace {

using test::errorOf;

// A small font: space, A, B and V, with V kerned after A.
const std::string kHeader = "info face=\"Test Sans\" size=32 bold=0 italic=0 charset=\"\" unicode=1\n"
                            "common lineHeight=44 base=35 scaleW=256 scaleH=128 pages=1 packed=0\n"
                            "page id=0 file=\"Test Sans_0.png\"\n";
const std::string kFont =
    kHeader + "chars count=4\n"
    "char id=32   x=0     y=0     width=0     height=0 xoffset=0 yoffset=0     xadvance=8  page=0 chnl=15\n"
    "char id=65 x=10 y=20 width=10 height=40 xoffset=1 yoffset=5 xadvance=12 page=0 chnl=15\n"
    "char id=66 x=30 y=20 width=9 height=40 xoffset=2 yoffset=5 xadvance=11 page=0 chnl=15\n"
    "char id=86 x=50 y=20 width=12 height=40 xoffset=0 yoffset=5 xadvance=12 page=0 chnl=15\n"
    "kernings count=1\nkerning first=65 second=86 amount=-2\n";

// Throws std::out_of_range when from is not in the text, which fails the test.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

std::unique_ptr<GlyphAtlas> atlasFrom(const std::string& description) {
    std::istringstream in(description);
    return std::make_unique<GlyphAtlas>(in);
}

// The walks below see the metrics; here the rest of what is read, whatever the line ends.
TEST(GlyphAtlas, ReadsThePageTexCoordsAndKerningsWhateverTheLineEnds) {
    const std::string windows = std::regex_replace(kFont, std::regex("\n"), "\r\n");
    for (const std::string& text : {kFont, windows, kFont.substr(0, kFont.size() - 1)}) {
        const auto atlas = atlasFrom(text);
        const Glyph& a = atlas->getGlyph('A');
        EXPECT_EQ(std::tuple(atlas->pageFile, a.texLeft, a.texRight, a.texTop, a.texBottom),
                  std::tuple("Test Sans_0.png", 10 / 256.0f, 20 / 256.0f, 20 / 128.0f, 60 / 128.0f));
        EXPECT_EQ(std::tuple(atlas->getGlyph('V').getKerning('A'), a.getKerning('V'), atlas->glyphs['C'].id),
                  std::tuple(-2, 0, -1)) << "kerning is stored on the pair's second character; C is absent";
        EXPECT_EQ(errorOf([&] { atlas->getGlyph(127); }),
                  "Unsupported non ascii codepoint, should be in range [0, 127), was: 127");
    }
}

TEST(GlyphAtlas, EachKindOfMalformedDescriptionAndEveryCutIsReportedWithItsMessage) {
    const std::string outOfAscii = "Unsupported non ascii codepoint, should be in range [0, 127), was: ";
    const std::string kerningLines = "kernings count=1\nkerning first=65 second=86 amount=-2\n";
    std::string tooManyKernings = "kernings count=21\n";
    for (int first = 1; first <= 21; ++first) {
        tooManyKernings += "kerning first=" + std::to_string(first) + " second=86 amount=-1\n";
    }
    const std::tuple<std::string, std::string, std::string> edits[] = {
        {"pages=1", "pages=2", "Only 1 page atlas is supported, expected: 1, actual: 2"},
        {"x=10 y=20", "y=20 x=10", "Unexpected tag, expected: x, actual: y"},
        {"file=\"Test Sans_0.png\"", "file=page.png", "Invalid string property, expected: \", actual: p"},
        {"char id=66", "char id=127", outOfAscii + "127"},
        {"second=86", "second=-2147483648", outOfAscii + "-2147483648"},
        {"second=86", "second=67", "No glyph is stored for codepoint 67"},
        {"chars count=4", "chars count=2000000000", "Unexpected tag, expected: char, actual: kernings"},
        {"chars count=4", "chars count=-4", "Unexpected tag, expected: kernings, actual: char"},
        {"kernings count=1", "kernings count=99999999999", "Unexpected tag, expected: kerning, actual: "},
        {"size=32", "size=99999999999", "Couldn't skip required number of line, still wanted to skip 1 lines"},
        {"amount=-2", "amount=-", "Unreadable number at the end of the font description"},
        {kerningLines, "", "Unexpected tag, expected: kernings, actual: "},
        {kerningLines, tooManyKernings,
         "Too many kernings for a single glyph (86), a maximum of 20 is supported"},
    };
    for (const auto& [from, to, message] : edits) {
        EXPECT_EQ(errorOf([&] { atlasFrom(replaced(kFont, from, to)); }), message) << to;
    }
    // A corrupt file holding one endless token is not quoted whole.
    const std::string endless = errorOf([] { atlasFrom(std::string(1 << 20, 'x')); });
    EXPECT_EQ(endless.rfind("Unexpected tag, expected: info, actual: xxxx", 0), 0u);
    EXPECT_LT(endless.size(), 200u);
    // A cut after the first digit of the last value leaves a complete, if different, description.
    const std::size_t lastDigit = kFont.rfind("amount=-") + std::string("amount=-").size();
    for (std::size_t length = 0; length < lastDigit; ++length) {
        EXPECT_NE(errorOf([&] { atlasFrom(kFont.substr(0, length)); }), "<no error>") << "cut at " << length;
    }
}

// Widths leave kerning out; the walk, which places each glyph's pen, applies it. A font size scales widths
// and heights when both it and the font's own size are positive. The huge metrics of a corrupt file (H)
// overflow nothing: pens and widths stop at the largest int.
TEST(GlyphMeasuring, WidthIsTheAdvancesPlusTheLastExtentTheWalkAppliesKerningAndFontSizeScales) {
    const std::string huge = "char id=72 x=2147483647 y=2147483647 width=2147483647 height=2147483647 "
                             "xoffset=-2147483648 yoffset=5 xadvance=2147483647 page=0 chnl=15\n";
    const auto atlas = atlasFrom(replaced(replaced(kFont, "chars count=4\n", "chars count=5\n" + huge),
                                          "kernings count=1\n",
                                          "kernings count=2\nkerning first=65 second=66 amount=-3\n"));
    using Visit = std::tuple<int, int, int>; // glyph id, pen x, top of the line
    const std::tuple<std::string, int, std::vector<Visit>> cases[] = { // text, width, visits
        {"AB", 12 + 9 + 2, {{65, -1, 44}, {66, 11 - 3, 44}}},
        {"A A", 12 + 8 + 11, {{65, -1, 44}, {32, 11, 44}, {65, 19, 44}}},
        {"AVA", 12 + 12 + 11, {{65, -1, 44}, {86, 9, 44}, {65, 21, 44}}},
        {"BA", 11 + 11, {{66, -2, 44}, {65, 9, 44}}},
        {"", 0, {}},
        {"HHH", INT_MAX, {{72, INT_MAX, 44}, {72, INT_MAX, 44}, {72, INT_MAX, 44}}},
    };
    for (const auto& [text, width, walk] : cases) {
        std::vector<Visit> visits;
        atlas->walkForRender(text, [&](const Glyph& glyph, int x, int top) {
            visits.emplace_back(glyph.id, x, top);
        });
        EXPECT_EQ(visits, walk) << text;
        EXPECT_EQ(atlas->calculateUnscaledTextWidth(text), width) << text;
    }
    const Glyph& h = atlas->getGlyph('H');
    EXPECT_TRUE(h.texRight > h.texLeft && h.texBottom > h.texTop) << "the far edges wrapped around";
    EXPECT_EQ(atlasFrom(kHeader + "chars count=0\nkernings count=0\n")->calculateTextDimensions("", 0.0f),
              vec2(0.0f, 44.0f));
    EXPECT_FLOAT_EQ(atlas->calculateTextWidth("AB", 16.0f), 11.5f);
    EXPECT_EQ(atlas->calculateTextDimensions("AB", 64.0f), vec2(46.0f, 88.0f));
    EXPECT_FLOAT_EQ(atlas->calculateTextWidth("AB", 0.0f), 23.0f);
    EXPECT_FLOAT_EQ(atlas->calculateTextWidth("AB", -10.0f), 23.0f);
    for (const char* size : {"size=0", "size=-5"}) {
        const auto unsized = atlasFrom(replaced(kFont, "size=32", size));
        EXPECT_FLOAT_EQ(unsized->calculateTextWidth("AB", 64.0f), 23.0f) << size;
    }
}

} // namespace
} // namespace kv
