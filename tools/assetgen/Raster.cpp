#include "tools/assetgen/Raster.hpp"

#include <algorithm>
#include <cmath>

#include "engine/core/Diagnostics.hpp"
#include "tools/assetgen/StbImageWrite.hpp"

namespace kv {

namespace {

// Transparent pixels inherit colour from visible ones up to this many pixels away; enough for the deepest
// mipmap level the game's sprites are drawn with.
constexpr int kColourBleedPasses = 16;

std::uint8_t toByte(float value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value * 255.0f), 0L, 255L));
}

} // namespace

Raster::Raster(int width, int height)
    : width(width), height(height), pixels(static_cast<std::size_t>(width) * height, vec4(0.0f)) {
    checkState(width > 0 && height > 0, "raster needs a positive size");
}

void Raster::blend(int x, int y, const vec4& premultiplied) {
    vec4& target = at(x, y);
    target = premultiplied + target * (1.0f - premultiplied.a);
}

void Raster::fill(const vec4& premultiplied) {
    std::fill(pixels.begin(), pixels.end(), premultiplied);
}

vec4 Raster::sample(vec2 position) const {
    const float fx = position.x - 0.5f;
    const float fy = position.y - 0.5f;
    const int x0 = static_cast<int>(std::floor(fx));
    const int y0 = static_cast<int>(std::floor(fy));
    const float tx = fx - static_cast<float>(x0);
    const float ty = fy - static_cast<float>(y0);
    auto texel = [this](int x, int y) {
        if (x < 0 || y < 0 || x >= width || y >= height) {
            return vec4(0.0f);
        }
        return at(x, y);
    };
    const vec4 top = texel(x0, y0) * (1.0f - tx) + texel(x0 + 1, y0) * tx;
    const vec4 bottom = texel(x0, y0 + 1) * (1.0f - tx) + texel(x0 + 1, y0 + 1) * tx;
    return top * (1.0f - ty) + bottom * ty;
}

void Raster::drawScaled(const Raster& source, vec2 topLeft, vec2 scale, const vec4& tint) {
    const int left = std::max(0, static_cast<int>(std::floor(topLeft.x)));
    const int top = std::max(0, static_cast<int>(std::floor(topLeft.y)));
    const int right =
        std::min(width, static_cast<int>(std::ceil(topLeft.x + static_cast<float>(source.width) * scale.x)));
    const int bottom = std::min(
        height, static_cast<int>(std::ceil(topLeft.y + static_cast<float>(source.height) * scale.y)));
    // Shrinking takes several samples per target pixel, so small previews stay smooth.
    const int taps = std::clamp(static_cast<int>(std::ceil(1.0f / std::min(scale.x, scale.y))), 1, 8);
    const vec4 premultipliedTint(vec4(tint.r, tint.g, tint.b, 1.0f) * tint.a);
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            vec4 sum(0.0f);
            for (int sy = 0; sy < taps; ++sy) {
                for (int sx = 0; sx < taps; ++sx) {
                    const vec2 target(static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / taps,
                                      static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / taps);
                    sum += source.sample((target - topLeft) / scale);
                }
            }
            blend(x, y, sum / static_cast<float>(taps * taps) * premultipliedTint);
        }
    }
}

Raster Raster::crop(int left, int top, int cropWidth, int cropHeight) const {
    Raster result(cropWidth, cropHeight);
    for (int y = 0; y < cropHeight; ++y) {
        for (int x = 0; x < cropWidth; ++x) {
            result.at(x, y) = at(left + x, top + y);
        }
    }
    return result;
}

std::vector<std::uint8_t> Raster::toRgba8() const {
    const std::size_t count = pixels.size();
    std::vector<vec3> colour(count, vec3(0.0f));
    std::vector<std::uint8_t> known(count, 0);
    for (std::size_t i = 0; i < count; ++i) {
        const vec4& p = pixels[i];
        if (p.a * 255.0f >= 0.5f) {
            colour[i] = vec3(p) / p.a;
            known[i] = 1;
        }
    }
    // Grow the visible colours outwards into the transparent area one ring of pixels at a time: each pixel
    // of a ring takes the mean colour of its already coloured neighbours.
    auto forEachNeighbour = [this](std::size_t i, auto&& visit) {
        const int x = static_cast<int>(i % width);
        const int y = static_cast<int>(i / width);
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const int nx = x + dx;
                const int ny = y + dy;
                if ((dx != 0 || dy != 0) && nx >= 0 && ny >= 0 && nx < width && ny < height) {
                    visit(static_cast<std::size_t>(ny) * width + nx);
                }
            }
        }
    };
    std::vector<std::uint8_t> queued(known);
    std::vector<std::size_t> ring;
    for (std::size_t i = 0; i < count; ++i) {
        if (!known[i]) {
            continue;
        }
        forEachNeighbour(i, [&](std::size_t n) {
            if (!queued[n]) {
                queued[n] = 1;
                ring.push_back(n);
            }
        });
    }
    std::vector<std::size_t> nextRing;
    for (int pass = 0; pass < kColourBleedPasses && !ring.empty(); ++pass) {
        for (std::size_t i : ring) {
            vec3 sum(0.0f);
            int found = 0;
            forEachNeighbour(i, [&](std::size_t n) {
                if (known[n]) {
                    sum += colour[n];
                    ++found;
                }
            });
            colour[i] = sum / static_cast<float>(found);
        }
        nextRing.clear();
        for (std::size_t i : ring) {
            known[i] = 1;
        }
        for (std::size_t i : ring) {
            forEachNeighbour(i, [&](std::size_t n) {
                if (!queued[n]) {
                    queued[n] = 1;
                    nextRing.push_back(n);
                }
            });
        }
        ring.swap(nextRing);
    }
    std::vector<std::uint8_t> bytes(count * 4);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i * 4 + 0] = toByte(colour[i].r);
        bytes[i * 4 + 1] = toByte(colour[i].g);
        bytes[i * 4 + 2] = toByte(colour[i].b);
        bytes[i * 4 + 3] = toByte(pixels[i].a);
    }
    return bytes;
}

void Raster::writePng(const std::string& path) const {
    writeRgbaPng(path, width, height, toRgba8());
}

int Raster::countOpaque(float threshold) const {
    return static_cast<int>(
        std::count_if(pixels.begin(), pixels.end(), [threshold](const vec4& p) { return p.a >= threshold; }));
}

void writeRgbaPng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgba) {
    constexpr int kBytesPerPixel = 4;
    const int written =
        writePngFile(path.c_str(), width, height, kBytesPerPixel, rgba.data(), width * kBytesPerPixel);
    checkState(written != 0, [&](std::stringstream& out) { out << "couldn't write image " << path; });
}

} // namespace kv
