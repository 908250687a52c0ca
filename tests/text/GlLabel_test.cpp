// Texts, labels and buttons on the generated font, drawn in a test window; the label factory reads from an
// asset root that holds the font alone, so that texts and buttons draw with the engine's own shaders.
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
#include <glm/common.hpp>
#include <gtest/gtest.h>

#include "engine/core/AssetFiles.hpp"
#include "engine/render/OrthoCamera.hpp"
#include "engine/render/Shader.hpp"
#include "engine/text/GlLabelFactory.hpp"
#include "engine/text/GlyphAtlas.hpp"
#include "tests/support/GlTestContext.hpp"

namespace kv::test {
namespace {

class GlTextTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        std::filesystem::create_directory_symlink(std::filesystem::path(VANTOR_RUNTIME_DIR) / "fonts",
                                                  scratchPath("fonts"));
        setAssetRoot(scratchPath(""));
        factory = std::make_unique<GlLabelFactory>("fonts", "OpenSans-Regular.fnt");
        // As the game draws: glyph coverage is the text shader's alpha.
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }

    void TearDown() override {
        setAssetRoot("");
        factory.reset();
        GlTest::TearDown();
    }

    // A reused buffer must hold what the buffer of a text never changed holds for the same string.
    void expectBufferHoldsItsString(const GlText& text) const {
        const GlText fresh = factory->createText(text.getText(), 0);
        fresh.draw();
        EXPECT_EQ(verticesOf(text), verticesOf(fresh)) << text.getText();
    }
    static std::vector<float> verticesOf(const GlText& text) {
        std::vector<float> vertices(text.getGlyphCount() * sizeof(GlyphQuad) / sizeof(float));
        glBindBuffer(GL_ARRAY_BUFFER, text.getVertexBuffer());
        glGetBufferSubData(GL_ARRAY_BUFFER, 0, vertices.size() * sizeof(float), vertices.data());
        return vertices;
    }

    std::unique_ptr<GlLabelFactory> factory;
};

using GlLabelTest = GlTextTest;
using GlLabelButtonTest = GlTextTest;

// A score label is set every frame: only a new string may cost a rebuild, and every change must show. A
// moved-from text releases nothing and stays measurable; the moved-to one draws.
TEST_F(GlTextTest, DrawBuildsTheQuadsOfTheStringAgainOnlyWhenItChangedAndAMoveTakesTheGlNames) {
    const GlyphAtlas& atlas = *factory->getAtlas();
    const float fontSize = 3.0f * static_cast<float>(atlas.size);
    GlText text = factory->createText("12", 0);
    text.draw();
    expectBufferHoldsItsString(text);
    text.setText("12");
    text.setText("9");
    text.setText("12");
    text.setFontSize(fontSize);
    text.draw();
    EXPECT_EQ(text.getBuildCount(), 1) << "back to the buffered string before a draw; size applies at draw";
    text.setText("9");
    text.draw();
    expectBufferHoldsItsString(text);
    text.setText("12345");
    text.draw();
    EXPECT_EQ(text.getBuildCount(), 3);
    expectBufferHoldsItsString(text);
    // The generated font's digits advance 25 pixels, the last one inks 31 past its pen; a line is 60 high.
    EXPECT_EQ(text.getDimensions(), 3.0f * vec2(4 * 25 + 31, 60));

    const GLuint vbo = text.getVertexBuffer();
    GlText moved(std::move(text));
    EXPECT_EQ(text.getVertexBuffer(), 0u);
    EXPECT_EQ(text.getDimensions(), vec2(0, 3 * 60));
    moved = factory->createText("12", 0);
    EXPECT_FALSE(glIsBuffer(vbo)) << "the old buffer of the target goes";
    moved.draw();
    expectBufferHoldsItsString(moved);
}

constexpr float kFontSize = 44.0f; // pixels, the font's own size; the window is 256 pixels wide
constexpr int kEdgeTolerance = 1;  // pixels of smoothing allowed outside the text box

// At the font's own size the outline lies at distance 0.475, smoothed 0.0875 each side; the page mipmaps.
TEST_F(GlLabelTest, OriginPlacesTheTextBoxCentredByDefaultAndTheOutlineFitsTheSize) {
    GlLabel label = factory->createLabel("Hgj", kFontSize);
    // Draws the label alone, one unit per pixel from the bottom-left corner, and returns the lowest and the
    // highest corner of its ink (the pixels with a channel above 100), which lie in the box of the label's
    // size from the corner given.
    const auto inkWithin = [&](const vec2& corner) {
        clear();
        label.draw(pixelProjection());
        const std::vector<Rgb> pixels = readPixels(0, 0, kWindowSize, kWindowSize);
        glm::ivec2 low(INT_MAX), high(-1); // inclusive, in glReadPixels coordinates
        for (int i = 0; i < static_cast<int>(pixels.size()); ++i) {
            const Rgb& p = pixels[static_cast<std::size_t>(i)];
            if (std::max({p.r, p.g, p.b}) > 100) {
                const glm::ivec2 at(i % kWindowSize, i / kWindowSize);
                low = glm::min(low, at);
                high = glm::max(high, at);
            }
        }
        const vec2 far = corner + label.getDimensions();
        EXPECT_GE(high.x, 0) << "no ink";
        EXPECT_GE(low.x, std::floor(corner.x) - kEdgeTolerance);
        EXPECT_LE(high.x + 1, std::ceil(far.x) + kEdgeTolerance);
        EXPECT_GE(low.y, std::floor(corner.y) - kEdgeTolerance);
        EXPECT_LE(high.y + 1, std::ceil(far.y) + kEdgeTolerance);
        return std::pair(low, high);
    };
    label.position = vec2(128.0f, 128.0f);
    const vec2 size = label.getDimensions();
    const auto [centredLow, centredHigh] = inkWithin(label.position - 0.5f * size);
    label.origin = vec2(0.0f, 0.0f);
    const auto [low, high] = inkWithin(label.position);
    GLint pageFilter = 0; // of the page the label left bound
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &pageFilter);
    EXPECT_EQ(pageFilter, GL_LINEAR_MIPMAP_LINEAR);
    const Shader& shader = *factory->getShader();
    for (const auto& [uniform, expected] : {std::pair{"edge", 0.475f}, {"softness", 0.0875f}}) {
        float drawn = -1.0f;
        glGetUniformfv(shader.getProgramId(), shader.getUniformLocation(uniform), &drawn);
        EXPECT_NEAR(drawn, expected, 1e-6f) << uniform;
    }
    // The same ink, moved by half the box.
    EXPECT_NEAR(centredLow.x, low.x - 0.5f * size.x, 1.0f);
    EXPECT_NEAR(centredHigh.y, high.y - 0.5f * size.y, 1.0f);
    label.setFontSize(2 * kFontSize);
    label.position = vec2(8.0f, 8.0f);
    const auto [largeLow, largeHigh] = inkWithin(label.position);
    EXPECT_GT(largeHigh.y - largeLow.y, 1.8f * (high.y - low.y));
}

constexpr int kColorTolerance = 2; // 0..255 units

// A button of 100 x 40 at (1020, -30) under a camera of one unit per pixel, moved as the play camera is:
// framebuffer pixels x 98..197, y 78..117 (from the bottom). Window points map to game points exactly, so
// the borders themselves can be tested. The caption is placed from its corner, which moves the text only.
TEST_F(GlLabelButtonTest, HoverBoxAndRectangleAreTheExtentAroundThePositionAndOnlyALeftPressInItClicks) {
    OrthoCamera camera(kWindowSize, kWindowSize, kWindowSize);
    camera.setPosition(vec2(1000, 0));
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
    const std::pair<vec2, bool> cases[] = {
        {{970, -50}, true},      {{1070, -10}, true},      {{970, -10}, true},
        {{1070, -50}, true},     {{1020, -30}, true},      {{969.5f, -30}, false},
        {{1070.5f, -30}, false}, {{1020, -50.5f}, false}, {{1020, -9.5f}, false},
    };
    for (const auto& [at, hovered] : cases) {
        SCOPED_TRACE(::testing::Message() << "pointer at " << at.x << ", " << at.y);
        button.update(0.0f, camera, windowPointOf(camera, at));
        button.active = button.focused = true;
        expectRectangle(vec4(0.6f, 0.6f, 0.6f, 1.0f)); // the focus shows over the selection, in hover grey
        button.focused = false;
        expectRectangle(vec4(0.3f, 0.3f, 1.0f, 1.0f)); // the selected blue
        button.active = false;
        expectRectangle(hovered ? vec4(0.6f, 0.6f, 0.6f, 1.0f) : vec4(0.3f, 0.3f, 0.3f, 1.0f)); // greys
        // Only a left press clicks; without a pointer, where the last update saw the pointer.
        for (const auto& [key, action] :
             {std::pair{GLFW_MOUSE_BUTTON_RIGHT, GLFW_PRESS}, {GLFW_MOUSE_BUTTON_LEFT, GLFW_RELEASE},
              {GLFW_MOUSE_BUTTON_LEFT, GLFW_REPEAT}, {GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS}}) {
            button.handleMouseButton(key, action, 0);
        }
        // The pointer given with the event decides whatever the last update saw: a quick click lands there.
        button.update(0.0f, camera, windowPointOf(camera, hovered ? vec2(900, 100) : vec2(1020, -30)));
        button.handleMouseButton(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS, 0, camera, windowPointOf(camera, at));
        EXPECT_EQ(std::exchange(clicks, 0), hovered ? 2 : 0);
    }
}

} // namespace
} // namespace kv::test
