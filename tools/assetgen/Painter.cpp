#include "tools/assetgen/Painter.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <glm/geometric.hpp>

#include "tools/assetgen/Random.hpp"

namespace kv {

namespace {

// Light from the upper left and slightly in front, in sprite space (z towards the viewer).
const vec3 kLightDirection = glm::normalize(vec3(-0.45f, 0.6f, 0.75f));
constexpr float kAmbient = 0.42f;
constexpr float kDiffuse = 0.72f;
constexpr float kHighlightPower = 18.0f;
// Drawing units per cycle of the surface wear pattern.
constexpr float kGrainScale = 7.0f;

} // namespace

Painter::Painter(Raster& raster, vec2 centre, vec2 unitsPerPixel)
    : raster(raster), centre(centre), unitsPerPixel(unitsPerPixel),
      pixelSize(std::sqrt(unitsPerPixel.x * unitsPerPixel.y)) {}

vec2 Painter::toDrawing(vec2 pixel) const {
    const vec2 half(0.5f * static_cast<float>(raster.getWidth()),
                    0.5f * static_cast<float>(raster.getHeight()));
    return centre + vec2((pixel.x - half.x) * unitsPerPixel.x, (half.y - pixel.y) * unitsPerPixel.y);
}

void Painter::fill(const Shape& shape, const Shade& shade) {
    const vec2 half(0.5f * static_cast<float>(raster.getWidth()),
                    0.5f * static_cast<float>(raster.getHeight()));
    // Pixel bounds of the shape's box, one pixel wider for the anti-aliased rim.
    const int left =
        std::max(0, static_cast<int>(std::floor((shape.min.x - centre.x) / unitsPerPixel.x + half.x)) - 1);
    const int right =
        std::min(raster.getWidth(),
                 static_cast<int>(std::ceil((shape.max.x - centre.x) / unitsPerPixel.x + half.x)) + 1);
    const int top =
        std::max(0, static_cast<int>(std::floor(half.y - (shape.max.y - centre.y) / unitsPerPixel.y)) - 1);
    const int bottom =
        std::min(raster.getHeight(),
                 static_cast<int>(std::ceil(half.y - (shape.min.y - centre.y) / unitsPerPixel.y)) + 1);
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const vec2 point = toDrawing(vec2(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f));
            const float distance = shape(point);
            const float coverage = std::clamp(0.5f - distance / pixelSize, 0.0f, 1.0f);
            if (coverage <= 0.0f) {
                continue;
            }
            const vec4 colour = shade(point, distance);
            const float alpha = std::clamp(colour.a, 0.0f, 1.0f) * coverage;
            raster.blend(x, y, vec4(glm::clamp(vec3(colour), vec3(0.0f), vec3(1.0f)) * alpha, alpha));
        }
    }
}

void Painter::fill(const Shape& shape, const vec4& colour) {
    fill(shape, [colour](vec2, float) { return colour; });
}

void Painter::fill(const Shape& shape, const Material& material) {
    const float step = 0.5f * pixelSize;
    fill(shape, [&shape, material, step](vec2 point, float distance) {
        const vec2 gradient(shape(point + vec2(step, 0.0f)) - shape(point - vec2(step, 0.0f)),
                            shape(point + vec2(0.0f, step)) - shape(point - vec2(0.0f, step)));
        const float gradientLength = glm::length(gradient);
        const vec2 outward = gradientLength > 0.0f ? gradient / gradientLength : vec2(0.0f);
        // The rim rounds off like a quarter circle: steep at the outline, flat once `bevel` inside.
        const float depth = std::clamp(-distance / material.bevel, 0.0f, 1.0f);
        const float tilt = std::cos(depth * std::numbers::pi_v<float> * 0.5f) * 1.4f;
        const vec3 normal = glm::normalize(vec3(outward * tilt, 1.0f));
        const float diffuse = std::max(glm::dot(normal, kLightDirection), 0.0f);
        const vec3 reflected = glm::reflect(-kLightDirection, normal);
        const float highlight = std::pow(std::max(reflected.z, 0.0f), kHighlightPower) * material.shine;
        const float wear = 1.0f + material.grain * fractalNoise(point / kGrainScale, 3, material.seed);
        return vec4(material.colour * (kAmbient + kDiffuse * diffuse) * wear + vec3(highlight), 1.0f);
    });
}

void Painter::outline(const Shape& shape, float width, const vec4& colour) {
    fill(grow(shape, width), colour);
}

void Painter::glow(vec2 point, float radius, const vec4& colour) {
    fill(circle(point, radius), [point, radius, colour](vec2 p, float) {
        const float t = std::clamp(1.0f - glm::length(p - point) / radius, 0.0f, 1.0f);
        return vec4(vec3(colour), colour.a * t * t);
    });
}

} // namespace kv
