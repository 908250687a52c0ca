// Runs the real program in a fresh working directory on the current X display and plays it with xdotool:
// pick a weapon, start a game, fly and fire, take a screenshot, leave to the menu and quit.
#include <regex>

#include <gtest/gtest.h>

#include "support/Process.hpp"

namespace kv::testsupport {
namespace {

using namespace std::chrono_literals;

constexpr double kMinimumLit = 1.0 / 200;     // share of the screenshot: the game, not a black frame
constexpr double kMostButtonGrey = 1.0 / 800; // share in the menu's idle button grey: the game was in play
constexpr double kLeastFlame = 1.0 / 1500;    // share in the flamethrower's orange

TEST(Vantor, PlaysAGameFromTheMenuAndQuitsCleanly) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "runs on an X display (the test command starts one)";
    TemporaryDirectory directory("vantor-e2e");
    const fs::path& work = directory.path();
    linkAssetFolders(work);
    writeFile(work / "HighScore.txt", "HighScore=-7"); // leaving the game beats it, whatever the flames hit
    Process game({VANTOR_EXECUTABLE}, work, work);
    ASSERT_TRUE(waitForWindow(game, 120s)) << "the game switches to full screen once loaded";

    // The menu is centred on the 1024 x 768 screen: "Flamethrower" at (+270, +180), "Start game" at
    // (-135, -170) menu units, one unit per pixel, y upward. A button reacts to the hover state of the last
    // frame, so the pointer rests on it a moment first, as a person's would (long enough for several frames
    // on a busy machine). Then the ship flies up, firing, and the screenshot comes while the flames burn.
    ASSERT_TRUE(xdotool("mousemove --sync 782 204 sleep 1 click 1 mousemove --sync 377 554 sleep 1 click 1"));
    ASSERT_TRUE(xdotool("sleep 0.3 mousemove --sync 700 300 keydown w mousedown 1 sleep 3 key space"
                        " mouseup 1 keyup w"));
    ASSERT_TRUE(waitFor([&] { return fs::exists(work / "screenshot_1.png"); }, 60s));
    ASSERT_TRUE(xdotool("key Escape sleep 0.3 key Escape"));

    ASSERT_TRUE(game.waitForEnd(120s));
    EXPECT_EQ(game.describe(), "exit 0");
    EXPECT_NE(game.standardOutput().find("OpenGL version: "), std::string::npos);
    EXPECT_EQ(game.standardError(), "");
    EXPECT_TRUE(std::regex_match(readFile(work / "HighScore.txt"), std::regex("HighScore=(0|[1-9][0-9]*)")));
    EXPECT_EQ(namesIn(work), (std::set<std::string>{"HighScore.txt", "fonts", "screenshot_1.png", "shaders",
                                                    "sounds", "sprites", "stderr.txt", "stdout.txt"}));

    const fs::path shot = work / "screenshot_1.png";
    EXPECT_GT(shareOfPixels(shot, isLit), kMinimumLit);
    EXPECT_LT(shareOfPixels(shot, [](int r, int g, int b) { return r == g && g == b && r >= 74 && r <= 79; }),
              kMostButtonGrey);
    EXPECT_GT(shareOfPixels(shot, [](int r, int g, int b) { return r > 120 && r > g + 40 && g > b + 20; }),
              kLeastFlame)
        << "the chosen flamethrower was firing";
}

} // namespace
} // namespace kv::testsupport
