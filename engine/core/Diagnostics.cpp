#include "engine/core/Diagnostics.hpp"

#include <cxxabi.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>

namespace kv {

void throwRuntimeError(MessageCallback message) {
    std::stringstream stream(std::ios::in | std::ios::out);
    message(stream);
    throw std::runtime_error(stream.str());
}

void checkState(bool condition, MessageCallback message) {
    if (!condition) {
        throwRuntimeError(message);
    }
}

void checkState(bool condition, const std::string& message) {
    if (!condition) {
        throw std::runtime_error(message);
    }
}

void checkState(bool condition, const char* message) {
    if (!condition) {
        throw std::runtime_error(message);
    }
}

std::string readableTypeName(const std::type_info& type) {
    int status = 0;
    const std::unique_ptr<char, void (*)(void*)> name(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    return status == 0 ? std::string(name.get()) : std::string(type.name());
}

void logDebug(const std::string& text) { std::cout << text << std::endl; }

void logCritical(const std::string& text) { std::cerr << text << std::endl; }

float randomFloat(float min, float max) {
    // glibc's rand() spans 0..2^31-1; its low 15 bits are as uniform as the whole value.
    constexpr int kRandomMax = 32767;
    const int r = std::rand() & kRandomMax;
    return (max - min) * (static_cast<float>(r) / 32767.0f) + min;
}

std::string loadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

static float lengthOf(const vec2& v) { return std::sqrt(v.x * v.x + v.y * v.y); }

bool isInside(const vec2& point, float radius) { return radius > lengthOf(point); }

vec2 pushOutside(const vec2& point, float radius) {
    checkState(!(point.x == 0.0f && point.y == 0.0f), "can't push zero vector outside radius");
    const float inverseLength = 1.0f / lengthOf(point);
    return vec2(point.x * inverseLength * radius, point.y * inverseLength * radius);
}

} // namespace kv
