#include "engine/render/VisualComponent.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/EntityWorld.hpp"
#include "tests/support/GlTestContext.hpp"
#include "tests/support/PngWriter.hpp"

namespace kv {
namespace {

using test::kBlack;
using test::Rgb;

constexpr float kQuarterTurn = 1.5707964f; // radians
constexpr float kStep = AnimationTimeline::kFrameTime;
constexpr Rgb kWhite{255, 255, 255};

// Counts its destructions; draws nothing.
class CountingDrawable : public Drawable {
public:
    explicit CountingDrawable(int& destroyed) : destroyed(destroyed) {}
    ~CountingDrawable() override { ++destroyed; }
    void draw() override {}

private:
    int& destroyed;
};

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

    VisualComponent* circle(GameEntity& entity, float radius) {
        return new VisualComponent(entity, shapeShader,
                                   new Shape2D(generateCircleFan(40, radius), GL_TRIANGLE_FAN), 0);
    }

    // A sheet of size x size pixels cut into frameSize x frameSize cells of the given colours.
    std::shared_ptr<Sprite> makeSheet(int size, int frameSize, int frameCount,
                                      const std::vector<std::uint32_t>& colors = {}) {
        const std::string path =
            scratchPath("sheet_" + std::to_string(size) + "_" + std::to_string(frameSize) + ".png");
        test::writePng(path, size, size, test::makeCellImage(size, size, frameSize, frameSize, colors));
        return std::make_shared<Sprite>(path, vec2(0.5f), vec2(1.0f), frameSize, frameSize, frameCount);
    }

    // Draws every registered VisualComponent in registry order, as the game does.
    void drawAll() {
        for (VisualComponent* visual : components.getComponents<VisualComponent>()) {
            visual->draw(pixelProjection());
        }
    }

    std::shared_ptr<Shader> shapeShader;
    std::shared_ptr<Shader> spriteShader;
};

TEST_F(VisualComponentTest, ShapeIsDrawnInItsTintAndScaleAtTheEntity) {
    VisualComponent* visual = circle(make(vec2(100, 140)), 20.0f);
    visual->tint = vec4(0.0f, 1.0f, 1.0f, 1.0f);
    drawAll();
    const Rgb cyan{0, 255, 255};
    EXPECT_EQ(readPixel(100, 140), cyan);
    EXPECT_EQ(readPixel(116, 140), cyan);
    EXPECT_EQ(readPixel(100, 124), cyan);
    EXPECT_EQ(readPixel(124, 140), kBlack);
    EXPECT_EQ(readPixel(100, 164), kBlack);

    visual->scale = 2.0f;
    clear();
    drawAll();
    EXPECT_EQ(readPixel(135, 140), cyan);
    EXPECT_EQ(readPixel(100, 105), cyan);
    EXPECT_EQ(readPixel(145, 140), kBlack);
}

TEST_F(VisualComponentTest, OrientationTurnsTheShapeCounterClockwise) {
    // Tip 30 ahead along +x, base 60 wide 30 behind; tested off the axis, where the two ends differ.
    GameEntity& entity = make(vec2(128, 128));
    new VisualComponent(entity, shapeShader,
                        std::make_shared<Shape2D>(generateTriangle(60.0f), GL_TRIANGLE_FAN), 0);
    drawAll();
    EXPECT_EQ(readPixel(148, 128), kWhite) << "tip towards +x";
    EXPECT_EQ(readPixel(108, 148), kWhite) << "base behind";
    EXPECT_EQ(readPixel(148, 148), kBlack);

    clear();
    entity.setOrientation(kQuarterTurn);
    drawAll();
    EXPECT_EQ(readPixel(128, 148), kWhite) << "tip turned towards +y";
    EXPECT_EQ(readPixel(148, 108), kWhite) << "base turned below";
    EXPECT_EQ(readPixel(148, 148), kBlack);
    EXPECT_EQ(readPixel(108, 148), kBlack);
}

TEST_F(VisualComponentTest, InactiveEntityIssuesNoGlCall) {
    GameEntity& entity = make(vec2(100, 100));
    circle(entity, 20.0f);
    entity.setActive(false);
    glUseProgram(0);
    drawAll();
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
    EXPECT_EQ(readPixel(100, 100), kBlack);
    entity.setActive(true);
    drawAll();
    EXPECT_EQ(readPixel(100, 100), kWhite);
}

TEST_F(VisualComponentTest, HandedOverDrawableGoesWithItsComponentAndItsRegistration) {
    int destroyed = 0;
    GameEntity& entity = make();
    new VisualComponent(entity, shapeShader, new CountingDrawable(destroyed), 0);
    EXPECT_EQ(components.getComponents<VisualComponent>().size(), 1u);
    destroy(entity);
    EXPECT_EQ(destroyed, 1);
    EXPECT_TRUE(components.getComponents<VisualComponent>().empty());
}

TEST_F(VisualComponentTest, SpriteAnimationRegistersOnlyAsVisualAndCreatesItsTimeline) {
    GameEntity& entity = make();
    auto* visual = new SpriteAnimationComponent(entity, spriteShader, makeSheet(64, 8, 64), 2.0f, 5);
    ASSERT_EQ(components.getComponents<VisualComponent>().size(), 1u);
    EXPECT_EQ(*components.getComponents<VisualComponent>().begin(), visual);
    EXPECT_TRUE(components.getComponents<SpriteAnimationComponent>().empty());
    EXPECT_TRUE(components.getComponents<AnimationTimeline>().empty());
    ASSERT_EQ(entity.getComponents<UpdatableComponent>().size(), 1u);
    auto* timeline = dynamic_cast<AnimationTimeline*>(*entity.getComponents<UpdatableComponent>().begin());
    ASSERT_NE(timeline, nullptr);
    EXPECT_EQ(timeline->priority, AnimationTimeline::kDefaultPriority);
    EXPECT_EQ(timeline->getAnimation(), visual->getAnimation());
}

TEST_F(VisualComponentTest, SpriteAnimationDrawsTheCurrentFrameUntintedAtItsOwnScale) {
    // 256 x 256 sheet of 64 x 64 frames: red, green, blue, yellow across the top row.
    auto* visual = new SpriteAnimationComponent(
        make(vec2(128, 128)), spriteShader,
        makeSheet(256, 64, 4, {0xff0000ff, 0x00ff00ff, 0x0000ffff, 0xffff00ff}), 0.5f, 0);
    // Neither of these applies to an animation.
    visual->tint = vec4(0.0f, 0.0f, 0.0f, 1.0f);
    visual->scale = 4.0f;
    drawAll();
    EXPECT_EQ(readPixel(128, 128), (Rgb{255, 0, 0}));
    // Half of 64 pixels: 112 to 144 across.
    EXPECT_EQ(readPixel(113, 128), (Rgb{255, 0, 0}));
    EXPECT_EQ(readPixel(111, 128), kBlack);
    visual->getAnimation()->currentFrame = 2;
    clear();
    drawAll();
    EXPECT_EQ(readPixel(128, 128), (Rgb{0, 0, 255}));
}

TEST_F(VisualComponentTest, ProgramWithoutTexOffsetDrawsEveryAnimationFrameAsTheFirst) {
    // The shape program declares no texOffset; it draws the tint, so the frame can't matter.
    auto* visual =
        new SpriteAnimationComponent(make(vec2(128, 128)), shapeShader, makeSheet(256, 64, 4), 1.0f, 0);
    visual->getAnimation()->currentFrame = 3;
    drawAll();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(readPixel(128, 128), kWhite);
}

class AnimationTimelineTest : public VisualComponentTest {
protected:
    // 64 x 64 sheet of 8 x 8 frames: room for 64 frames.
    AnimationTimeline& makeTimeline(GameEntity& entity, int frameCount) {
        return *new AnimationTimeline(entity, makeSheet(64, 8, frameCount),
                                      AnimationTimeline::kDefaultPriority);
    }
};

TEST_F(AnimationTimelineTest, EveryFrameShowsOnceThenTheEntityGoesOffOnTheWrap) {
    for (int frameCount : {1, 4, 21, 64}) {
        GameEntity& entity = make();
        AnimationTimeline& timeline = makeTimeline(entity, frameCount);
        std::vector<int> shown{0};
        float played = 0.0f;
        // Shorter than a step, so no update takes two.
        while (entity.isActive() && played < 2.0f) {
            timeline.update(0.01f);
            played += 0.01f;
            if (shown.back() != timeline.getAnimation()->currentFrame) {
                shown.push_back(timeline.getAnimation()->currentFrame);
            }
        }
        std::vector<int> expected;
        for (int frame = 0; frame < frameCount; ++frame) {
            expected.push_back(frame);
        }
        if (frameCount > 1) {
            expected.push_back(0);
        }
        EXPECT_EQ(shown, expected) << frameCount << " frames";
        EXPECT_FALSE(entity.isActive()) << frameCount << " frames";
        EXPECT_NEAR(played, frameCount * kStep, 0.015f) << frameCount << " frames";
    }
}

TEST_F(AnimationTimelineTest, UpdateTakesEveryWholeStepKeepsTheRestAndStopsAtTheWrap) {
    GameEntity& entity = make();
    AnimationTimeline& timeline = makeTimeline(entity, 64);
    timeline.update(0.05f);
    EXPECT_EQ(timeline.getAnimation()->currentFrame, 2);
    EXPECT_NEAR(timeline.getElapsed(), 0.05f - 2 * kStep, 1e-6f);
    GameEntity& shortLived = make();
    AnimationTimeline& shortTimeline = makeTimeline(shortLived, 4);
    shortTimeline.update(1.0f);
    EXPECT_EQ(shortTimeline.getAnimation()->currentFrame, 0);
    EXPECT_FALSE(shortLived.isActive());
    EXPECT_NEAR(shortTimeline.getElapsed(), 1.0f - 4 * kStep, 1e-5f);
}

TEST_F(AnimationTimelineTest, InactiveEntityFreezesTheTimeline) {
    GameEntity& entity = make();
    AnimationTimeline& timeline = makeTimeline(entity, 64);
    entity.setActive(false);
    timeline.update(0.5f);
    EXPECT_EQ(timeline.getAnimation()->currentFrame, 0);
    EXPECT_EQ(timeline.getElapsed(), 0.0f);
}

} // namespace
} // namespace kv
