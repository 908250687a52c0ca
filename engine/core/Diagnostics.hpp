// Checks that turn violated preconditions into std::runtime_error, logging, and small shared helpers.
#pragma once

#include <functional>
#include <sstream>
#include <string>
#include <typeinfo>

#include <glm/vec2.hpp>

namespace kv {

using glm::vec2;

// Writes the text of an error message; it runs only when a check fails.
using MessageCallback = std::function<void(std::stringstream&)>;

[[noreturn]] void throwRuntimeError(MessageCallback message);

void checkState(bool condition, MessageCallback message);
void checkState(bool condition, const std::string& message);
void checkState(bool condition, const char* message);

// Note the order: the value found first, the value required second.
template <typename T>
void checkEquals(const T& actual, const T& expected, MessageCallback message) {
    if (actual == expected) {
        return;
    }
    throwRuntimeError([&](std::stringstream& out) {
        message(out);
        out << ", expected: " << expected << ", actual: " << actual;
    });
}

template <typename T>
void checkEquals(const T& actual, const T& expected, const char* message) {
    if (actual == expected) {
        return;
    }
    checkEquals<T>(actual, expected, [message](std::stringstream& out) { out << message; });
}

// Holds when min <= value < max.
template <typename T>
void checkInRange(const T& value, const T& min, const T& max, MessageCallback message) {
    if (min <= value && value < max) {
        return;
    }
    throwRuntimeError([&](std::stringstream& out) {
        message(out);
        out << ", should be in range [" << min << ", " << max << "), was: " << value;
    });
}

template <typename T>
void checkInRange(const T& value, const T& min, const T& max, const char* message) {
    if (min <= value && value < max) {
        return;
    }
    checkInRange<T>(value, min, max, [message](std::stringstream& out) { out << message; });
}

// The class's name as written in the source ("kv::HealthComponent"), for messages.
std::string readableTypeName(const std::type_info& type);

// One line to standard output, flushed.
void logDebug(const std::string& text);
// One line to standard error, flushed.
void logCritical(const std::string& text);

// Uniform in [min, max] from the unseeded rand(), reduced to 0..32767 so every run repeats its sequence.
float randomFloat(float min, float max);

// The whole file as text; empty when the file is missing or unreadable.
std::string loadFile(const std::string& path);

// Strictly inside the circle of that radius around the origin.
bool isInside(const vec2& point, float radius);

// The point scaled to length radius; throws for the zero vector.
vec2 pushOutside(const vec2& point, float radius);

} // namespace kv
