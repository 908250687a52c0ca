#include "tools/assetgen/Icon.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <glm/common.hpp>
#include <glm/geometric.hpp>

#include "tools/assetgen/Painter.hpp"
#include "tools/assetgen/Random.hpp"
#include "tools/assetgen/SpriteArt.hpp"

namespace kv {

namespace {

// Drawing units are icon pixels, y up, with the origin at the centre of the icon.
constexpr float kTileHalfSize = 124.0f; // leaves a few transparent pixels around the tile
constexpr float kTileCornerRadius = 40.0f;
const vec3 kSpaceLit(0.08f, 0.12f, 0.27f); // upper left, where the light of the sprites comes from
const vec3 kSpaceDark(0.01f, 0.015f, 0.045f);

constexpr int kStarCount = 70;
constexpr std::uint64_t kStarSeed = 256;

// The ship is painted this many times finer than in the game and then turned and shrunk, so that its
// outline stays crisp at icon size.
constexpr float kShipSupersampling = 4.0f;                       // pixels per ship unit while painting
constexpr float kShipScale = 1.8f;                               // icon pixels per ship unit
constexpr float kShipHeading = std::numbers::pi_v<float> / 4.0f; // radians: towards the upper right
constexpr int kShipTaps = 3;                                     // samples per axis and icon pixel

const vec4 kTrail(0.45f, 0.85f, 1.0f, 0.55f);

Shape tile() {
    return box(vec2(0.0f), vec2(kTileHalfSize), kTileCornerRadius);
}

void paintSpace(Painter& painter) {
    const Shape space = tile();
    painter.fill(space, [](vec2 point, float) {
        const float fromLight =
            glm::length(point - vec2(-kTileHalfSize, kTileHalfSize)) / (3.0f * kTileHalfSize);
        return vec4(glm::mix(kSpaceLit, kSpaceDark, std::clamp(fromLight, 0.0f, 1.0f)), 1.0f);
    });
    Random random(kStarSeed);
    for (int i = 0; i < kStarCount; ++i) {
        const vec2 position(random.uniform(-kTileHalfSize + 8.0f, kTileHalfSize - 8.0f),
                            random.uniform(-kTileHalfSize + 8.0f, kTileHalfSize - 8.0f));
        const float radius = random.uniform(0.7f, 2.2f);
        const float brightness = random.uniform(0.35f, 1.0f);
        if (space(position) > -radius) {
            continue; // in the rounded corners, which stay transparent
        }
        painter.glow(position, radius, vec4(0.85f, 0.92f, 1.0f, brightness));
    }
}

// The exhaust streak the ship leaves behind it, towards the lower left.
void paintTrail(Painter& painter) {
    const vec2 back(-std::cos(kShipHeading), -std::sin(kShipHeading));
    const vec2 tail = back * (45.0f * kShipScale);
    const vec2 end = back * (kTileHalfSize * std::numbers::sqrt2_v<float>);
    const float length = glm::length(end - tail);
    painter.fill(intersect(capsule(tail, end, 7.0f), tile()),
                 [tail, back, length](vec2 point, float distance) {
                     const float along = std::clamp(glm::dot(point - tail, back) / length, 0.0f, 1.0f);
                     const float core = std::clamp(-distance / 7.0f, 0.0f, 1.0f);
                     return vec4(vec3(kTrail), kTrail.a * (1.0f - along) * core);
                 });
}

// Draws the ship sprite turned to the heading, its image centre on the icon's centre.
void paintShip(Raster& icon) {
    const Raster ship = paintPlayerShip(kShipSupersampling);
    const vec2 shipCentre(0.5f * static_cast<float>(ship.getWidth()),
                          0.5f * static_cast<float>(ship.getHeight()));
    const float cosine = std::cos(-kShipHeading);
    const float sine = std::sin(-kShipHeading);
    const float half = 0.5f * kIconSize;
    for (int y = 0; y < kIconSize; ++y) {
        for (int x = 0; x < kIconSize; ++x) {
            vec4 sum(0.0f);
            for (int sy = 0; sy < kShipTaps; ++sy) {
                for (int sx = 0; sx < kShipTaps; ++sx) {
                    const vec2 point(
                        static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / kShipTaps - half,
                        half - static_cast<float>(y) - (static_cast<float>(sy) + 0.5f) / kShipTaps);
                    const vec2 turned(cosine * point.x - sine * point.y, sine * point.x + cosine * point.y);
                    const vec2 shipUnits = turned / kShipScale;
                    sum += ship.sample(shipCentre + vec2(shipUnits.x, -shipUnits.y) * kShipSupersampling);
                }
            }
            icon.blend(x, y, sum / static_cast<float>(kShipTaps * kShipTaps));
        }
    }
}

} // namespace

Raster paintIcon() {
    Raster icon(kIconSize, kIconSize);
    Painter painter(icon, vec2(0.0f), vec2(1.0f));
    paintSpace(painter);
    paintTrail(painter);
    paintShip(icon);
    return icon;
}

} // namespace kv
