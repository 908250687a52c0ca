// Collector: collector [ASSET_DIR [FRAMES]] reads its font and its sound from ASSET_DIR (the working
// directory without one; the build writes them beside the program) and, given FRAMES, quits by itself after
// that many frames.
#include <string>

#include "CollectorGame.hpp"
#include "engine/core/AssetFiles.hpp"

int main(int argc, char** argv) {
    if (argc > 1) {
        kv::setAssetRoot(argv[1]);
    }
    kv::CollectorGame game(argc > 2 ? std::stoi(argv[2]) : 0);
    game.start();
    return 0;
}
