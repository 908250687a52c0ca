// Things that can be drawn, 2D point shapes in a vertex buffer, and generators of the game's shapes.
#pragma once

#include <GL/glew.h>

#include <optional>
#include <span>
#include <vector>

#include <glm/vec2.hpp>
#include <glm/vec4.hpp>

namespace kv {

using glm::vec2;
using glm::vec4;

// An axis-aligned box in model units.
struct Bounds2D {
    vec2 min;
    vec2 max;
};

// Triangles to queue (DrawQueue.hpp): three (x, y, u, v) vertices each, and the texture they sample (0 for
// none).
struct Triangles {
    std::span<const vec4> vertices;
    GLuint texture = 0;
};

// Issues its draw call with whatever program is current; the caller sets the uniforms first. The engine's
// drawables issue the queued draws first.
class Drawable {
public:
    Drawable() = default;
    virtual ~Drawable() = default;
    Drawable(const Drawable&) = delete;
    Drawable& operator=(const Drawable&) = delete;

    virtual void draw() = 0;
    // A box holding every point the draw call can cover, in model units; none when unknown, and a drawable
    // without one is always drawn.
    virtual std::optional<Bounds2D> getBounds() const { return std::nullopt; }
    // The triangles draw() rasterises, in the order and with the vertex order the driver forms them from
    // draw()'s primitive, so that queued they cover the same pixels with the same values; none when draw()
    // is not made of triangles, and such a drawable is drawn by itself.
    virtual std::optional<Triangles> getTriangles() const { return std::nullopt; }
};

// Points (x, y, x, y, ...) in model units, fed to attribute 0 as vec2. Owns its buffer and vertex array.
class Shape2D : public Drawable {
public:
    // drawMode: the GL primitive, e.g. GL_TRIANGLE_FAN or GL_LINE_STRIP. An odd trailing float is ignored.
    Shape2D(const std::vector<float>& vertices, int drawMode);
    ~Shape2D() override;

    void draw() override;
    // None for a shape without points.
    std::optional<Bounds2D> getBounds() const override { return bounds; }
    // For fans, strips and separate triangles.
    std::optional<Triangles> getTriangles() const override;

    const std::vector<float>& getVertices() const { return vertices; }
    int getDrawMode() const { return drawMode; }
    GLuint getVbo() const { return vbo; }
    GLuint getVao() const { return vao; }

private:
    std::vector<float> vertices;
    int drawMode;
    std::optional<Bounds2D> bounds;
    std::optional<std::vector<vec4>> triangles;
    GLuint vbo = 0;
    GLuint vao = 0;
};

// The separate triangles of a strip or fan of the given points, in the driver's order: it keeps each
// triangle's last vertex last (the one a flat value comes from) and winds odd strip triangles back.
std::vector<vec4> stripTriangles(std::span<const vec4> points);
std::vector<vec4> fanTriangles(std::span<const vec4> points);

// The generators need segments >= 1 and return x, y pairs in model units.

// Centre, then segments + 1 rim points; the last repeats the first so the fan closes.
std::vector<float> generateCircleFan(int segments, float radius);
// segments + 1 rim points, the last repeating the first: a closed ring as a line strip.
std::vector<float> generateCircleStrip(int segments, float radius);
// Centre, then the four corners starting bottom-right counter-clockwise, the first corner repeated.
std::vector<float> generateRectangleFan(const vec2& size, const vec2& centre);
// Points along +x: tip size/2 ahead of the origin, base size/2 behind it.
std::vector<float> generateTriangle(float size);

} // namespace kv
