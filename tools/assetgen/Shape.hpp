// Two-dimensional regions described by signed distance (negative inside, in drawing units), with a bounding
// box so that painting only visits the pixels that can be touched. Drawing units have y pointing up.
#pragma once

#include <functional>
#include <vector>

#include <glm/vec2.hpp>

namespace kv {

using glm::vec2;

struct Shape {
    std::function<float(vec2)> distance;
    vec2 min;
    vec2 max;

    float operator()(vec2 point) const { return distance(point); }
};

Shape circle(vec2 centre, float radius);
// The distance is approximate away from the outline, exact enough for anti-aliasing and bevels.
Shape ellipse(vec2 centre, vec2 radii);
Shape box(vec2 centre, vec2 halfSize, float cornerRadius = 0.0f);
// A closed polygon, either winding; self-intersections are not supported.
Shape polygon(std::vector<vec2> points);
// The polygon and its mirror image across the x axis, joined: the usual left-right symmetric hull.
Shape mirroredPolygon(const std::vector<vec2>& upperHalf);
// A line segment with round ends.
Shape capsule(vec2 from, vec2 to, float radius);
// The band between two radii around a centre.
Shape ring(vec2 centre, float innerRadius, float outerRadius);

Shape unite(const Shape& a, const Shape& b);
Shape unite(const std::vector<Shape>& shapes);
Shape intersect(const Shape& a, const Shape& b);
// Everything of `a` that is not in `b`.
Shape subtract(const Shape& a, const Shape& b);
// Moves the outline outwards by `amount` (inwards when negative); also rounds convex corners.
Shape grow(const Shape& shape, float amount);
// Mirror image across the x axis.
Shape mirrorY(const Shape& shape);
// Turned by `angle` (radians, counter-clockwise) about the origin, then moved by `offset`.
Shape place(const Shape& shape, vec2 offset, float angle);

} // namespace kv
