#include "engine/render/VisualComponent.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/core/GameEntity.hpp"
#include "engine/core/TaggedEntityRegistry.hpp"
#include "engine/core/TypedComponentRegistry.hpp"
#include "tests/support/GlTestContext.hpp"
#include "tests/support/PngWriter.hpp"

namespace kv {
namespace {

using test::Rgb;

constexpr float kQuarterTurn = 1.5707964f; // radians
constexpr float kStep = AnimationTimeline::kFrameTime;

// Counts its destructions; draws nothing.
class CountingDrawable : public Drawable {
public:
    explicit CountingDrawable(int& destroyed) : destroyed(destroyed) {}
    ~CountingDrawable() override { ++destroyed; }
    void draw() override {}

private:
    int& destroyed;
};

class VisualComponentTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        shapeShader = test::loadShippedShader("debug");
        spriteShader = test::loadShippedShader("sprite");
    }

    void TearDown() override {
        for (GameEntity* entity : entities) {
            delete entity;
        }
        entities.clear();
        GlTest::TearDown();
    }

    GameEntity& makeEntity(vec2 position, float orientation = 0.0f) {
        entities.push_back(new GameEntity(tagged, &components, position, orientation));
        return *entities.back();
    }

    void deleteEntity(GameEntity& entity) {
        std::erase(entities, &entity);
        delete &entity;
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

    TaggedEntityRegistry tagged;
    TypedComponentRegistry components{nullptr};
    std::vector<GameEntity*> entities;
    std::shared_ptr<Shader> shapeShader;
    std::shared_ptr<Shader> spriteShader;
};

TEST_F(VisualComponentTest, CircleFanIsDrawnInItsTintAtTheEntity) {
    GameEntity& entity = makeEntity(vec2(100, 140));
    auto* visual = new VisualComponent(entity, shapeShader,
                                       new Shape2D(generateCircleFan(40, 20.0f), GL_TRIANGLE_FAN), 0);
    visual->tint = vec4(0.0f, 1.0f, 1.0f, 1.0f);
    drawAll();
    const Rgb cyan{0, 255, 255};
    EXPECT_EQ(readPixel(100, 140), cyan);
    EXPECT_EQ(readPixel(116, 140), cyan);
    EXPECT_EQ(readPixel(100, 124), cyan);
    EXPECT_EQ(readPixel(124, 140), test::kBlack);
    EXPECT_EQ(readPixel(100, 164), test::kBlack);
}

TEST_F(VisualComponentTest, ScaleGrowsTheShapeAroundTheEntity) {
    GameEntity& entity = makeEntity(vec2(100, 140));
    auto* visual = new VisualComponent(entity, shapeShader,
                                       new Shape2D(generateCircleFan(40, 20.0f), GL_TRIANGLE_FAN), 0);
    visual->scale = 2.0f;
    drawAll();
    EXPECT_EQ(readPixel(135, 140), (Rgb{255, 255, 255}));
    EXPECT_EQ(readPixel(100, 105), (Rgb{255, 255, 255}));
    EXPECT_EQ(readPixel(145, 140), test::kBlack);
}

TEST_F(VisualComponentTest, OrientationTurnsTheShapeCounterClockwise) {
    // Tip 30 ahead along +x, base 60 wide 30 behind; tested off the axis, where the two ends differ.
    auto triangle = std::make_shared<Shape2D>(generateTriangle(60.0f), GL_TRIANGLE_FAN);
    GameEntity& entity = makeEntity(vec2(128, 128));
    new VisualComponent(entity, shapeShader, triangle, 0);
    drawAll();
    const Rgb white{255, 255, 255};
    EXPECT_EQ(readPixel(148, 128), white) << "tip towards +x";
    EXPECT_EQ(readPixel(108, 148), white) << "base behind";
    EXPECT_EQ(readPixel(148, 148), test::kBlack);

    clear();
    entity.setOrientation(kQuarterTurn);
    drawAll();
    EXPECT_EQ(readPixel(128, 148), white) << "tip turned towards +y";
    EXPECT_EQ(readPixel(148, 108), white) << "base turned below";
    EXPECT_EQ(readPixel(148, 148), test::kBlack);
    EXPECT_EQ(readPixel(108, 148), test::kBlack);
}

TEST_F(VisualComponentTest, InactiveEntityIssuesNoGlCall) {
    GameEntity& entity = makeEntity(vec2(100, 100));
    new VisualComponent(entity, shapeShader, new Shape2D(generateCircleFan(40, 20.0f), GL_TRIANGLE_FAN), 0);
    entity.setActive(false);
    glUseProgram(0);
    drawAll();
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
    EXPECT_EQ(readPixel(100, 100), test::kBlack);

    entity.setActive(true);
    drawAll();
    EXPECT_EQ(readPixel(100, 100), (Rgb{255, 255, 255}));
}

TEST_F(VisualComponentTest, RegistersUnderVisualComponentUntilDestroyed) {
    GameEntity& entity = makeEntity(vec2(0, 0));
    auto* visual =
        new VisualComponent(entity, shapeShader, new Shape2D(generateTriangle(4.0f), GL_TRIANGLE_FAN), 3);
    EXPECT_EQ(&entity.getComponent<VisualComponent>(), visual);
    ASSERT_EQ(components.getComponents<VisualComponent>().size(), 1u);
    EXPECT_EQ(*components.getComponents<VisualComponent>().begin(), visual);
    EXPECT_EQ(visual->priority, 3);
    delete visual;
    EXPECT_TRUE(components.getComponents<VisualComponent>().empty());
    EXPECT_TRUE(components.getComponents<EntityComponent>().empty());
}

TEST_F(VisualComponentTest, HandedOverDrawableGoesWithItsComponent) {
    int destroyed = 0;
    GameEntity& entity = makeEntity(vec2(0, 0));
    new VisualComponent(entity, shapeShader, new CountingDrawable(destroyed), 0);
    EXPECT_EQ(destroyed, 0);
    deleteEntity(entity);
    EXPECT_EQ(destroyed, 1);
}

TEST_F(VisualComponentTest, HandedOverShapeReleasesItsGlObjectsWithTheComponent) {
    GameEntity& entity = makeEntity(vec2(0, 0));
    auto* shape = new Shape2D(generateTriangle(4.0f), GL_TRIANGLE_FAN);
    const GLuint vbo = shape->getVbo();
    new VisualComponent(entity, shapeShader, shape, 0);
    ASSERT_TRUE(glIsBuffer(vbo));
    deleteEntity(entity);
    EXPECT_FALSE(glIsBuffer(vbo));
}

TEST_F(VisualComponentTest, SpriteAnimationComponentRegistersOnlyAsVisualAndCreatesItsTimeline) {
    GameEntity& entity = makeEntity(vec2(0, 0));
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
    EXPECT_EQ(visual->animationScale, 2.0f);
}

TEST_F(VisualComponentTest, SpriteAnimationComponentDrawsTheCurrentFrameUntintedAtItsOwnScale) {
    // 256 x 256 sheet of 64 x 64 frames: red, green, blue, yellow across the top row.
    GameEntity& entity = makeEntity(vec2(128, 128));
    auto* visual = new SpriteAnimationComponent(
        entity, spriteShader, makeSheet(256, 64, 4, {0xff0000ff, 0x00ff00ff, 0x0000ffff, 0xffff00ff}), 0.5f,
        0);
    // Neither of these applies to an animation.
    visual->tint = vec4(0.0f, 0.0f, 0.0f, 1.0f);
    visual->scale = 4.0f;

    drawAll();
    EXPECT_EQ(readPixel(128, 128), (Rgb{255, 0, 0}));
    // Half of 64 pixels: 112 to 144 across.
    EXPECT_EQ(readPixel(113, 128), (Rgb{255, 0, 0}));
    EXPECT_EQ(readPixel(111, 128), test::kBlack);

    visual->getAnimation()->currentFrame = 2;
    clear();
    drawAll();
    EXPECT_EQ(readPixel(128, 128), (Rgb{0, 0, 255}));
}

TEST_F(VisualComponentTest, ProgramWithoutTexOffsetDrawsEveryAnimationFrameAsTheFirst) {
    // The shape program declares no texOffset; it draws the tint, so the frame can't matter.
    GameEntity& entity = makeEntity(vec2(128, 128));
    auto* visual = new SpriteAnimationComponent(entity, shapeShader, makeSheet(256, 64, 4), 1.0f, 0);
    visual->getAnimation()->currentFrame = 3;
    drawAll();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(readPixel(128, 128), (Rgb{255, 255, 255}));
}

class AnimationTimelineTest : public VisualComponentTest {
protected:
    AnimationTimeline& makeTimeline(GameEntity& entity, int frameCount) {
        // 64 x 64 sheet of 8 x 8 frames: room for 64 frames.
        return *new AnimationTimeline(entity, makeSheet(64, 8, frameCount),
                                      AnimationTimeline::kDefaultPriority);
    }
};

TEST_F(AnimationTimelineTest, FiftyMillisecondsAdvanceTwoFramesAndKeepTheRest) {
    GameEntity& entity = makeEntity(vec2(0, 0));
    AnimationTimeline& timeline = makeTimeline(entity, 64);
    timeline.update(0.05f);
    EXPECT_EQ(timeline.getAnimation()->currentFrame, 2);
    EXPECT_NEAR(timeline.getElapsed(), 0.016666664f, 1e-7f);
    EXPECT_TRUE(entity.isActive());
}

TEST_F(AnimationTimelineTest, SwitchesTheEntityOffAfterExactlyFrameCountSteps) {
    GameEntity& entity = makeEntity(vec2(0, 0));
    AnimationTimeline& timeline = makeTimeline(entity, 64);
    // At 1/60 s per update the first update only fills the accumulator; each later one takes a step.
    timeline.update(kStep);
    for (int step = 1; step < 64; ++step) {
        timeline.update(kStep);
        ASSERT_EQ(timeline.getAnimation()->currentFrame, step);
        ASSERT_TRUE(entity.isActive()) << "switched off after " << step << " steps";
    }
    timeline.update(kStep);
    EXPECT_EQ(timeline.getAnimation()->currentFrame, 0);
    EXPECT_FALSE(entity.isActive());
}

TEST_F(AnimationTimelineTest, TwentyOneFramesShowEveryFrameThenEndOnTheWrap) {
    GameEntity& entity = makeEntity(vec2(0, 0));
    AnimationTimeline& timeline = makeTimeline(entity, 21);
    std::vector<int> shown;
    // Shorter than a step, so no update takes two.
    for (int update = 0; update < 100 && entity.isActive(); ++update) {
        timeline.update(0.01f);
        if (shown.empty() || shown.back() != timeline.getAnimation()->currentFrame) {
            shown.push_back(timeline.getAnimation()->currentFrame);
        }
    }
    std::vector<int> expected;
    for (int frame = 0; frame <= 20; ++frame) {
        expected.push_back(frame);
    }
    expected.push_back(0);
    EXPECT_EQ(shown, expected);
    EXPECT_FALSE(entity.isActive());
}

TEST_F(AnimationTimelineTest, LongUpdateStopsAtTheWrapWithoutPlayingOn) {
    GameEntity& entity = makeEntity(vec2(0, 0));
    AnimationTimeline& timeline = makeTimeline(entity, 4);
    timeline.update(1.0f);
    EXPECT_EQ(timeline.getAnimation()->currentFrame, 0);
    EXPECT_FALSE(entity.isActive());
    EXPECT_NEAR(timeline.getElapsed(), 1.0f - 4 * kStep, 1e-5f);
}

TEST_F(AnimationTimelineTest, SingleFrameAnimationEndsWithItsFirstStep) {
    GameEntity& entity = makeEntity(vec2(0, 0));
    AnimationTimeline& timeline = makeTimeline(entity, 1);
    timeline.update(0.01f);
    EXPECT_TRUE(entity.isActive());
    timeline.update(0.01f);
    EXPECT_FALSE(entity.isActive());
}

TEST_F(AnimationTimelineTest, InactiveEntityFreezesTheTimeline) {
    GameEntity& entity = makeEntity(vec2(0, 0));
    AnimationTimeline& timeline = makeTimeline(entity, 64);
    entity.setActive(false);
    timeline.update(0.5f);
    EXPECT_EQ(timeline.getAnimation()->currentFrame, 0);
    EXPECT_EQ(timeline.getElapsed(), 0.0f);
}

} // namespace
} // namespace kv
