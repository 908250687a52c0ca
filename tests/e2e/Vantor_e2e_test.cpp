// Runs the real program in a fresh working directory on the current X display and plays it with xdotool: with
// the mouse (pick a weapon, start, fly and fire, take a screenshot, leave to the menu and quit), and with the
// keyboard alone and without a sound device (choose and start with keys, pause and resume with P, then end
// by SIGTERM during play).
#include <cstdlib>
#include <functional>
#include <optional>
#include <regex>

#include <gtest/gtest.h>

#include "support/Process.hpp"

namespace kv::testsupport {
namespace {

using namespace std::chrono_literals;

constexpr double kLeastFlames = 1.0 / 1500; // share in the flamethrower's orange
constexpr double kLeastNotice = 1.0 / 2000; // share in white: the "Paused" notice
constexpr int kMostShots = 200;             // taken while waiting for a state: a bound on a hang

bool isFlame(int r, int g, int b) {
    return r > 120 && r > g + 40 && g > b + 20;
}

// The program in a fresh working directory, with a high score on file; started, its window shown full screen.
class RealProgram : public ::testing::Test {
protected:
    void start(const std::string& highScore) {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "runs on an X display (the test command starts one)";
        linkAssetFolders(work);
        writeFile(work / "HighScore.txt", "HighScore=" + highScore);
        game.emplace(std::vector<std::string>{VANTOR_EXECUTABLE}, work, work);
        ASSERT_TRUE(waitForWindow(*game, 120s)) << "the game switches to full screen once loaded";
    }
    TemporaryDirectory directory{"vantor-e2e"};
    const fs::path& work = directory.path();
    std::optional<Process> game;
};
using Vantor = RealProgram;
using Controls = RealProgram;

TEST_F(Vantor, PlaysAGameFromTheMenuAndQuitsCleanly) {
    ASSERT_NO_FATAL_FAILURE(start("-7")); // leaving the game beats it, whatever the flames hit

    // "Flamethrower" is at (782, 204), "Start game" at (377, 554); a click counts where the pointer is when
    // taken: it leaves the flamethrower once its button turns blue, then stays on Start, flying up, firing.
    ASSERT_TRUE(xdotool("mousemove 782 204 click 1"));
    const auto chosen = [](int r, int g, int b) { return r == g && r >= 74 && r <= 79 && b >= 250; };
    ASSERT_TRUE(waitFor([&] { return shareOnScreen(chosen, 666, 172, 4, 4) == 1.0; }, 60s));
    ASSERT_TRUE(xdotool("mousemove 377 554 click 1 keydown w mousedown 1"));
    ASSERT_TRUE(waitFor([&] { return shareOnScreen(isFlame) > kLeastFlames; }, 60s)) << "flames shown";
    ASSERT_TRUE(xdotool("key space") && waitFor([&] { return fs::exists(work / "screenshot_1.png"); }, 60s));
    ASSERT_TRUE(xdotool("mouseup 1 keyup w key Escape key Escape"));

    ASSERT_TRUE(game->waitForEnd(120s));
    EXPECT_EQ(game->describe(), "exit 0");
    EXPECT_EQ(game->standardError(), "");
    EXPECT_TRUE(std::regex_match(readFile(work / "HighScore.txt"), std::regex("HighScore=(0|[1-9][0-9]*)")));
    EXPECT_EQ(namesIn(work), (std::set<std::string>{"HighScore.txt", "fonts", "screenshot_1.png", "shaders",
                                                    "sounds", "sprites", "stderr.txt", "stdout.txt"}));
    EXPECT_GT(shareOfPixels(work / "screenshot_1.png", isFlame), kLeastFlames) << "a frame of play in flames";
}

TEST_F(Controls, KeysAloneChooseAndStartPausePlayStandsStillAndSigtermSavesTheScoreAndExitsMuted) {
    setenv("ALSOFT_DRIVERS", "no-such-driver", 1); // OpenAL Soft finds no sound device
    ASSERT_NO_FATAL_FAILURE(start("-1"));          // any game beats it
    const auto isWhite = [](int r, int g, int b) { return r > 230 && g > 230 && b > 230; };
    int shots = 0;
    // Presses Space until a screenshot shows a share of pixels of the colour in the bounds; its content.
    const auto shotShowing = [&](double least, const std::function<bool(int, int, int)>& colour,
                                 double most = 1) {
        while (shots < kMostShots) {
            const fs::path shot = work / ("screenshot_" + std::to_string(++shots) + ".png");
            if (!xdotool("key space") || !waitFor([&] { return fs::exists(shot); }, 60s)) {
                break;
            }
            if (const double share = shareOfPixels(shot, colour); share >= least && share <= most) {
                return std::optional(readFile(shot));
            }
        }
        return std::optional<std::string>();
    };

    // The focus starts on "Start game": up twice to the main weapons, right twice to the flamethrower, choose
    // it, down twice back to "Start game", start; then hold the fire button, which the game hears after them.
    // The pointer stays where it is.
    ASSERT_TRUE(xdotool("key Up Up Right Right Return Down Down Return mousedown 1"));
    EXPECT_TRUE(shotShowing(kLeastFlames, isFlame)) << "with the flamethrower";
    ASSERT_TRUE(xdotool("mouseup 1 key p"));
    const auto paused = shotShowing(kLeastNotice, isWhite);
    ASSERT_TRUE(paused) << "the Paused notice shows";
    EXPECT_EQ(shotShowing(0.0, isWhite), paused) << "the paused picture stands still";
    ASSERT_TRUE(xdotool("key p"));
    EXPECT_TRUE(shotShowing(0.0, isWhite, kLeastNotice / 2)) << "the notice goes on resuming";

    // The screenshot asked for just before the signal is still written.
    ASSERT_TRUE(xdotool("key space"));
    game->sendSignal(SIGTERM);
    ASSERT_TRUE(game->waitForEnd(120s));
    EXPECT_EQ(game->describe(), "exit 0");
    EXPECT_EQ(game->standardError(), "couldn't open default sound device: playing without sound\n") << "once";
    EXPECT_EQ(readFile(work / "HighScore.txt"), "HighScore=0");
    EXPECT_GT(shareOfPixels(work / ("screenshot_" + std::to_string(shots + 1) + ".png"), isLit), 0.0);
    EXPECT_EQ(namesIn(work).size(), 7u + shots + 1) << "assets, outputs, the screenshots: no temporary file";
}

} // namespace
} // namespace kv::testsupport
