// Helper for the crash-safety test: in its working directory, reads the high score and says so with one
// byte on standard output, then beats it by one again and again until it is killed, with one byte more
// after each saved score.
#include <unistd.h>

#include "game/GameState.hpp"
#include "game/HighScore.hpp"

int main() {
    kv::playerHighScore = kv::loadHighScore();
    const char mark = '.';
    while (::write(STDOUT_FILENO, &mark, 1) == 1) {
        kv::playerScore = kv::playerHighScore + 1;
        kv::maybeUpdateHighScore();
    }
    return 1;
}
