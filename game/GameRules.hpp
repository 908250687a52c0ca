// Small helpers that the shooter's factories and callbacks share.
#pragma once

#include <cmath>

#include <glm/vec2.hpp>

#include "engine/core/Angles.hpp"
#include "engine/core/GameEntity.hpp"
#include "engine/core/TaggedEntityRegistry.hpp"

namespace kv {

// The unit vector of a heading (radians).
inline vec2 dir(float angle) { return vec2(std::cos(angle), std::sin(angle)); }

inline float lengthOf(const vec2& v) { return std::sqrt(v.x * v.x + v.y * v.y); }

// World units: a vector no longer than this gives no direction.
constexpr float kMinDistance = 0.05f;

// The volume of every shot's sound, the ship's guns and the divers' alike.
constexpr float kShotVolume = 0.07f;

// Ends a game object's life: switched off with its subtree and left for the end-of-frame sweep.
void retire(GameEntity& entity);

// The player ship if it is alive (the first active entity with the player tag), else null.
GameEntity* findActivePlayer(TaggedEntityRegistry& registry);

// Damages the target and, if that killed it, adds its score to the player's.
void damageAndScore(GameEntity& target, float damage);

// One correction of +-2 pi into [-pi, pi].
inline float wrapOnce(float angle) {
    if (angle > kPi) {
        return angle - kTwoPi;
    }
    if (angle < -kPi) {
        return angle + kTwoPi;
    }
    return angle;
}

} // namespace kv
