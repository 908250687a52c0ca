#include "engine/render/OrthoCamera.hpp"

#include <tuple>

#include <gtest/gtest.h>

namespace kv {
namespace {

constexpr float kPlayHeight = 2000.0f;   // game units
constexpr float kHalfWidth = 1333.3334f; // game units: 1000 at the 4:3 aspect of 1024 x 768
constexpr float kTolerance = 0.01f;      // game units

// A buffer size without area (a camera window) is ignored, and a camera made with one counts as a 1 x 1
// square until it has a size, which keeps its matrices finite. Circles touching the border enlarged by their
// radius are inside.
TEST(OrthoCamera, MapsWindowPointsWithTheYAxisUpAroundItsPositionAndTellsWhatTouchesTheView) {
    const struct {
        float height;       // game units shown vertically
        vec2 buffer;        // pixels
        vec2 position;      // game units
        vec2 window;        // pixels, y downward
        vec2 game;          // game units
    } cases[] = {
        {kPlayHeight, {1024, 768}, {0, 0}, {0, 0}, {-kHalfWidth, 1000}},
        {kPlayHeight, {1024, 768}, {0, 0}, {512, 384}, {0, 0}},
        {kPlayHeight, {1024, 768}, {0, 0}, {1024, 768}, {kHalfWidth, -1000}},
        {kPlayHeight, {1024, 768}, {100, 50}, {0, 0}, {100 - kHalfWidth, 1050}},
        {kPlayHeight, {1920, 1080}, {0, 0}, {1920, 540}, {1777.78f, 0}},
        {1000.0f, {1024, 768}, {10, 20}, {0, 0}, {10 - 666.67f, 520}},
        {768.0f, {1024, 768}, {0, 0}, {612, 334}, {100, 50}},
        {kPlayHeight, {0, 0}, {0, 0}, {1024, 768}, {kHalfWidth, -1000}},
        {kPlayHeight, {800, 0}, {0, 0}, {1024, 768}, {kHalfWidth, -1000}},
        {kPlayHeight, {0, 600}, {0, 0}, {1024, 768}, {kHalfWidth, -1000}},
    };
    for (const auto& c : cases) {
        OrthoCamera mapping(kPlayHeight, 1024.0f, 768.0f);
        mapping.setVerticalSize(c.height);
        mapping.resizeBuffer(c.buffer.x, c.buffer.y);
        mapping.setPosition(c.position);
        const vec2 game = mapping.screenToGameCoordinates(c.window);
        EXPECT_NEAR(game.x, c.game.x, kTolerance) << "row " << &c - cases;
        EXPECT_NEAR(game.y, c.game.y, kTolerance) << "row " << &c - cases;
    }
    OrthoCamera camera(kPlayHeight, 0.0f, 0.0f);
    EXPECT_EQ(camera.projectionView, OrthoCamera(kPlayHeight, 1.0f, 1.0f).projectionView);
    camera.resizeBuffer(1024.0f, 768.0f);
    EXPECT_FLOAT_EQ(camera.halfWidth, kHalfWidth);
    const std::tuple<vec2, float, bool> circles[] = { // centre, radius, inside
        {{kHalfWidth + 10.0f, 0.0f}, 10.0f, true},  {{kHalfWidth + 10.5f, 0.0f}, 10.0f, false},
        {{-kHalfWidth - 10.5f, 0.0f}, 10.0f, false}, {{0.0f, 1050.0f}, 50.0f, true},
        {{0.0f, 1050.5f}, 50.0f, false},            {{0.0f, -1050.0f}, 50.0f, true},
        {{0.0f, -1050.5f}, 50.0f, false},
    };
    for (const auto& [centre, radius, inside] : circles) {
        EXPECT_EQ(camera.isInside(centre, radius), inside) << centre.x << ", " << centre.y;
    }
    camera.setPosition({5000.0f, 0.0f});
    EXPECT_FALSE(camera.isInside({0.0f, 0.0f}, 50.0f));
    EXPECT_TRUE(camera.isInside({5000.0f + 1333.0f, 990.0f}, 0.0f));
}

} // namespace
} // namespace kv
