// The Debian package made by cpack: its control fields, dependencies and contents, lintian's verdict, then
// (as root) installing it,
// starting the installed game from the PATH on the X display until it shows the menu, quitting with
// Escape and removing the package again. The package is removed even when a check fails.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "packaging/PackageFixture.hpp"

namespace kv::test {
namespace {

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
        std::string value = run("dpkg-deb -f " + quote(package.string()) + " " + name).output;
        value.erase(value.find_last_not_of('\n') + 1);
        return value;
    }

    static inline fs::path package;
};

bool isInstalled() {
    return run("dpkg-query -W -f='${Status}' vantor").output.find("install ok installed") !=
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
    ASSERT_EQ(run("dpkg-deb -x " + quote(package.string()) + " " + quote(unpacked.path().string())).status,
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
    const std::string owners = run("sh -c " + quote(script) + " sh " + quote(program.string())).output;
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

TEST_F(DebianPackage, HoldsTheGameAndItsDocumentsButNoEngineFiles) {
    const std::string contents = run("dpkg-deb -c " + quote(package.string())).output;
    for (const char* path :
         {"./usr/games/vantor", "./usr/libexec/vantor/vantor", "./usr/share/games/vantor/shaders/sprite.vert",
          "./usr/share/games/vantor/sprites/space_ship.png",
          "./usr/share/games/vantor/fonts/OpenSans-Regular.fnt",
          "./usr/share/games/vantor/sounds/78457_delvo41_bum.ogg",
          "./usr/share/applications/io.github.vantor.Vantor.desktop",
          "./usr/share/metainfo/io.github.vantor.Vantor.metainfo.xml",
          "./usr/share/icons/hicolor/256x256/apps/vantor.png", "./usr/share/man/man6/vantor.6.gz",
          "./usr/share/doc/vantor/copyright", "./usr/share/doc/vantor/changelog.gz"}) {
        EXPECT_NE(contents.find(std::string(path) + "\n"), std::string::npos) << path;
    }
    for (const char* absent : {"HighScore.txt", "/include/", "libkv_"}) {
        EXPECT_EQ(contents.find(absent), std::string::npos) << absent;
    }
}

TEST_F(DebianPackage, PassesLintian) {
    const CommandResult lintian = run("lintian --allow-root " + quote(package.string()));
    EXPECT_EQ(lintian.status, 0) << lintian.output;
    EXPECT_EQ(lintian.output, "") << "no error and no warning";
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
        if (installedHere) {
            run("dpkg --purge vantor");
        }
    }

    TemporaryDirectory scratch{"vantor-deb-run"};
    bool installedHere = false;
};

TEST_F(InstalledDebianPackage, InstallsRunsFromThePathAndRemovesCleanly) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "runs on an X display (the test command starts one)";
    const CommandResult installed = run("dpkg -i " + quote(package.string()));
    installedHere = installed.status == 0 || isInstalled();
    ASSERT_EQ(installed.status, 0) << installed.output;
    const std::string path = "PATH=/usr/games:/usr/bin:/bin";
    EXPECT_EQ(run(path + " sh -c 'command -v vantor'").output, "/usr/games/vantor\n");

    // The game reaches the menu, saves a screenshot into the player's data directory and quits.
    const fs::path data = scratch.path() / "data/vantor";
    const std::string screenshot = quote((data / "screenshot_1.png").string());
    const CommandResult game =
        play("env " + path + " HOME=" + quote(scratch.path().string()) +
                 " XDG_DATA_HOME=" + quote((scratch.path() / "data").string()) + " vantor",
             scratch.path(), "Vantor v0.2", true,
             "xdotool key space && timeout 10 sh -c 'until [ -e " + screenshot +
                 " ]; do sleep 0.1; done' && xdotool key Escape");
    EXPECT_EQ(game.status, 0) << game.output;
    EXPECT_TRUE(game.output.starts_with("OpenGL version: ")) << game.output;
    EXPECT_EQ(std::count(game.output.begin(), game.output.end(), '\n'), 1) << "nothing else is reported";
    EXPECT_GT(readPicture(data / "screenshot_1.png").litFraction, kMinimumLitFraction)
        << "the screenshot shows the menu, not a black frame";
    EXPECT_EQ(fs::read_symlink(data / "sprites"), fs::path("/usr/share/games/vantor/sprites"));

    const CommandResult removed = run("dpkg -r vantor");
    EXPECT_EQ(removed.status, 0) << removed.output;
    installedHere = isInstalled();
    EXPECT_FALSE(installedHere);
    EXPECT_FALSE(fs::exists("/usr/games/vantor"));
    EXPECT_FALSE(fs::exists("/usr/share/games/vantor"));
    EXPECT_TRUE(fs::exists(data / "screenshot_1.png")) << "removing the game keeps the player's files";
}

} // namespace
} // namespace kv::test
