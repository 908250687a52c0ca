// Runs the real program in a fresh working directory on the current X display and plays it with xdotool:
// pick a weapon, start a game, fly and fire, take a screenshot, leave to the menu and quit.
#include <regex>

#include <gtest/gtest.h>

#include "support/Process.hpp"

namespace kv::testsupport {
namespace {

using namespace std::chrono_literals;

constexpr double kLeastFlame = 1.0 / 1500; // share in the flamethrower's orange

TEST(Vantor, PlaysAGameFromTheMenuAndQuitsCleanly) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "runs on an X display (the test command starts one)";
    TemporaryDirectory directory("vantor-e2e");
    const fs::path& work = directory.path();
    linkAssetFolders(work);
    writeFile(work / "HighScore.txt", "HighScore=-7"); // leaving the game beats it, whatever the flames hit
    Process game({VANTOR_EXECUTABLE}, work, work);
    ASSERT_TRUE(waitForWindow(game, 120s)) << "the game switches to full screen once loaded";

    // "Flamethrower" is at (782, 204), "Start game" at (377, 554); a click counts where the pointer is when
    // taken: it leaves the flamethrower once its button turns blue, then stays on Start, flying up, firing.
    ASSERT_TRUE(xdotool("mousemove 782 204 click 1"));
    const auto chosen = [](int r, int g, int b) { return r == g && r >= 74 && r <= 79 && b >= 250; };
    const auto isFlame = [](int r, int g, int b) { return r > 120 && r > g + 40 && g > b + 20; };
    ASSERT_TRUE(waitFor([&] { return shareOnScreen(chosen, 666, 172, 4, 4) == 1.0; }, 60s));
    ASSERT_TRUE(xdotool("mousemove 377 554 click 1 keydown w mousedown 1"));
    ASSERT_TRUE(waitFor([&] { return shareOnScreen(isFlame) > kLeastFlame; }, 60s)) << "flames on the screen";
    ASSERT_TRUE(xdotool("key space") && waitFor([&] { return fs::exists(work / "screenshot_1.png"); }, 60s));
    ASSERT_TRUE(xdotool("mouseup 1 keyup w key Escape key Escape"));

    ASSERT_TRUE(game.waitForEnd(120s));
    EXPECT_EQ(game.describe(), "exit 0");
    EXPECT_EQ(game.standardError(), "");
    EXPECT_TRUE(std::regex_match(readFile(work / "HighScore.txt"), std::regex("HighScore=(0|[1-9][0-9]*)")));
    EXPECT_EQ(namesIn(work), (std::set<std::string>{"HighScore.txt", "fonts", "screenshot_1.png", "shaders",
                                                    "sounds", "sprites", "stderr.txt", "stdout.txt"}));
    EXPECT_GT(shareOfPixels(work / "screenshot_1.png", isFlame), kLeastFlame) << "a frame of play in flames";
}

} // namespace
} // namespace kv::testsupport
