#include "engine/render/Shape2D.hpp"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace kv {
namespace {

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
