#include "engine/text/FontParsing.hpp"

#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/ErrorText.hpp"

namespace kv {
namespace {

using test::errorOf;

// Running into the end is what getline does, not a failure; a corrupt file holding one endless token must
// neither be read whole nor quoted whole.
TEST(FontParsing, NextTagEndsAtTheEndLikeGetlineAndStopsReadingAnEndlessToken) {
    std::istringstream last("kernings");
    verifyNextTag(last, "kernings", ' ');
    EXPECT_FALSE(last.fail());
    std::istringstream in(std::string(1 << 20, 'x'));
    const std::string message = errorOf([&] { verifyNextTag(in, "info", ' '); });
    EXPECT_EQ(message.rfind("Unexpected tag, expected: info, actual: xxxx", 0), 0u);
    EXPECT_LT(message.size(), 200u);
    EXPECT_LT(in.tellg(), 200);
}

} // namespace
} // namespace kv
