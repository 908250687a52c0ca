#include "tools/assetgen/Shape.hpp"

#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(Shapes, CircleDistanceIsNegativeInsideAndExactOutside) {
    const Shape shape = circle(vec2(10, 0), 5);
    EXPECT_FLOAT_EQ(shape(vec2(10, 0)), -5.0f);
    EXPECT_FLOAT_EQ(shape(vec2(18, 0)), 3.0f);
    EXPECT_EQ(shape.min, vec2(5, -5));
    EXPECT_EQ(shape.max, vec2(15, 5));
}

TEST(Shapes, PolygonKnowsInsideFromOutsideWhateverItsWinding) {
    const Shape clockwise = polygon({{0, 0}, {0, 10}, {10, 10}, {10, 0}});
    const Shape counterClockwise = polygon({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    for (const Shape& square : {clockwise, counterClockwise}) {
        EXPECT_FLOAT_EQ(square(vec2(5, 5)), -5.0f);
        EXPECT_FLOAT_EQ(square(vec2(5, 12)), 2.0f);
        EXPECT_FLOAT_EQ(square(vec2(13, 14)), 5.0f);
    }
}

TEST(Shapes, MirroredPolygonIsSymmetricAcrossTheXAxis) {
    const Shape hull = mirroredPolygon({{10, 0}, {0, 4}, {-10, 2}, {-10, 0}});
    EXPECT_LT(hull(vec2(0, 3)), 0.0f);
    EXPECT_FLOAT_EQ(hull(vec2(0, 3)), hull(vec2(0, -3)));
    EXPECT_FLOAT_EQ(hull(vec2(-5, 6)), hull(vec2(-5, -6)));
    EXPECT_EQ(hull.min, vec2(-10, -4));
    EXPECT_EQ(hull.max, vec2(10, 4));
}

TEST(Shapes, SubtractCutsAHoleAndRingIsHollow) {
    const Shape washer = subtract(circle(vec2(0), 10), circle(vec2(0), 4));
    EXPECT_GT(washer(vec2(0)), 0.0f);
    EXPECT_LT(washer(vec2(7, 0)), 0.0f);
    const Shape band = ring(vec2(0), 4, 10);
    EXPECT_FLOAT_EQ(band(vec2(0)), 4.0f);
    EXPECT_FLOAT_EQ(band(vec2(7, 0)), -3.0f);
}

TEST(Shapes, PlaceTurnsCounterClockwiseThenMovesAndKeepsItsBoundsAroundTheResult) {
    const Shape stick = capsule(vec2(0), vec2(10, 0), 1);
    const Shape placed = place(stick, vec2(5, 5), std::numbers::pi_v<float> / 2);
    // The stick now points up from (5, 5).
    EXPECT_NEAR(placed(vec2(5, 12)), -1.0f, 1e-5f);
    EXPECT_GT(placed(vec2(12, 5)), 0.0f);
    EXPECT_LE(placed.min.x, 4.0f);
    EXPECT_GE(placed.max.y, 16.0f);
}

TEST(Shapes, GrowMovesTheOutlineOutwards) {
    const Shape grown = grow(box(vec2(0), vec2(5, 5)), 2);
    EXPECT_FLOAT_EQ(grown(vec2(7, 0)), 0.0f);
    EXPECT_EQ(grown.max, vec2(7, 7));
}

} // namespace
} // namespace kv
