// Deterministic random numbers and smooth noise for the generated art and sound: the same on every run, so
// the generated files are byte-identical between builds.
#pragma once

#include <cstdint>

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

namespace kv {

using glm::vec2;
using glm::vec3;

// PCG32: small, fast and fully specified (unlike the standard distributions, whose output may differ between
// library versions).
class Random {
public:
    explicit Random(std::uint64_t seed);

    std::uint32_t next();
    // Uniform in [0, 1).
    float uniform();
    // Uniform in [low, high).
    float uniform(float low, float high);
    // Uniform in [-1, 1).
    float bipolar() { return uniform(-1.0f, 1.0f); }

private:
    std::uint64_t state;
};

// Smooth gradient noise in [-1, 1], varying over distances of about 1; 0 on every integer lattice point.
float smoothNoise(vec3 point, std::uint32_t seed);
float smoothNoise(vec2 point, std::uint32_t seed);

// Sum of octaves of smooth noise, each at twice the frequency and half the weight; roughly in [-1, 1].
float fractalNoise(vec3 point, int octaves, std::uint32_t seed);
float fractalNoise(vec2 point, int octaves, std::uint32_t seed);

} // namespace kv
