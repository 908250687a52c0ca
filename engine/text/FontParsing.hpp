// Strict readers for line-oriented "tag key=value" text descriptions (fonts, the high score file).
// Every reader throws std::runtime_error at the first token that is not the one expected.
#pragma once

#include <istream>
#include <string>

namespace kv {

// Throws "Unexpected tag" (with both texts) when the two differ.
void verifyTag(const std::string& actual, const std::string& expected);

// Skips whitespace, reads up to the delimiter (consumed) and verifies the token. A failed stream reads an
// empty token, so every reader after a failed number throws here.
void verifyNextTag(std::istream& in, const std::string& expected, char delimiter);

// Discards count lines, each up to and including its line feed; a last line without a line feed is fine,
// a discard at the end of the stream is not.
void skipLines(std::istream& in, int count);

// Verifies the tag, skips whitespace and reads the value with the stream's extraction operator. A value
// that does not parse leaves the stream failed.
template <typename T> void parseProperty(std::istream& in, const std::string& tag, T& value, char delimiter) {
    verifyNextTag(in, tag, delimiter);
    in >> std::ws >> value;
}

// Verifies the tag and reads a double-quoted value (the quotes are not part of it).
template <>
void parseProperty<std::string>(std::istream& in, const std::string& tag, std::string& value, char delimiter);

// Verifies the tag and discards a double-quoted value up to and including its closing quote.
void skipStringProperty(std::istream& in, const std::string& tag, char delimiter);

} // namespace kv
