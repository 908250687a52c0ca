// An RGBA picture in premultiplied floating point that the painters draw into, written out as an 8-bit,
// non-interlaced RGBA PNG (the only kind the engine's image loader reads).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

namespace kv {

using glm::vec2;
using glm::vec3;
using glm::vec4;

class Raster {
public:
    Raster(int width, int height);

    int getWidth() const { return width; }
    int getHeight() const { return height; }

    // Premultiplied colour; row 0 is the top of the picture.
    vec4& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    const vec4& at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }

    // Porter-Duff "over" of a premultiplied colour onto one pixel.
    void blend(int x, int y, const vec4& premultiplied);
    void fill(const vec4& premultiplied);

    // Bilinear sample at a position in pixels (pixel centres at +0.5); transparent outside.
    vec4 sample(vec2 position) const;

    // Draws `source` scaled by `scale` (per axis) and multiplied by `tint` (straight RGBA) with its top-left
    // corner at `topLeft` (pixels of this raster).
    void drawScaled(const Raster& source, vec2 topLeft, vec2 scale, const vec4& tint);

    // A rectangular part of this raster.
    Raster crop(int left, int top, int cropWidth, int cropHeight) const;

    // Straight-alpha 8-bit RGBA. Fully transparent pixels take the colour of nearby visible ones, so that
    // filtering and mipmapping in the game do not pull dark fringes into the edges.
    std::vector<std::uint8_t> toRgba8() const;

    // Throws std::runtime_error when the file cannot be written.
    void writePng(const std::string& path) const;

    // Number of pixels with an alpha of at least `threshold`.
    int countOpaque(float threshold) const;

private:
    int width;
    int height;
    std::vector<vec4> pixels;
};

// Writes 8-bit RGBA pixels, rows from the top, as a PNG; throws std::runtime_error on failure.
void writeRgbaPng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgba);

} // namespace kv
