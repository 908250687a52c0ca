// Vantor: constructs the game, runs it until the window closes (or a termination signal asks it to), and
// returns.
#include <exception>
#include <string>

#include "engine/core/Diagnostics.hpp"
#include "game/ArcadeStyleShooterGame.hpp"

int main() {
    kv::closeOnTerminationSignals();
    try {
        kv::ArcadeStyleShooterGame game;
        game.start();
    } catch (const std::exception& error) {
        // A fatal error (a broken asset, no window) ends the program as a command-line program ends, with
        // its message and status 1, rather than as a crash that leaves a core dump.
        kv::logCritical(std::string("vantor: ") + error.what());
        return 1;
    }
    return 0;
}
