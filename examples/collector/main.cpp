// Collector: run it from a directory holding shaders/, sprites/, fonts/ and sounds/ (the build's game/).
#include "CollectorGame.hpp"
#include "engine/core/Diagnostics.hpp"

int main() {
    try {
        kv::CollectorGame game;
        game.start();
    } catch (const std::exception& error) { // a fatal error ends the program with its message, not a crash
        kv::logCritical(std::string("collector: ") + error.what());
        return 1;
    }
    return 0;
}
