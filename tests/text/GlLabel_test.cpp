// Texts, labels and buttons on the generated font, drawn in a test window with the runtime directory as
// working directory (the label factory reads its shaders from there).
#include "engine/text/GlLabel.hpp"
#include "engine/text/GlLabelButton.hpp"
#include "engine/text/GlText.hpp"

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "engine/render/OrthoCamera.hpp"
#include "engine/render/Shader.hpp"
#include "engine/text/GlLabelFactory.hpp"
#include "engine/text/GlyphAtlas.hpp"
#include "tests/support/GlTestContext.hpp"

namespace kv::test {
namespace {

constexpr int kFloatsPerQuad = 24;

class FontFixture : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        previousDirectory = std::filesystem::current_path();
        std::filesystem::current_path(VANTOR_RUNTIME_DIR);
        factory = std::make_unique<GlLabelFactory>("fonts", "OpenSans-Regular.fnt");
        shapeShader = loadShippedShader("debug");
        dbgShader = shapeShader.get();
        // As the game draws: glyph coverage is the text shader's alpha.
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }

    void TearDown() override {
        dbgShader = nullptr;
        shapeShader.reset();
        factory.reset();
        std::filesystem::current_path(previousDirectory);
        GlTest::TearDown();
    }

    const GlyphAtlas& atlas() const { return *factory->getAtlas(); }
    float atlasSize() const { return static_cast<float>(factory->getAtlas()->size); }

    // The first glyph quads of the buffer.
    static std::vector<float> bufferQuads(const GlText& text, int quads) {
        std::vector<float> values(static_cast<std::size_t>(quads * kFloatsPerQuad));
        glBindBuffer(GL_ARRAY_BUFFER, text.getVertexBuffer());
        glGetBufferSubData(GL_ARRAY_BUFFER, 0, quads * kFloatsPerQuad * sizeof(float), values.data());
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

    std::unique_ptr<GlLabelFactory> factory;
    std::shared_ptr<Shader> shapeShader;

private:
    std::filesystem::path previousDirectory;
};

using GlTextTest = FontFixture;
using GlLabelTest = FontFixture;
using GlLabelButtonTest = FontFixture;

// A score label is set every frame: only a new string may cost a rebuild, and every change must show. A
// moved-from text releases nothing and stays measurable; the moved-to one draws.
TEST_F(GlTextTest, DrawBuildsTheQuadsOfTheStringAgainOnlyWhenItChangedAndAMoveTakesTheGlNames) {
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

    const GLuint vbo = text.getVertexBuffer();
    GlText moved(std::move(text));
    EXPECT_EQ(text.getVertexBuffer(), 0u);
    EXPECT_EQ(text.getDimensions(), atlas().calculateTextDimensions("", 3 * atlasSize()));
    moved = factory->createText("12", 0);
    EXPECT_FALSE(glIsBuffer(vbo)) << "the old buffer of the target goes";
    moved.draw();
    EXPECT_EQ(bufferQuads(moved, 2), expectedQuads("12"));
}

constexpr float kFontSize = 40.0f; // pixels; the window is 256 pixels wide
constexpr int kEdgeTolerance = 1;  // pixels of smoothing allowed outside the text box

TEST_F(GlLabelTest, OriginPlacesTheTextBoxRelativeToThePositionCentredByDefault) {
    struct InkBox {
        int minX = INT_MAX, minY = INT_MAX, maxX = -1, maxY = -1; // inclusive, in glReadPixels coordinates
    };
    GlLabel label = factory->createLabel("Hgj", kFontSize);
    // Draws the label alone, one unit per pixel from the bottom-left corner, and returns the bounds of its ink
    // (the pixels with a channel above 100), which lie in the box of the label's size from (left, bottom).
    const auto inkWithin = [&](float left, float bottom) {
        clear();
        label.draw(pixelProjection());
        const std::vector<Rgb> pixels = readPixels(0, 0, framebufferWidth(), framebufferHeight());
        InkBox ink;
        for (int i = 0; i < static_cast<int>(pixels.size()); ++i) {
            const Rgb& p = pixels[static_cast<std::size_t>(i)];
            if (std::max({p.r, p.g, p.b}) > 100) {
                const int x = i % framebufferWidth();
                const int y = i / framebufferWidth();
                ink = {std::min(ink.minX, x), std::min(ink.minY, y), std::max(ink.maxX, x),
                       std::max(ink.maxY, y)};
            }
        }
        const vec2 size = label.getDimensions();
        EXPECT_GE(ink.maxX, 0) << "no ink";
        EXPECT_GE(ink.minX, std::floor(left) - kEdgeTolerance);
        EXPECT_LE(ink.maxX + 1, std::ceil(left + size.x) + kEdgeTolerance);
        EXPECT_GE(ink.minY, std::floor(bottom) - kEdgeTolerance);
        EXPECT_LE(ink.maxY + 1, std::ceil(bottom + size.y) + kEdgeTolerance);
        return ink;
    };
    label.position = vec2(128.0f, 128.0f);
    const vec2 size = label.getDimensions();
    const InkBox centred = inkWithin(128.0f - 0.5f * size.x, 128.0f - 0.5f * size.y);
    label.origin = vec2(0.0f, 0.0f);
    const InkBox fromCorner = inkWithin(128.0f, 128.0f);
    // The same ink, moved by half the box.
    EXPECT_NEAR(centred.minX, fromCorner.minX - 0.5f * size.x, 1.0f);
    EXPECT_NEAR(centred.maxY, fromCorner.maxY - 0.5f * size.y, 1.0f);
    label.setFontSize(2 * kFontSize);
    label.position = vec2(8.0f, 8.0f);
    const InkBox large = inkWithin(8.0f, 8.0f);
    EXPECT_GT(large.maxY - large.minY, 1.8f * (fromCorner.maxY - fromCorner.minY));
}

constexpr int kColorTolerance = 2; // 0..255 units

// Hovers (or not) the button through the camera at the game point.
void moveMouse(GlLabelButton& button, const OrthoCamera& camera, const vec2& gamePoint) {
    button.update(0.0f, camera, windowPointOf(camera, gamePoint));
}

// A button of 100 x 40 at (1020, -30) under a camera of one unit per pixel, moved as the play camera is:
// framebuffer pixels x 98..197, y 78..117 (from the bottom). Window points map to game points exactly, so
// the borders themselves can be tested. The caption is placed from its corner, which moves the text only.
TEST_F(GlLabelButtonTest, HoverBoxAndRectangleAreTheExtentAroundThePositionAndOnlyALeftPressInItClicks) {
    OrthoCamera camera(256, 256, 256);
    camera.setPosition(vec2(1000, 0));
    ASSERT_EQ(framebufferWidth(), 256);
    GlLabelButton button = factory->createLabelButton(vec2(100, 40), "Go", 25);
    button.label.position = vec2(1020, -30);
    button.label.origin = vec2(0, 0);
    int clicks = 0;
    button.onClick = [&clicks] { ++clicks; };
    // The rectangle in the colour of the state, beneath the caption (1, 1, 0.5 where a glyph covers it).
    const auto expectRectangle = [&](const vec4& color) {
        clear();
        button.draw(camera.projectionView);
        const Rgb expected{int(std::lround(color.r * 255)), int(std::lround(color.g * 255)),
                           int(std::lround(color.b * 255))};
        for (const auto& [x, y] : {std::pair{98, 78}, {197, 78}, {98, 117}, {197, 117}}) {
            EXPECT_TRUE(isNear(readPixel(x, y), expected, kColorTolerance)) << x << ", " << y;
        }
        for (const auto& [x, y] : {std::pair{97, 90}, {198, 90}, {110, 77}, {110, 118}}) {
            EXPECT_EQ(readPixel(x, y), kBlack) << x << ", " << y;
        }
        const std::vector<Rgb> inside = readPixels(98, 78, 100, 40);
        EXPECT_TRUE(std::any_of(inside.begin(), inside.end(),
                                [](const Rgb& p) { return isNear(p, Rgb{255, 255, 128}, kColorTolerance); }));
    };
    const struct {
        vec2 at;
        bool hovered;
    } cases[] = {{{970, -50}, true},      {{1070, -10}, true},      {{970, -10}, true},
                 {{1070, -50}, true},     {{1020, -30}, true},      {{969.5f, -30}, false},
                 {{1070.5f, -30}, false}, {{1020, -50.5f}, false}, {{1020, -9.5f}, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "pointer at " << c.at.x << ", " << c.at.y);
        moveMouse(button, camera, c.at);
        EXPECT_EQ(button.isHovered(), c.hovered);
        button.active = true;
        expectRectangle(activeColor);
        button.active = false;
        expectRectangle(c.hovered ? hoverColor : passiveColor);
        // Only a left press clicks; without a pointer, where the last update saw the pointer.
        for (const auto& [key, action] :
             {std::pair{GLFW_MOUSE_BUTTON_RIGHT, GLFW_PRESS}, {GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE},
              {GLFW_MOUSE_BUTTON_LEFT, GLFW_REPEAT}, {GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS}}) {
            button.handleMouseButton(key, action, 0);
        }
        // The pointer given with the event decides whatever the last update saw: a quick click lands there.
        moveMouse(button, camera, c.hovered ? vec2(900, 100) : vec2(1020, -30));
        button.handleMouseButton(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS, 0, camera, windowPointOf(camera, c.at));
        EXPECT_EQ(std::exchange(clicks, 0), c.hovered ? 2 : 0);
    }
}

} // namespace
} // namespace kv::test
