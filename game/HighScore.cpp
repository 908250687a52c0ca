#include "game/HighScore.hpp"

#include <cstdio>
#include <fstream>
#include <istream>
#include <string>

#include <unistd.h>

#include "engine/text/FontParsing.hpp"
#include "game/GameState.hpp"

namespace kv {

int loadHighScore() {
    std::ifstream in(highScoreFileName);
    try {
        verifyNextTag(in, highScoreTag, '=');
        in >> std::ws;
        in >> playerHighScore;
    } catch (...) {
        // A missing or foreign file is not an error: the high score simply stays as it was.
    }
    in.close();
    return playerHighScore;
}

void maybeUpdateHighScore() {
    if (!(playerScore > playerHighScore)) {
        return;
    }
    playerHighScore = playerScore;

    const std::string content = highScoreTag + "=" + std::to_string(playerHighScore);
    const std::string temporary = highScoreFileName + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        return;
    }
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    // The data must be on disk before the rename makes it the high score file.
    const bool flushed = std::fflush(file) == 0 && ::fsync(fileno(file)) == 0;
    const bool closed = std::fclose(file) == 0;
    if (!(written && flushed && closed) || std::rename(temporary.c_str(), highScoreFileName.c_str()) != 0) {
        std::remove(temporary.c_str());
    }
}

} // namespace kv
