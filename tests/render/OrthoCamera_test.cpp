#include "engine/render/OrthoCamera.hpp"

#include <cmath>

#include <glm/vec4.hpp>
#include <gtest/gtest.h>

namespace kv {
namespace {

constexpr float kPlayHeight = 2000.0f; // game units
constexpr float kTolerance = 0.01f;    // game units

bool allFinite(const mat4& m) {
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            if (!std::isfinite(m[column][row])) {
                return false;
            }
        }
    }
    return true;
}

void expectNear(const vec2& actual, const vec2& expected) {
    EXPECT_NEAR(actual.x, expected.x, kTolerance);
    EXPECT_NEAR(actual.y, expected.y, kTolerance);
}

class PlayCamera : public ::testing::Test {
protected:
    OrthoCamera camera{kPlayHeight, 1024.0f, 768.0f};
};

TEST_F(PlayCamera, ExtentsFollowTheAspectRatio) {
    EXPECT_FLOAT_EQ(camera.halfHeight, 1000.0f);
    EXPECT_FLOAT_EQ(camera.halfWidth, 1333.3334f);
    EXPECT_FLOAT_EQ(camera.bufferWidth, 1024.0f);
    EXPECT_FLOAT_EQ(camera.bufferHeight, 768.0f);
}

TEST_F(PlayCamera, ProjectionIsASymmetricOrtho) {
    EXPECT_NEAR(camera.projection[0][0], 0.00075f, 1e-8f);
    EXPECT_FLOAT_EQ(camera.projection[1][1], 0.001f);
    EXPECT_FLOAT_EQ(camera.projection[2][2], -1.0f);
    EXPECT_FLOAT_EQ(camera.projection[3][0], 0.0f);
    EXPECT_FLOAT_EQ(camera.projection[3][1], 0.0f);
    EXPECT_FLOAT_EQ(camera.projection[3][3], 1.0f);
    EXPECT_EQ(camera.view, mat4(1.0f));
}

TEST_F(PlayCamera, WindowCornersAndCentreMapToTheVisibleArea) {
    expectNear(camera.screenToGameCoordinates({0.0f, 0.0f}), {-1333.33f, 1000.0f});
    expectNear(camera.screenToGameCoordinates({512.0f, 384.0f}), {0.0f, 0.0f});
    expectNear(camera.screenToGameCoordinates({1024.0f, 768.0f}), {1333.33f, -1000.0f});
}

TEST_F(PlayCamera, PositionMovesTheViewAndTheMapping) {
    camera.setPosition({100.0f, 50.0f});
    expectNear(camera.screenToGameCoordinates({512.0f, 384.0f}), {100.0f, 50.0f});
    expectNear(camera.screenToGameCoordinates({0.0f, 0.0f}), {100.0f - 1333.33f, 1050.0f});
    const glm::vec4 device = camera.projectionView * glm::vec4(100.0f, 50.0f, 0.0f, 1.0f);
    EXPECT_NEAR(device.x, 0.0f, 1e-6f);
    EXPECT_NEAR(device.y, 0.0f, 1e-6f);
    EXPECT_FLOAT_EQ(camera.view[3][0], -100.0f);
    EXPECT_FLOAT_EQ(camera.view[3][1], -50.0f);
    EXPECT_FLOAT_EQ(camera.halfHeight, 1000.0f);
}

TEST_F(PlayCamera, ProjectionViewSendsTheEdgesToDeviceBorders) {
    camera.setPosition({-300.0f, 200.0f});
    const glm::vec4 corner = camera.projectionView * glm::vec4(-300.0f + 1333.3334f, 200.0f - 1000.0f, 0, 1);
    EXPECT_NEAR(corner.x, 1.0f, 1e-5f);
    EXPECT_NEAR(corner.y, -1.0f, 1e-5f);
}

TEST_F(PlayCamera, CirclesTouchingTheEnlargedBorderAreInside) {
    EXPECT_TRUE(camera.isInside({1333.3334f + 10.0f, 0.0f}, 10.0f));
    EXPECT_FALSE(camera.isInside({1333.3334f + 10.5f, 0.0f}, 10.0f));
    EXPECT_FALSE(camera.isInside({-1333.3334f - 10.5f, 0.0f}, 10.0f));
    EXPECT_TRUE(camera.isInside({0.0f, 1000.0f + 50.0f}, 50.0f));
    EXPECT_FALSE(camera.isInside({0.0f, 1000.0f + 50.5f}, 50.0f));
    EXPECT_TRUE(camera.isInside({0.0f, -1050.0f}, 50.0f));
    EXPECT_FALSE(camera.isInside({0.0f, -1050.5f}, 50.0f));
}

TEST_F(PlayCamera, IsInsideMeasuresFromThePosition) {
    camera.setPosition({5000.0f, 0.0f});
    EXPECT_FALSE(camera.isInside({0.0f, 0.0f}, 50.0f));
    EXPECT_TRUE(camera.isInside({5000.0f + 1333.0f, 990.0f}, 0.0f));
}

TEST_F(PlayCamera, VerticalSizeChangesOnlyTheExtents) {
    camera.setPosition({10.0f, 20.0f});
    camera.setVerticalSize(1000.0f);
    EXPECT_FLOAT_EQ(camera.halfHeight, 500.0f);
    EXPECT_FLOAT_EQ(camera.halfWidth, 666.6667f);
    EXPECT_FLOAT_EQ(camera.bufferWidth, 1024.0f);
    EXPECT_FLOAT_EQ(camera.bufferHeight, 768.0f);
    EXPECT_EQ(camera.position, vec2(10.0f, 20.0f));
    expectNear(camera.screenToGameCoordinates({0.0f, 0.0f}), {10.0f - 666.67f, 520.0f});
}

TEST_F(PlayCamera, AWiderBufferShowsMoreSideways) {
    camera.resizeBuffer(1920.0f, 1080.0f);
    EXPECT_FLOAT_EQ(camera.halfHeight, 1000.0f);
    EXPECT_NEAR(camera.halfWidth, 1777.78f, kTolerance);
    expectNear(camera.screenToGameCoordinates({1920.0f, 540.0f}), {1777.78f, 0.0f});
}

TEST_F(PlayCamera, AZeroSizedBufferIsIgnored) {
    const mat4 before = camera.projectionView;
    camera.resizeBuffer(0.0f, 0.0f);
    camera.resizeBuffer(800.0f, 0.0f);
    camera.resizeBuffer(0.0f, 600.0f);
    EXPECT_FLOAT_EQ(camera.bufferWidth, 1024.0f);
    EXPECT_FLOAT_EQ(camera.bufferHeight, 768.0f);
    EXPECT_FLOAT_EQ(camera.halfWidth, 1333.3334f);
    EXPECT_EQ(camera.projectionView, before);
    EXPECT_TRUE(allFinite(camera.projectionView));
    expectNear(camera.screenToGameCoordinates({512.0f, 384.0f}), {0.0f, 0.0f});
}

TEST_F(PlayCamera, SettersAfterAZeroSizedBufferKeepTheLastSize) {
    camera.resizeBuffer(0.0f, 0.0f);
    camera.setPosition({1.0f, 2.0f});
    EXPECT_FLOAT_EQ(camera.bufferWidth, 1024.0f);
    EXPECT_TRUE(allFinite(camera.projectionView));
    camera.resizeBuffer(800.0f, 600.0f);
    EXPECT_FLOAT_EQ(camera.halfWidth, 1333.3334f);
    EXPECT_FLOAT_EQ(camera.bufferWidth, 800.0f);
}

TEST(OrthoCamera, ConstructedForAZeroSizedBufferStaysFinite) {
    OrthoCamera camera(kPlayHeight, 0.0f, 0.0f);
    EXPECT_TRUE(allFinite(camera.projection));
    EXPECT_TRUE(allFinite(camera.projectionView));
    EXPECT_FLOAT_EQ(camera.halfHeight, 1000.0f);
    camera.resizeBuffer(1024.0f, 768.0f);
    EXPECT_FLOAT_EQ(camera.halfWidth, 1333.3334f);
}

TEST(OrthoCamera, InterfaceCameraMapsOnePixelToOneUnit) {
    OrthoCamera gui(768.0f, 1024.0f, 768.0f);
    EXPECT_FLOAT_EQ(gui.halfWidth, 512.0f);
    EXPECT_FLOAT_EQ(gui.halfHeight, 384.0f);
    expectNear(gui.screenToGameCoordinates({512.0f, 384.0f}), {0.0f, 0.0f});
    expectNear(gui.screenToGameCoordinates({0.0f, 0.0f}), {-512.0f, 384.0f});
    expectNear(gui.screenToGameCoordinates({612.0f, 334.0f}), {100.0f, 50.0f});
}

TEST(OrthoCamera, IsCopyable) {
    OrthoCamera original(kPlayHeight, 1024.0f, 768.0f);
    OrthoCamera copy = original;
    copy.setPosition({3.0f, 4.0f});
    EXPECT_EQ(original.position, vec2(0.0f, 0.0f));
    EXPECT_EQ(copy.position, vec2(3.0f, 4.0f));
}

} // namespace
} // namespace kv
