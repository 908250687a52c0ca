#include "engine/core/Diagnostics.hpp"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kv {
namespace {

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "<no error>";
}

TEST(Diagnostics, CheckEqualsComposesMessageExpectedThenActual) {
    EXPECT_EQ(messageOf([] { checkEquals<std::string>("page", "info", "Unexpected tag"); }),
              "Unexpected tag, expected: info, actual: page");
    EXPECT_EQ(messageOf([] { checkEquals<char>('x', '"', "Invalid string property"); }),
              "Invalid string property, expected: \", actual: x");
    EXPECT_EQ(messageOf([] { checkEquals<int>(2, 1, [](std::stringstream& s) { s << "pages " << 7; }); }),
              "pages 7, expected: 1, actual: 2");
}

TEST(Diagnostics, PassingChecksNeverComposeTheirMessage) {
    int calls = 0;
    auto counting = [&calls](std::stringstream&) { ++calls; };
    checkEquals<int>(3, 3, counting);
    checkInRange<int>(0, 0, 127, counting);
    checkState(true, counting);
    EXPECT_EQ(calls, 0);
}

TEST(Diagnostics, CheckInRangeExcludesTheUpperBound) {
    EXPECT_EQ(messageOf([] { checkInRange<int>(127, 0, 127, "Unsupported non ascii codepoint"); }),
              "Unsupported non ascii codepoint, should be in range [0, 127), was: 127");
    EXPECT_EQ(messageOf([] { checkInRange<int>(-3, 0, 127, "code"); }),
              "code, should be in range [0, 127), was: -3");
    EXPECT_NO_THROW(checkInRange<int>(0, 0, 127, "code"));
    EXPECT_NO_THROW(checkInRange<int>(126, 0, 127, "code"));
}

TEST(Diagnostics, CheckStateThrowsItsTextInEveryForm) {
    EXPECT_EQ(messageOf([] { checkState(false, "plain"); }), "plain");
    EXPECT_EQ(messageOf([] { checkState(false, std::string("string")); }), "string");
    EXPECT_EQ(messageOf([] { checkState(false, [](std::stringstream& s) { s << "composed " << 1; }); }),
              "composed 1");
    EXPECT_THROW(throwRuntimeError(MessageCallback()), std::bad_function_call);
}

TEST(Diagnostics, RandomFloatStaysInItsIntervalEitherWayRound) {
    EXPECT_EQ(randomFloat(2.5f, 2.5f), 2.5f);
    for (int i = 0; i < 10000; ++i) {
        const float forward = randomFloat(-1.0f, 1.0f);
        ASSERT_GE(forward, -1.0f);
        ASSERT_LE(forward, 1.0f);
        const float backward = randomFloat(5.0f, 1.0f);
        ASSERT_GE(backward, 1.0f);
        ASSERT_LE(backward, 5.0f);
    }
}

TEST(Diagnostics, RandomFloatRepeatsItsSequenceFromTheSameSeedState) {
    std::srand(1); // the state an unseeded program starts with
    std::vector<float> first;
    for (int i = 0; i < 5; ++i) {
        first.push_back(randomFloat(0.0f, 32767.0f));
    }
    std::srand(1);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(randomFloat(0.0f, 32767.0f), first[i]);
        EXPECT_EQ(first[i], static_cast<float>(static_cast<int>(first[i]))) << "whole numbers 0..32767";
    }
}

TEST(Diagnostics, CircleHelpers) {
    EXPECT_FALSE(isInside(vec2(3, 4), 5));
    EXPECT_TRUE(isInside(vec2(3, 4), 6));
    const vec2 pushed = pushOutside(vec2(3, 4), 10);
    EXPECT_FLOAT_EQ(pushed.x, 6);
    EXPECT_FLOAT_EQ(pushed.y, 8);
    const vec2 pulled = pushOutside(vec2(0, -300), 100);
    EXPECT_FLOAT_EQ(pulled.y, -100);
    EXPECT_EQ(messageOf([] { pushOutside(vec2(0, 0), 10); }), "can't push zero vector outside radius");
}

TEST(Diagnostics, LoadFileReadsWholeFileOrNothing) {
    EXPECT_EQ(loadFile("/nonexistent/definitely/missing.txt"), "");
    const std::string path = ::testing::TempDir() + "diagnostics_load.txt";
    {
        std::ofstream out(path);
        out << "line one\nline two";
    }
    EXPECT_EQ(loadFile(path), "line one\nline two");
}

} // namespace
} // namespace kv
