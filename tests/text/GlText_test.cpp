#include "engine/text/GlText.hpp"

#include <memory>
#include <sstream>
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

TEST(GlyphQuad, TwoTrianglesHangDownFromThePen) {
    Glyph glyph;
    glyph.xoffset = 2;
    glyph.yoffset = 3;
    glyph.width = 10;
    glyph.height = 12;
    glyph.texLeft = 0.25f;
    glyph.texRight = 0.5f;
    glyph.texTop = 0.125f;
    glyph.texBottom = 0.375f;

    const GlyphQuad quad(glyph, vec2(5.0f, 40.0f));

    // L = 7, R = 17, T = 37, B = 25.
    const std::array<float, 24> expected = {
        7,  25, 0.25f, 0.375f, // L, B
        17, 25, 0.5f,  0.375f, // R, B
        7,  37, 0.25f, 0.125f, // L, T
        7,  37, 0.25f, 0.125f, // L, T
        17, 25, 0.5f,  0.375f, // R, B
        17, 37, 0.5f,  0.125f, // R, T
    };
    EXPECT_EQ(quad.values, expected);
}

class GlTextTest : public FontFixture {
protected:
    static GLint bufferSize(const GlText& text) {
        glBindBuffer(GL_ARRAY_BUFFER, text.getVertexBuffer());
        GLint size = 0;
        glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
        return size;
    }

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

TEST_F(GlTextTest, FirstDrawBuildsOneQuadPerCharacterInStringOrder) {
    GlText text = factory->createText("12", 0);
    EXPECT_TRUE(text.isDirty());
    EXPECT_EQ(bufferSize(text), 0) << "nothing is uploaded before the first draw";
    text.draw();
    EXPECT_FALSE(text.isDirty());
    EXPECT_EQ(text.getGlyphCount(), 2);
    EXPECT_EQ(text.getBuildCount(), 1);
    EXPECT_EQ(bufferSize(text), 2 * kBytesPerQuad);
    EXPECT_EQ(bufferQuads(text, 2), expectedQuads("12"));
}

TEST_F(GlTextTest, OnlyADifferentStringThanTheBufferedOneCostsARebuild) {
    GlText text = factory->createText("12", 0);
    text.draw();
    text.setText("12");
    EXPECT_FALSE(text.isDirty());
    text.setText("9");
    EXPECT_TRUE(text.isDirty());
    text.setText("12");
    EXPECT_FALSE(text.isDirty()) << "back to the buffered string before a draw";
    text.setFontSize(3 * atlasSize());
    EXPECT_FALSE(text.isDirty()) << "the size is applied when drawing";
    text.draw();
    EXPECT_EQ(text.getBuildCount(), 1);
}

TEST_F(GlTextTest, ShorterStringsReuseTheBufferAndLongerOnesGrowIt) {
    GlText text = factory->createText("12", 0);
    text.draw();
    text.setText("9");
    text.draw();
    EXPECT_EQ(text.getBuildCount(), 2);
    EXPECT_EQ(text.getBufferCapacity(), 2);
    EXPECT_EQ(text.getGlyphCount(), 1);
    EXPECT_EQ(bufferSize(text), 2 * kBytesPerQuad);
    EXPECT_EQ(bufferQuads(text, 1), expectedQuads("9"));
    text.setText("12345");
    text.draw();
    EXPECT_EQ(text.getBufferCapacity(), 5);
    EXPECT_EQ(bufferSize(text), 5 * kBytesPerQuad);
    EXPECT_EQ(bufferQuads(text, 5), expectedQuads("12345"));
}

TEST_F(GlTextTest, EmptyTextDrawsNothingAndUploadsNothing) {
    GlText text = factory->createText("", 0);
    text.draw();
    EXPECT_EQ(text.getBuildCount(), 0);
    EXPECT_EQ(bufferSize(text), 0);
    EXPECT_EQ(text.getDimensions(), vec2(0.0f, static_cast<float>(atlas().lineHeight)));
}

TEST_F(GlTextTest, ScaleIsRequestedSizeOverAtlasSizeAndDimensionsFollowStringAndSize) {
    EXPECT_EQ(factory->createText("a", 0).getScale(), 1.0f);
    EXPECT_EQ(factory->createText("a", -5).getScale(), 1.0f);
    EXPECT_FLOAT_EQ(factory->createText("a", 2 * atlasSize()).getScale(), 2.0f);
    GlText text = factory->createText("12", 0);
    EXPECT_EQ(text.getDimensions(), atlas().calculateTextDimensions("12", 0));
    text.setText("Wide text");
    EXPECT_EQ(text.getDimensions(), atlas().calculateTextDimensions("Wide text", 0));
    text.setFontSize(0.5f * atlasSize());
    EXPECT_FLOAT_EQ(text.getScale(), 0.5f);
    EXPECT_EQ(text.getDimensions(), atlas().calculateTextDimensions("Wide text", 0.5f * atlasSize()));
}

TEST_F(GlTextTest, AFontWithoutAPositiveSizeIsDrawnAndMeasuredAtItsOwnSize) {
    for (const char* size : {"0", "-5"}) {
        std::istringstream description(std::string("info face=\"Bare\" size=") + size +
                                       " bold=0 italic=0 charset=\"\" unicode=1\n"
                                       "common lineHeight=44 base=35 scaleW=256 scaleH=128 pages=1 packed=0\n"
                                       "page id=0 file=\"Bare_0.png\"\nchars count=0\nkernings count=0\n");
        const GlText text(std::make_shared<const GlyphAtlas>(description), nullptr, "", 20.0f);
        EXPECT_EQ(text.getScale(), 1.0f) << size;
        EXPECT_EQ(text.getDimensions(), vec2(0.0f, 44.0f)) << size;
    }
}

TEST_F(GlTextTest, UnsupportedCharacterFailsAtDrawAndKeepsTheTextDirty) {
    GlText text = factory->createText("12", 0);
    text.draw();
    text.setText("9\xc3\xa9"); // UTF-8: bytes outside ASCII
    EXPECT_THROW(text.draw(), std::runtime_error);
    EXPECT_TRUE(text.isDirty());
    // The failed build overwrote the first quad, so the old string has to be built again.
    text.setText("12");
    EXPECT_TRUE(text.isDirty());
    text.draw();
    EXPECT_EQ(bufferQuads(text, 2), expectedQuads("12"));
}

TEST_F(GlTextTest, MovedTextTakesOverTheGlNamesAndTheMovedFromReleasesNothing) {
    GlText source = factory->createText("12", 0);
    source.draw();
    const GLuint vao = source.getVertexArray();
    const GLuint vbo = source.getVertexBuffer();
    {
        GlText target(std::move(source));
        EXPECT_EQ(target.getVertexArray(), vao);
        EXPECT_EQ(target.getVertexBuffer(), vbo);
        EXPECT_EQ(target.getText(), "12");
        EXPECT_FALSE(target.isDirty());
        EXPECT_EQ(source.getVertexBuffer(), 0u);
        EXPECT_EQ(source.getText(), "");
        EXPECT_EQ(source.getScale(), 1.0f);
        EXPECT_EQ(source.getDimensions(), vec2(0.0f, static_cast<float>(atlas().lineHeight)));
    }
    EXPECT_FALSE(glIsBuffer(vbo));
    EXPECT_FALSE(glIsVertexArray(vao));

    GlText target = factory->createText("1", 0);
    const GLuint oldBuffer = target.getVertexBuffer();
    target = factory->createText("12", 0);
    EXPECT_FALSE(glIsBuffer(oldBuffer));
    ASSERT_TRUE(glIsBuffer(target.getVertexBuffer()));
    target.draw();
    EXPECT_EQ(bufferQuads(target, 2), expectedQuads("12"));
}

} // namespace
} // namespace kv::test
