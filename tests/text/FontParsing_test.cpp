#include "engine/text/FontParsing.hpp"

#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>

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

std::string rest(std::istream& in) {
    std::string remainder;
    std::getline(in, remainder, '\0');
    return remainder;
}

TEST(FontParsing, VerifyTagNamesExpectedThenActual) {
    EXPECT_NO_THROW(verifyTag("info", "info"));
    EXPECT_EQ(messageOf([] { verifyTag("page", "info"); }), "Unexpected tag, expected: info, actual: page");
}

TEST(FontParsing, NextTagSkipsLineEndsAndConsumesTheDelimiter) {
    std::istringstream in("\r\n  \t common lineHeight=44");
    verifyNextTag(in, "common", ' ');
    EXPECT_EQ(rest(in), "lineHeight=44");
}

TEST(FontParsing, NextTagReadsUpToItsOwnDelimiterOnly) {
    std::istringstream in("size=32 bold=0");
    verifyNextTag(in, "size", '=');
    EXPECT_EQ(rest(in), "32 bold=0");
}

TEST(FontParsing, NextTagAtTheEndReadsAnEmptyToken) {
    std::istringstream in("   \n");
    EXPECT_EQ(messageOf([&] { verifyNextTag(in, "kernings", ' '); }),
              "Unexpected tag, expected: kernings, actual: ");
}

TEST(FontParsing, NextTagAfterAFailedNumberReadsAnEmptyToken) {
    std::istringstream in("size=abc bold=0");
    int size = -1;
    parseProperty<int>(in, "size", size, '=');
    ASSERT_TRUE(in.fail());
    EXPECT_EQ(messageOf([&] { verifyNextTag(in, "bold", '='); }), "Unexpected tag, expected: bold, actual: ");
}

TEST(FontParsing, NextTagRunningIntoTheEndBehavesLikeGetline) {
    std::istringstream in("kernings");
    verifyNextTag(in, "kernings", ' ');
    EXPECT_TRUE(in.eof());
    EXPECT_FALSE(in.fail());
}

TEST(FontParsing, NextTagStopsReadingAnEndlessToken) {
    std::istringstream in(std::string(1 << 20, 'x'));
    const std::string message = messageOf([&] { verifyNextTag(in, "info", ' '); });
    EXPECT_EQ(message.rfind("Unexpected tag, expected: info, actual: xxxx", 0), 0u);
    EXPECT_LT(message.size(), 200u);
    EXPECT_LT(in.tellg(), 200);
}

TEST(FontParsing, SkipLinesDiscardsWholeLines) {
    std::istringstream in("info face=\"x\" size=1\r\ncommon a=1\nchars count=0\n");
    skipLines(in, 2);
    EXPECT_EQ(rest(in), "chars count=0\n");
}

TEST(FontParsing, SkipLinesAcceptsALastLineWithoutLineFeed) {
    std::istringstream in("first\nlast");
    EXPECT_NO_THROW(skipLines(in, 2));
    EXPECT_TRUE(in.eof());
}

TEST(FontParsing, SkipLinesPastTheEndCountsTheLinesStillWanted) {
    std::istringstream in("only line\n");
    EXPECT_EQ(messageOf([&] { skipLines(in, 3); }),
              "Couldn't skip required number of line, still wanted to skip 2 lines");
}

TEST(FontParsing, SkipLinesOnAFailedStreamFailsAtOnce) {
    std::istringstream in("a\nb\n");
    in.setstate(std::ios::failbit);
    EXPECT_EQ(messageOf([&] { skipLines(in, 1); }),
              "Couldn't skip required number of line, still wanted to skip 1 lines");
}

TEST(FontParsing, SkipLinesOfZeroReadsNothing) {
    std::istringstream in("");
    EXPECT_NO_THROW(skipLines(in, 0));
    EXPECT_NO_THROW(skipLines(in, -4));
}

TEST(FontParsing, StringPropertyKeepsSpacesAndDropsTheQuotes) {
    std::istringstream in("file= \"Open Sans.png\" next");
    std::string value;
    parseProperty<std::string>(in, "file", value, '=');
    EXPECT_EQ(value, "Open Sans.png");
    EXPECT_EQ(rest(in), " next");
}

TEST(FontParsing, StringPropertyWithoutQuoteIsInvalid) {
    std::istringstream in("file=font.png");
    std::string value;
    EXPECT_EQ(messageOf([&] { parseProperty<std::string>(in, "file", value, '='); }),
              "Invalid string property, expected: \", actual: f");
}

TEST(FontParsing, StringPropertyChecksItsTagFirst) {
    std::istringstream in("face=\"x\"");
    std::string value;
    EXPECT_EQ(messageOf([&] { parseProperty<std::string>(in, "file", value, '='); }),
              "Unexpected tag, expected: file, actual: face");
}

TEST(FontParsing, IntPropertyReadsSignedNumbers) {
    std::istringstream in("amount=-2 ");
    int amount = 0;
    parseProperty<int>(in, "amount", amount, '=');
    EXPECT_EQ(amount, -2);
    EXPECT_FALSE(in.fail());
}

TEST(FontParsing, SkippedStringPropertyLeavesTheNextProperty) {
    std::istringstream in("face=\"Open Sans\" size=32");
    skipStringProperty(in, "face", '=');
    int size = 0;
    parseProperty<int>(in, "size", size, '=');
    EXPECT_EQ(size, 32);
}

TEST(FontParsing, SkippedStringPropertyMustBeQuoted) {
    std::istringstream in("face=Open");
    EXPECT_EQ(messageOf([&] { skipStringProperty(in, "face", '='); }),
              "Invalid string property, expected: \", actual: O");
}

} // namespace
} // namespace kv
