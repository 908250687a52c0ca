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

TEST(FontParsing, NextTagSkipsLineEndsReadsUpToItsDelimiterAndConsumesIt) {
    const struct {
        const char* input;
        const char* tag;
        char delimiter;
        const char* rest;
    } cases[] = {{"\r\n  \t common lineHeight=44", "common", ' ', "lineHeight=44"},
                 {"size=32 bold=0", "size", '=', "32 bold=0"}};
    for (const auto& c : cases) {
        std::istringstream in(c.input);
        verifyNextTag(in, c.tag, c.delimiter);
        EXPECT_EQ(rest(in), c.rest);
    }
    std::istringstream last("kernings");
    verifyNextTag(last, "kernings", ' ');
    EXPECT_TRUE(last.eof());
    EXPECT_FALSE(last.fail()) << "running into the end is what getline does";
}

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
    std::istringstream empty("");
    EXPECT_NO_THROW(skipLines(empty, 0));
    EXPECT_NO_THROW(skipLines(empty, -4));
    std::istringstream oneLine("only line\n");
    EXPECT_EQ(errorOf([&] { skipLines(oneLine, 3); }),
              "Couldn't skip required number of line, still wanted to skip 2 lines");
    std::istringstream failed("a\nb\n");
    failed.setstate(std::ios::failbit);
    EXPECT_EQ(errorOf([&] { skipLines(failed, 1); }),
              "Couldn't skip required number of line, still wanted to skip 1 lines");
}

TEST(FontParsing, PropertiesCheckTheirTagAndReadQuotedStringsWithSpacesAndSignedNumbers) {
    std::istringstream in("file= \"Open Sans.png\" amount=-2 face=\"Open Sans\" size=32");
    std::string file;
    int amount = 0;
    int size = 0;
    parseProperty<std::string>(in, "file", file, '=');
    parseProperty<int>(in, "amount", amount, '=');
    skipStringProperty(in, "face", '=');
    parseProperty<int>(in, "size", size, '=');
    EXPECT_EQ(file, "Open Sans.png");
    EXPECT_EQ(amount, -2);
    EXPECT_EQ(size, 32);
    EXPECT_FALSE(in.fail());
}

} // namespace
} // namespace kv
