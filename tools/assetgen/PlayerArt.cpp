// The player's ship, its turret and the flamethrower's flame.
#include <algorithm>
#include <cmath>

#include <glm/geometric.hpp>

#include "tools/assetgen/Painter.hpp"
#include "tools/assetgen/Random.hpp"
#include "tools/assetgen/SpriteArt.hpp"

namespace kv {

namespace {

// Image sizes in pixels; the ship and turret are drawn one pixel per game unit.
constexpr int kShipWidth = 116; // the hull is 100 units long, nose to exhausts
constexpr int kShipHeight = 96;
constexpr int kTurretWidth = 100; // the barrels reach 46 units forward, the bullet mount sits at 50
constexpr int kTurretHeight = 44;
constexpr int kFlameSize = 32;

const Material kHullPlating{vec3(0.80f, 0.84f, 0.90f), 4.0f, 0.35f, 0.05f, 11};
const Material kWingPlating{vec3(0.20f, 0.36f, 0.66f), 3.0f, 0.30f, 0.07f, 12};
const Material kNacelle{vec3(0.50f, 0.55f, 0.63f), 3.0f, 0.30f, 0.06f, 13};
const Material kCanopy{vec3(0.10f, 0.24f, 0.42f), 3.0f, 0.90f, 0.0f, 14};
const Material kGunMetal{vec3(0.44f, 0.48f, 0.55f), 1.6f, 0.45f, 0.05f, 15};
const Material kTurretBody{vec3(0.60f, 0.64f, 0.71f), 3.5f, 0.40f, 0.05f, 16};
const vec4 kAccent(1.0f, 0.58f, 0.14f, 1.0f);
const vec4 kExhaust(0.45f, 0.85f, 1.0f, 1.0f);
const vec4 kNozzle(0.12f, 0.13f, 0.17f, 1.0f);

} // namespace

Raster paintPlayerShip(float pixelsPerUnit) {
    Raster raster(static_cast<int>(std::lround(kShipWidth * pixelsPerUnit)),
                  static_cast<int>(std::lround(kShipHeight * pixelsPerUnit)));
    // The drawing origin is the ship's pivot, 40 % of the width from the left edge.
    const float pivotToCentre = 0.5f * kShipWidth - 0.4f * kShipWidth;
    Painter painter(raster, vec2(pivotToCentre, 0.0f), vec2(1.0f / pixelsPerUnit));

    const Shape upperWing = polygon({{16, 9}, {-8, 38}, {-20, 44}, {-29, 42}, {-24, 9}});
    const Shape wings = unite(upperWing, mirrorY(upperWing));
    const Shape upperNacelle = box(vec2(-25, 17), vec2(14, 5.5f), 4.5f);
    const Shape nacelles = unite(upperNacelle, mirrorY(upperNacelle));
    const Shape fuselage =
        mirroredPolygon({{60, 0}, {50, 4.5f}, {32, 9}, {6, 12.5f}, {-22, 12}, {-36, 8}, {-40, 4}, {-40, 0}});
    const Shape hull = unite({wings, nacelles, fuselage});

    // Exhaust glow behind everything.
    for (float y : {-17.0f, 17.0f}) {
        painter.glow(vec2(-40.5f, y), 5.0f, kExhaust);
    }
    painter.glow(vec2(-40.5f, 0), 5.0f, kExhaust);

    painter.outline(hull, 1.6f, kInk);
    painter.fill(wings, kWingPlating);
    for (const Shape& wing : {upperWing, mirrorY(upperWing)}) {
        const float side = wing.max.y > 0.0f ? 1.0f : -1.0f;
        painter.fill(intersect(wing, capsule(vec2(6, 13 * side), vec2(-17, 38 * side), 1.8f)), kAccent);
        painter.fill(intersect(wing, capsule(vec2(-4, 10 * side), vec2(-24, 38 * side), 0.5f)), kPanelLine);
        painter.glow(vec2(-24, 41 * side), 4.0f, vec4(0.7f, 0.95f, 1.0f, 0.9f));
    }
    painter.fill(nacelles, kNacelle);
    for (float side : {-1.0f, 1.0f}) {
        painter.fill(box(vec2(-38.5f, 17 * side), vec2(2.5f, 4.0f), 1.0f), kNozzle);
        painter.fill(box(vec2(-38.5f, 17 * side), vec2(1.5f, 2.8f), 1.0f), kExhaust);
    }
    painter.fill(fuselage, kHullPlating);
    // Panel seams and the nose stripe.
    for (float side : {-1.0f, 1.0f}) {
        painter.fill(intersect(fuselage, capsule(vec2(-34, 6 * side), vec2(22, 7.5f * side), 0.45f)),
                     kPanelLine);
    }
    painter.fill(intersect(fuselage, capsule(vec2(-30, 0), vec2(-16, 0), 0.45f)), kPanelLine);
    painter.fill(intersect(fuselage, box(vec2(49, 0), vec2(2.2f, 10))), kAccent);
    painter.fill(box(vec2(-38.5f, 0), vec2(2.5f, 5.0f), 1.0f), kNozzle);
    painter.fill(box(vec2(-38.5f, 0), vec2(1.5f, 3.6f), 1.0f), kExhaust);

    const Shape canopy = ellipse(vec2(32, 0), vec2(11, 5));
    painter.outline(canopy, 0.9f, kInk);
    painter.fill(canopy, kCanopy);
    painter.fill(ellipse(vec2(34, 1.8f), vec2(5, 1.3f)), vec4(0.75f, 0.92f, 1.0f, 0.55f));
    return raster;
}

Raster paintTurret() {
    Raster raster(kTurretWidth, kTurretHeight);
    Painter painter(raster, vec2(0.0f), vec2(1.0f));

    const Shape upperBarrel = box(vec2(26, 6), vec2(19, 2.5f), 1.2f);
    const Shape barrels = unite(upperBarrel, mirrorY(upperBarrel));
    const Shape upperMuzzle = box(vec2(44, 6), vec2(2.8f, 3.5f), 1.0f);
    const Shape muzzles = unite(upperMuzzle, mirrorY(upperMuzzle));
    const Shape mantlet = box(vec2(11, 0), vec2(8.5f, 11.0f), 3.0f);
    const Shape base = circle(vec2(0), 14.0f);
    const Shape turret = unite({barrels, muzzles, mantlet, base});

    painter.outline(turret, 1.5f, kInk);
    painter.fill(barrels, kGunMetal);
    for (float side : {-1.0f, 1.0f}) {
        painter.fill(capsule(vec2(9, 6 * side), vec2(42, 6 * side), 0.4f), kPanelLine);
    }
    painter.fill(muzzles, Material{vec3(0.30f, 0.32f, 0.37f), 1.2f, 0.5f, 0.0f, 17});
    painter.fill(mantlet, kGunMetal);
    painter.fill(base, kTurretBody);
    painter.fill(ring(vec2(0), 9.0f, 10.8f), kAccent);
    painter.fill(circle(vec2(0), 5.0f), Material{vec3(0.22f, 0.24f, 0.28f), 2.0f, 0.6f, 0.0f, 18});
    painter.fill(circle(vec2(-1.5f, 1.5f), 1.5f), vec4(0.8f, 0.9f, 1.0f, 0.6f));
    return raster;
}

Raster paintFirebolt() {
    Raster raster(kFlameSize, kFlameSize);
    Painter painter(raster, vec2(0.0f), vec2(1.0f));
    // The game turns the image by the flight angle plus a quarter turn's half, so the head points to the
    // bottom-right corner and the tail trails to the top-left.
    const vec2 forward = glm::normalize(vec2(1.0f, -1.0f));
    const vec2 across(-forward.y, forward.x);
    constexpr float kHeadRadius = 10.5f;
    constexpr float kHeadAhead = 4.0f;
    constexpr float kTailBehind = 16.0f;
    const vec2 head = forward * kHeadAhead;
    const Shape flame = unite(circle(head, kHeadRadius),
                              polygon({head + across * 9.0f, head - across * 9.0f, -forward * kTailBehind}));
    const Shape softened = grow(flame, 1.0f);
    painter.fill(softened, [forward, head](vec2 point, float distance) {
        const float along = std::clamp(
            (glm::dot(point, forward) + kTailBehind) / (kTailBehind + kHeadAhead + kHeadRadius), 0.0f, 1.0f);
        const float toHead = glm::length(point - head) / kHeadRadius;
        const float flicker = fractalNoise(point / 4.0f, 3, 31);
        const float heat = std::clamp(0.25f + 0.75f * along - 0.45f * toHead + 0.2f * flicker, 0.0f, 1.0f);
        // Red at the tail through orange and yellow to a white-hot core.
        const vec3 red(0.85f, 0.16f, 0.04f);
        const vec3 orange(1.0f, 0.5f, 0.08f);
        const vec3 yellow(1.0f, 0.86f, 0.35f);
        const vec3 white(1.0f, 1.0f, 0.88f);
        vec3 colour = heat < 0.4f    ? glm::mix(red, orange, heat / 0.4f)
                      : heat < 0.75f ? glm::mix(orange, yellow, (heat - 0.4f) / 0.35f)
                                     : glm::mix(yellow, white, (heat - 0.75f) / 0.25f);
        const float edge = std::clamp(-distance / 3.0f, 0.0f, 1.0f);
        const float alpha = edge * (0.5f + 0.5f * along);
        return vec4(colour, alpha);
    });
    return raster;
}

} // namespace kv
