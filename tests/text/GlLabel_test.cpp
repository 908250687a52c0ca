#include "engine/text/GlLabel.hpp"

#include <cmath>

#include <gtest/gtest.h>

#include "tests/text/FontFixture.hpp"

namespace kv::test {
namespace {

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
    float uniform(const char* name) const {
        const Shader& shader = *factory->getShader();
        GLfloat value = 0.0f;
        glGetUniformfv(shader.getProgramId(), shader.getUniformLocation(name), &value);
        return value;
    }
    // Ink pixels lie within the box from (left, bottom) of the label's scaled size.
    static void expectInside(const PixelBox& ink, float left, float bottom, const vec2& size) {
        ASSERT_FALSE(ink.empty());
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

TEST_F(GlLabelTest, SmallerTextGetsASofterLowerEdgeSaturatingFromFourThirdsOfTheAtlasSize) {
    const float cases[][3] = {// size factor of the atlas size, edge, softness
                              {0.2f, 0.415f, 0.1775f}, {1.0f, 0.475f, 0.0875f}, {4.0f / 3.0f, 0.5f, 0.05f},
                              {3.0f, 0.5f, 0.05f}};
    for (const auto& [sizeFactor, edge, softness] : cases) {
        GlLabel label = factory->createLabel("H", sizeFactor * atlasSize());
        label.draw(pixelProjection());
        EXPECT_NEAR(uniform("edge"), edge, 1e-6f) << sizeFactor;
        EXPECT_NEAR(uniform("softness"), softness, 1e-6f) << sizeFactor;
    }
}

} // namespace
} // namespace kv::test
