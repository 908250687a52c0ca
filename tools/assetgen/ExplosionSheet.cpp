#include "tools/assetgen/ExplosionSheet.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <thread>
#include <vector>

#include <glm/common.hpp>
#include <glm/geometric.hpp>

#include "tools/assetgen/Painter.hpp"
#include "tools/assetgen/Random.hpp"

namespace kv {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
// Nothing may reach the frame's border, or the animation would show a hard edge.
constexpr float kMaxReach = 0.5f * kExplosionFrameSize - 8.0f;

float smoothStep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// Fire colour from white-hot (1) through yellow, orange and red down to grey smoke (0).
vec3 fireColour(float temperature) {
    struct Stop {
        float at;
        vec3 colour;
    };
    static const Stop kStops[] = {{0.00f, vec3(0.30f, 0.29f, 0.29f)}, {0.10f, vec3(0.34f, 0.25f, 0.20f)},
                                  {0.20f, vec3(0.62f, 0.22f, 0.06f)}, {0.30f, vec3(0.90f, 0.32f, 0.06f)},
                                  {0.48f, vec3(1.00f, 0.55f, 0.12f)}, {0.70f, vec3(1.00f, 0.83f, 0.36f)},
                                  {0.90f, vec3(1.00f, 0.98f, 0.86f)}};
    if (temperature <= kStops[0].at) {
        return kStops[0].colour;
    }
    for (std::size_t i = 1; i < std::size(kStops); ++i) {
        if (temperature <= kStops[i].at) {
            const float t = (temperature - kStops[i - 1].at) / (kStops[i].at - kStops[i - 1].at);
            return glm::mix(kStops[i - 1].colour, kStops[i].colour, t);
        }
    }
    return kStops[std::size(kStops) - 1].colour;
}

struct Spark {
    vec2 direction;
    float reach;  // pixels travelled by the end
    float length; // pixels of the streak at the start
    float life;   // fraction of the animation it glows for
};

struct Chunk {
    vec2 direction;
    float reach;
    float size;
    float spin; // radians over the whole animation
    float angle;
};

void paintFireball(Raster& raster, const ExplosionStyle& style, float t) {
    const float radius = style.fireballRadius * (0.16f + 0.84f * (1.0f - std::exp(-7.0f * t)));
    const float heat = std::exp(-4.2f * t);
    // The second half of the animation fades the smoke to nothing.
    const float fade = 1.0f - smoothStep(0.4f, 1.0f, t);
    const float flash = std::exp(-9.0f * t);
    if (fade <= 0.0f) {
        return;
    }
    const float half = 0.5f * kExplosionFrameSize;
    for (int y = 0; y < kExplosionFrameSize; ++y) {
        for (int x = 0; x < kExplosionFrameSize; ++x) {
            const vec2 p(static_cast<float>(x) + 0.5f - half, half - static_cast<float>(y) - 0.5f);
            vec2 q = p / radius;
            if (glm::length(q) > 1.9f || glm::length(p) >= kMaxReach) {
                continue;
            }
            // Warping the coordinates by a coarse noise turns round blobs into rolling billows.
            const vec2 warp(fractalNoise(vec3(q * 1.3f, 0.8f * t), 2, style.seed + 3u),
                            fractalNoise(vec3(q * 1.3f + vec2(5.2f, 1.3f), 0.8f * t), 2, style.seed + 5u));
            q += warp * (0.35f + 0.3f * t);
            const float r = glm::length(q);
            // Turbulence grows as the ball cools, so it breaks up into separate puffs of smoke.
            const float noise = 1.5f * fractalNoise(vec3(q * 2.3f, 1.5f * t), 4, style.seed);
            const float breakup = t;
            const float body = 1.0f - r + noise * (0.45f + 0.55f * breakup) - 0.3f * breakup * breakup;
            const float density = smoothStep(0.0f, 0.14f + 0.3f * breakup, body);
            if (density <= 0.0f) {
                continue;
            }
            const float inner = std::clamp(body / 0.7f, 0.0f, 1.0f);
            const float temperature = std::clamp(
                heat * (0.25f + 1.0f * inner + 0.3f * noise) + 0.6f * flash * (1.0f - r), 0.0f, 1.0f);
            vec3 colour = fireColour(temperature);
            // Smoke is lit by the turbulence so that it reads as billows rather than a flat blot.
            const float smoke = 1.0f - smoothStep(0.1f, 0.3f, temperature);
            colour *= 1.0f + smoke * 0.6f * noise;
            const float opacity = glm::mix(1.0f, 0.8f, smoke);
            // However far the billows roll, they thin out before the frame's edge.
            const float border = 1.0f - smoothStep(kMaxReach - 24.0f, kMaxReach, glm::length(p));
            const float alpha = std::clamp(density * opacity * fade * border, 0.0f, 1.0f);
            raster.blend(x, y, vec4(glm::clamp(colour, vec3(0.0f), vec3(1.0f)) * alpha, alpha));
        }
    }
}

Raster paintFrame(const ExplosionStyle& style, const std::vector<Spark>& sparks,
                  const std::vector<Chunk>& chunks, int frame) {
    Raster raster(kExplosionFrameSize, kExplosionFrameSize);
    Painter painter(raster, vec2(0.0f), vec2(1.0f));
    const float t = static_cast<float>(frame) / static_cast<float>(style.frameCount - 1);
    const float travel = 1.0f - std::exp(-4.5f * t);

    // A faint pressure ring that races ahead of the fireball early on.
    if (t < 0.3f) {
        const float ringRadius = std::min(kMaxReach, style.fireballRadius * (0.35f + 1.4f * travel));
        const float strength = 0.45f * (1.0f - t / 0.3f);
        painter.fill(ring(vec2(0.0f), ringRadius - 3.0f, ringRadius + 3.0f),
                     [ringRadius, strength](vec2 p, float) {
                         const float across = std::abs(glm::length(p) - ringRadius) / 3.0f;
                         return vec4(1.0f, 0.85f, 0.6f, strength * (1.0f - across));
                     });
    }

    // Dark debris thrown out through the smoke, glowing while it is hot.
    for (const Chunk& chunk : chunks) {
        const float chunkFade = 1.0f - smoothStep(0.55f, 0.95f, t);
        if (chunkFade <= 0.0f) {
            continue;
        }
        const vec2 at = chunk.direction * chunk.reach * travel;
        const float angle = chunk.angle + chunk.spin * t;
        const Shape piece = place(polygon({{chunk.size, 0},
                                           {-0.6f * chunk.size, 0.7f * chunk.size},
                                           {-0.4f * chunk.size, -0.8f * chunk.size}}),
                                  at, angle);
        const float glowing = std::exp(-5.0f * t);
        painter.fill(piece,
                     vec4(glm::mix(vec3(0.12f, 0.1f, 0.09f), vec3(1.0f, 0.55f, 0.15f), glowing), chunkFade));
    }

    paintFireball(raster, style, t);

    // Sparks: bright streaks that shoot out and burn out before the smoke clears.
    for (const Spark& spark : sparks) {
        if (t >= spark.life) {
            continue;
        }
        const float remaining = 1.0f - t / spark.life;
        const vec2 head = spark.direction * spark.reach * travel;
        const vec2 tail = head - spark.direction * (spark.length * remaining + 2.0f);
        painter.fill(capsule(tail, head, 1.1f), [head, tail, remaining](vec2 p, float) {
            const vec2 along = head - tail;
            const float u = std::clamp(glm::dot(p - tail, along) / glm::dot(along, along), 0.0f, 1.0f);
            return vec4(glm::mix(vec3(1.0f, 0.5f, 0.1f), vec3(1.0f, 0.95f, 0.75f), u),
                        remaining * (0.3f + 0.7f * u));
        });
    }
    return raster;
}

} // namespace

ExplosionStyle largeExplosion() {
    return {64, 8, 110.0f, 28, 18, 0x51A7u};
}

ExplosionStyle smallExplosion() {
    return {21, 7, 60.0f, 16, 9, 0x0E11u};
}

Raster paintExplosionFrame(const ExplosionStyle& style, int frame) {
    Random random(style.seed);
    std::vector<Spark> sparks;
    for (int i = 0; i < style.sparkCount; ++i) {
        const float angle = random.uniform(0.0f, 2.0f * kPi);
        const float reach = std::min(kMaxReach, style.fireballRadius * random.uniform(1.0f, 1.6f));
        sparks.push_back({vec2(std::cos(angle), std::sin(angle)), reach, random.uniform(8.0f, 18.0f),
                          random.uniform(0.35f, 0.7f)});
    }
    std::vector<Chunk> chunks;
    for (int i = 0; i < style.debrisCount; ++i) {
        const float angle = random.uniform(0.0f, 2.0f * kPi);
        const float reach = std::min(kMaxReach - 6.0f, style.fireballRadius * random.uniform(0.9f, 1.4f));
        chunks.push_back({vec2(std::cos(angle), std::sin(angle)), reach,
                          random.uniform(2.5f, 4.5f) * style.fireballRadius / 60.0f,
                          random.uniform(-9.0f, 9.0f), random.uniform(0.0f, 2.0f * kPi)});
    }
    return paintFrame(style, sparks, chunks, frame);
}

Raster paintExplosionSheet(const ExplosionStyle& style) {
    const int rows = (style.frameCount + style.columns - 1) / style.columns;
    Raster sheet(style.columns * kExplosionFrameSize, rows * kExplosionFrameSize);
    // Frames are independent; two workers halve the wall time on this two-core machine without changing a
    // single pixel.
    constexpr int kWorkers = 2;
    std::vector<Raster> frames(static_cast<std::size_t>(style.frameCount), Raster(1, 1));
    std::vector<std::thread> workers;
    for (int worker = 0; worker < kWorkers; ++worker) {
        workers.emplace_back([&, worker] {
            for (int frame = worker; frame < style.frameCount; frame += kWorkers) {
                frames[static_cast<std::size_t>(frame)] = paintExplosionFrame(style, frame);
            }
        });
    }
    for (std::thread& thread : workers) {
        thread.join();
    }
    for (int frame = 0; frame < style.frameCount; ++frame) {
        const int left = (frame % style.columns) * kExplosionFrameSize;
        const int top = (frame / style.columns) * kExplosionFrameSize;
        const Raster& source = frames[static_cast<std::size_t>(frame)];
        for (int y = 0; y < kExplosionFrameSize; ++y) {
            for (int x = 0; x < kExplosionFrameSize; ++x) {
                sheet.at(left + x, top + y) = source.at(x, y);
            }
        }
    }
    return sheet;
}

} // namespace kv
