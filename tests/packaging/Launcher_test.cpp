// The installed `vantor` launcher, run against a stand-in for the game that records where and how it was
// started: the per-user data directory and the XDG rules, its links to the installed assets, repeated and
// concurrent starts, moved installations and the failures it reports.
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "packaging/PackageFixture.hpp"

namespace kv::test {
namespace {

// Appends one line per start to started.txt in its working directory, in one write so that concurrent
// starts do not interleave: the directory, the four link targets ("-" for no link), the argument count.
constexpr const char* kStandInGame = R"sh(#!/bin/sh
line=$(pwd -P)
for folder in shaders sprites fonts sounds; do line="$line $(readlink "$folder" || echo -)"; done
printf '%s %s\n' "$line" "$#" >> started.txt
)sh";
constexpr const char* kData = "home/.local/share/vantor";

// `script` runs in a scratch directory holding the installation in usr/ and an empty home/ (HOME), and
// must succeed. Afterwards `data` (relative to the scratch directory) has seen `starts` starts of the game,
// the last one linked to the assets of the installation in `linkedTo` ("" for none), and the launcher's
// output holds `message`.
struct LauncherCase {
    const char* name;
    const char* script;
    const char* data;
    int starts;
    const char* linkedTo;
    const char* message = "";
};

const LauncherCase kCases[] = {
    {"DataDirectoryUnderHome", "usr/games/vantor --fullscreen extra", kData, 1, "usr"},
    {"AbsoluteXdgDataHome", "XDG_DATA_HOME=$PWD/xdg usr/games/vantor && test ! -e home/.local", "xdg/vantor",
     1, "usr"},
    {"RelativeXdgDataHomeIgnored", "XDG_DATA_HOME=relative usr/games/vantor", kData, 1, "usr"},
    {"StartsAgainKeepingThePlayersFiles",
     "usr/games/vantor && echo 4200 >$D/HighScore.txt && usr/games/vantor && grep -qx 4200 $D/HighScore.txt "
     "&& "
     "test -z \"$(ls -A $D | grep '^\\.')\"",
     kData, 2, "usr"},
    {"FollowsAMovedInstallation",
     "usr/games/vantor && mv usr opt && test ! -e $D/sprites && opt/games/vantor", kData, 2, "opt"},
    {"InstalledIntoTheUsersOwnPrefix", "mv usr home/.local && home/.local/games/vantor", kData, 1,
     "home/.local"},
    {"DataDirectoryIsTheAssets", "XDG_DATA_HOME=$PWD/usr/share/games usr/games/vantor",
     "usr/share/games/vantor", 1, ""},
    {"SymbolicLinkOnThePath", "mkdir bin && ln -s $PWD/usr/games/vantor bin && PATH=$PWD/bin:$PATH vantor",
     kData, 1, "usr"},
    {"StartsAtTheSameMoment",
     "for i in $(seq 10); do usr/games/vantor & a=$!; usr/games/vantor & b=$!; wait $a && wait $b || exit 1; "
     "done",
     kData, 20, "usr"},
    {"RefusesToReplaceAPlayersDirectory",
     "mkdir -p $D/sprites && touch $D/sprites/mine.png && ! usr/games/vantor && test -e $D/sprites/mine.png",
     kData, 0, "", "sprites is in the way"},
    {"ReportsMissingAssets", "rm -r usr/share/games/vantor/sounds && ! usr/games/vantor", kData, 0, "",
     "assets lack"},
    {"ReportsAMissingHome", "! env -u HOME usr/games/vantor", kData, 0, "",
     "neither XDG_DATA_HOME nor HOME is set"},
};

class Launcher : public ::testing::TestWithParam<LauncherCase> {
protected:
    // One installation for the whole suite, with the stand-in in place of the game; every case copies it.
    static void SetUpTestSuite() {
        installation = std::make_unique<TemporaryDirectory>("vantor-launcher-install");
        const CommandResult installed = install("game", installation->path());
        ASSERT_EQ(installed.status, 0) << installed.output;
        std::ofstream(installation->path() / "libexec/vantor/vantor", std::ios::trunc) << kStandInGame;
    }
    static void TearDownTestSuite() { installation.reset(); }

    static inline std::unique_ptr<TemporaryDirectory> installation;
};

TEST_P(Launcher, StartsTheGameOrReportsWhy) {
    const LauncherCase& c = GetParam();
    TemporaryDirectory scratch("vantor-launcher");
    fs::copy(installation->path(), scratch.path() / "usr", fs::copy_options::recursive);
    fs::create_directory(scratch.path() / "home");
    const CommandResult result =
        run("cd " + quote(scratch.path().string()) + " && env -i PATH=/usr/bin:/bin HOME=" +
            quote((scratch.path() / "home").string()) + " D=" + kData + " sh -c " + quote(c.script));
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find(c.message), std::string::npos) << result.output;

    std::vector<std::string> starts;
    std::ifstream records(scratch.path() / c.data / "started.txt");
    for (std::string line; std::getline(records, line);) {
        starts.push_back(line);
    }
    ASSERT_EQ(starts.size(), static_cast<std::size_t>(c.starts)) << "starts in " << c.data;
    if (c.starts > 0) {
        std::string expected = fs::canonical(scratch.path() / c.data).string();
        for (const char* folder : {"shaders", "sprites", "fonts", "sounds"}) {
            const fs::path assets = scratch.path() / c.linkedTo / "share/games/vantor" / folder;
            expected += ' ';
            expected += *c.linkedTo == '\0' ? "-" : fs::canonical(assets).string();
        }
        EXPECT_EQ(starts.back(), expected + " 0") << "the directory, the links and no arguments";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Launcher, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kv::test
