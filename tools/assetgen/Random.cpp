#include "tools/assetgen/Random.hpp"

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

constexpr std::uint64_t kPcgMultiplier = 6364136223846793005ULL;
constexpr std::uint64_t kPcgIncrement = 1442695040888963407ULL;
constexpr float kTwoToMinus24 = 1.0f / 16777216.0f;

std::uint32_t hash(std::int32_t x, std::int32_t y, std::int32_t z, std::uint32_t seed) {
    std::uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<std::uint32_t>(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
    h = (h << 17) | (h >> 15);
    h ^= static_cast<std::uint32_t>(z) * 0x27D4EB2Fu;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

// The twelve edge directions of a cube: Perlin's gradient set.
const vec3 kGradients[12] = {{1, 1, 0},  {-1, 1, 0},  {1, -1, 0}, {-1, -1, 0}, {1, 0, 1},  {-1, 0, 1},
                             {1, 0, -1}, {-1, 0, -1}, {0, 1, 1},  {0, -1, 1},  {0, 1, -1}, {0, -1, -1}};

float smoothStepWeight(float t) {
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

float mix(float a, float b, float t) {
    return a + (b - a) * t;
}

} // namespace

Random::Random(std::uint64_t seed) : state(0) {
    next();
    state += seed;
    next();
}

std::uint32_t Random::next() {
    const std::uint64_t old = state;
    state = old * kPcgMultiplier + kPcgIncrement;
    const auto xorShifted = static_cast<std::uint32_t>(((old >> 18u) ^ old) >> 27u);
    const auto rotation = static_cast<std::uint32_t>(old >> 59u);
    return (xorShifted >> rotation) | (xorShifted << ((32u - rotation) & 31u));
}

float Random::uniform() {
    return static_cast<float>(next() >> 8) * kTwoToMinus24;
}

float Random::uniform(float low, float high) {
    return low + (high - low) * uniform();
}

float smoothNoise(vec3 point, std::uint32_t seed) {
    const float fx = std::floor(point.x);
    const float fy = std::floor(point.y);
    const float fz = std::floor(point.z);
    const auto x = static_cast<std::int32_t>(fx);
    const auto y = static_cast<std::int32_t>(fy);
    const auto z = static_cast<std::int32_t>(fz);
    const vec3 f = point - vec3(fx, fy, fz);
    const float u = smoothStepWeight(f.x);
    const float v = smoothStepWeight(f.y);
    const float w = smoothStepWeight(f.z);
    // Gradient noise: each lattice corner contributes a plane through zero, which hides the lattice far
    // better than interpolated random values do.
    auto corner = [&](std::int32_t dx, std::int32_t dy, std::int32_t dz) {
        const std::uint32_t h = hash(x + dx, y + dy, z + dz, seed);
        const vec3 gradient = kGradients[h % 12u];
        return gradient.x * (f.x - static_cast<float>(dx)) + gradient.y * (f.y - static_cast<float>(dy)) +
               gradient.z * (f.z - static_cast<float>(dz));
    };
    const float x00 = mix(corner(0, 0, 0), corner(1, 0, 0), u);
    const float x10 = mix(corner(0, 1, 0), corner(1, 1, 0), u);
    const float x01 = mix(corner(0, 0, 1), corner(1, 0, 1), u);
    const float x11 = mix(corner(0, 1, 1), corner(1, 1, 1), u);
    return std::clamp(mix(mix(x00, x10, v), mix(x01, x11, v), w), -1.0f, 1.0f);
}

float smoothNoise(vec2 point, std::uint32_t seed) {
    return smoothNoise(vec3(point, 0.5f), seed);
}

float fractalNoise(vec3 point, int octaves, std::uint32_t seed) {
    float sum = 0.0f;
    float weight = 0.5f;
    float total = 0.0f;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += weight * smoothNoise(point, seed + static_cast<std::uint32_t>(octave) * 101u);
        total += weight;
        point = point * 2.03f + vec3(17.1f, 5.3f, 11.7f);
        weight *= 0.5f;
    }
    return sum / total;
}

float fractalNoise(vec2 point, int octaves, std::uint32_t seed) {
    float sum = 0.0f;
    float weight = 0.5f;
    float total = 0.0f;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += weight * smoothNoise(point, seed + static_cast<std::uint32_t>(octave) * 101u);
        total += weight;
        point = point * 2.03f + vec2(17.1f, 5.3f);
        weight *= 0.5f;
    }
    return sum / total;
}

} // namespace kv
