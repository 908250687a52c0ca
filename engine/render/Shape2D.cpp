#include "engine/render/Shape2D.hpp"

#include <cmath>

#include <glm/common.hpp>

#include "engine/core/Diagnostics.hpp"

namespace kv {

namespace {
constexpr float kTwoPi = 6.2831855f; // 2 pi rounded to float
constexpr GLuint kPositionAttribute = 0;
constexpr GLint kComponentsPerPoint = 2; // x, y

void appendRimPoints(std::vector<float>& points, int segments, float radius) {
    for (int i = 0; i <= segments; ++i) {
        const float angle = static_cast<float>(i) * kTwoPi / static_cast<float>(segments);
        points.push_back(std::cos(angle) * radius);
        points.push_back(std::sin(angle) * radius);
    }
}
} // namespace

Shape2D::Shape2D(const std::vector<float>& vertices, int drawMode) : vertices(vertices), drawMode(drawMode) {
    for (std::size_t i = 0; i + 1 < this->vertices.size(); i += kComponentsPerPoint) {
        const vec2 point(this->vertices[i], this->vertices[i + 1]);
        bounds = bounds ? Bounds2D{glm::min(bounds->min, point), glm::max(bounds->max, point)}
                        : Bounds2D{point, point};
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

void Shape2D::draw() {
    glBindVertexArray(vao);
    glDrawArrays(static_cast<GLenum>(drawMode), 0,
                 static_cast<GLsizei>(vertices.size() / kComponentsPerPoint));
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
