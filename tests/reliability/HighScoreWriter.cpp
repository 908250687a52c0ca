// Helper for the crash-safety test: in its working directory, reads the high score, says so with one byte on
// standard output, then beats it by one again and again until it is killed.
#include <unistd.h>

#include "game/GameState.hpp"
#include "game/HighScore.hpp"

int main() {
    kv::playerHighScore = kv::loadHighScore();
    const char ready = '.';
    if (::write(STDOUT_FILENO, &ready, 1) != 1) {
        return 1;
    }
    for (;;) {
        kv::playerScore = kv::playerHighScore + 1;
        kv::maybeUpdateHighScore();
    }
}
