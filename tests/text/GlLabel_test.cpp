// Texts, labels and buttons on the generated font, drawn in a test window with the runtime directory as
// working directory (the label factory reads its shaders from there).
#include "engine/text/GlLabel.hpp"
#include "engine/text/GlLabelButton.hpp"
#include "engine/text/GlText.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/render/OrthoCamera.hpp"
#include "engine/render/Shader.hpp"
#include "engine/text/GlLabelFactory.hpp"
#include "engine/text/GlyphAtlas.hpp"
#include "tests/support/GlTestContext.hpp"

namespace kv::test {
namespace {

class FontFixture : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        previousDirectory = std::filesystem::current_path();
        std::filesystem::current_path(VANTOR_RUNTIME_DIR);
        factory = std::make_unique<GlLabelFactory>("fonts", "OpenSans-Regular.fnt");
        // As the game draws: glyph coverage is the text shader's alpha.
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }

    void TearDown() override {
        factory.reset();
        std::filesystem::current_path(previousDirectory);
        GlTest::TearDown();
    }

    const GlyphAtlas& atlas() const { return *factory->getAtlas(); }
    float atlasSize() const { return static_cast<float>(factory->getAtlas()->size); }

    std::unique_ptr<GlLabelFactory> factory;

private:
    std::filesystem::path previousDirectory;
};

// Bounds, inclusive and in glReadPixels coordinates, of the pixels with a channel above 100 in a read-back of
// the whole framebuffer.
struct PixelBox {
    int minX = 1 << 30, minY = 1 << 30, maxX = -1, maxY = -1;
};
PixelBox litBox(const std::vector<Rgb>& pixels, int width) {
    PixelBox box;
    for (int i = 0; i < static_cast<int>(pixels.size()); ++i) {
        const Rgb& p = pixels[static_cast<std::size_t>(i)];
        if (std::max({p.r, p.g, p.b}) > 100) {
            box = {std::min(box.minX, i % width), std::min(box.minY, i / width), std::max(box.maxX, i % width),
                   std::max(box.maxY, i / width)};
        }
    }
    return box;
}

constexpr int kFloatsPerQuad = 24;
constexpr int kBytesPerQuad = 96;

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

constexpr float kFontSize = 40.0f; // pixels; the window is 256 pixels wide
constexpr int kEdgeTolerance = 1;  // pixels of smoothing allowed outside the text box

class GlLabelTest : public FontFixture {
protected:
    // Draws the label alone, one unit per pixel from the bottom-left corner, and returns its ink.
    PixelBox drawAndMeasure(GlLabel& label) {
        clear();
        label.draw(pixelProjection());
        return litBox(readPixels(0, 0, framebufferWidth(), framebufferHeight()), framebufferWidth());
    }
    // Ink pixels lie within the box from (left, bottom) of the label's scaled size.
    static void expectInside(const PixelBox& ink, float left, float bottom, const vec2& size) {
        ASSERT_GE(ink.maxX, 0) << "no ink";
        EXPECT_GE(ink.minX, std::floor(left) - kEdgeTolerance);
        EXPECT_LE(ink.maxX + 1, std::ceil(left + size.x) + kEdgeTolerance);
        EXPECT_GE(ink.minY, std::floor(bottom) - kEdgeTolerance);
        EXPECT_LE(ink.maxY + 1, std::ceil(bottom + size.y) + kEdgeTolerance);
    }
};

TEST_F(GlLabelTest, OriginPlacesTheTextBoxRelativeToThePositionCentredByDefault) {
    GlLabel label = factory->createLabel("Hgj", kFontSize);
    label.position = vec2(128.0f, 128.0f);
    const vec2 size = label.getDimensions();
    const PixelBox centred = drawAndMeasure(label);
    expectInside(centred, 128.0f - 0.5f * size.x, 128.0f - 0.5f * size.y, size);
    label.origin = vec2(0.0f, 0.0f);
    const PixelBox fromCorner = drawAndMeasure(label);
    expectInside(fromCorner, 128.0f, 128.0f, size);
    // The same ink, moved by half the box.
    EXPECT_NEAR(centred.minX, fromCorner.minX - 0.5f * size.x, 1.0f);
    EXPECT_NEAR(centred.maxY, fromCorner.maxY - 0.5f * size.y, 1.0f);
    label.setFontSize(2 * kFontSize);
    label.position = vec2(8.0f, 8.0f);
    const PixelBox large = drawAndMeasure(label);
    expectInside(large, 8.0f, 8.0f, label.getDimensions());
    EXPECT_GT(large.maxY - large.minY, 1.8f * (fromCorner.maxY - fromCorner.minY));
}

// GLFW's codes.
constexpr int kLeft = 0;
constexpr int kRight = 1;
constexpr int kRelease = 0;
constexpr int kPress = 1;
constexpr int kRepeat = 2;
constexpr int kColorTolerance = 2; // 0..255 units

class GlLabelButtonTest : public FontFixture {
protected:
    void SetUp() override {
        FontFixture::SetUp();
        shapeShader = loadShippedShader("debug");
        dbgShader = shapeShader.get();
    }
    void TearDown() override {
        dbgShader = nullptr;
        shapeShader.reset();
        FontFixture::TearDown();
    }
    // Hovers (or not) the button through the camera at the game point.
    static void moveMouse(GlLabelButton& button, const OrthoCamera& camera, const vec2& gamePoint) {
        button.update(0.0f, camera, windowPointOf(camera, gamePoint));
    }
    std::shared_ptr<Shader> shapeShader;
};

// A 1024 x 512 framebuffer under a camera 512 units tall maps window points to game points exactly, so
// the borders themselves can be tested; the camera is moved, as the play camera is.
TEST_F(GlLabelButtonTest, HoverBoxIsTheExtentAroundThePositionBordersIncludedWhateverTheCaptionOrigin) {
    OrthoCamera camera(512, 1024, 512);
    camera.setPosition(vec2(1000, 0));
    GlLabelButton button = factory->createLabelButton(vec2(250, 60), "Go", 25);
    button.label.position = vec2(1000, 100);
    button.label.origin = vec2(0, 0);
    const struct {
        vec2 at;
        bool hovered;
    } cases[] = {{{875, 70}, true},     {{1125, 130}, true},      {{875, 130}, true},    {{1125, 70}, true},
                 {{1000, 100}, true},   {{874.5f, 100}, false},   {{1125.5f, 100}, false},
                 {{1000, 69.5f}, false}, {{1000, 130.5f}, false}};
    for (const auto& c : cases) {
        moveMouse(button, camera, c.at);
        EXPECT_EQ(button.isHovered(), c.hovered) << c.at.x << ", " << c.at.y;
    }
}

// The pointer given with the event decides, whatever the last update saw: a quick click lands where it is.
TEST_F(GlLabelButtonTest, OnlyALeftPressOverTheButtonClicks) {
    const OrthoCamera camera(256, 256, 256);
    GlLabelButton button = factory->createLabelButton(vec2(100, 40), "Go", 25);
    int clicks = 0;
    button.onClick = [&clicks] { ++clicks; };
    const vec2 off(80, 0);
    const vec2 over(10, 5);
    moveMouse(button, camera, off);
    button.handleMouseButton(kLeft, kPress, 0);
    moveMouse(button, camera, over);
    button.handleMouseButton(kRight, kPress, 0);
    button.handleMouseButton(kLeft, kRelease, 0);
    button.handleMouseButton(kLeft, kRepeat, 0);
    button.handleMouseButton(kLeft, kPress, 0);
    button.handleMouseButton(kLeft, kPress, 0, camera, windowPointOf(camera, off));
    EXPECT_EQ(clicks, 1);
    moveMouse(button, camera, off);
    button.handleMouseButton(kLeft, kPress, 0, camera, windowPointOf(camera, over));
    EXPECT_EQ(clicks, 2);
}

// A button of 100 x 40 at (20, -30) under a camera of one unit per pixel: framebuffer pixels x 98..197,
// y 78..117 (from the bottom), in the colour of its state (active before hovered) beneath the caption.
TEST_F(GlLabelButtonTest, RectangleCoversTheExtentInTheColourOfTheState) {
    const OrthoCamera camera(256, 256, 256);
    ASSERT_EQ(framebufferWidth(), 256);
    GlLabelButton button = factory->createLabelButton(vec2(100, 40), "Go", 25);
    button.label.position = vec2(20, -30);
    const struct {
        bool hovered;
        bool active;
        vec4 color;
    } cases[] = {{false, false, passiveColor}, {true, false, hoverColor}, {false, true, activeColor},
                 {true, true, activeColor}};
    for (const auto& c : cases) {
        moveMouse(button, camera, c.hovered ? vec2(20, -30) : vec2(-100, 100));
        button.active = c.active;
        clear();
        button.draw(camera.projectionView);
        const Rgb expected{int(std::lround(c.color.r * 255)), int(std::lround(c.color.g * 255)),
                           int(std::lround(c.color.b * 255))};
        for (const auto& [x, y] : {std::pair{98, 78}, {197, 78}, {98, 117}, {197, 117}}) {
            EXPECT_TRUE(isNear(readPixel(x, y), expected, kColorTolerance)) << x << ", " << y;
        }
        for (const auto& [x, y] : {std::pair{97, 90}, {198, 90}, {150, 77}, {150, 118}}) {
            EXPECT_EQ(readPixel(x, y), kBlack) << x << ", " << y;
        }
    }
    // Fully covered glyph pixels show the caption colour (1, 1, 0.5).
    bool found = false;
    for (const Rgb& pixel : readPixels(98, 78, 100, 40)) {
        found = found || isNear(pixel, Rgb{255, 255, 128}, kColorTolerance);
    }
    EXPECT_TRUE(found);
}

} // namespace
} // namespace kv::test
