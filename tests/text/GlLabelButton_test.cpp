#include "engine/text/GlLabelButton.hpp"

#include <cmath>
#include <functional>
#include <memory>
#include <stdexcept>
#include <utility>

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

Rgb toRgb(const vec4& color) {
    return Rgb{static_cast<int>(std::lround(color.r * 255)), static_cast<int>(std::lround(color.g * 255)),
               static_cast<int>(std::lround(color.b * 255))};
}

// The window point a camera maps to the game point p (window y downward).
vec2 windowPointOf(const OrthoCamera& camera, const vec2& p) {
    const float ndcX = (p.x - camera.position.x) / camera.halfWidth;
    const float ndcY = (p.y - camera.position.y) / camera.halfHeight;
    return vec2((ndcX + 1.0f) * 0.5f * camera.bufferWidth, (1.0f - ndcY) * 0.5f * camera.bufferHeight);
}

class GlLabelButtonTest : public FontFixture {
protected:
    void SetUp() override {
        FontFixture::SetUp();
        shapeShader = std::make_shared<Shader>("shaders/debug.vert", "shaders/debug.frag");
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

    // One unit per pixel, (0, 0) at the window centre.
    OrthoCamera screenCamera() const {
        return OrthoCamera(static_cast<float>(framebufferHeight()), static_cast<float>(framebufferWidth()),
                           static_cast<float>(framebufferHeight()));
    }

    std::shared_ptr<Shader> shapeShader;
};

// A 1024 x 512 framebuffer with a camera 512 units tall: window points map to game points exactly.
TEST_F(GlLabelButtonTest, HoverBoxIsTheExtentAroundThePositionBordersIncludedWhateverTheCaptionOrigin) {
    const OrthoCamera camera(512, 1024, 512);
    GlLabelButton button = factory->createLabelButton(vec2(250, 60), "Go", 25);
    EXPECT_FALSE(button.isHovered());
    button.label.position = vec2(0, 100);
    button.label.origin = vec2(0, 0);
    for (const vec2& inside :
         {vec2(-125, 70), vec2(125, 130), vec2(-125, 130), vec2(125, 70), vec2(0, 100)}) {
        moveMouse(button, camera, inside);
        EXPECT_TRUE(button.isHovered()) << inside.x << ", " << inside.y;
    }
    for (const vec2& outside : {vec2(-125.5f, 100), vec2(125.5f, 100), vec2(0, 69.5f), vec2(0, 130.5f)}) {
        moveMouse(button, camera, outside);
        EXPECT_FALSE(button.isHovered()) << outside.x << ", " << outside.y;
    }
}

TEST_F(GlLabelButtonTest, HoverFollowsTheMovedCamera) {
    OrthoCamera camera(512, 1024, 512);
    camera.setPosition(vec2(1000, 0));
    GlLabelButton button = factory->createLabelButton(vec2(100, 40), "Go", 25);
    button.update(0.0f, camera, vec2(512, 256)); // window centre: game point (1000, 0)
    EXPECT_FALSE(button.isHovered());
    button.label.position = vec2(1000, 0);
    button.update(0.0f, camera, vec2(512, 256));
    EXPECT_TRUE(button.isHovered());
}

TEST_F(GlLabelButtonTest, OnlyALeftPressWhileHoveredClicksAndNeedsAnAction) {
    const OrthoCamera camera = screenCamera();
    GlLabelButton button = factory->createLabelButton(vec2(100, 40), "Go", 25);
    moveMouse(button, camera, vec2(0, 0));
    EXPECT_THROW(button.handleMouseButton(kLeft, kPress, 0), std::bad_function_call);
    int clicks = 0;
    button.onClick = [&clicks] { ++clicks; };
    moveMouse(button, camera, vec2(80, 0));
    button.handleMouseButton(kLeft, kPress, 0);
    EXPECT_EQ(clicks, 0);
    moveMouse(button, camera, vec2(10, 5));
    button.handleMouseButton(kRight, kPress, 0);
    button.handleMouseButton(kLeft, kRelease, 0);
    button.handleMouseButton(kLeft, kRepeat, 0);
    EXPECT_EQ(clicks, 0);
    button.handleMouseButton(kLeft, kPress, 0);
    EXPECT_EQ(clicks, 1);
}

TEST_F(GlLabelButtonTest, AClickGivenThePointerIsJudgedThereWhateverTheLastUpdateSaw) {
    const OrthoCamera camera = screenCamera();
    GlLabelButton button = factory->createLabelButton(vec2(100, 40), "Go", 25);
    int clicks = 0;
    button.onClick = [&clicks] { ++clicks; };
    moveMouse(button, camera, vec2(0, 0));
    button.handleMouseButton(kLeft, kPress, 0, camera, windowPointOf(camera, vec2(80, 0)));
    EXPECT_EQ(clicks, 0);
    button.handleMouseButton(kLeft, kPress, 0, camera, windowPointOf(camera, vec2(10, 5)));
    EXPECT_EQ(clicks, 1);
}

class GlLabelButtonPixels : public GlLabelButtonTest {
protected:
    // A button of 100 x 40 at (20, -30): framebuffer pixels x 98..197, y 78..117 (from the bottom).
    void SetUp() override {
        GlLabelButtonTest::SetUp();
        ASSERT_EQ(framebufferWidth(), 256);
        ASSERT_EQ(framebufferHeight(), 256);
        button = std::make_unique<GlLabelButton>(vec2(100, 40), factory->getAtlas(), factory->getTexture(),
                                                 factory->getShader(), "Go", 25);
        button->label.position = vec2(20, -30);
    }

    void draw() {
        clear();
        button->draw(camera.projectionView);
    }

    OrthoCamera camera{256, 256, 256};
    std::unique_ptr<GlLabelButton> button;
};

TEST_F(GlLabelButtonPixels, RectangleCoversTheExtentAroundThePositionUnderTheCaption) {
    draw();
    const Rgb passive = toRgb(passiveColor);
    for (const auto& [x, y] : {std::pair{98, 78}, {197, 78}, {98, 117}, {197, 117}}) {
        EXPECT_TRUE(isNear(readPixel(x, y), passive, kColorTolerance)) << x << ", " << y;
    }
    for (const auto& [x, y] : {std::pair{97, 90}, {198, 90}, {150, 77}, {150, 118}}) {
        EXPECT_EQ(readPixel(x, y), kBlack) << x << ", " << y;
    }
    // Fully covered glyph pixels show the caption colour (1, 1, 0.5).
    EXPECT_EQ(button->label.color, vec4(1.0f, 1.0f, 0.5f, 1.0f));
    bool found = false;
    for (const Rgb& pixel : readPixels(98, 78, 100, 40)) {
        found = found || isNear(pixel, Rgb{255, 255, 128}, kColorTolerance);
    }
    EXPECT_TRUE(found);
}

TEST_F(GlLabelButtonPixels, HoveredButtonIsLighterAndAnActiveOneHasTheActiveColourEitherWay) {
    const struct {
        bool hovered;
        bool active;
        vec4 color;
    } cases[] = {{false, false, passiveColor},
                 {true, false, hoverColor},
                 {false, true, activeColor},
                 {true, true, activeColor}};
    for (const auto& c : cases) {
        moveMouse(*button, camera, c.hovered ? vec2(20, -30) : vec2(-100, 100));
        button->active = c.active;
        ASSERT_EQ(button->isHovered(), c.hovered);
        EXPECT_EQ(button->getBackgroundColor(), c.color);
        draw();
        // A pixel inside the rectangle, clear of the caption.
        EXPECT_TRUE(isNear(readPixel(99, 79), toRgb(c.color), kColorTolerance)) << c.hovered << c.active;
    }
}

TEST_F(GlLabelButtonPixels, DrawingWithoutAShapeShaderFails) {
    dbgShader = nullptr;
    EXPECT_THROW(draw(), std::runtime_error);
}

} // namespace
} // namespace kv::test
