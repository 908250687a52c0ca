// The Debian package made by cpack: its control fields and contents, then (as root) installing it,
// starting the installed game from the PATH on the X display until it shows the menu, quitting with
// Escape and removing the package again. The package is removed even when a check fails.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "packaging/InstallFixture.hpp"

namespace kv::test {
namespace {

using namespace std::chrono_literals;

// Pixels of the screen that the menu lights at least.
constexpr double kMinimumLitFraction = 1.0 / 200.0;

// The package is built by the test vantor_package_build before these run (a CTest fixture).
class DebianPackage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::error_code missing;
        for (const fs::directory_entry& entry : fs::directory_iterator(VANTOR_PACKAGE_DIR, missing)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("vantor_" VANTOR_VERSION "_") && name.ends_with(".deb")) {
                package = entry.path();
            }
        }
    }

    void SetUp() override {
        if (VANTOR_SANITIZED_BUILD) {
            GTEST_SKIP() << "packages are made from the regular build";
        }
        ASSERT_FALSE(package.empty()) << "no package in " VANTOR_PACKAGE_DIR "; ctest builds it first";
    }

    static std::string field(const std::string& name) {
        std::string value = runCommand("dpkg-deb -f " + shellQuote(package.string()) + " " + name).output;
        value.erase(value.find_last_not_of('\n') + 1);
        return value;
    }

    static inline fs::path package;
};

bool isInstalled() {
    return runCommand("dpkg-query -W -f='${Status}' vantor").output.find("install ok installed") !=
           std::string::npos;
}

TEST_F(DebianPackage, NamesThePackageAndItsVersion) {
    EXPECT_EQ(field("Package"), "vantor");
    EXPECT_EQ(field("Version"), VANTOR_VERSION);
    EXPECT_EQ(field("Section"), "games");
    EXPECT_EQ(package.filename().string(), "vantor_" VANTOR_VERSION "_" + field("Architecture") + ".deb");
}

// The package names in a Depends field, without versions.
std::set<std::string> packageNames(const std::string& depends) {
    std::set<std::string> names;
    std::istringstream entries(depends);
    std::string entry;
    while (std::getline(entries, entry, ',')) {
        std::istringstream words(entry);
        std::string name;
        words >> name;
        names.insert(name);
    }
    return names;
}

TEST_F(DebianPackage, DependsOnThePackageOfEveryLibraryTheGameLinks) {
    const std::set<std::string> depends = packageNames(field("Depends"));
    TemporaryDirectory unpacked("vantor-deb-contents");
    ASSERT_EQ(
        runCommand("dpkg-deb -x " + shellQuote(package.string()) + " " + shellQuote(unpacked.path().string()))
            .status,
        0);
    // For each library the program needs: its name, then the package holding the very file the loader
    // picks for it on this machine ("?" when none does). One search of the package database serves all.
    const fs::path program = unpacked.path() / "usr/libexec/vantor/vantor";
    const std::string script = R"sh(
program="$1"
needed=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
owners=$(dpkg -S $(for library in $needed; do printf '*/%s ' "$library"; done) 2>/dev/null)
for library in $needed; do
    wanted=$(readlink -f "$(ldd "$program" | awk -v l="$library" '$1 == l { print $3 }')")
    owner=$(printf '%s\n' "$owners" | while IFS= read -r line; do
        [ "$(readlink -f "${line#*: }")" = "$wanted" ] && echo "${line%%:*}"
    done | head -n 1)
    echo "$library ${owner:-?}"
done
)sh";
    const std::string owners =
        runCommand("sh -c " + shellQuote(script) + " sh " + shellQuote(program.string())).output;
    std::istringstream lines(owners);
    std::string library;
    std::string owner;
    int checked = 0;
    while (lines >> library >> owner) {
        ASSERT_NE(owner, "?") << "no package holds " << library;
        EXPECT_EQ(depends.count(owner), 1u)
            << library << " comes from " << owner << ", which is not a dependency";
        ++checked;
    }
    EXPECT_GE(checked, 8) << owners;
    for (const char* expected :
         {"libglfw3", "libglew2.2", "libopenal1", "libvorbisfile3", "libopengl0", "libglx0"}) {
        EXPECT_EQ(depends.count(expected), 1u) << expected;
    }
}

TEST_F(DebianPackage, HoldsTheLauncherProgramAssetsDesktopEntryAndIcon) {
    const std::string contents = runCommand("dpkg-deb -c " + shellQuote(package.string())).output;
    for (const char* path :
         {"./usr/bin/vantor", "./usr/libexec/vantor/vantor", "./usr/share/games/vantor/shaders/sprite.vert",
          "./usr/share/games/vantor/sprites/space_ship.png",
          "./usr/share/games/vantor/fonts/OpenSans-Regular.fnt",
          "./usr/share/games/vantor/sounds/78457_delvo41_bum.ogg", "./usr/share/applications/vantor.desktop",
          "./usr/share/icons/hicolor/256x256/apps/vantor.png"}) {
        EXPECT_NE(contents.find(std::string(path) + "\n"), std::string::npos) << path;
    }
    EXPECT_EQ(contents.find("HighScore.txt"), std::string::npos) << "player files stay out of the package";
}

class InstalledDebianPackage : public DebianPackage {
protected:
    void SetUp() override {
        DebianPackage::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        if (::geteuid() != 0) {
            GTEST_SKIP() << "installing a package needs root (CI runs as root)";
        }
        if (isInstalled()) {
            GTEST_SKIP() << "a vantor package is installed on this machine already; the test leaves it alone "
                            "(dpkg -r vantor lets it run)";
        }
    }
    void TearDown() override {
        game.reset();
        if (installedHere) {
            runCommand("dpkg --purge vantor");
        }
    }

    TemporaryDirectory scratch{"vantor-deb-run"};
    std::unique_ptr<BackgroundProcess> game;
    bool installedHere = false;
};

TEST_F(InstalledDebianPackage, InstallsRunsFromThePathAndRemovesCleanly) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "runs on an X display (the test command starts one)";
    const CommandResult installed = runCommand("dpkg -i " + shellQuote(package.string()));
    installedHere = installed.status == 0 || isInstalled();
    ASSERT_EQ(installed.status, 0) << installed.output;
    const std::string path = "/usr/bin:/bin";
    EXPECT_EQ(runCommand("PATH=" + path + " command -v vantor").output, "/usr/bin/vantor\n");

    const fs::path home = scratch.path() / "home";
    const fs::path dataHome = scratch.path() / "data";
    fs::create_directory(home);
    const fs::path data = dataHome / "vantor";
    game = std::make_unique<BackgroundProcess>(
        "exec vantor",
        std::map<std::string, std::string>{
            {"PATH", path}, {"HOME", home.string()}, {"XDG_DATA_HOME", dataHome.string()}},
        scratch.path());
    ASSERT_TRUE(game->started());
    ASSERT_FALSE(waitForFullScreenGame(*game, 60s).empty())
        << "the installed game did not show its window\n"
        << game->standardOutput() << game->standardError();
    ASSERT_TRUE(pressKey("space"));
    ASSERT_TRUE(waitFor([&] { return fs::exists(data / "screenshot_1.png"); }, 10s));
    ASSERT_TRUE(pressKey("Escape"));
    EXPECT_EQ(game->waitForExit(30s), 0) << game->standardError();
    EXPECT_GT(litFraction(data / "screenshot_1.png"), kMinimumLitFraction)
        << "the screenshot shows the menu, not a black frame";
    EXPECT_EQ(fs::read_symlink(data / "sprites"), fs::path("/usr/share/games/vantor/sprites"));

    const CommandResult removed = runCommand("dpkg -r vantor");
    EXPECT_EQ(removed.status, 0) << removed.output;
    installedHere = isInstalled();
    EXPECT_FALSE(installedHere);
    EXPECT_FALSE(fs::exists("/usr/bin/vantor"));
    EXPECT_FALSE(fs::exists("/usr/share/games/vantor"));
    EXPECT_TRUE(fs::exists(data / "screenshot_1.png")) << "removing the game keeps the player's files";
}

} // namespace
} // namespace kv::test
