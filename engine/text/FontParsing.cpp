#include "engine/text/FontParsing.hpp"

#include <cstddef>
#include <limits>

#include "engine/core/Diagnostics.hpp"

namespace kv {

namespace {

// A token longer than the expected one can never match; reading stops this many characters beyond it so
// that a binary file without delimiters is neither copied whole nor into an error message.
constexpr std::size_t kTokenSlack = 64; // characters

constexpr char kQuote = '"';

} // namespace

void verifyTag(const std::string& actual, const std::string& expected) {
    checkEquals<std::string>(actual, expected, "Unexpected tag");
}

void verifyNextTag(std::istream& in, const std::string& expected, char delimiter) {
    in >> std::ws;
    const std::size_t maxLength = expected.size() + kTokenSlack;
    std::string token;
    bool extractedAny = false;
    char c = '\0';
    while (token.size() <= maxLength && in.get(c)) {
        extractedAny = true;
        if (c == delimiter) {
            break;
        }
        token.push_back(c);
    }
    // Like std::getline: a token that runs into the end of the stream only sets eofbit.
    if (extractedAny && in.eof() && !in.bad()) {
        in.clear(std::ios::eofbit);
    }
    verifyTag(token, expected);
}

void skipLines(std::istream& in, int count) {
    for (int remaining = count; remaining > 0; --remaining) {
        // ignore() at the very end of the stream only sets eofbit, but a line that isn't there is missing.
        if (in.peek() == std::istream::traits_type::eof()) {
            in.setstate(std::ios::failbit);
        } else {
            in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
        }
        if (in.fail() || in.bad()) {
            throwRuntimeError([remaining](std::stringstream& out) {
                out << "Couldn't skip required number of line, still wanted to skip " << remaining
                    << " lines";
            });
        }
    }
}

template <>
void parseProperty<std::string>(std::istream& in, const std::string& tag, std::string& value,
                                char delimiter) {
    verifyNextTag(in, tag, delimiter);
    in >> std::ws;
    char opening = '\0';
    in.get(opening);
    checkEquals<char>(opening, kQuote, "Invalid string property");
    std::getline(in, value, kQuote);
}

void skipStringProperty(std::istream& in, const std::string& tag, char delimiter) {
    verifyNextTag(in, tag, delimiter);
    in >> std::ws;
    char opening = '\0';
    in.get(opening);
    checkEquals<char>(opening, kQuote, "Invalid string property");
    in.ignore(std::numeric_limits<std::streamsize>::max(), kQuote);
}

} // namespace kv
