// assetgen: writes every asset of the game (sprites, explosion sheets, the distance-field font and the
// sounds) from code, deterministically, and optionally a preview sheet of the art.
//
// Writing the assets (DIR gets sprites/, fonts/, sounds/ and the desktop icon in icons/; the example game's,
// its font and its pickup sound, go to fonts/ and sounds/ of EXAMPLE_DIR):
//     assetgen --out DIR --font TTF --license TEXT [--copyright FILE] [--collector EXAMPLE_DIR]
//              [--preview FILE.png]
// Only the preview (with a line of text when a font is given):
//     assetgen --preview FILE.png [--font TTF]
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <future>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/core/Diagnostics.hpp"
#include "tools/assetgen/ContactSheet.hpp"
#include "tools/assetgen/ExplosionSheet.hpp"
#include "tools/assetgen/FontBaker.hpp"
#include "tools/assetgen/Icon.hpp"
#include "tools/assetgen/MusicLoop.hpp"
#include "tools/assetgen/SoundEffects.hpp"
#include "tools/assetgen/SpriteArt.hpp"
#include "tools/assetgen/VorbisWriter.hpp"

namespace kv {
namespace {

// Nominal font size and distance-field reach, pixels: text is drawn from 20 to 60 pixels high.
constexpr int kFontPixelSize = 44;
constexpr int kFontSpread = 8;
// libvorbis VBR qualities: effects a little higher, since they are short and heard up front.
constexpr float kEffectQuality = 0.5f;
constexpr float kMusicQuality = 0.4f;

struct Options {
    std::string outputDirectory;
    std::string fontPath;
    std::string licensePath;
    std::string copyrightPath;
    std::string previewPath;
    std::string collectorDirectory;
};

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        checkState(i + 1 < argc, [&](std::stringstream& out) { out << "missing value after " << flag; });
        const std::string value = argv[++i];
        if (flag == "--out") {
            options.outputDirectory = value;
        } else if (flag == "--font") {
            options.fontPath = value;
        } else if (flag == "--license") {
            options.licensePath = value;
        } else if (flag == "--copyright") {
            options.copyrightPath = value;
        } else if (flag == "--preview") {
            options.previewPath = value;
        } else if (flag == "--collector") {
            options.collectorDirectory = value;
        } else {
            throwRuntimeError([&](std::stringstream& out) { out << "unknown option " << flag; });
        }
    }
    checkState(!options.outputDirectory.empty() || !options.previewPath.empty(),
               "usage: assetgen --out DIR --font TTF --license TEXT [--copyright FILE] [--preview FILE.png]");
    if (!options.outputDirectory.empty()) {
        checkState(!options.fontPath.empty(), "--out needs --font with the Open Sans Regular TrueType file");
        checkState(!options.licensePath.empty(), "--out needs --license with the font's licence text");
    }
    return options;
}

// The font's licence shipped beside the generated page: the package's copyright notice, then the licence.
void writeFontLicense(const Options& options, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    for (const std::string& source : {options.copyrightPath, options.licensePath}) {
        if (source.empty()) {
            continue;
        }
        std::ifstream in(source, std::ios::binary);
        checkState(static_cast<bool>(in),
                   [&](std::stringstream& message) { message << "couldn't read " << source; });
        out << in.rdbuf() << "\n";
    }
    checkState(static_cast<bool>(out),
               [&](std::stringstream& message) { message << "couldn't write " << path; });
}

void writeSounds(const std::string& directory) {
    // The music takes longest; it is made alongside the effects.
    auto music = std::async(std::launch::async, composeMusicLoop);
    writeOggVorbis(directory + "/255716_varno12_silenced-pistol-layered-powerful.ogg", {synthesizeGunshot()},
                   kEffectQuality);
    writeOggVorbis(directory + "/94185_olm-tarr_explosion.ogg", {synthesizeExplosion()}, kEffectQuality);
    writeOggVorbis(directory + "/78457_delvo41_bum.ogg", {synthesizeBoom()}, kEffectQuality);
    writeOggVorbis(directory + "/220332_r-tamosk_vel-23022014-game-loop-3.ogg", music.get(), kMusicQuality);
}

// Collector plays a sound of its own and writes with the game's font.
void writeCollectorAssets(const Options& options, const FontBaker& font) {
    namespace fs = std::filesystem;
    const fs::path root(options.collectorDirectory);
    fs::create_directories(root / "fonts");
    fs::create_directories(root / "sounds");
    font.write((root / "fonts").string(), "OpenSans-Regular.fnt", "OpenSans-Regular_0.png");
    writeFontLicense(options, (root / "fonts" / "LICENSE-OpenSans.txt").string());
    writeOggVorbis((root / "sounds" / "pickup.ogg").string(), {synthesizeChime()}, kEffectQuality);
}

void run(const Options& options) {
    std::unique_ptr<FontBaker> font;
    if (!options.fontPath.empty()) {
        font = std::make_unique<FontBaker>(options.fontPath, kFontPixelSize, kFontSpread);
    }
    const std::vector<SpriteImage> sprites = paintSprites();
    std::vector<ExplosionArt> explosions;
    explosions.push_back({largeExplosion(), paintExplosionSheet(largeExplosion())});
    explosions.push_back({smallExplosion(), paintExplosionSheet(smallExplosion())});

    if (!options.outputDirectory.empty()) {
        namespace fs = std::filesystem;
        const fs::path root(options.outputDirectory);
        for (const char* folder : {"sprites", "fonts", "sounds", "icons"}) {
            fs::create_directories(root / folder);
        }
        const std::string spritesDirectory = (root / "sprites").string();
        // Compressing the large sheet is the longest single job; the rest runs beside it.
        auto largeSheet = std::async(std::launch::async, [&] {
            explosions[0].sheet.writePng(spritesDirectory + "/player_ship_explosion.png");
        });
        auto pictures = std::async(std::launch::async, [&] {
            for (const SpriteImage& sprite : sprites) {
                sprite.raster.writePng(spritesDirectory + "/" + sprite.fileName);
            }
            explosions[1].sheet.writePng(spritesDirectory + "/enemy1_explosion.png");
            paintIcon().writePng((root / "icons" / "vantor.png").string());
        });
        const std::string fontsDirectory = (root / "fonts").string();
        font->write(fontsDirectory, "OpenSans-Regular.fnt", "OpenSans-Regular_0.png");
        writeFontLicense(options, fontsDirectory + "/LICENSE-OpenSans.txt");
        writeSounds((root / "sounds").string());
        if (!options.collectorDirectory.empty()) {
            writeCollectorAssets(options, *font);
        }
        pictures.get();
        largeSheet.get();
    }
    if (!options.previewPath.empty()) {
        paintContactSheet(sprites, explosions, font.get()).writePng(options.previewPath);
    }
}

} // namespace
} // namespace kv

int main(int argc, char** argv) {
    try {
        kv::run(kv::parseOptions(argc, argv));
    } catch (const std::exception& error) {
        std::cerr << "assetgen: " << error.what() << std::endl;
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
