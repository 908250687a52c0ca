#include "engine/core/Diagnostics.hpp"

#include <string>

#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include "tests/support/ErrorText.hpp"

namespace kv {
namespace {

using test::errorOf;

TEST(Diagnostics, ChecksNameTheExpectedValueBeforeTheActualOne) {
    EXPECT_EQ(errorOf([] { checkEquals<std::string>("page", "info", "Unexpected tag"); }),
              "Unexpected tag, expected: info, actual: page");
    EXPECT_EQ(errorOf([] { checkInRange<int>(127, 0, 127, "code"); }),
              "code, should be in range [0, 127), was: 127");
}

TEST(Diagnostics, RandomFloatStaysInItsIntervalEitherWayRound) {
    EXPECT_EQ(randomFloat(2.5f, 2.5f), 2.5f);
    for (int i = 0; i < 10000; ++i) {
        const float forward = randomFloat(-1.0f, 1.0f);
        const float backward = randomFloat(5.0f, 1.0f);
        ASSERT_TRUE(forward >= -1.0f && forward <= 1.0f) << forward;
        ASSERT_TRUE(backward >= 1.0f && backward <= 5.0f) << backward;
    }
}

TEST(Diagnostics, CircleHelpers) {
    EXPECT_FALSE(isInside(vec2(3, 4), 5)) << "the rim is outside";
    EXPECT_TRUE(isInside(vec2(3, 4), 6));
    EXPECT_LT(glm::distance(pushOutside(vec2(3, 4), 10), vec2(6, 8)), 1e-5f);
    EXPECT_LT(glm::distance(pushOutside(vec2(0, -300), 100), vec2(0, -100)), 1e-5f);
    EXPECT_EQ(errorOf([] { pushOutside(vec2(0, 0), 10); }), "can't push zero vector outside radius");
}

} // namespace
} // namespace kv
