// Helper for the crash-safety test: in its working directory, reads the high score, then beats it by one
// again and again. Once it has saved as many scores as its first argument says, a second thread kills the
// process with SIGKILL after the microseconds of the second argument, wherever the writing has got to.
#include <chrono>
#include <cstdlib>
#include <thread>

#include <signal.h>
#include <unistd.h>

#include "game/GameState.hpp"
#include "game/HighScore.hpp"

int main(int, char** argv) {
    const int savesBeforeTheKill = std::atoi(argv[1]);
    const auto delay = std::chrono::microseconds(std::atoi(argv[2]));
    kv::playerHighScore = kv::loadHighScore();
    for (int saves = 0;; ++saves) {
        if (saves == savesBeforeTheKill) {
            std::thread([delay] {
                std::this_thread::sleep_for(delay);
                ::kill(::getpid(), SIGKILL);
            }).detach();
        }
        kv::playerScore = kv::playerHighScore + 1;
        kv::maybeUpdateHighScore();
    }
}
