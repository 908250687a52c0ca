// Files of a game read through the asset root, by every loader of the engine.
#include "engine/core/AssetFiles.hpp"

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/render/GlTexture.hpp"
#include "engine/render/Shader.hpp"
#include "engine/sound/SoundManager.hpp"
#include "engine/text/GlyphAtlas.hpp"
#include "tests/support/ErrorText.hpp"
#include "tests/support/GlTestContext.hpp"

namespace kv {
namespace {

using AssetFilesTest = test::GlTest;

// Shaders, images and fonts end the program, sounds stay silent; each loader names the file as found under
// the asset root, and why it could not be read.
TEST_F(AssetFilesTest, EveryLoaderNamesTheFileItCannotReadUnderTheAssetRootAndWhy) {
    const std::filesystem::path root = scratchPath("assets");
    setAssetRoot(root.string());
    SoundManager sounds(SoundManager::OwnSoundsOnly{});
    const std::pair<std::string, std::function<void(const std::string&)>> loaders[] = {
        {"shaders/a.vert", [](const std::string& path) { Shader shader(path, path); }},
        {"sprites/a.png", [](const std::string& path) { GlTexture texture(path, false); }},
        {"fonts/a.fnt", [](const std::string& path) { GlyphAtlas atlas(path); }},
        {"sounds/a.ogg", [&](const std::string& path) { EXPECT_FALSE(sounds.loadSound(path).isLoaded()); }},
    };
    const std::pair<std::string, std::function<void(const std::filesystem::path&)>> faults[] = {
        {"No such file or directory", [](const std::filesystem::path&) {}},
        {"empty file", [](const std::filesystem::path& file) { std::ofstream{file}; }},
        {"Is a directory", [](const std::filesystem::path& file) { std::filesystem::create_directory(file); }},
    };
    for (const auto& [path, load] : loaders) {
        for (const auto& [reason, fault] : faults) {
            std::filesystem::remove_all(root / path);
            std::filesystem::create_directories((root / path).parent_path());
            fault(root / path);
            ::testing::internal::CaptureStderr();
            const std::string error = test::errorOf([&] { load(path); });
            EXPECT_THAT(error + ::testing::internal::GetCapturedStderr(),
                        ::testing::HasSubstr((root / path).string() + " (" + reason + ")"));
        }
    }
    setAssetRoot("");
}

} // namespace
} // namespace kv
