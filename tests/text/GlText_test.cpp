#include "engine/text/GlText.hpp"

#include <array>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/text/GlyphAtlas.hpp"
#include "tests/text/FontFixture.hpp"

namespace kv::test {
namespace {

constexpr int kFloatsPerQuad = 24;
constexpr int kBytesPerQuad = 96;

// L = 7, R = 17, T = 37, B = 25: x, y, u, v of L B, R B, L T, L T, R B, R T.
TEST(GlyphQuad, TwoTrianglesHangDownFromThePen) {
    const Glyph glyph{.width = 10, .height = 12, .xoffset = 2, .yoffset = 3, .texLeft = 0.25f, .texRight = 0.5f,
                      .texBottom = 0.375f, .texTop = 0.125f};
    const std::array<float, 24> expected = {7,  25, 0.25f, 0.375f, 17, 25, 0.5f,  0.375f,
                                            7,  37, 0.25f, 0.125f, 7,  37, 0.25f, 0.125f,
                                            17, 25, 0.5f,  0.375f, 17, 37, 0.5f,  0.125f};
    EXPECT_EQ(GlyphQuad(glyph, vec2(5.0f, 40.0f)).values, expected);
}

class GlTextTest : public FontFixture {
protected:
    // The first glyph quads of the buffer.
    static std::vector<float> bufferQuads(const GlText& text, int quads) {
        std::vector<float> values(static_cast<std::size_t>(quads * kFloatsPerQuad));
        glBindBuffer(GL_ARRAY_BUFFER, text.getVertexBuffer());
        glGetBufferSubData(GL_ARRAY_BUFFER, 0, quads * kBytesPerQuad, values.data());
        return values;
    }
    // The quads the atlas lays out for a string.
    std::vector<float> expectedQuads(const std::string& s) const {
        std::vector<float> values;
        atlas().walkForRender(s, [&](const Glyph& glyph, int x, int y) {
            const GlyphQuad quad(glyph, vec2(static_cast<float>(x), static_cast<float>(y)));
            values.insert(values.end(), quad.values.begin(), quad.values.end());
        });
        return values;
    }
};

// A score label is set every frame: only a new string may cost a rebuild, and every change must show.
TEST_F(GlTextTest, DrawBuildsTheQuadsOfTheStringAgainOnlyWhenItChanged) {
    GlText text = factory->createText("12", 0);
    text.draw();
    EXPECT_EQ(bufferQuads(text, 2), expectedQuads("12"));
    text.setText("12");
    text.setText("9");
    text.setText("12");
    text.setFontSize(3 * atlasSize());
    text.draw();
    EXPECT_EQ(text.getBuildCount(), 1) << "back to the buffered string before a draw; size applies at draw";
    text.setText("9");
    text.draw();
    EXPECT_EQ(text.getGlyphCount(), 1);
    EXPECT_EQ(bufferQuads(text, 1), expectedQuads("9"));
    text.setText("12345");
    text.draw();
    EXPECT_EQ(text.getBuildCount(), 3);
    EXPECT_EQ(bufferQuads(text, 5), expectedQuads("12345"));
    EXPECT_EQ(text.getDimensions(), atlas().calculateTextDimensions("12345", 3 * atlasSize()));
}

TEST_F(GlTextTest, EmptyTextBuildsNothingAndAnUnsupportedCharacterFailsAtDrawKeepingTheTextDirty) {
    GlText empty = factory->createText("", 0);
    empty.draw();
    EXPECT_EQ(empty.getBuildCount(), 0);
    GlText text = factory->createText("12", 0);
    text.draw();
    text.setText("9\xc3\xa9"); // UTF-8: bytes outside ASCII
    EXPECT_THROW(text.draw(), std::runtime_error);
    EXPECT_TRUE(text.isDirty());
    // The failed build overwrote the first quad, so the old string has to be built again.
    text.setText("12");
    text.draw();
    EXPECT_EQ(bufferQuads(text, 2), expectedQuads("12"));
}

// A moved-from text releases nothing and stays measurable; the moved-to one draws.
TEST_F(GlTextTest, MovedTextTakesOverTheGlNamesAndTheMovedFromReleasesNothing) {
    GlText source = factory->createText("12", 0);
    source.draw();
    const GLuint vbo = source.getVertexBuffer();
    GlText target(std::move(source));
    EXPECT_EQ(source.getVertexBuffer(), 0u);
    EXPECT_EQ(source.getDimensions(), vec2(0.0f, static_cast<float>(atlas().lineHeight)));
    target = factory->createText("12", 0);
    EXPECT_FALSE(glIsBuffer(vbo)) << "the old buffer of the target goes";
    target.draw();
    EXPECT_EQ(bufferQuads(target, 2), expectedQuads("12"));
}

} // namespace
} // namespace kv::test
