// Reads the whole play state of a running game: a hash of every entity (position, orientation, active flag,
// tags, health) and the scores that does not depend on where entities happen to sit in memory, and a census.
#pragma once

#include <cstdint>
#include <string>

#include "game/ArcadeStyleShooterGame.hpp"

namespace kv {

class PlayState {
public:
    // FNV-1a over the entity records in sorted order, then the scores. Floats enter with their exact bits.
    static std::uint64_t hash(ArcadeStyleShooterGame& game);

    // Live entities (every entity carries tag 0).
    static std::size_t entityCount(ArcadeStyleShooterGame& game);
    // Components registered game-wide, under any class.
    static std::size_t componentCount(ArcadeStyleShooterGame& game);
    // e.g. "42 entities (3 enemies), score 120"
    static std::string describe(ArcadeStyleShooterGame& game);
};

} // namespace kv
