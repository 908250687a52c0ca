// `cmake --install` into a scratch prefix: the installed tree, and the installed game started through its
// launcher on the X display, where it reaches the menu, takes a screenshot into the player's data
// directory and quits with Escape.
#include <chrono>
#include <cstdlib>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "packaging/InstallFixture.hpp"

namespace kv::test {
namespace {

using namespace std::chrono_literals;

// A desktop menu shows the icon at this size (pixels, square).
constexpr int kIconSize = 256;
// Pixels of the screen that the menu lights at least.
constexpr double kMinimumLitFraction = 1.0 / 200.0;

class Installation : public ::testing::Test {
protected:
    void SetUp() override {
        const CommandResult installed = installBuildInto(prefix());
        ASSERT_EQ(installed.status, 0) << installed.output;
    }

    fs::path prefix() const { return scratch.path() / "prefix"; }
    fs::path assets() const { return prefix() / "share" / "games" / "vantor"; }

    TemporaryDirectory scratch{"vantor-install"};
};

bool isExecutable(const fs::path& path) {
    return fs::is_regular_file(path) &&
           (fs::status(path).permissions() & fs::perms::owner_exec) != fs::perms::none;
}

std::set<std::string> entriesOf(const fs::path& directory) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

TEST_F(Installation, PutsTheLauncherOnBinAndTheProgramUnderLibexec) {
    EXPECT_EQ(entriesOf(prefix()), (std::set<std::string>{"bin", "libexec", "share"}));
    EXPECT_EQ(entriesOf(prefix() / "bin"), std::set<std::string>{"vantor"});
    EXPECT_EQ(entriesOf(prefix() / "share"), (std::set<std::string>{"applications", "games", "icons"}));
    EXPECT_TRUE(isExecutable(prefix() / "bin" / "vantor"));
    EXPECT_TRUE(isExecutable(prefix() / "libexec" / "vantor" / "vantor"));
}

TEST_F(Installation, InstallsEveryAssetTheGameReads) {
    EXPECT_EQ(entriesOf(assets()), (std::set<std::string>{"shaders", "sprites", "fonts", "sounds"}));
    EXPECT_EQ(entriesOf(assets() / "shaders"),
              (std::set<std::string>{"debug.vert", "debug.frag", "sprite.vert", "sprite.frag",
                                     "dist_text.vert", "dist_text.frag"}));
    EXPECT_EQ(entriesOf(assets() / "sprites"),
              (std::set<std::string>{"space_ship.png", "dual_turret.png", "blueshuttlenoweps.png",
                                     "bluecargoship.png", "WB_baseu3_d0.png", "WB_base_d0.png",
                                     "firebolt.png", "player_ship_explosion.png", "enemy1_explosion.png"}));
    EXPECT_EQ(
        entriesOf(assets() / "fonts"),
        (std::set<std::string>{"OpenSans-Regular.fnt", "OpenSans-Regular_0.png", "LICENSE-OpenSans.txt"}));
    EXPECT_EQ(entriesOf(assets() / "sounds"),
              (std::set<std::string>{"255716_varno12_silenced-pistol-layered-powerful.ogg",
                                     "94185_olm-tarr_explosion.ogg", "78457_delvo41_bum.ogg",
                                     "220332_r-tamosk_vel-23022014-game-loop-3.ogg"}));
}

TEST_F(Installation, InstallsAValidDesktopEntryAndItsIcon) {
    const fs::path entry = prefix() / "share" / "applications" / "vantor.desktop";
    ASSERT_TRUE(fs::exists(entry));
    const CommandResult validation = runCommand("desktop-file-validate " + shellQuote(entry.string()));
    EXPECT_EQ(validation.status, 0) << validation.output;
    EXPECT_EQ(validation.output, "");
    const CommandResult exec = runCommand("grep -x 'Exec=vantor' " + shellQuote(entry.string()));
    EXPECT_EQ(exec.status, 0) << "the entry starts the launcher on the PATH";

    int width = 0;
    int height = 0;
    const double lit = litFraction(
        prefix() / "share" / "icons" / "hicolor" / "256x256" / "apps" / "vantor.png", &width, &height);
    ASSERT_GE(lit, 0.0) << "the icon is a readable PNG";
    EXPECT_EQ(width, kIconSize);
    EXPECT_EQ(height, kIconSize);
    EXPECT_GT(lit, 0.05) << "the icon shows something";
}

TEST_F(Installation, InstalledGameReachesTheMenuThroughTheLauncher) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "runs on an X display (the test command starts one)";
    const fs::path home = scratch.path() / "home";
    fs::create_directory(home);
    const fs::path data = home / ".local" / "share" / "vantor";

    BackgroundProcess game(shellQuote((prefix() / "bin" / "vantor").string()),
                           {{"HOME", home.string()}, {"XDG_DATA_HOME", ""}}, scratch.path());
    ASSERT_TRUE(game.started());
    ASSERT_FALSE(waitForFullScreenGame(game, 60s).empty()) << "the game did not show its window\n"
                                                           << game.standardOutput() << game.standardError();
    ASSERT_TRUE(pressKey("space"));
    ASSERT_TRUE(waitFor([&] { return fs::exists(data / "screenshot_1.png"); }, 10s));
    ASSERT_TRUE(pressKey("Escape"));
    EXPECT_EQ(game.waitForExit(30s), 0) << game.standardError();
    EXPECT_NE(game.standardOutput().find("OpenGL version: "), std::string::npos);
    EXPECT_EQ(game.standardError(), "");

    int width = 0;
    int height = 0;
    EXPECT_GT(litFraction(data / "screenshot_1.png", &width, &height), kMinimumLitFraction)
        << "the screenshot shows the menu, not a black frame";
    EXPECT_GT(width, 0);
    EXPECT_GT(height, 0);
    for (const char* folder : {"shaders", "sprites", "fonts", "sounds"}) {
        EXPECT_EQ(fs::read_symlink(data / folder), fs::canonical(assets() / folder)) << folder;
    }
}

} // namespace
} // namespace kv::test
