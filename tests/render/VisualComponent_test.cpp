#include "engine/render/VisualComponent.hpp"

#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/render/Shape2D.hpp"
#include "tests/support/EntityWorld.hpp"
#include "tests/support/GlTestContext.hpp"

namespace kv {
namespace {

using test::kBlack;
using test::Rgb;

constexpr float kQuarterTurn = 1.5707964f; // radians
constexpr float kStep = AnimationTimeline::kFrameTime;
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kRed{255, 0, 0};
// 256 x 256 sheet of 64 x 64 frames: red, green, blue, yellow across the top row.
const std::vector<std::uint32_t> kTopRow{0xff0000ff, 0x00ff00ff, 0x0000ffff, 0xffff00ff};

class VisualComponentTest : public test::GlTest, public test::EntityWorld {
protected:
    void SetUp() override {
        GlTest::SetUp();
        shapeShader = test::loadShippedShader("debug");
        spriteShader = test::loadShippedShader("sprite");
    }
    // The entities hold GL objects, which must go before the context.
    void TearDown() override {
        deleteAll();
        GlTest::TearDown();
    }
    // A sheet of size x size pixels cut into frameSize x frameSize cells of the given colours.
    std::shared_ptr<Sprite> makeSheet(int size, int frameSize, int frameCount,
                                      const std::vector<std::uint32_t>& colors = {}) {
        const std::string path = scratchPath("sheet" + std::to_string(size) + "_" + std::to_string(frameSize) + ".png");
        test::writeCellPng(path, size, size, frameSize, frameSize, colors);
        return std::make_shared<Sprite>(path, vec2(0.5f), vec2(1.0f), frameSize, frameSize, frameCount);
    }
    // Draws every registered VisualComponent in registry order, as the game does.
    void drawAll() {
        clear();
        for (VisualComponent* visual : components.getComponents<VisualComponent>()) {
            visual->draw(pixelProjection());
        }
    }

    std::shared_ptr<Shader> shapeShader;
    std::shared_ptr<Shader> spriteShader;
};

TEST_F(VisualComponentTest, ShapeIsDrawnInItsTintAndScaleAtTheEntityUnlessTheEntityIsOff) {
    auto* visual = new VisualComponent(make(vec2(100, 140)), shapeShader,
                                       new Shape2D(generateCircleFan(40, 20.0f), GL_TRIANGLE_FAN), 0);
    visual->tint = vec4(0.0f, 1.0f, 1.0f, 1.0f);
    drawAll();
    const Rgb cyan{0, 255, 255};
    EXPECT_EQ(readPixel(116, 140), cyan);
    EXPECT_EQ(readPixel(100, 124), cyan);
    EXPECT_EQ(readPixel(124, 140), kBlack);
    visual->scale = 2.0f;
    drawAll();
    EXPECT_EQ(readPixel(135, 140), cyan);
    EXPECT_EQ(readPixel(145, 140), kBlack);
    visual->entity.setActive(false);
    drawAll();
    EXPECT_EQ(readPixel(100, 140), kBlack);
}

TEST_F(VisualComponentTest, OrientationTurnsTheShapeCounterClockwise) {
    // Tip 30 ahead along +x, base 60 wide 30 behind; tested off the axis, where the two ends differ.
    GameEntity& entity = make(vec2(128, 128));
    new VisualComponent(entity, shapeShader, std::make_shared<Shape2D>(generateTriangle(60.0f), GL_TRIANGLE_FAN), 0);
    drawAll();
    EXPECT_EQ(readPixel(148, 128), kWhite) << "tip towards +x";
    EXPECT_EQ(readPixel(108, 148), kWhite) << "base behind";
    EXPECT_EQ(readPixel(148, 148), kBlack);
    entity.setOrientation(kQuarterTurn);
    drawAll();
    EXPECT_EQ(readPixel(128, 148), kWhite) << "tip turned towards +y";
    EXPECT_EQ(readPixel(148, 108), kWhite) << "base turned below";
    EXPECT_EQ(readPixel(108, 148), kBlack);
}

// Enemies are tinted sprites; flames are translucent ones.
TEST_F(VisualComponentTest, SpriteColoursAreMultipliedByTheTint) {
    VisualComponent* visual = new VisualComponent(make(vec2(128, 128)), spriteShader, makeSheet(64, 64, 1, {0xffffffff}), 0);
    visual->tint = vec4(1.0f, 0.6f, 0.2f, 1.0f);
    drawAll();
    EXPECT_TRUE(test::isNear(readPixel(128, 128), Rgb{255, 153, 51}, 1));
    visual->tint = vec4(1.0f, 1.0f, 1.0f, 0.35f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    drawAll();
    EXPECT_TRUE(test::isNear(readPixel(128, 128), Rgb{89, 89, 89}, 1));
}

TEST_F(VisualComponentTest, AnimationDrawsItsCurrentFrameUntintedAndLaterSpritesTheirOwnPart) {
    const std::shared_ptr<Sprite> sheet = makeSheet(256, 64, 4, kTopRow);
    auto* explosion = new SpriteAnimationComponent(make(vec2(64, 128)), spriteShader, sheet, 0.5f, 0);
    // Neither of these applies to an animation.
    explosion->tint = vec4(0.0f, 0.0f, 0.0f, 1.0f);
    explosion->scale = 4.0f;
    explosion->getAnimation()->currentFrame = 2;
    // Drawn after the explosion: the same sheet as a still sprite, which shows its first frame.
    new VisualComponent(make(vec2(192, 128)), spriteShader, sheet, 1);
    drawAll();
    EXPECT_EQ(readPixel(64, 128), (Rgb{0, 0, 255}));
    // Half of 64 pixels: 48 to 80 across.
    EXPECT_EQ(readPixel(49, 128), (Rgb{0, 0, 255}));
    EXPECT_EQ(readPixel(47, 128), kBlack);
    EXPECT_EQ(readPixel(192, 128), kRed);
}

TEST_F(VisualComponentTest, AnimationPlaysEveryFrameOnceThenSwitchesItsEntityOff) {
    const struct {
        int frameCount;
        std::vector<float> updates; // seconds
        std::vector<int> shown;     // frames after each update; -1: the entity went off
    } cases[] = {
        {1, {kStep * 0.9f, kStep * 0.2f}, {0, -1}},
        {4, {0.01f, 0.01f, kStep, kStep, kStep}, {0, 1, 2, 3, -1}},
        {64, {0.05f}, {2}},
        {4, {1.0f}, {-1}},
        {64, {kStep * 63.01f, kStep}, {63, -1}},
    };
    for (const auto& c : cases) {
        GameEntity& entity = make();
        auto* timeline = new AnimationTimeline(entity, makeSheet(64, 8, c.frameCount), AnimationTimeline::kDefaultPriority);
        std::vector<int> shown;
        for (float dt : c.updates) {
            timeline->update(dt);
            shown.push_back(entity.isActive() ? timeline->getAnimation()->currentFrame : -1);
        }
        EXPECT_EQ(shown, c.shown) << c.frameCount << " frames";
    }
    // While the entity is off, time stands still.
    GameEntity& asleep = make();
    asleep.setActive(false);
    auto* frozen = new AnimationTimeline(asleep, makeSheet(64, 8, 64), AnimationTimeline::kDefaultPriority);
    frozen->update(0.5f);
    asleep.setActive(true);
    frozen->update(0.5f * kStep);
    EXPECT_EQ(frozen->getAnimation()->currentFrame, 0);
}

// The arena's rim.
TEST(ShapeGenerator, CircleStripIsAClosedRimOfTheRadius) {
    const std::vector<float> strip = generateCircleStrip(100, 2000.0f);
    ASSERT_EQ(strip.size(), 202u);
    for (std::size_t i = 0; i < strip.size(); i += 2) {
        EXPECT_NEAR(std::hypot(strip[i], strip[i + 1]), 2000.0f, 1e-2) << "point " << i / 2;
    }
    EXPECT_NEAR(strip[200], strip[0], 1e-2);
    EXPECT_NEAR(strip[201], strip[1], 1e-2);
    EXPECT_THROW(generateCircleFan(0, 1.0f), std::runtime_error);
}

} // namespace
} // namespace kv
