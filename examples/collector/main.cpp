// Collector: run it from a directory holding shaders/, sprites/, fonts/ and sounds/ (the build's game/).
#include "CollectorGame.hpp"

int main() {
    kv::CollectorGame game;
    game.start();
    return 0;
}
