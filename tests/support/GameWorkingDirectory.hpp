// The game's shared state reset as a new program would start with it, for tests that build the real game.
#pragma once

#include <cstdlib>

#include "game/GameState.hpp"

namespace kv::testsupport {

// The shared state as in a fresh program, whose random sequence is that of seed 1.
inline void resetGameState() {
    std::srand(1);
    mainMenuActive = true;
    deadTime = 0.0f;
    showEscapeLabel = false;
    showNewHighScore = false;
    playerScore = 0;
    playerHighScore = 0;
    shIndex = 0;
}

} // namespace kv::testsupport
