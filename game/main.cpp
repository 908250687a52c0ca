// Vantor: constructs the game, runs it until the window closes, and returns.
#include "game/ArcadeStyleShooterGame.hpp"

int main() {
    kv::ArcadeStyleShooterGame game;
    game.start();
    return 0;
}
