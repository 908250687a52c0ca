#include <tuple>
#include <utility>
#include <vector>

#include "engine/components/Input.hpp"
#include "engine/render/RgbaImage.hpp"
#include "engine/text/GlLabel.hpp"
#include "game/GameFixture.hpp"

namespace kv {
namespace {

using testsupport::readFile;
// A high score of 1250 on file.
class ShooterGame : public GameFixture {
protected:
    void beforeGameStarts() override { testsupport::writeFile("HighScore.txt", "HighScore=1250"); }
};

TEST_F(ShooterGame, StartsFullScreenInTheMenuAndEscapeLeavesAGameSavingABeatenScoreThenQuits) {
    EXPECT_TRUE(mainMenuActive);
    EXPECT_EQ(highScoreLabel->getText(), "1250");
    EXPECT_EQ(game->getScoreLabel()->getText(), "0");
    EXPECT_NE(glfwGetWindowMonitor(game->getWindow()), nullptr);
    startGame(1, 1, true);
    step(10);
    playerScore = 1300;
    step(1);
    EXPECT_EQ(highScoreLabel->getText(), "1300") << "the high-score display follows a beaten score";
    key(GLFW_KEY_ESCAPE, GLFW_REPEAT);
    EXPECT_FALSE(mainMenuActive);
    key(GLFW_KEY_ESCAPE, GLFW_PRESS);
    EXPECT_TRUE(mainMenuActive);
    EXPECT_EQ(count(0), 0);
    EXPECT_EQ(playerScore, 0);
    EXPECT_EQ(readFile("HighScore.txt"), "HighScore=1300");
    EXPECT_EQ(game->getScoreLabel()->getText(), "1300") << "the last game's score stays on the HUD";
    EXPECT_FALSE(glfwWindowShouldClose(game->getWindow()));
    startGame(1, 1);
    step(1);
    EXPECT_EQ(game->getScoreLabel()->getText(), "0");
    key(GLFW_KEY_ESCAPE, GLFW_PRESS);
    key(GLFW_KEY_ESCAPE, GLFW_PRESS);
    EXPECT_TRUE(glfwWindowShouldClose(game->getWindow()));
}

// Key repeats reach neither the game nor its components. Space saves a PNG of the next frame drawn, written
// in the background, under the next free number; Alt+Enter, without other modifiers, toggles full screen.
TEST_F(ShooterGame, KeysReachComponentsAndSpaceSavesNumberedScreenshotsWithoutRepeatsAndAltEnterToggles) {
    startGame(1, 1);
    testsupport::writeFile("screenshot_1.png", "an earlier run's file");
    std::vector<bool> heard; // pressed or released
    new KeyboardKeyComponent(ship(), GLFW_KEY_ENTER, [&](bool pressed) { heard.push_back(pressed); });
    game->render();
    for (int action : {GLFW_PRESS, GLFW_REPEAT, GLFW_RELEASE, GLFW_PRESS}) {
        key(GLFW_KEY_SPACE, action);
        key(GLFW_KEY_ENTER, action);
    }
    key(GLFW_KEY_ENTER, GLFW_PRESS, GLFW_MOD_ALT | GLFW_MOD_SHIFT);
    game->render();
    game->waitForScreenshots();
    EXPECT_EQ(heard, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(readFile("screenshot_1.png"), "an earlier run's file");
    const vec2 size(game->getGuiCamera().bufferWidth, game->getGuiCamera().bufferHeight); // the framebuffer's
    for (const char* file : {"screenshot_2.png", "screenshot_3.png"}) {
        const RgbaImage shot(file);
        EXPECT_EQ(vec2(shot.getWidth(), shot.getHeight()), size) << file;
    }
    EXPECT_FALSE(std::filesystem::exists("screenshot_4.png")) << "the repeat saved nothing";
    EXPECT_NE(glfwGetWindowMonitor(game->getWindow()), nullptr) << "Alt+Shift+Enter is no toggle";
    key(GLFW_KEY_ENTER, GLFW_PRESS, GLFW_MOD_ALT);
    EXPECT_EQ(glfwGetWindowMonitor(game->getWindow()), nullptr);
    key(GLFW_KEY_ENTER, GLFW_PRESS, GLFW_MOD_ALT);
    EXPECT_NE(glfwGetWindowMonitor(game->getWindow()), nullptr);
}

// After the ship's death, "New highscore!" shows once the score has reached the high score (a tie counts),
// from half a second on; the escape hint from a second and a half. Both go with the game.
TEST_F(ShooterGame, NoticesAppearAfterTheShipDies) {
    const std::tuple<int, int, bool> games[] = {{0, 0, true}, {40, 30, true}, {20, 30, false}};
    for (const auto& [score, highScore, newHighScore] : games) {
        startGame(1, 1);
        playerScore = score;
        playerHighScore = highScore;
        ship().getComponent<HealthComponent>().doDamage(6.0f);
        step(29);
        EXPECT_FALSE(showNewHighScore);
        step(2);
        EXPECT_EQ(showNewHighScore, newHighScore) << score << " against " << highScore;
        EXPECT_FALSE(showEscapeLabel);
        step(60);
        EXPECT_TRUE(showEscapeLabel);
        game->render();
        key(GLFW_KEY_ESCAPE, GLFW_PRESS);
        EXPECT_FALSE(showNewHighScore || showEscapeLabel);
        EXPECT_EQ(deadTime, 0.0f);
    }
}

TEST_F(ShooterGame, AResizeKeepsTheHudInTheCornerAndThePlayFieldTwoThousandTall) {
    for (const auto& [width, height] : {std::pair{800, 600}, {0, 0}}) { // minimised: the layout stays
        Game::handleFramebufferSizeStatic(game->getWindow(), width, height);
        EXPECT_EQ(vec2(game->getGameCamera().halfHeight, game->getGuiCamera().halfHeight), vec2(1000, 300));
        EXPECT_EQ(highScoreStaticLabel->position, vec2(-400, 300));
    }
}

} // namespace
} // namespace kv
