#include "engine/render/OrthoCamera.hpp"

#include <cmath>

#include <glm/vec4.hpp>
#include <gtest/gtest.h>

namespace kv {
namespace {

constexpr float kPlayHeight = 2000.0f;   // game units
constexpr float kHalfWidth = 1333.3334f; // game units: 1000 at the 4:3 aspect of 1024 x 768
constexpr float kTolerance = 0.01f;      // game units

bool allFinite(const mat4& m) {
    for (int i = 0; i < 16; ++i) {
        if (!std::isfinite(m[i / 4][i % 4])) {
            return false;
        }
    }
    return true;
}

::testing::AssertionResult near(const vec2& actual, const vec2& expected) {
    if (std::abs(actual.x - expected.x) <= kTolerance && std::abs(actual.y - expected.y) <= kTolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "(" << actual.x << ", " << actual.y << ") is not (" << expected.x << ", " << expected.y << ")";
}

class PlayCamera : public ::testing::Test {
protected:
    OrthoCamera camera{kPlayHeight, 1024.0f, 768.0f};
};

TEST_F(PlayCamera, ShowsTheVerticalSizeAndTheWidthOfTheAspectRatioAroundThePosition) {
    EXPECT_FLOAT_EQ(camera.halfHeight, 1000.0f);
    EXPECT_FLOAT_EQ(camera.halfWidth, kHalfWidth);
    EXPECT_TRUE(near(camera.screenToGameCoordinates({0.0f, 0.0f}), {-1333.33f, 1000.0f}));
    EXPECT_TRUE(near(camera.screenToGameCoordinates({512.0f, 384.0f}), {0.0f, 0.0f}));
    EXPECT_TRUE(near(camera.screenToGameCoordinates({1024.0f, 768.0f}), {1333.33f, -1000.0f}));
    camera.setPosition({100.0f, 50.0f});
    EXPECT_TRUE(near(camera.screenToGameCoordinates({512.0f, 384.0f}), {100.0f, 50.0f}));
    EXPECT_TRUE(near(camera.screenToGameCoordinates({0.0f, 0.0f}), {100.0f - 1333.33f, 1050.0f}));
    EXPECT_FLOAT_EQ(camera.halfHeight, 1000.0f);
}

TEST_F(PlayCamera, ProjectionViewSendsThePositionToTheCentreAndTheEdgesToTheDeviceBorders) {
    EXPECT_EQ(camera.view, mat4(1.0f));
    camera.setPosition({-300.0f, 200.0f});
    const glm::vec4 centre = camera.projectionView * glm::vec4(-300.0f, 200.0f, 0.0f, 1.0f);
    const glm::vec4 corner = camera.projectionView * glm::vec4(-300.0f + kHalfWidth, 200.0f - 1000.0f, 0, 1);
    EXPECT_TRUE(near(vec2(centre), vec2(0.0f, 0.0f)));
    EXPECT_NEAR(corner.x, 1.0f, 1e-5f);
    EXPECT_NEAR(corner.y, -1.0f, 1e-5f);
}

TEST_F(PlayCamera, CirclesTouchingTheEnlargedBorderAreInside) {
    const struct {
        vec2 point;
        float radius;
        bool inside;
    } cases[] = {
        {{kHalfWidth + 10.0f, 0.0f}, 10.0f, true},
        {{kHalfWidth + 10.5f, 0.0f}, 10.0f, false},
        {{-kHalfWidth - 10.5f, 0.0f}, 10.0f, false},
        {{0.0f, 1050.0f}, 50.0f, true},
        {{0.0f, 1050.5f}, 50.0f, false},
        {{0.0f, -1050.0f}, 50.0f, true},
        {{0.0f, -1050.5f}, 50.0f, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(camera.isInside(c.point, c.radius), c.inside) << c.point.x << ", " << c.point.y;
    }
    camera.setPosition({5000.0f, 0.0f});
    EXPECT_FALSE(camera.isInside({0.0f, 0.0f}, 50.0f));
    EXPECT_TRUE(camera.isInside({5000.0f + 1333.0f, 990.0f}, 0.0f));
}

TEST_F(PlayCamera, VerticalSizeAndBufferSizeChangeOnlyTheExtents) {
    camera.setPosition({10.0f, 20.0f});
    camera.setVerticalSize(1000.0f);
    EXPECT_FLOAT_EQ(camera.halfHeight, 500.0f);
    EXPECT_FLOAT_EQ(camera.halfWidth, 666.6667f);
    EXPECT_EQ(camera.position, vec2(10.0f, 20.0f));
    EXPECT_TRUE(near(camera.screenToGameCoordinates({0.0f, 0.0f}), {10.0f - 666.67f, 520.0f}));
    camera.setVerticalSize(kPlayHeight);
    camera.setPosition({0.0f, 0.0f});
    camera.resizeBuffer(1920.0f, 1080.0f);
    EXPECT_FLOAT_EQ(camera.halfHeight, 1000.0f);
    EXPECT_NEAR(camera.halfWidth, 1777.78f, kTolerance);
    EXPECT_TRUE(near(camera.screenToGameCoordinates({1920.0f, 540.0f}), {1777.78f, 0.0f}));
}

TEST_F(PlayCamera, ZeroSizedBufferIsIgnoredAndTheLastSizeKept) {
    const mat4 before = camera.projectionView;
    camera.resizeBuffer(0.0f, 0.0f);
    camera.resizeBuffer(800.0f, 0.0f);
    camera.resizeBuffer(0.0f, 600.0f);
    EXPECT_FLOAT_EQ(camera.bufferWidth, 1024.0f);
    EXPECT_FLOAT_EQ(camera.bufferHeight, 768.0f);
    EXPECT_EQ(camera.projectionView, before);
    camera.setPosition({1.0f, 2.0f});
    EXPECT_TRUE(allFinite(camera.projectionView));
    EXPECT_TRUE(near(camera.screenToGameCoordinates({512.0f, 384.0f}), {1.0f, 2.0f}));
    camera.resizeBuffer(800.0f, 600.0f);
    EXPECT_FLOAT_EQ(camera.halfWidth, kHalfWidth);
    EXPECT_FLOAT_EQ(camera.bufferWidth, 800.0f);
}

TEST(OrthoCamera, ConstructedForAZeroSizedBufferStaysFinite) {
    OrthoCamera camera(kPlayHeight, 0.0f, 0.0f);
    EXPECT_TRUE(allFinite(camera.projection));
    EXPECT_TRUE(allFinite(camera.projectionView));
    camera.resizeBuffer(1024.0f, 768.0f);
    EXPECT_FLOAT_EQ(camera.halfWidth, kHalfWidth);
}

TEST(OrthoCamera, InterfaceCameraMapsOnePixelToOneUnit) {
    OrthoCamera gui(768.0f, 1024.0f, 768.0f);
    EXPECT_FLOAT_EQ(gui.halfWidth, 512.0f);
    EXPECT_TRUE(near(gui.screenToGameCoordinates({0.0f, 0.0f}), {-512.0f, 384.0f}));
    EXPECT_TRUE(near(gui.screenToGameCoordinates({612.0f, 334.0f}), {100.0f, 50.0f}));
}

} // namespace
} // namespace kv
