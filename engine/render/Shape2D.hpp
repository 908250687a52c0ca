// Things that can be drawn, 2D point shapes in a vertex buffer, and generators of the game's shapes.
#pragma once

#include <GL/glew.h>

#include <optional>
#include <vector>

#include <glm/vec2.hpp>

namespace kv {

using glm::vec2;

// An axis-aligned box in model units.
struct Bounds2D {
    vec2 min;
    vec2 max;
};

// Issues its draw call with whatever program is current; the caller sets the uniforms first.
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

    const std::vector<float>& getVertices() const { return vertices; }
    int getDrawMode() const { return drawMode; }
    GLuint getVbo() const { return vbo; }
    GLuint getVao() const { return vao; }

private:
    std::vector<float> vertices;
    int drawMode;
    std::optional<Bounds2D> bounds;
    GLuint vbo = 0;
    GLuint vao = 0;
};

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
