// Paints shapes into a raster with anti-aliased edges, and the shared lit-metal look of the sprite set.
// Drawing units have y up; the painter maps them onto the raster's pixels.
#pragma once

#include <cstdint>
#include <functional>

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include "tools/assetgen/Raster.hpp"
#include "tools/assetgen/Shape.hpp"

namespace kv {

using glm::vec2;
using glm::vec3;
using glm::vec4;

// The dark rim around every sprite and the colour of its panel lines.
inline const vec4 kInk(0.04f, 0.045f, 0.07f, 1.0f);
inline const vec4 kPanelLine(0.0f, 0.0f, 0.02f, 0.38f);

// Straight RGBA colour of a shape at a point, given the shape's signed distance there.
using Shade = std::function<vec4(vec2 point, float distance)>;

// A painted surface: its colour, how wide its rounded rim is and how glossy it looks.
struct Material {
    vec3 colour;
    float bevel = 3.0f;  // drawing units over which the rim rounds off
    float shine = 0.3f;  // strength of the highlight, 0 for matte
    float grain = 0.06f; // strength of the mottled wear on the surface
    std::uint32_t seed = 1;
};

class Painter {
public:
    // `centre` is the drawing point at the middle of the raster; `unitsPerPixel` may differ per axis for
    // sprites that the game stretches.
    Painter(Raster& raster, vec2 centre, vec2 unitsPerPixel);

    void fill(const Shape& shape, const Shade& shade);
    void fill(const Shape& shape, const vec4& colour);
    // The shape lit from the upper left with a rounded rim.
    void fill(const Shape& shape, const Material& material);
    // A dark rim of `width` around the shape, painted before it so that sprites read on any background.
    void outline(const Shape& shape, float width, const vec4& colour);
    // A soft light: full `colour` at the centre fading to nothing at `radius`.
    void glow(vec2 centre, float radius, const vec4& colour);

    vec2 toDrawing(vec2 pixel) const;
    float getPixelSize() const { return pixelSize; }

private:
    Raster& raster;
    vec2 centre;
    vec2 unitsPerPixel;
    float pixelSize; // one pixel's size in drawing units, averaged over both axes
};

} // namespace kv
