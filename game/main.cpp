// Vantor: constructs the game, runs it until the window closes (or a termination signal asks it to), and
// returns.
#include "game/ArcadeStyleShooterGame.hpp"

int main() {
    kv::closeOnTerminationSignals();
    kv::ArcadeStyleShooterGame game;
    game.start();
    return 0;
}
