#include <filesystem>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/components/Input.hpp"
#include "engine/render/RgbaImage.hpp"
#include "engine/render/VisualComponent.hpp"
#include "engine/text/GlLabel.hpp"
#include "game/GameFixture.hpp"
#include "game/HighScore.hpp"
#include "game/VantorGui.hpp"
#include "support/ErrorText.hpp"
#include "support/GlTestContext.hpp"

namespace kv {
namespace {

namespace fs = std::filesystem;
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
    key(GLFW_KEY_ESCAPE, GLFW_REPEAT); // left as a press, the next press would quit
    key(GLFW_KEY_ESCAPE, GLFW_PRESS);
    EXPECT_TRUE(mainMenuActive);
    EXPECT_EQ(std::pair(count(0), playerScore), std::pair(0, 0)) << "entities, score";
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

// Key repeats reach neither the game nor its components. Space saves a PNG of the next frame drawn (here as
// the game ends) in the background; Alt+Enter without other modifiers toggles full screen.
TEST_F(ShooterGame, KeysReachComponentsAndSpaceSavesNumberedScreenshotsWithoutRepeatsAndAltEnterToggles) {
    startGame(1, 1);
    std::vector<bool> heard; // pressed or released
    new KeyboardKeyComponent(ship(), GLFW_KEY_ENTER, [&](bool pressed) { heard.push_back(pressed); });
    game->render();
    for (int action : {GLFW_PRESS, GLFW_REPEAT, GLFW_RELEASE, GLFW_PRESS}) {
        key(GLFW_KEY_SPACE, action);
        key(GLFW_KEY_ENTER, action);
    }
    key(GLFW_KEY_ENTER, GLFW_PRESS, GLFW_MOD_ALT | GLFW_MOD_SHIFT);
    EXPECT_EQ(heard, (std::vector<bool>{true, false, true}));
    EXPECT_NE(glfwGetWindowMonitor(game->getWindow()), nullptr) << "Alt+Shift+Enter is no toggle";
    key(GLFW_KEY_ENTER, GLFW_PRESS, GLFW_MOD_ALT);
    EXPECT_EQ(glfwGetWindowMonitor(game->getWindow()), nullptr);
    key(GLFW_KEY_ENTER, GLFW_PRESS, GLFW_MOD_ALT);
    EXPECT_NE(glfwGetWindowMonitor(game->getWindow()), nullptr);
    const vec2 size(game->getGuiCamera().bufferWidth, game->getGuiCamera().bufferHeight); // the framebuffer's
    game.reset();
    for (const char* file : {"screenshot_1.png", "screenshot_2.png"}) {
        const RgbaImage shot(file);
        EXPECT_EQ(vec2(shot.getWidth(), shot.getHeight()), size) << file;
    }
    EXPECT_FALSE(fs::exists("screenshot_3.png")) << "the repeat saved nothing";
}

// Ended by an error with a screenshot pending whose frame fails to draw: the error goes on unchanged.
TEST_F(ShooterGame, AnErrorEndingTheGameIsNotLostToTheLastScreenshot) {
    struct FailingDrawable : Drawable {
        void draw() override { throw std::runtime_error("the frame cannot be drawn"); }
    };
    startGame(1, 1);
    const auto& shader = ship().getComponent<VisualComponent>().getShader();
    new VisualComponent(ship(), shader, std::make_shared<FailingDrawable>(), 0);
    key(GLFW_KEY_SPACE);
    EXPECT_EQ(test::errorOf([&] {
                  const auto ending = std::move(game);
                  throw std::runtime_error("the first error");
              }),
              "the first error");
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
        EXPECT_EQ(std::tuple(showNewHighScore, showEscapeLabel, deadTime), std::tuple(false, false, 0.0f));
    }
}

TEST_F(ShooterGame, AResizeKeepsTheHudInTheCornerAndThePlayFieldTwoThousandTall) {
    for (const auto& [width, height] : {std::pair{800, 600}, {0, 0}}) { // minimised: the layout stays
        Game::handleFramebufferSizeStatic(game->getWindow(), width, height);
        EXPECT_EQ(vec2(game->getGameCamera().halfHeight, game->getGuiCamera().halfHeight), vec2(1000, 300));
        EXPECT_EQ(highScoreStaticLabel->position, vec2(-400, 300));
    }
}

constexpr float kMenuWidth = 1024.0f; // menu units, the screen's size in pixels
constexpr float kMenuHeight = 768.0f;
constexpr float kMenuScale = 2.0f; // pixels per menu unit of a window larger than the screen

using Menu = GameFixture;

TEST_F(Menu, AClickSelectsTheWeaponOfTheButtonUnderThePointerAloneInItsRowAndGapsDoNothing) {
    VantorGui& menu = game->getMenu();
    int clicks = 0; // Start adds 1, Exit 10
    menu.startButton.onClick = [&] { clicks += 1; };
    menu.exitButton.onClick = [&] { clicks += 10; };
    // The weapons chosen and which buttons show it (main weapon, its row, secondary weapon, its row), then
    // the clicks on Start and Exit so far.
    const auto choice = [&] {
        return std::vector<int>{
            menu.getMainWeapon(),           menu.machineGunButton.active, menu.ionCannonButton.active,
            menu.flamethrowerButton.active, menu.getSecondaryWeapon(),    menu.empRocketButton.active,
            menu.gravityOrbButton.active,   menu.shockwaveButton.active,  clicks};
    };
    EXPECT_EQ(choice(), (std::vector<int>{1, 1, 0, 0, 1, 1, 0, 0, 0})) << "machine gun and EMP rocket first";
    // A move and a press delivered in one event poll, the press through GLFW's callback, with no update
    // between: the click lands where the pointer is at the click.
    pointer = glm::dvec2(test::windowPointOf(menu.getCamera(), menu.ionCannonButton.label.position));
    game->update(kFrame);
    ASSERT_TRUE(menu.ionCannonButton.isHovered());
    pointer = glm::dvec2(test::windowPointOf(menu.getCamera(), menu.flamethrowerButton.label.position));
    press(GLFW_MOUSE_BUTTON_LEFT);
    // The buttons keep their fractions of the window.
    menu.handleFramebufferSize(int(kMenuScale * kMenuWidth), int(kMenuScale * kMenuHeight));
    // Menu points, y upward from the centre.
    const std::pair<vec2, std::vector<int>> points[] = {
        {{0, 100}, {3, 0, 0, 1, 1, 1, 0, 0, 0}},              // between the rows: the flamethrower stays
        {{0, 180}, {2, 0, 1, 0, 1, 1, 0, 0, 0}},              // ion cannon
        {{270, 180}, {3, 0, 0, 1, 1, 1, 0, 0, 0}},            // flamethrower
        {{-270, 180}, {1, 1, 0, 0, 1, 1, 0, 0, 0}},           // machine gun
        {{0, -30}, {1, 1, 0, 0, 2, 0, 1, 0, 0}},              // gravity orb
        {{270 + 120, -30 - 25}, {1, 1, 0, 0, 3, 0, 0, 1, 0}}, // near the shockwave button's corner
        {{-270, -30}, {1, 1, 0, 0, 1, 1, 0, 0, 0}},           // EMP rocket
        {{-135, 180}, {1, 1, 0, 0, 1, 1, 0, 0, 0}},           // between machine gun and ion cannon
        {{0, -170}, {1, 1, 0, 0, 1, 1, 0, 0, 0}},             // between start and exit
        {{-135, -170}, {1, 1, 0, 0, 1, 1, 0, 0, 1}},          // start
        {{135, -170}, {1, 1, 0, 0, 1, 1, 0, 0, 11}},          // exit
    };
    for (const auto& [point, chosen] : points) {
        // The menu sees the pointer, then the left button is pressed there.
        menu.update(0.0f, kMenuScale * vec2(0.5f * kMenuWidth + point.x, 0.5f * kMenuHeight - point.y));
        menu.handleMouseButton(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS, 0);
        EXPECT_EQ(choice(), chosen) << point.x << ", " << point.y;
    }
}

// A game's fresh working directory, without a high-score file.
using HighScoreFile = GameFixture;

TEST_F(HighScoreFile, ReadsTheFileFormsAsDocumented) {
    // The file's content (nullptr: no file), and the value read with 5 in memory.
    const std::pair<const char*, int> forms[] = {
        {nullptr, 5},
        {"HighScore=1250", 1250},
        {"  \n\tHighScore= \t1250\n", 1250},
        {"HighScore=-7", -7},
        {"HighScore=99 and more", 99},
        {"HighScore=99999999999", std::numeric_limits<int>::max()},
        {"HighScore =1250", 5}, // a blank before = makes another key, which leaves the value alone
        {"Highscore=1250", 5},
        {"", 5},
        {"\x89PNG\r\n\x1a\n", 5},
        {"HighScore=abc", 0}}; // the key with no number stores 0
    for (const auto& [content, value] : forms) {
        fs::remove(highScoreFileName);
        if (content != nullptr) {
            testsupport::writeFile(highScoreFileName, content);
        }
        playerHighScore = 5;
        EXPECT_EQ(loadHighScore(), value) << (content != nullptr ? content : "no file");
    }
}

// A failed save keeps the score in memory and the old file whole.
TEST_F(HighScoreFile, WritesExactlyTheKeyAndNumberOnlyWhenBeatenReplacingTheFileWholeOrNotAtAll) {
    const auto entriesBefore = testsupport::namesIn(".");
    // The high score after a game that has just ended with the score, against the high score it had before.
    const auto endGame = [](int score, int highScore) {
        playerScore = score;
        playerHighScore = highScore;
        maybeUpdateHighScore();
        return playerHighScore;
    };
    EXPECT_EQ(endGame(10, 10), 10);
    EXPECT_FALSE(fs::exists(highScoreFileName)) << "a tie writes nothing";
    EXPECT_EQ(endGame(1250, 10), 1250);
    EXPECT_EQ(readFile(highScoreFileName), "HighScore=1250");
    endGame(0, -7);
    EXPECT_EQ(readFile(highScoreFileName), "HighScore=0");
    EXPECT_EQ(testsupport::namesIn(".").size(), entriesBefore.size() + 1) << "no temporary file is left";
    fs::create_directory(highScoreFileName + ".tmp"); // the temporary file cannot be created
    EXPECT_EQ(endGame(40, 3), 40);
    EXPECT_EQ(readFile(highScoreFileName), "HighScore=0");
}

} // namespace
} // namespace kv
