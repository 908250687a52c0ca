// Runs the real program on the current X display with the keyboard alone and without a sound device: the
// weapon chosen and the game started from the menu with keys, paused and resumed with P, then ended by
// SIGTERM during play.
#include <cstdlib>
#include <functional>
#include <optional>

#include <gtest/gtest.h>

#include "support/Process.hpp"

namespace kv::testsupport {
namespace {

using namespace std::chrono_literals;

constexpr double kLeastFlames = 1.0 / 1500; // share in the flamethrower's orange
constexpr double kLeastNotice = 1.0 / 2000; // share in white: the "Paused" notice
constexpr int kMostShots = 200;             // taken while waiting for a state: a bound on a hang

TEST(Controls, KeysAloneChooseAndStartPausePlayStandsStillAndSigtermSavesTheScoreAndExitsMuted) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "runs on an X display (the test command starts one)";
    TemporaryDirectory directory("vantor-controls");
    const fs::path& work = directory.path();
    linkAssetFolders(work);
    writeFile(work / "HighScore.txt", "HighScore=-1"); // any game beats it
    setenv("ALSOFT_DRIVERS", "no-such-driver", 1);     // OpenAL Soft finds no sound device
    Process game({VANTOR_EXECUTABLE}, work, work);
    ASSERT_TRUE(waitForWindow(game, 120s));
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
    const auto flame = [](int r, int g, int b) { return r > 120 && r > g + 40 && g > b + 20; };
    EXPECT_TRUE(shotShowing(kLeastFlames, flame)) << "with the flamethrower";
    ASSERT_TRUE(xdotool("mouseup 1 key p"));
    const auto paused = shotShowing(kLeastNotice, isWhite);
    ASSERT_TRUE(paused) << "the Paused notice shows";
    EXPECT_EQ(shotShowing(0.0, isWhite), paused) << "the paused picture stands still";
    ASSERT_TRUE(xdotool("key p"));
    EXPECT_TRUE(shotShowing(0.0, isWhite, kLeastNotice / 2)) << "the notice goes on resuming";

    // The screenshot asked for just before the signal is still written.
    ASSERT_TRUE(xdotool("key space"));
    game.sendSignal(SIGTERM);
    ASSERT_TRUE(game.waitForEnd(120s));
    EXPECT_EQ(game.describe(), "exit 0");
    EXPECT_EQ(game.standardError(), "couldn't open default sound device: playing without sound\n") << "once";
    EXPECT_EQ(readFile(work / "HighScore.txt"), "HighScore=0");
    EXPECT_GT(shareOfPixels(work / ("screenshot_" + std::to_string(shots + 1) + ".png"), isLit), 0.0);
    EXPECT_EQ(namesIn(work).size(), 7u + shots + 1) << "assets, outputs, the screenshots: no temporary file";
}

} // namespace
} // namespace kv::testsupport
