// `cmake --install` of the game into a scratch prefix: the installed tree holds the launcher, the program,
// every asset the built game reads, a valid desktop entry and AppStream metadata, the icon, and nothing
// of the engine's development files.
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "packaging/PackageFixture.hpp"

namespace kv::test {
namespace {

constexpr int kIconSize = 256;                   // pixels, square: a desktop menu shows it at this size
constexpr double kIconMinimumLitFraction = 0.05; // the icon shows something

std::set<std::string> entriesOf(const fs::path& directory) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

bool isExecutable(const fs::path& path) {
    return fs::is_regular_file(path) &&
           (fs::status(path).permissions() & fs::perms::owner_exec) != fs::perms::none;
}

TEST(Installation, HoldsTheGameItsAssetsItsDesktopFilesAndNoEngineFiles) {
    TemporaryDirectory scratch("vantor-install");
    const fs::path prefix = scratch.path();
    const CommandResult installed = run("env -u DESTDIR " + quote(VANTOR_CMAKE_COMMAND) + " --install " +
                                        quote(VANTOR_BUILD_DIR) + " --prefix " + quote(prefix.string()));
    ASSERT_EQ(installed.status, 0) << installed.output;

    EXPECT_EQ(entriesOf(prefix), (std::set<std::string>{"games", "libexec", "share"}));
    EXPECT_EQ(entriesOf(prefix / "share"),
              (std::set<std::string>{"applications", "doc", "games", "icons", "man", "metainfo"}));
    EXPECT_TRUE(isExecutable(prefix / "games/vantor"));
    EXPECT_TRUE(isExecutable(prefix / "libexec/vantor/vantor"));
    for (const char* folder : {"sprites", "fonts", "sounds"}) {
        const CommandResult same = run("diff -r " + quote(VANTOR_BUILD_DIR "/game/" + std::string(folder)) +
                                       " " + quote((prefix / "share/games/vantor" / folder).string()));
        EXPECT_EQ(same.status, 0) << same.output;
    }
    const CommandResult shaders = run("diff -r " + quote(VANTOR_SOURCE_DIR "/assets/shaders") + " " +
                                      quote((prefix / "share/games/vantor/shaders").string()));
    EXPECT_EQ(shaders.status, 0) << shaders.output;

    const fs::path entry = prefix / "share/applications/io.github.vantor.Vantor.desktop";
    const CommandResult desktop = run("desktop-file-validate " + quote(entry.string()));
    EXPECT_EQ(desktop.status, 0) << desktop.output;
    EXPECT_EQ(desktop.output, "");
    EXPECT_EQ(run("grep -x 'Exec=vantor' " + quote(entry.string())).status, 0) << "starts the launcher";
    const CommandResult metainfo =
        run("appstreamcli validate --no-net " +
            quote((prefix / "share/metainfo/io.github.vantor.Vantor.metainfo.xml").string()));
    EXPECT_EQ(metainfo.status, 0) << metainfo.output;
    EXPECT_NE(metainfo.output.find("Validation was successful"), std::string::npos) << metainfo.output;

    const Picture icon = readPicture(prefix / "share/icons/hicolor/256x256/apps/vantor.png");
    EXPECT_EQ(icon.width, kIconSize);
    EXPECT_EQ(icon.height, kIconSize);
    EXPECT_GT(icon.litFraction, kIconMinimumLitFraction);
}

} // namespace
} // namespace kv::test
