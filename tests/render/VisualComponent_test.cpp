#include "engine/render/VisualComponent.hpp"

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "engine/render/Shape2D.hpp"
#include "tests/support/EntityWorld.hpp"
#include "tests/support/GlTestContext.hpp"

namespace kv {
namespace {

using test::kBlack;
using test::Rgb;

constexpr float kQuarterTurn = kPi / 2.0f; // radians
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kRed{255, 0, 0};

class VisualComponentTest : public test::GlTest, public test::EntityWorld {
protected:
    // The entities hold GL objects, which must go before the context.
    void TearDown() override {
        scene.deleteAllEntities();
        GlTest::TearDown();
    }
    // A sheet of size x size pixels cut into frameSize x frameSize cells of the given colours.
    std::shared_ptr<Sprite> makeSheet(int size, int frameSize, int frameCount,
                                      const std::vector<std::uint32_t>& colors = {}) {
        const std::string path = scratchPath("sheet" + std::to_string(size) + "_" + std::to_string(frameSize) + ".png");
        test::writeCellPng(path, size, size, frameSize, frameSize, colors);
        return std::make_shared<Sprite>(path, vec2(0.5f), vec2(1.0f), frameSize, frameSize, frameCount);
    }
};

// Every kind of visual in one frame, drawn again after their states change.
TEST_F(VisualComponentTest, VisualsShowTintedScaledAndTurnedAtTheirEntityAndAnimationsTheirFrameUntinted) {
    const auto shapeShader = test::loadShippedShader("debug");
    const auto spriteShader = test::loadShippedShader("sprite");
    auto* circle = new VisualComponent(make(vec2(40, 210)), shapeShader,
                                       new Shape2D(generateCircleFan(40, 20.0f), GL_TRIANGLE_FAN), 0);
    circle->tint = vec4(0.0f, 1.0f, 1.0f, 1.0f);
    // Tip 30 ahead along +x, base 60 wide 30 behind; tested off the axis, where the two ends differ.
    GameEntity& triangle = make(vec2(180, 210));
    new VisualComponent(triangle, shapeShader,
                        std::make_shared<Shape2D>(generateTriangle(60.0f), GL_TRIANGLES), 0);
    // Enemies are tinted sprites; flames are translucent ones.
    auto* enemy = new VisualComponent(make(vec2(40, 60)), spriteShader, makeSheet(64, 64, 1, {0xffffffff}), 0);
    enemy->tint = vec4(1.0f, 0.6f, 0.2f, 1.0f);
    // Frames of 64 x 64: red, green, blue, yellow across the top row, and a white cell below the red.
    const auto sheet = makeSheet(256, 64, 4, {0xff0000ff, 0x00ff00ff, 0x0000ffff, 0xffff00ff, 0xffffffff});
    auto* explosion = new SpriteAnimationComponent(make(vec2(128, 60)), spriteShader, sheet, 0.5f, 0);
    // Neither of these applies to an animation.
    explosion->tint = vec4(0.0f, 0.0f, 0.0f, 1.0f);
    explosion->scale = 4.0f;
    explosion->getAnimation()->currentFrame = 2;
    // Magnified and set beyond its last frame, an animation shows the cell there.
    auto* beyond = new SpriteAnimationComponent(make(vec2(128, 140)), spriteShader, sheet, 1.2f, 0);
    beyond->getAnimation()->currentFrame = 4;
    // Drawn after the explosion: the same sheet as a still sprite, which shows its first frame.
    new VisualComponent(make(vec2(210, 60)), spriteShader, sheet, 1);
    // Draws every visual in registry order, as the game does, and reads the colours at (x, y).
    const auto expectPixels = [&](const char* state, std::initializer_list<std::tuple<int, int, Rgb>> probes,
                                  const std::function<void()>& beforeReading = [] {}) {
        clear();
        scene.draw(pixelProjection());
        beforeReading();
        for (const auto& [x, y, color] : probes) {
            EXPECT_TRUE(test::isNear(readPixel(x, y), color, 1)) << state << ": " << x << ", " << y;
        }
    };
    const Rgb cyan{0, 255, 255};
    const Rgb blue{0, 0, 255};
    // Circle of radius 20; triangle towards +x; tinted enemy; explosion 32 pixels wide in frame 2.
    expectPixels("as made", {{56, 210, cyan}, {40, 194, cyan}, {64, 210, kBlack}, {200, 210, kWhite},
                             {160, 230, kWhite}, {200, 230, kBlack}, {40, 60, {255, 153, 51}}, {128, 60, blue},
                             {113, 60, blue}, {111, 60, kBlack}, {210, 60, kRed}, {128, 140, kWhite}});
    circle->scale = 2.0f;
    triangle.setOrientation(kQuarterTurn);
    enemy->tint = vec4(1.0f, 1.0f, 1.0f, 0.35f);
    beyond->getAnimation()->currentFrame = 2; // in the sheet: its quad fits the blue, whose red is nil
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // Circle of radius 40; triangle turned counter-clockwise, towards +y; translucent enemy.
    expectPixels("changed", {{75, 210, cyan}, {85, 210, kBlack}, {180, 230, kWhite}, {200, 190, kWhite},
                             {160, 230, kBlack}, {40, 60, {89, 89, 89}}, {128, 140, blue}});
    circle->entity.setActive(false);
    // Its entity deleted after drawing, a visual holding the last share of its shader takes its own queued
    // draws along, and no other visual's.
    auto* gone =
        new VisualComponent(make(vec2(128, 200)), test::loadShippedShader("debug"), circle->getDrawable(), 0);
    expectPixels("circle off", {{40, 210, kBlack}, {128, 200, kBlack}, {210, 60, kRed}},
                 [&] { delete &gone->entity; });
}

// Played out, an animation switches its entity off or, asked to, retires it, which the frame's sweep deletes.
TEST_F(VisualComponentTest, AnimationPlaysEveryFrameOnceThenSwitchesItsEntityOffOrRetiresIt) {
    // Frames of the sheet; updates in seconds, a negative one passing with the entity off; the frame shown
    // after each, -1 once the entity went off.
    const std::tuple<int, std::vector<float>, std::vector<int>> cases[] = {
        {1, {kFrame * 0.9f, kFrame * 0.2f}, {0, -1}},
        {4, {0.01f, 0.01f, kFrame, kFrame, kFrame}, {0, 1, 2, 3, -1}},
        {64, {0.05f}, {2}},
        {4, {1.0f}, {-1}},
        {64, {kFrame * 63.01f, kFrame}, {63, -1}},
        {64, {-0.5f, 0.5f * kFrame}, {-1, 0}}, // while the entity is off, time stands still
    };
    for (const auto& [frameCount, updates, expected] : cases) {
        GameEntity& entity = make();
        auto* timeline = new AnimationTimeline(entity, makeSheet(64, 8, frameCount), AnimationTimeline::kDefaultPriority);
        std::vector<int> shown;
        for (float dt : updates) {
            entity.setActive(dt > 0.0f);
            timeline->update(std::abs(dt));
            shown.push_back(entity.isActive() ? timeline->getAnimation()->currentFrame : -1);
        }
        EXPECT_EQ(shown, expected) << frameCount << " frames";
        delete &entity;
    }
    // Steps of 0.05 s play two frames of four, then the rest.
    const auto sheet = makeSheet(64, 8, 4);
    GameEntity& kept = make();
    new SpriteAnimationComponent(kept, nullptr, sheet, 1.0f, 0);
    EXPECT_EQ(kept.getComponent<UpdatableComponent>().priority, 1000) << "its timeline, among the game's own";
    new SpriteAnimationComponent(make(), nullptr, sheet, 1.0f, 0, AnimationEnd::retire);
    scene.update(0.05f);
    EXPECT_EQ(tagged.getEntities(0).size(), 2u) << "both still play";
    scene.update(0.05f);
    EXPECT_EQ(tagged.getEntities(0), EntitySet{&kept});
    EXPECT_FALSE(kept.isActive());
}

} // namespace
} // namespace kv
