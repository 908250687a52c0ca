// The Debian package that the test vantor_package_build makes first: its control fields, dependencies,
// contents (the installed game, no player or engine files) and lintian's verdict; then, as root, installing
// it, playing the installed game from the PATH on the X display to the menu and removing the package again
// (also when a check fails).
#include <unistd.h>

#include <cstdlib>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "packaging/Installation.hpp"

namespace kv::testsupport {
namespace {

using namespace std::chrono_literals;

std::string package() {
    const std::string architecture = run("dpkg --print-architecture").output;
    return VANTOR_PACKAGE_DIR "/vantor_" VANTOR_VERSION "_" + architecture + ".deb";
}

bool isInstalled() {
    return run("dpkg-query -W -f='${Status}' vantor").output == "install ok installed";
}

TEST(DebianPackage, IsAGameWithItsDocumentsAndPassesLintian) {
    ASSERT_TRUE(fs::exists(package()));
    EXPECT_EQ(run("dpkg-deb -f " + quote(package()) + " Package Version Section").output,
              "Package: vantor\nVersion: " VANTOR_VERSION "\nSection: games");
    // Exactly what `cmake --install` puts into a prefix, which the installation test checks.
    TemporaryDirectory prefix("vantor-deb-tree");
    ASSERT_EQ(install("", prefix.path()).status, 0);
    EXPECT_EQ(
        run("dpkg-deb -c " + quote(package()) + " | awk '!/\\/$/ { print $6 }' | sed s,^./usr,., | sort")
            .output,
        run("cd " + quote(prefix.path()) + " && find . ! -type d | sort").output);
    const CommandResult lintian = run("lintian --allow-root " + quote(package()));
    EXPECT_EQ(lintian.status, 0) << lintian.output;
    EXPECT_EQ(lintian.output, "") << "no error and no warning";
}

// For each library the program links: its name, the package holding the very file the loader picks for it
// on this machine ("?" for none; one search of the package database serves all), and whether the package
// depends on it.
constexpr const char* kDependencyScript = R"sh(
dpkg-deb -x "$1" "$2" && program="$2/usr/libexec/vantor/vantor" || exit 1
depends=$(dpkg-deb -f "$1" Depends | tr ',' '\n' | awk '{ print $1 }')
needed=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
owners=$(dpkg -S $(for library in $needed; do printf '*/%s ' "$library"; done) 2>/dev/null)
for library in $needed; do
    wanted=$(readlink -f "$(ldd "$program" | awk -v l="$library" '$1 == l { print $3 }')")
    owner=$(printf '%s\n' "$owners" | while IFS= read -r line; do
        [ "$(readlink -f "${line#*: }")" = "$wanted" ] && echo "${line%%:*}"
    done | head -n 1)
    echo "$library ${owner:-?} $(echo "$depends" | grep -qx "${owner:-?}" && echo depended-on || echo missing)"
done
)sh";

TEST(DebianPackage, DependsOnThePackageOfEveryLibraryTheGameLinks) {
    TemporaryDirectory unpacked("vantor-deb-contents");
    const std::string owners =
        run("sh -c " + quote(kDependencyScript) + " sh " + quote(package()) + " " + quote(unpacked.path()))
            .output;
    EXPECT_EQ(owners.find(" missing"), std::string::npos) << "library, package, verdict:\n" << owners;
    // Among them, those of the windowing, drawing and sound; also a guard against a script that says nothing.
    for (const char* expected :
         {"libglfw3", "libglew2.2", "libopenal1", "libvorbisfile3", "libopengl0", "libglx0"}) {
        EXPECT_NE(owners.find(std::string(" ") + expected + " depended-on"), std::string::npos) << expected;
    }
}

TEST(InstalledDebianPackage, InstallsRunsFromThePathAndRemovesCleanly) {
    if (::geteuid() != 0 || isInstalled()) {
        GTEST_SKIP() << "needs root (CI runs as root) and no vantor package installed, which it leaves alone";
    }
    struct PurgedAtTheEnd { // also when a check fails
        ~PurgedAtTheEnd() { run("dpkg --purge vantor"); }
    } purged;
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "runs on an X display (the test command starts one)";
    const CommandResult installed = run("dpkg -i " + quote(package()));
    ASSERT_EQ(installed.status, 0) << installed.output;
    const std::string path = "PATH=/usr/games:/usr/bin:/bin";
    EXPECT_EQ(run(path + " sh -c 'command -v vantor'").output, "/usr/games/vantor");

    // The game reaches the menu (run from the player's data directory, as the launcher test sees) and quits.
    TemporaryDirectory home("vantor-deb-home");
    const fs::path data = home.path() / "data/vantor";
    Process game({"env", path, "HOME=" + home.path().string(),
                  "XDG_DATA_HOME=" + (home.path() / "data").string(), "vantor"},
                 home.path(), home.path());
    ASSERT_TRUE(waitForWindow(game, 60s)) << game.describe() << game.standardError();
    ASSERT_TRUE(xdotool("key Escape"));
    ASSERT_TRUE(game.waitForEnd(120s));
    EXPECT_EQ(game.describe(), "exit 0");
    EXPECT_EQ(game.standardError(), "");
    EXPECT_TRUE(std::regex_match(game.standardOutput(), std::regex("OpenGL version: .*\n")))
        << game.standardOutput();
    EXPECT_EQ(fs::read_symlink(data / "sprites"), fs::path("/usr/share/games/vantor/sprites"));

    const CommandResult removed = run("dpkg -r vantor");
    EXPECT_EQ(removed.status, 0) << removed.output;
    EXPECT_FALSE(isInstalled());
    EXPECT_FALSE(fs::exists("/usr/games/vantor") || fs::exists("/usr/share/games/vantor"));
    EXPECT_TRUE(fs::is_symlink(data / "sprites")) << "removing the game keeps the player's directory";
}

} // namespace
} // namespace kv::testsupport
