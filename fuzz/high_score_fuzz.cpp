// Writes arbitrary bytes as "HighScore.txt" in a private temporary directory and reads them the way the game
// does at load. Whatever the reader accepts, writing a higher score must read back as exactly that score.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>

#include <unistd.h>

#include "game/GameState.hpp"
#include "game/HighScore.hpp"

namespace {

constexpr int kUntouched = 424242; // a high score the reader has no reason to produce

std::string directory;

void removeDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantor-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr || ::chdir(pattern.c_str()) != 0) {
        std::perror("temporary directory");
        std::abort();
    }
    directory = pattern;
    std::atexit(removeDirectory);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(kv::highScoreFileName.c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        std::abort();
    }

    kv::playerHighScore = kUntouched;
    const int read = kv::loadHighScore();
    if (read != kv::playerHighScore) {
        std::abort();
    }
    if (read == std::numeric_limits<int>::max()) {
        return 0;
    }

    kv::playerScore = read + 1;
    kv::maybeUpdateHighScore();
    kv::playerHighScore = kUntouched;
    if (kv::loadHighScore() != read + 1) {
        std::abort();
    }
    return 0;
}
