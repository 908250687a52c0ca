// The installed `vantor` launcher, run against a stand-in for the game that records where and how it was
// started: the per-user data directory, its links to the installed assets, repeated and concurrent starts,
// moved installations and the failures it reports.
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "packaging/InstallFixture.hpp"

namespace kv::test {
namespace {

const std::vector<std::string> kAssetFolders{"shaders", "sprites", "fonts", "sounds"};

// Appends one line per start to started.txt in its working directory: the directory, the four link
// targets ("-" for a folder that is no link) and the number of arguments it got.
// The line goes out in one write, so that concurrent starts do not interleave their records.
constexpr const char* kStandInGame = R"sh(#!/bin/sh
line=$(pwd -P)
for folder in shaders sprites fonts sounds; do line="$line $(readlink "$folder" || echo -)"; done
printf '%s args=%s\n' "$line" "$#" >> started.txt
)sh";

struct Start {
    std::string directory;
    std::vector<std::string> links; // in the order of kAssetFolders
    std::string arguments;
};

std::vector<Start> readStarts(const fs::path& dataDirectory) {
    std::vector<Start> starts;
    std::ifstream in(dataDirectory / "started.txt");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        Start start;
        fields >> start.directory;
        for (std::size_t i = 0; i < kAssetFolders.size(); ++i) {
            std::string link;
            fields >> link;
            start.links.push_back(link);
        }
        fields >> start.arguments;
        starts.push_back(start);
    }
    return starts;
}

class Launcher : public ::testing::Test {
protected:
    // One installation for the whole suite; every test copies it, so tests can move or damage theirs.
    static void SetUpTestSuite() {
        installation = std::make_unique<TemporaryDirectory>("vantor-launcher-install");
        const CommandResult installed = installBuildInto(installation->path());
        ASSERT_EQ(installed.status, 0) << installed.output;
        std::ofstream(installation->path() / "libexec" / "vantor" / "vantor", std::ios::trunc)
            << kStandInGame;
    }
    static void TearDownTestSuite() { installation.reset(); }

    void SetUp() override {
        ASSERT_TRUE(installation);
        prefix = scratch.path() / "usr";
        fs::copy(installation->path(), prefix, fs::copy_options::recursive);
        home = scratch.path() / "home";
        fs::create_directory(home);
    }

    // The launcher of the installation at `at`, with HOME set to the test's own; extra is put before it
    // (variable assignments for env).
    CommandResult launch(const fs::path& at, const std::string& extra = "",
                         const std::string& arguments = "") {
        return runCommand("cd / && env -u XDG_DATA_HOME HOME=" + shellQuote(home.string()) + " " + extra +
                          " " + shellQuote((at / "bin" / "vantor").string()) + " " + arguments);
    }
    CommandResult launch() { return launch(prefix); }

    fs::path defaultData() const { return home / ".local" / "share" / "vantor"; }

    // The start recorded last in the data directory links every asset folder to that installation.
    void expectLinkedTo(const fs::path& dataDirectory, const fs::path& installPrefix) {
        const std::vector<Start> starts = readStarts(dataDirectory);
        ASSERT_FALSE(starts.empty()) << "the game was not started in " << dataDirectory;
        EXPECT_EQ(starts.back().directory, fs::canonical(dataDirectory).string());
        for (std::size_t i = 0; i < kAssetFolders.size(); ++i) {
            const fs::path expected =
                fs::canonical(installPrefix / "share" / "games" / "vantor" / kAssetFolders[i]);
            EXPECT_EQ(starts.back().links[i], expected.string()) << kAssetFolders[i];
            EXPECT_TRUE(fs::is_directory(dataDirectory / kAssetFolders[i])) << kAssetFolders[i];
        }
    }

    static inline std::unique_ptr<TemporaryDirectory> installation;
    TemporaryDirectory scratch{"vantor-launcher"};
    fs::path prefix;
    fs::path home;
};

TEST_F(Launcher, StartsTheGameInTheDataDirectoryUnderHome) {
    const CommandResult result = launch();
    ASSERT_EQ(result.status, 0) << result.output;
    expectLinkedTo(defaultData(), prefix);
}

TEST_F(Launcher, PassesNoArgumentsToTheGame) {
    ASSERT_EQ(launch(prefix, "", "--fullscreen extra").status, 0);
    const std::vector<Start> starts = readStarts(defaultData());
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].arguments, "args=0");
}

TEST_F(Launcher, UsesAnAbsoluteXdgDataHome) {
    const fs::path dataHome = scratch.path() / "xdg";
    const CommandResult result = launch(prefix, "XDG_DATA_HOME=" + shellQuote(dataHome.string()));
    ASSERT_EQ(result.status, 0) << result.output;
    expectLinkedTo(dataHome / "vantor", prefix);
    EXPECT_FALSE(fs::exists(defaultData()));
}

TEST_F(Launcher, IgnoresARelativeXdgDataHome) {
    const CommandResult result = launch(prefix, "XDG_DATA_HOME=relative/data");
    ASSERT_EQ(result.status, 0) << result.output;
    expectLinkedTo(defaultData(), prefix);
}

TEST_F(Launcher, StartsAgainOverItsOwnLinksAndKeepsThePlayersFiles) {
    ASSERT_EQ(launch().status, 0);
    std::ofstream(defaultData() / "HighScore.txt") << "HighScore 4200\n";
    std::ofstream(defaultData() / "screenshot_1.png") << "picture";

    const CommandResult again = launch();
    ASSERT_EQ(again.status, 0) << again.output;
    EXPECT_EQ(readStarts(defaultData()).size(), 2u);
    expectLinkedTo(defaultData(), prefix);
    std::ifstream highScore(defaultData() / "HighScore.txt");
    std::string line;
    std::getline(highScore, line);
    EXPECT_EQ(line, "HighScore 4200");
    EXPECT_TRUE(fs::exists(defaultData() / "screenshot_1.png"));
    for (const fs::directory_entry& entry : fs::directory_iterator(defaultData())) {
        EXPECT_NE(entry.path().filename().string().front(), '.') << "left behind: " << entry.path();
    }
}

TEST_F(Launcher, FollowsAnInstallationThatMoved) {
    ASSERT_EQ(launch().status, 0);
    const fs::path moved = scratch.path() / "opt";
    fs::rename(prefix, moved);
    ASSERT_FALSE(fs::exists(defaultData() / "sprites")) << "the old link dangles now";

    const CommandResult result = launch(moved);
    ASSERT_EQ(result.status, 0) << result.output;
    expectLinkedTo(defaultData(), moved);
}

TEST_F(Launcher, WorksWhenInstalledIntoTheUsersOwnPrefix) {
    const fs::path local = home / ".local";
    fs::rename(prefix, local);
    const CommandResult result = launch(local);
    ASSERT_EQ(result.status, 0) << result.output;
    expectLinkedTo(defaultData(), local);
}

TEST_F(Launcher, RunsAmongTheAssetsWhenTheDataDirectoryIsTheirs) {
    const fs::path assets = prefix / "share" / "games" / "vantor";
    const CommandResult result =
        launch(prefix, "XDG_DATA_HOME=" + shellQuote((prefix / "share" / "games").string()));
    ASSERT_EQ(result.status, 0) << result.output;
    const std::vector<Start> starts = readStarts(assets);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].directory, fs::canonical(assets).string());
    EXPECT_EQ(starts[0].links, std::vector<std::string>(kAssetFolders.size(), "-")) << "nothing was replaced";
}

TEST_F(Launcher, WorksThroughASymbolicLinkOnThePath) {
    const fs::path bin = scratch.path() / "bin";
    fs::create_directory(bin);
    fs::create_symlink(prefix / "bin" / "vantor", bin / "vantor");
    const CommandResult result = runCommand("cd / && env -u XDG_DATA_HOME HOME=" + shellQuote(home.string()) +
                                            " PATH=" + shellQuote(bin.string()) + ":/usr/bin:/bin vantor");
    ASSERT_EQ(result.status, 0) << result.output;
    expectLinkedTo(defaultData(), prefix);
}

TEST_F(Launcher, ToleratesStartsAtTheSameMoment) {
    constexpr int kPairs = 10;
    const std::string one = shellQuote((prefix / "bin" / "vantor").string());
    const CommandResult result =
        runCommand("cd / && export HOME=" + shellQuote(home.string()) +
                   " && unset XDG_DATA_HOME && for i in $(seq " + std::to_string(kPairs) + "); do " + one +
                   " & a=$!; " + one + " & b=$!; wait $a || exit 1; wait $b || exit 1; done");
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(readStarts(defaultData()).size(), 2u * kPairs);
    expectLinkedTo(defaultData(), prefix);
}

TEST_F(Launcher, RefusesToReplaceADirectoryOfThePlayersOwn) {
    fs::create_directories(defaultData() / "sprites");
    std::ofstream(defaultData() / "sprites" / "mine.png") << "mine";

    const CommandResult result = launch();
    EXPECT_NE(result.status, 0);
    EXPECT_NE(result.output.find("sprites is in the way"), std::string::npos) << result.output;
    EXPECT_TRUE(fs::exists(defaultData() / "sprites" / "mine.png"));
    EXPECT_TRUE(readStarts(defaultData()).empty()) << "the game must not start without its assets";
}

TEST_F(Launcher, ReportsMissingAssetsInsteadOfStartingTheGame) {
    fs::remove_all(prefix / "share" / "games" / "vantor" / "sounds");
    const CommandResult result = launch();
    EXPECT_NE(result.status, 0);
    EXPECT_NE(result.output.find("lack"), std::string::npos) << result.output;
    EXPECT_TRUE(readStarts(defaultData()).empty());
}

TEST_F(Launcher, ReportsAMissingHomeAndDataHome) {
    const CommandResult result =
        runCommand("env -u HOME -u XDG_DATA_HOME " + shellQuote((prefix / "bin" / "vantor").string()));
    EXPECT_NE(result.status, 0);
    EXPECT_NE(result.output.find("neither XDG_DATA_HOME nor HOME is set"), std::string::npos)
        << result.output;
}

} // namespace
} // namespace kv::test
