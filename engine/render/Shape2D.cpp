#include "engine/render/Shape2D.hpp"

#include <cmath>

#include <glm/common.hpp>

#include "engine/core/Angles.hpp"
#include "engine/core/Diagnostics.hpp"
#include "engine/render/DrawQueue.hpp"
#include "engine/render/VertexAttributes.hpp"

namespace kv {

namespace {
constexpr GLint kComponentsPerPoint = 2; // x, y
constexpr std::size_t kTriangleCorners = 3;

void appendRimPoints(std::vector<float>& points, int segments, float radius) {
    for (int i = 0; i <= segments; ++i) {
        const float angle = static_cast<float>(i) * kTwoPi / static_cast<float>(segments);
        points.push_back(std::cos(angle) * radius);
        points.push_back(std::sin(angle) * radius);
    }
}
} // namespace

Shape2D::Shape2D(const std::vector<float>& vertices, int drawMode) : vertices(vertices), drawMode(drawMode) {
    std::vector<vec4> points;
    for (std::size_t i = 0; i + 1 < this->vertices.size(); i += kComponentsPerPoint) {
        const vec2 point(this->vertices[i], this->vertices[i + 1]);
        bounds = bounds ? Bounds2D{glm::min(bounds->min, point), glm::max(bounds->max, point)}
                        : Bounds2D{point, point};
        points.emplace_back(point.x, point.y, 0.0f, 0.0f);
    }
    if (drawMode == GL_TRIANGLES) {
        points.resize(points.size() - points.size() % kTriangleCorners);
        triangles = points;
    } else if (drawMode == GL_TRIANGLE_STRIP) {
        triangles = stripTriangles(points);
    } else if (drawMode == GL_TRIANGLE_FAN) {
        triangles = fanTriangles(points);
    }
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(this->vertices.size() * sizeof(float)),
                 this->vertices.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(kPositionAttribute);
    glVertexAttribPointer(kPositionAttribute, kComponentsPerPoint, GL_FLOAT, GL_FALSE, 0, nullptr);
}

Shape2D::~Shape2D() {
    glDeleteBuffers(1, &vbo);
    glDeleteVertexArrays(1, &vao);
}

std::optional<Triangles> Shape2D::getTriangles() const {
    if (!triangles) {
        return std::nullopt;
    }
    return Triangles{*triangles, 0};
}

void Shape2D::draw() {
    flushQueuedDraws();
    glBindVertexArray(vao);
    glDrawArrays(static_cast<GLenum>(drawMode), 0,
                 static_cast<GLsizei>(vertices.size() / kComponentsPerPoint));
}

std::vector<vec4> stripTriangles(std::span<const vec4> points) {
    std::vector<vec4> corners;
    for (std::size_t i = 2; i < points.size(); ++i) {
        const bool odd = i % 2 == 1;
        corners.insert(corners.end(), {points[odd ? i - 1 : i - 2], points[odd ? i - 2 : i - 1], points[i]});
    }
    return corners;
}

std::vector<vec4> fanTriangles(std::span<const vec4> points) {
    std::vector<vec4> corners;
    for (std::size_t i = 2; i < points.size(); ++i) {
        corners.insert(corners.end(), {points[0], points[i - 1], points[i]});
    }
    return corners;
}

std::vector<float> generateCircleFan(int segments, float radius) {
    checkState(segments >= 1, "A circle needs at least one segment");
    std::vector<float> points{0.0f, 0.0f};
    points.reserve(2 * static_cast<std::size_t>(segments) + 4);
    appendRimPoints(points, segments, radius);
    return points;
}

std::vector<float> generateCircleStrip(int segments, float radius) {
    checkState(segments >= 1, "A circle needs at least one segment");
    std::vector<float> points;
    points.reserve(2 * (static_cast<std::size_t>(segments) + 1));
    appendRimPoints(points, segments, radius);
    return points;
}

std::vector<float> generateRectangleFan(const vec2& size, const vec2& centre) {
    const float hx = size.x * 0.5f;
    const float hy = size.y * 0.5f;
    return {centre.x,      centre.y,      centre.x + hx, centre.y - hy, centre.x + hx, centre.y + hy,
            centre.x - hx, centre.y + hy, centre.x - hx, centre.y - hy, centre.x + hx, centre.y - hy};
}

std::vector<float> generateTriangle(float size) {
    const float h = size * 0.5f;
    return {h, 0.0f, -h, h, -h, -h};
}

} // namespace kv
