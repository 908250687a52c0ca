// Collector: collector [ASSET_DIR [FRAMES]] reads its font and its sound from ASSET_DIR (the working
// directory without one; the build writes them beside the program) and, given FRAMES, quits by itself after
// that many frames.
#include <string>

#include "CollectorGame.hpp"
#include "engine/core/AssetFiles.hpp"
#include "engine/core/Diagnostics.hpp"

int main(int argc, char** argv) {
    try {
        if (argc > 1) {
            kv::setAssetRoot(argv[1]);
        }
        kv::CollectorGame game(argc > 2 ? std::stoi(argv[2]) : 0);
        game.start();
    } catch (const std::exception& error) { // a fatal error ends the program with its message, not a crash
        kv::logCritical(std::string("collector: ") + error.what());
        return 1;
    }
    return 0;
}
