#include "tools/assetgen/SpriteArt.hpp"

namespace kv {

namespace {

// Tints the game multiplies these sprites by; enemies are drawn in light neutral colours for that reason.
const vec4 kNoTint(1.0f);
const vec4 kSmallEnemyTint(1.0f, 0.6f, 0.6f, 1.0f);
const vec4 kMothershipTint(1.0f, 0.5f, 0.5f, 1.0f);
const vec4 kMothershipCoreTint(0.8f, 0.2f, 0.2f, 1.0f);
const vec4 kFlameTint(1.0f, 1.0f, 1.0f, 0.35f);

const vec2 kCentred(0.5f, 0.5f);
// The player ship turns about a point 40 % along its length.
const vec2 kShipOrigin(0.4f, 0.5f);

} // namespace

std::vector<SpriteImage> paintSprites() {
    std::vector<SpriteImage> sprites;
    sprites.push_back({"space_ship.png", paintPlayerShip(), vec2(1.0f), kShipOrigin, kNoTint});
    sprites.push_back({"dual_turret.png", paintTurret(), vec2(1.0f), kCentred, kNoTint});
    sprites.push_back(
        {"blueshuttlenoweps.png", paintSwarmer(), vec2(0.65f, 0.8f), kCentred, kSmallEnemyTint});
    sprites.push_back({"bluecargoship.png", paintDiver(), vec2(0.3f), kCentred, kSmallEnemyTint});
    sprites.push_back({"WB_baseu3_d0.png", paintMothershipHull(), vec2(0.35f), kCentred, kMothershipTint});
    sprites.push_back({"WB_base_d0.png", paintMothershipCore(), vec2(0.6f), kCentred, kMothershipCoreTint});
    sprites.push_back({"firebolt.png", paintFirebolt(), vec2(1.0f), kCentred, kFlameTint});
    return sprites;
}

} // namespace kv
