#include "tools/assetgen/Shape.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#include <glm/geometric.hpp>

#include "engine/core/Diagnostics.hpp"

namespace kv {

namespace {

vec2 rotate(vec2 point, float angle) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    return {c * point.x - s * point.y, s * point.x + c * point.y};
}

} // namespace

Shape circle(vec2 centre, float radius) {
    return {[centre, radius](vec2 p) { return glm::length(p - centre) - radius; }, centre - vec2(radius),
            centre + vec2(radius)};
}

Shape ellipse(vec2 centre, vec2 radii) {
    return {[centre, radii](vec2 p) {
                const vec2 q = p - centre;
                const float k0 = glm::length(q / radii);
                const float k1 = glm::length(q / (radii * radii));
                if (k1 == 0.0f) {
                    return -std::min(radii.x, radii.y);
                }
                return k0 * (k0 - 1.0f) / k1;
            },
            centre - radii, centre + radii};
}

Shape box(vec2 centre, vec2 halfSize, float cornerRadius) {
    const vec2 inner = halfSize - vec2(cornerRadius);
    return {[centre, inner, cornerRadius](vec2 p) {
                const vec2 q = glm::abs(p - centre) - inner;
                return glm::length(glm::max(q, vec2(0.0f))) + std::min(std::max(q.x, q.y), 0.0f) -
                       cornerRadius;
            },
            centre - halfSize, centre + halfSize};
}

Shape polygon(std::vector<vec2> points) {
    checkState(points.size() >= 3, "a polygon needs at least three points");
    vec2 low = points[0];
    vec2 high = points[0];
    for (const vec2& point : points) {
        low = glm::min(low, point);
        high = glm::max(high, point);
    }
    return {[points = std::move(points)](vec2 p) {
                float nearest = glm::dot(p - points[0], p - points[0]);
                float sign = 1.0f;
                const std::size_t count = points.size();
                for (std::size_t i = 0, j = count - 1; i < count; j = i, ++i) {
                    const vec2 edge = points[j] - points[i];
                    const vec2 w = p - points[i];
                    const vec2 b =
                        w - edge * std::clamp(glm::dot(w, edge) / glm::dot(edge, edge), 0.0f, 1.0f);
                    nearest = std::min(nearest, glm::dot(b, b));
                    // Crossing count of a ray towards +x decides inside or outside.
                    const bool above = p.y >= points[i].y;
                    const bool below = p.y < points[j].y;
                    const bool left = edge.x * w.y > edge.y * w.x;
                    if ((above && below && left) || (!above && !below && !left)) {
                        sign = -sign;
                    }
                }
                return sign * std::sqrt(nearest);
            },
            low, high};
}

Shape mirroredPolygon(const std::vector<vec2>& upperHalf) {
    std::vector<vec2> outline = upperHalf;
    for (auto it = upperHalf.rbegin(); it != upperHalf.rend(); ++it) {
        if (it->y != 0.0f) {
            outline.emplace_back(it->x, -it->y);
        }
    }
    return polygon(std::move(outline));
}

Shape capsule(vec2 from, vec2 to, float radius) {
    return {[from, to, radius](vec2 p) {
                const vec2 along = to - from;
                const float lengthSquared = glm::dot(along, along);
                const float t = lengthSquared > 0.0f
                                    ? std::clamp(glm::dot(p - from, along) / lengthSquared, 0.0f, 1.0f)
                                    : 0.0f;
                return glm::length(p - from - along * t) - radius;
            },
            glm::min(from, to) - vec2(radius), glm::max(from, to) + vec2(radius)};
}

Shape ring(vec2 centre, float innerRadius, float outerRadius) {
    const float middle = 0.5f * (innerRadius + outerRadius);
    const float halfWidth = 0.5f * (outerRadius - innerRadius);
    return {[centre, middle, halfWidth](vec2 p) {
                return std::abs(glm::length(p - centre) - middle) - halfWidth;
            },
            centre - vec2(outerRadius), centre + vec2(outerRadius)};
}

Shape unite(const Shape& a, const Shape& b) {
    return {[a = a.distance, b = b.distance](vec2 p) { return std::min(a(p), b(p)); }, glm::min(a.min, b.min),
            glm::max(a.max, b.max)};
}

Shape unite(const std::vector<Shape>& shapes) {
    checkState(!shapes.empty(), "nothing to unite");
    Shape result = shapes.front();
    for (std::size_t i = 1; i < shapes.size(); ++i) {
        result = unite(result, shapes[i]);
    }
    return result;
}

Shape intersect(const Shape& a, const Shape& b) {
    return {[a = a.distance, b = b.distance](vec2 p) { return std::max(a(p), b(p)); }, glm::max(a.min, b.min),
            glm::min(a.max, b.max)};
}

Shape subtract(const Shape& a, const Shape& b) {
    return {[a = a.distance, b = b.distance](vec2 p) { return std::max(a(p), -b(p)); }, a.min, a.max};
}

Shape grow(const Shape& shape, float amount) {
    return {[d = shape.distance, amount](vec2 p) { return d(p) - amount; }, shape.min - vec2(amount),
            shape.max + vec2(amount)};
}

Shape mirrorY(const Shape& shape) {
    return {[d = shape.distance](vec2 p) { return d(vec2(p.x, -p.y)); }, vec2(shape.min.x, -shape.max.y),
            vec2(shape.max.x, -shape.min.y)};
}

Shape place(const Shape& shape, vec2 offset, float angle) {
    // The turned box is bounded by the turned corners of the original box.
    vec2 low(INFINITY);
    vec2 high(-INFINITY);
    for (const vec2 corner :
         {shape.min, shape.max, vec2(shape.min.x, shape.max.y), vec2(shape.max.x, shape.min.y)}) {
        const vec2 turned = rotate(corner, angle) + offset;
        low = glm::min(low, turned);
        high = glm::max(high, turned);
    }
    return {[d = shape.distance, offset, angle](vec2 p) { return d(rotate(p - offset, -angle)); }, low, high};
}

} // namespace kv
