// What `cmake --install` puts into a prefix by default, checked in place, and the installed `vantor` launcher
// run against a stand-in for the game that records where and how it was started: the per-user data directory
// and the XDG rules, its links to the installed assets, repeated and concurrent starts, moved installations
// and the failures it reports.
#include <algorithm>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "packaging/Installation.hpp"

namespace kv::testsupport {
namespace {

// Appends one line per start to started.txt in its working directory, in one write so that concurrent
// starts do not interleave: the directory, the four link targets ("-" for no link), the argument count.
constexpr const char* kStandInGame = R"sh(#!/bin/sh
line=$(pwd -P)
for folder in shaders sprites fonts sounds; do line="$line $(readlink "$folder" || echo -)"; done
printf '%s %s\n' "$line" "$#" >> started.txt
)sh";
constexpr const char* kData = "home/.local/share/vantor";

// `script` runs in a scratch directory holding the installation in usr/ and an empty home/ (HOME), with
// V=usr/games/vantor, D=home/.local/share/vantor, S the source tree and B the build, and must succeed (it
// ends at its first failing line).
// Afterwards `data` has seen `starts` starts of the game, the last one linked to the assets installed in
// `linkedTo` ("" for no links), and the launcher's output holds `message`.
struct LauncherCase {
    const char* name;
    const char* script;
    int starts;
    const char* linkedTo = "usr";
    const char* data = kData;
    const char* message = "";
};

const LauncherCase kCases[] = {
    // The launcher, the program, the assets and icon as the build generated them, a valid desktop entry that
    // starts the launcher, valid AppStream metadata, the manual and documents, and no engine files.
    {"InstallsTheGameItsAssetsAndValidDesktopFiles", R"sh(cd usr
test "$(echo *)" = "games libexec share"
test "$(echo share/*)" = "share/applications share/doc share/games share/icons share/man share/metainfo"
test -x games/vantor
test -x libexec/vantor/vantor
diff -r "$S/assets/shaders" share/games/vantor/shaders
for f in sprites fonts sounds; do diff -r "$B/game/$f" share/games/vantor/$f; done
cmp "$B/game/icons/vantor.png" share/icons/hicolor/256x256/apps/vantor.png
e=share/applications/io.github.vantor.Vantor.desktop
test -z "$(desktop-file-validate $e)"
grep -qx Exec=vantor $e
appstreamcli validate --no-net share/metainfo/io.github.vantor.Vantor.metainfo.xml)sh",
     0, "", kData, "Validation was successful"},
    {"DataDirectoryUnderHome", "$V --fullscreen extra", 1},
    {"AbsoluteXdgDataHome", "XDG_DATA_HOME=$PWD/xdg $V && test ! -e home/.local", 1, "usr", "xdg/vantor"},
    {"RelativeXdgDataHomeIgnored", "XDG_DATA_HOME=relative $V", 1},
    {"StartsAgainKeepingThePlayersFiles",
     "$V && echo 42 >$D/HighScore.txt && $V && grep -qx 42 $D/HighScore.txt && ! ls -A $D | grep '^\\.'", 2},
    {"FollowsAMovedInstallation", "$V && mv usr opt && test ! -e $D/sprites && opt/games/vantor", 2, "opt"},
    {"InstalledIntoTheUsersOwnPrefix", "mv usr home/.local && home/.local/games/vantor", 1, "home/.local"},
    {"DataDirectoryIsTheAssets", "XDG_DATA_HOME=$PWD/usr/share/games $V", 1, "", "usr/share/games/vantor"},
    {"SymbolicLinkOnThePath", "mkdir bin && ln -s $PWD/$V bin && PATH=$PWD/bin:$PATH vantor", 1},
    {"StartsAtTheSameMoment",
     "for i in $(seq 10); do $V & a=$!; $V & b=$!; wait $a && wait $b || exit 1; done", 20},
    {"RefusesToReplaceAPlayersDirectory",
     "mkdir -p $D/sprites && touch $D/sprites/my.png && ! $V && test -e $D/sprites/my.png", 0, "", kData,
     "sprites is in the way"},
    {"ReportsMissingAssets", "rm -r usr/share/games/vantor/sounds && ! $V", 0, "", kData, "assets lack"},
    {"ReportsAMissingHome", "! env -u HOME $V", 0, "", kData, "neither XDG_DATA_HOME nor HOME is set"},
};

using Launcher = ::testing::TestWithParam<LauncherCase>;

TEST_P(Launcher, StartsTheGameOrReportsWhy) {
    const LauncherCase& c = GetParam();
    TemporaryDirectory scratch("vantor-launcher");
    const CommandResult installed = install("", scratch.path() / "usr");
    ASSERT_EQ(installed.status, 0) << installed.output;
    std::ofstream(scratch.path() / "usr/libexec/vantor/vantor", std::ios::trunc) << kStandInGame;
    const CommandResult result =
        run("cd " + quote(scratch.path()) + " && mkdir home && env -i PATH=/usr/bin:/bin HOME=\"$PWD/home\"" +
            " V=usr/games/vantor D=" + kData + " S=" + quote(VANTOR_SOURCE_DIR) +
            " B=" + quote(VANTOR_BUILD_DIR) + " sh -exc " + quote(c.script));
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find(c.message), std::string::npos) << result.output;

    const std::string starts = readFile(scratch.path() / c.data / "started.txt");
    ASSERT_EQ(std::count(starts.begin(), starts.end(), '\n'), c.starts) << "starts in " << c.data;
    if (c.starts > 0) {
        std::string expected = fs::canonical(scratch.path() / c.data).string();
        for (const char* folder : kAssetFolders) {
            const fs::path assets = scratch.path() / c.linkedTo / "share/games/vantor" / folder;
            expected += ' ' + (*c.linkedTo == '\0' ? "-" : fs::canonical(assets).string());
        }
        EXPECT_EQ(starts.substr(starts.rfind('\n', starts.size() - 2) + 1), expected + " 0\n")
            << "the last start's directory, links and no arguments";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Launcher, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kv::testsupport
