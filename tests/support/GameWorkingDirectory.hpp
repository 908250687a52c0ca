// Fresh working directories for tests that build the real game, and the game's shared state reset as a
// new program would start with it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include "game/GameState.hpp"

namespace kv::testsupport {

// A new temporary directory (named after the prefix) with links to the generated asset folders.
inline std::string makeGameWorkingDirectory(const std::string& prefix) {
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary directory");
    }
    for (const char* folder : {"shaders", "sprites", "fonts", "sounds"}) {
        fs::create_directory_symlink(fs::path(VANTOR_RUNTIME_DIR) / folder, fs::path(pattern) / folder);
    }
    return pattern;
}

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
