// What `cmake --install` puts into a prefix by default: the launcher, the program, every asset the built
// game reads, a valid desktop entry and AppStream metadata, the generated icon, the manual page and the
// documents, and none of the engine's development files.
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "packaging/Installation.hpp"

namespace kv::testsupport {
namespace {

std::set<std::string> entriesOf(const fs::path& directory) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
        names.insert(entry.path().filename());
    }
    return names;
}

TEST(Installation, HoldsTheGameItsAssetsAndValidDesktopFiles) {
    TemporaryDirectory prefix("vantor-install");
    const CommandResult installed = install("", prefix.path());
    ASSERT_EQ(installed.status, 0) << installed.output;
    const fs::path share = prefix.path() / "share";
    EXPECT_EQ(entriesOf(prefix.path()), (std::set<std::string>{"games", "libexec", "share"}));
    EXPECT_EQ(entriesOf(share),
              (std::set<std::string>{"applications", "doc", "games", "icons", "man", "metainfo"}));
    EXPECT_EQ(run("test -x " + quote(prefix.path() / "games/vantor")).status, 0);
    EXPECT_EQ(run("test -x " + quote(prefix.path() / "libexec/vantor/vantor")).status, 0);

    // The same files as the build's game directory, where the game tests run it.
    const fs::path assets = share / "games/vantor";
    for (const std::string& compared :
         {quote(VANTOR_SOURCE_DIR "/assets/shaders") + " " + quote(assets / "shaders"),
          quote(VANTOR_BUILD_DIR "/game/sprites") + " " + quote(assets / "sprites"),
          quote(VANTOR_BUILD_DIR "/game/fonts") + " " + quote(assets / "fonts"),
          quote(VANTOR_BUILD_DIR "/game/sounds") + " " + quote(assets / "sounds"),
          quote(VANTOR_BUILD_DIR "/game/icons/vantor.png") + " " +
              quote(share / "icons/hicolor/256x256/apps/vantor.png")}) {
        const CommandResult same = run("diff -r " + compared);
        EXPECT_EQ(same.status, 0) << compared << same.output;
    }

    const fs::path entry = share / "applications/io.github.vantor.Vantor.desktop";
    const CommandResult desktop = run("desktop-file-validate " + quote(entry));
    EXPECT_EQ(desktop.status, 0) << desktop.output;
    EXPECT_EQ(desktop.output, "");
    EXPECT_EQ(run("grep -x 'Exec=vantor' " + quote(entry)).status, 0) << "the entry starts the launcher";
    const CommandResult metainfo = run("appstreamcli validate --no-net " +
                                       quote(share / "metainfo/io.github.vantor.Vantor.metainfo.xml"));
    EXPECT_EQ(metainfo.status, 0) << metainfo.output;
    EXPECT_NE(metainfo.output.find("Validation was successful"), std::string::npos) << metainfo.output;
}

} // namespace
} // namespace kv::testsupport
