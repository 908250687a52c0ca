#include "engine/text/FontParsing.hpp"

#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/ErrorText.hpp"

namespace kv {
namespace {

using test::errorOf;

std::string rest(std::istream& in) {
    std::string remainder;
    std::getline(in, remainder, '\0');
    return remainder;
}

// Running into the end is what getline does, not a failure.
TEST(FontParsing, NextTagSkipsLineEndsReadsUpToItsDelimiterAndConsumesIt) {
    const struct {
        const char* input;
        const char* tag;
        char delimiter;
        const char* rest;
    } cases[] = {{"\r\n  \t common lineHeight=44", "common", ' ', "lineHeight=44"},
                 {"size=32 bold=0", "size", '=', "32 bold=0"},
                 {"kernings", "kernings", ' ', ""}};
    for (const auto& c : cases) {
        std::istringstream in(c.input);
        verifyNextTag(in, c.tag, c.delimiter);
        EXPECT_FALSE(in.fail()) << c.input;
        EXPECT_EQ(rest(in), c.rest);
    }
}

// A corrupt file holding one endless token must neither be read whole nor quoted whole.
TEST(FontParsing, NextTagStopsReadingAnEndlessToken) {
    std::istringstream in(std::string(1 << 20, 'x'));
    const std::string message = errorOf([&] { verifyNextTag(in, "info", ' '); });
    EXPECT_EQ(message.rfind("Unexpected tag, expected: info, actual: xxxx", 0), 0u);
    EXPECT_LT(message.size(), 200u);
    EXPECT_LT(in.tellg(), 200);
}

TEST(FontParsing, SkipLinesDiscardsWholeLinesOrCountsTheLinesStillWanted) {
    std::istringstream in("info face=\"x\" size=1\r\ncommon a=1\nchars count=0\n");
    skipLines(in, 2);
    EXPECT_EQ(rest(in), "chars count=0\n");
    std::istringstream unterminated("first\nlast");
    EXPECT_NO_THROW(skipLines(unterminated, 2));
    std::istringstream oneLine("only line\n");
    EXPECT_EQ(errorOf([&] { skipLines(oneLine, 3); }),
              "Couldn't skip required number of line, still wanted to skip 2 lines");
}

} // namespace
} // namespace kv
