#include "engine/core/Diagnostics.hpp"

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include "tests/support/ErrorText.hpp"

namespace kv {
namespace {

using test::errorOf;

TEST(Diagnostics, ChecksComposeMessageThenExpectedThenActual) {
    EXPECT_EQ(errorOf([] { checkEquals<std::string>("page", "info", "Unexpected tag"); }),
              "Unexpected tag, expected: info, actual: page");
    EXPECT_EQ(errorOf([] { checkEquals<int>(2, 1, [](std::stringstream& s) { s << "pages " << 7; }); }),
              "pages 7, expected: 1, actual: 2");
    EXPECT_EQ(errorOf([] { checkInRange<int>(127, 0, 127, "Unsupported non ascii codepoint"); }),
              "Unsupported non ascii codepoint, should be in range [0, 127), was: 127");
    EXPECT_EQ(errorOf([] { checkInRange<int>(-3, 0, 127, "code"); }),
              "code, should be in range [0, 127), was: -3");
    EXPECT_EQ(errorOf([] { checkState(false, "plain"); }), "plain");
    EXPECT_EQ(errorOf([] { checkState(false, std::string("string")); }), "string");
    EXPECT_EQ(errorOf([] { checkState(false, [](std::stringstream& s) { s << "composed " << 1; }); }),
              "composed 1");
    EXPECT_THROW(throwRuntimeError(MessageCallback()), std::bad_function_call);
}

TEST(Diagnostics, PassingChecksNeverComposeTheirMessage) {
    int calls = 0;
    auto counting = [&calls](std::stringstream&) { ++calls; };
    checkEquals<int>(3, 3, counting);
    checkInRange<int>(0, 0, 127, counting);
    checkInRange<int>(126, 0, 127, counting);
    checkState(true, counting);
    EXPECT_EQ(calls, 0);
}

TEST(Diagnostics, RandomFloatStaysInItsIntervalEitherWayRoundAndRepeatsItsSequence) {
    EXPECT_EQ(randomFloat(2.5f, 2.5f), 2.5f);
    for (int i = 0; i < 10000; ++i) {
        const float forward = randomFloat(-1.0f, 1.0f);
        const float backward = randomFloat(5.0f, 1.0f);
        ASSERT_TRUE(forward >= -1.0f && forward <= 1.0f) << forward;
        ASSERT_TRUE(backward >= 1.0f && backward <= 5.0f) << backward;
    }
    std::srand(1); // the state an unseeded program starts with
    std::vector<float> first;
    for (int i = 0; i < 5; ++i) {
        first.push_back(randomFloat(0.0f, 32767.0f));
    }
    std::srand(1);
    for (float value : first) {
        EXPECT_EQ(randomFloat(0.0f, 32767.0f), value);
        EXPECT_EQ(value, static_cast<float>(static_cast<int>(value))) << "whole numbers 0..32767";
    }
}

TEST(Diagnostics, CircleHelpers) {
    EXPECT_FALSE(isInside(vec2(3, 4), 5));
    EXPECT_TRUE(isInside(vec2(3, 4), 6));
    EXPECT_LT(glm::distance(pushOutside(vec2(3, 4), 10), vec2(6, 8)), 1e-5f);
    EXPECT_LT(glm::distance(pushOutside(vec2(0, -300), 100), vec2(0, -100)), 1e-5f);
    EXPECT_EQ(errorOf([] { pushOutside(vec2(0, 0), 10); }), "can't push zero vector outside radius");
}

TEST(Diagnostics, LoadFileReadsWholeFileOrNothing) {
    EXPECT_EQ(loadFile("/nonexistent/definitely/missing.txt"), "");
    const std::string path = ::testing::TempDir() + "diagnostics_load.txt";
    std::ofstream(path) << "line one\nline two";
    EXPECT_EQ(loadFile(path), "line one\nline two");
}

} // namespace
} // namespace kv
