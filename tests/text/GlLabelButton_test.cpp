#include "engine/text/GlLabelButton.hpp"

#include <cmath>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "engine/render/OrthoCamera.hpp"
#include "engine/render/Shader.hpp"
#include "tests/text/FontFixture.hpp"

namespace kv::test {
namespace {

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
