// The enemies: swarmer, diver and the mothership with its turning core. They are painted in light, nearly
// neutral colours because the game tints them red.
#include <cmath>
#include <numbers>

#include <glm/geometric.hpp>

#include "tools/assetgen/Painter.hpp"
#include "tools/assetgen/SpriteArt.hpp"

namespace kv {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// Game units per pixel, per axis, as the game's sprite table draws these images.
const vec2 kSwarmerScale(0.65f, 0.8f);
constexpr float kDiverScale = 0.3f;
constexpr float kHullScale = 0.35f;
constexpr float kCoreScale = 0.6f;

// Canvas sizes in game units: swarmer and diver fill their 50-unit collision circles, the mothership hull its
// 150-unit circle; the core covers the hull's central well. Each leaves a clear margin for the outline and
// engine glows.
constexpr float kSmallShipExtent = 104.0f;
constexpr float kDiverExtent = 112.0f; // a little longer than wide: its nose gun reaches forward
constexpr float kHullExtent = 316.0f;
constexpr float kCoreExtent = 140.0f;

const Material kLightPlating{vec3(0.90f, 0.90f, 0.92f), 4.0f, 0.35f, 0.06f, 21};
const Material kMidPlating{vec3(0.70f, 0.71f, 0.75f), 3.0f, 0.25f, 0.07f, 22};
const Material kDarkPlating{vec3(0.42f, 0.43f, 0.47f), 2.5f, 0.25f, 0.06f, 23};
const vec4 kLamp(1.0f, 0.97f, 0.9f, 1.0f);
const vec4 kSocket(0.16f, 0.16f, 0.19f, 1.0f);

Raster canvas(vec2 extent, vec2 unitsPerPixel) {
    return Raster(static_cast<int>(std::ceil(extent.x / unitsPerPixel.x)),
                  static_cast<int>(std::ceil(extent.y / unitsPerPixel.y)));
}

Shape bothSides(const Shape& upper) {
    return unite(upper, mirrorY(upper));
}

} // namespace

Raster paintSwarmer() {
    Raster raster = canvas(vec2(kSmallShipExtent), kSwarmerScale);
    Painter painter(raster, vec2(0.0f), kSwarmerScale);

    // A round pod with two forward claws and swept fins: a rammer.
    const Shape fins = bothSides(polygon({{-4, 16}, {-30, 45}, {-41, 45}, {-35, 30}, {-24, 13}}));
    const Shape claws = bothSides(polygon({{4, 17}, {28, 26}, {49, 15}, {46, 10}, {29, 17}, {8, 8}}));
    const Shape engine = box(vec2(-33, 0), vec2(7, 10), 3.5f);
    const Shape body = ellipse(vec2(-2, 0), vec2(31, 22));
    const Shape ship = unite({fins, claws, engine, body});

    painter.glow(vec2(-41, 0), 9.0f, vec4(1.0f, 0.9f, 0.8f, 0.9f));
    painter.outline(ship, 1.3f, kInk);
    painter.fill(fins, kMidPlating);
    painter.fill(intersect(fins, bothSides(capsule(vec2(-14, 22), vec2(-33, 42), 1.6f))), kSocket);
    painter.fill(claws, kMidPlating);
    painter.fill(engine, kDarkPlating);
    painter.fill(body, kLightPlating);
    // Armour seams: a ring around the eye and radial joints.
    painter.fill(intersect(body, ring(vec2(10, 0), 13.0f, 13.9f)), kPanelLine);
    for (float angle : {0.75f * kPi, kPi, 1.25f * kPi}) {
        const vec2 direction(std::cos(angle), std::sin(angle));
        painter.fill(
            intersect(body, capsule(vec2(10, 0) + direction * 14.0f, vec2(10, 0) + direction * 40.0f, 0.5f)),
            kPanelLine);
    }
    painter.fill(box(vec2(-38.5f, 0), vec2(2, 6.5f), 1.0f), kLamp);
    const Shape eye = circle(vec2(12, 0), 7.5f);
    painter.outline(eye, 1.0f, kInk);
    painter.fill(eye, kSocket);
    painter.glow(vec2(12, 0), 9.0f, vec4(1.0f, 0.95f, 0.85f, 0.7f));
    painter.fill(circle(vec2(13, 0), 3.6f), kLamp);
    return raster;
}

Raster paintDiver() {
    Raster raster = canvas(vec2(kDiverExtent), vec2(kDiverScale));
    Painter painter(raster, vec2(0.0f), vec2(kDiverScale));

    // A long dart with forward-swept wings and two cargo pods: clearly not the round swarmer.
    const Shape wings = bothSides(polygon({{2, 10}, {25, 43}, {17, 49}, {-25, 12}}));
    const Shape pods = bothSides(box(vec2(-17, 21), vec2(19, 6.5f), 5.5f));
    const Shape body =
        mirroredPolygon({{52, 0}, {38, 5}, {16, 9.5f}, {-18, 11.5f}, {-42, 10}, {-50, 5}, {-50, 0}});
    const Shape gun = capsule(vec2(40, 0), vec2(51, 0), 1.4f);
    const Shape ship = unite({wings, pods, body, gun});

    for (float y : {-21.0f, 21.0f}) {
        painter.glow(vec2(-38, y), 5.0f, vec4(1.0f, 0.9f, 0.8f, 0.85f));
    }
    painter.glow(vec2(-50, 0), 6.0f, vec4(1.0f, 0.9f, 0.8f, 0.9f));
    painter.outline(ship, 1.0f, kInk);
    painter.fill(wings, kMidPlating);
    painter.fill(intersect(wings, bothSides(capsule(vec2(4, 16), vec2(20, 42), 1.3f))), kSocket);
    painter.fill(bothSides(circle(vec2(19, 45), 1.6f)), kLamp);
    painter.fill(pods, kDarkPlating);
    for (float x : {-26.0f, -10.0f}) {
        painter.fill(intersect(pods, box(vec2(x, 0), vec2(1.0f, 40))), kPanelLine);
    }
    for (float y : {-21.0f, 21.0f}) {
        painter.fill(box(vec2(-36.5f, y), vec2(1.2f, 3.5f), 0.8f), kLamp);
    }
    painter.fill(body, kLightPlating);
    for (float side : {-1.0f, 1.0f}) {
        painter.fill(intersect(body, capsule(vec2(-44, 5 * side), vec2(20, 6.5f * side), 0.4f)), kPanelLine);
    }
    painter.fill(intersect(body, box(vec2(-6, 0), vec2(0.5f, 20))), kPanelLine);
    painter.fill(gun, kDarkPlating);
    painter.fill(box(vec2(-49.5f, 0), vec2(1.2f, 4.0f), 0.8f), kLamp);
    const Shape canopy = ellipse(vec2(28, 0), vec2(9, 3.8f));
    painter.outline(canopy, 0.7f, kInk);
    painter.fill(canopy, Material{vec3(0.32f, 0.34f, 0.40f), 2.0f, 0.9f, 0.0f, 24});
    return raster;
}

Raster paintMothershipHull() {
    Raster raster = canvas(vec2(kHullExtent), vec2(kHullScale));
    Painter painter(raster, vec2(0.0f), vec2(kHullScale));

    // An armoured octagon with a prow, two flanking hangars and an engine block; the core turns in its well.
    std::vector<vec2> octagon;
    for (int i = 0; i < 8; ++i) {
        const float angle = kPi / 8.0f + static_cast<float>(i) * kPi / 4.0f;
        octagon.emplace_back(104.0f * std::cos(angle), 104.0f * std::sin(angle));
    }
    const Shape disc = grow(polygon(octagon), 4.0f);
    const Shape prow = mirroredPolygon({{150, 0}, {118, 30}, {60, 62}, {40, 40}, {40, 0}});
    const Shape hangars = bothSides(box(vec2(-14, 110), vec2(64, 26), 14.0f));
    const Shape engines = box(vec2(-120, 0), vec2(28, 58), 12.0f);
    const Shape ship = unite({disc, prow, hangars, engines});

    for (float y : {-36.0f, 0.0f, 36.0f}) {
        painter.glow(vec2(-146, y), 9.0f, vec4(1.0f, 0.92f, 0.85f, 0.9f));
    }
    painter.outline(ship, 2.2f, kInk);
    painter.fill(engines, kDarkPlating);
    for (float y : {-36.0f, 0.0f, 36.0f}) {
        painter.fill(box(vec2(-146, y), vec2(4, 11), 2.5f), kSocket);
        painter.fill(box(vec2(-146.5f, y), vec2(2.2f, 8), 2.0f), kLamp);
    }
    painter.fill(hangars, kMidPlating);
    for (float side : {-1.0f, 1.0f}) {
        // Hangar mouths open to the front, a row of windows along the flank.
        painter.fill(box(vec2(42, 110 * side), vec2(8, 13), 3.0f), kSocket);
        for (int i = 0; i < 9; ++i) {
            painter.fill(circle(vec2(-62.0f + static_cast<float>(i) * 11.0f, 124.0f * side), 2.0f), kLamp);
        }
        painter.fill(intersect(hangars, box(vec2(-14, 104 * side), vec2(60, 0.7f))), kPanelLine);
    }
    painter.fill(prow, kLightPlating);
    painter.fill(intersect(prow, capsule(vec2(70, 0), vec2(146, 0), 1.0f)), kPanelLine);
    painter.fill(disc, kLightPlating);
    // Armour plates: a seam ring and radial joints between plates.
    painter.fill(intersect(disc, ring(vec2(0), 84.0f, 85.5f)), kPanelLine);
    for (int i = 0; i < 8; ++i) {
        const float angle = static_cast<float>(i) * kPi / 4.0f;
        const vec2 direction(std::cos(angle), std::sin(angle));
        painter.fill(capsule(direction * 68.0f, direction * 104.0f, 0.8f), kPanelLine);
        const float between = angle + kPi / 8.0f;
        painter.fill(circle(vec2(std::cos(between), std::sin(between)) * 95.0f, 2.6f), kLamp);
    }
    // The well the core sits in.
    painter.fill(circle(vec2(0), 66.0f), kInk);
    painter.fill(circle(vec2(0), 63.0f), Material{vec3(0.28f, 0.28f, 0.31f), 6.0f, 0.1f, 0.08f, 25});
    painter.fill(ring(vec2(0), 50.0f, 52.0f), kPanelLine);
    return raster;
}

Raster paintMothershipCore() {
    Raster raster = canvas(vec2(kCoreExtent), vec2(kCoreScale));
    Painter painter(raster, vec2(0.0f), vec2(kCoreScale));

    // Deliberately lopsided, so that its turning shows: one long cannon, one shorter arm, one stub, and a
    // guard plate on one side only.
    const Shape hub = circle(vec2(0), 34.0f);
    const Shape cannon = unite(box(vec2(38, 0), vec2(20, 7), 3.0f), box(vec2(56, 0), vec2(4, 9.5f), 2.0f));
    const Shape arm = place(capsule(vec2(20, 0), vec2(46, 0), 8.0f), vec2(0), 0.7f * kPi);
    const Shape stub = place(box(vec2(38, 0), vec2(8, 11), 3.0f), vec2(0), 1.35f * kPi);
    const Shape guard = intersect(ring(vec2(0), 36.0f, 45.0f),
                                  polygon({{0, 0},
                                           {60 * std::cos(0.15f * kPi), 60 * std::sin(0.15f * kPi)},
                                           {0, 80},
                                           {60 * std::cos(0.55f * kPi), 60 * std::sin(0.55f * kPi)}}));
    const Shape core = unite({hub, cannon, arm, stub, guard});

    painter.outline(core, 1.8f, kInk);
    painter.fill(guard, kMidPlating);
    painter.fill(cannon, kMidPlating);
    painter.fill(intersect(cannon, box(vec2(38, 0), vec2(16, 0.6f))), kPanelLine);
    painter.fill(arm, kMidPlating);
    painter.fill(stub, kDarkPlating);
    painter.fill(hub, kLightPlating);
    painter.fill(ring(vec2(0), 22.0f, 23.5f), kPanelLine);
    // Vents of different lengths around the eye.
    for (int i = 0; i < 5; ++i) {
        const float angle = static_cast<float>(i) * 0.38f * kPi + 0.2f;
        const float reach = 26.0f + 4.0f * static_cast<float>(i % 3);
        const vec2 direction(std::cos(angle), std::sin(angle));
        painter.fill(capsule(direction * 25.0f, direction * reach, 1.5f), kSocket);
    }
    painter.glow(vec2(58, 0), 8.0f, vec4(1.0f, 0.95f, 0.9f, 0.9f));
    painter.fill(circle(vec2(58.5f, 0), 3.5f), kLamp);
    painter.fill(circle(vec2(0), 13.0f), kInk);
    painter.glow(vec2(0), 16.0f, vec4(1.0f, 0.97f, 0.92f, 0.8f));
    painter.fill(circle(vec2(0), 9.5f), kLamp);
    return raster;
}

} // namespace kv
