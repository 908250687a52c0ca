#include <filesystem>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/components/Input.hpp"
#include "engine/render/RgbaImage.hpp"
#include "engine/render/VisualComponent.hpp"
#include "engine/text/GlLabel.hpp"
#include "support/GameFixture.hpp"
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
    const GLFWvidmode* mode = glfwGetVideoMode(glfwGetPrimaryMonitor());
    const glm::ivec2 screen(mode->width, mode->height); // the mode is GLFW's, gone with the game
    EXPECT_TRUE(mainMenuActive);
    EXPECT_EQ(highScoreLabel->getText(), "1250");
    EXPECT_EQ(game->getScoreLabel()->getText(), "0");
    EXPECT_NE(glfwGetWindowMonitor(game->getWindow()), nullptr);
    EXPECT_EQ(game->getFrameRateCap(), game->getMonitorRefreshRate()) << "no faster than the display shows";
    startGame(1, 1, true);
    step(10);
    playerScore = 1300;
    step(1);
    EXPECT_EQ(highScoreLabel->getText(), "1300") << "the high-score display follows a beaten score";
    key(GLFW_KEY_P);
    key(GLFW_KEY_ESCAPE, GLFW_REPEAT); // left as a press, the next press would quit
    key(GLFW_KEY_ESCAPE, GLFW_PRESS);  // while paused: it leaves all the same
    EXPECT_EQ(std::pair(mainMenuActive, game->isPaused()), std::pair(true, false));
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
    // The window's close ends a game: it saves too, and writes the screenshots asked for last, whole.
    game->initGame();
    playerScore = 1400;
    for (int action : {GLFW_PRESS, GLFW_RELEASE, GLFW_PRESS}) {
        key(GLFW_KEY_SPACE, action);
    }
    game.reset();
    EXPECT_EQ(readFile("HighScore.txt"), "HighScore=1400");
    for (const char* file : {"screenshot_1.png", "screenshot_2.png"}) { // of the whole framebuffer
        EXPECT_EQ(glm::ivec2(RgbaImage(file).getWidth(), RgbaImage(file).getHeight()), screen);
    }
    EXPECT_EQ(testsupport::namesIn(".").size(), 7u) << "assets, high score, screenshots: no temporary file";
}

// Play paused (by P, the focus, minimising, the pad's Start or its going away) for some frames stands still,
// and resumed (by P or the Start of the first pad GLFW has a mapping for) goes on frame for frame as the game
// never paused.
TEST_F(ShooterGame, PausedPlayStandsStillAndGoesOnAsIfItHadNeverPaused) {
    enum Way { kNever, kKeyP, kFocus, kMinimise, kStart, kUnplug };
    const std::tuple<Way, int, bool> pauses[] = {{kNever, 0, false}, {kKeyP, 0, false},
                                                 {kFocus, 1, true},  {kMinimise, 500, false},
                                                 {kStart, 2, true},  {kUnplug, 2, true}};
    std::uint64_t neverPaused = 0;
    for (const auto& [way, pausedFrames, startResumes] : pauses) {
        std::srand(1);
        GLFWgamepadstate* pad = &connectPad();
        const auto play = [&](int first) { // 90 frames, flying and firing
            for (int n = first; n < first + 90; ++n, frame()) {
                heldKeys = {n % 60 < 30 ? GLFW_KEY_W : GLFW_KEY_D};
            }
        };
        startGame(1, 1, true);
        press(GLFW_MOUSE_BUTTON_LEFT);
        play(0);
        const std::uint64_t beforePause = playStateHash();
        key(way == kKeyP ? GLFW_KEY_P : GLFW_KEY_UNKNOWN);
        Game::handleWindowFocusStatic(game->getWindow(), way == kFocus ? GLFW_FALSE : GLFW_TRUE);
        Game::handleWindowFocusStatic(game->getWindow(), GLFW_TRUE); // the focus back resumes nothing
        Game::handleWindowIconifyStatic(game->getWindow(), way == kMinimise ? GLFW_TRUE : GLFW_FALSE);
        Game::handleWindowIconifyStatic(game->getWindow(), GLFW_FALSE);
        pad->buttons[GLFW_GAMEPAD_BUTTON_START] = way == kStart ? GLFW_PRESS : GLFW_RELEASE;
        // Going away, the pad leaves a joystick without a mapping and another pad, which then plays.
        if (way == kUnplug) {
            joysticks = {{GLFW_JOYSTICK_1, std::nullopt}, {GLFW_JOYSTICK_2, *pad}};
        }
        for (int n = 0; n < pausedFrames; ++n) {
            frame();
            pad = way == kUnplug ? &*joysticks[GLFW_JOYSTICK_2] : &connectPad();
        }
        EXPECT_EQ(std::pair(playStateHash(), game->isPaused()), std::pair(beforePause, way != kNever)) << way;
        pad->buttons[GLFW_GAMEPAD_BUTTON_START] = startResumes ? GLFW_PRESS : GLFW_RELEASE;
        key(startResumes || way == kNever ? GLFW_KEY_UNKNOWN : GLFW_KEY_P);
        play(90);
        neverPaused = way == kNever ? playStateHash() : neverPaused;
        EXPECT_EQ(playStateHash(), neverPaused) << way;
        key(GLFW_KEY_ESCAPE);
    }
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

TEST_F(Menu, AClickSelectsTheWeaponUnderThePointerAloneInItsRowExitQuitsStartPlaysAndGapsDoNothing) {
    VantorGui& menu = game->getMenu();
    // The weapons chosen and which buttons show it (main weapon, its row, secondary weapon, its row), then
    // what Exit and Start did through the game's own bindings: 10 once the window is to close, 1 in a game.
    const auto choice = [&] {
        return std::vector<int>{menu.getMainWeapon(),
                                menu.machineGunButton.active,
                                menu.ionCannonButton.active,
                                menu.flamethrowerButton.active,
                                menu.getSecondaryWeapon(),
                                menu.empRocketButton.active,
                                menu.gravityOrbButton.active,
                                menu.shockwaveButton.active,
                                10 * glfwWindowShouldClose(game->getWindow()) + !mainMenuActive};
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
    // Menu points, y upward from the centre: between the rows (the flamethrower stays), the ion cannon, the
    // flamethrower, the machine gun, the gravity orb, near the shockwave button's corner, the EMP rocket,
    // between machine gun and ion cannon, between start and exit, exit, start.
    const std::pair<vec2, std::vector<int>> points[] = {
        {{0, 100}, {3, 0, 0, 1, 1, 1, 0, 0, 0}},    {{0, 180}, {2, 0, 1, 0, 1, 1, 0, 0, 0}},
        {{270, 180}, {3, 0, 0, 1, 1, 1, 0, 0, 0}},  {{-270, 180}, {1, 1, 0, 0, 1, 1, 0, 0, 0}},
        {{0, -30}, {1, 1, 0, 0, 2, 0, 1, 0, 0}},    {{270 + 120, -30 - 25}, {1, 1, 0, 0, 3, 0, 0, 1, 0}},
        {{-270, -30}, {1, 1, 0, 0, 1, 1, 0, 0, 0}}, {{-135, 180}, {1, 1, 0, 0, 1, 1, 0, 0, 0}},
        {{0, -170}, {1, 1, 0, 0, 1, 1, 0, 0, 0}},   {{135, -170}, {1, 1, 0, 0, 1, 1, 0, 0, 10}},
        {{-135, -170}, {1, 1, 0, 0, 1, 1, 0, 0, 11}}};
    for (const auto& [point, chosen] : points) {
        // The menu sees the pointer, then the left button is pressed there.
        menu.update(0.0f, kMenuScale * vec2(0.5f * kMenuWidth + point.x, 0.5f * kMenuHeight - point.y));
        menu.handleMouseButton(GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS, 0);
        EXPECT_EQ(choice(), chosen) << point.x << ", " << point.y;
    }
}

// One walk of focus moves (Up, Down, Left, Right and presses), taken with the keys and again with the pad
// (its D-pad, and its left stick every other move): where the focus lands; the presses, Enter or A, choose
// the flamethrower, the gravity orb and Exit as clicks would.
TEST_F(Menu, KeysAndThePadMoveTheFocusRowByRowWithoutWrappingAndPressItAsAClick) {
    VantorGui& menu = game->getMenu();
    int exits = 0;
    menu.exitButton.onClick = [&] { ++exits; };
    const auto focus = [&] { return menu.getFocused() ? menu.getFocused()->label.getText() : "none"; };
    EXPECT_EQ(focus(), "Start game");
    const std::string walk = "UUURRR*DR*LLUDDDRR*LU";
    const char* const focused[] = {
        "Emp rocket",   "Machine gun", "Machine gun", "Ion cannon",  "Flamethrower", "Flamethrower",
        "Flamethrower", "Emp rocket",  "Gravity orb", "Gravity orb", "Emp rocket",   "Emp rocket",
        "Flamethrower", "Gravity orb", "Start game",  "Start game",  "Exit",         "Exit",
        "Exit",         "Start game",  "Gravity orb"};
    const int keys[] = {GLFW_KEY_UP, GLFW_KEY_DOWN, GLFW_KEY_LEFT, GLFW_KEY_RIGHT, GLFW_KEY_ENTER};
    const int buttons[] = {GLFW_GAMEPAD_BUTTON_DPAD_UP, GLFW_GAMEPAD_BUTTON_DPAD_DOWN,
                           GLFW_GAMEPAD_BUTTON_DPAD_LEFT, GLFW_GAMEPAD_BUTTON_DPAD_RIGHT,
                           GLFW_GAMEPAD_BUTTON_A};
    const vec2 sticks[] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
    GLFWgamepadstate& pad = connectPad();
    for (const bool byPad : {false, true}) {
        menu.selectMainWeapon(1);
        menu.selectSecondaryWeapon(1);
        menu.focusStartButton();
        exits = 0;
        for (std::size_t n = 0; n < walk.size(); ++n) {
            const std::size_t input = std::string("UDLR*").find(walk[n]);
            if (!byPad || walk[n] == '*' || n % 2 == 0) {
                byPad ? padPress(buttons[input]) : key(keys[input]);
            } else {
                std::tie(pad.axes[GLFW_GAMEPAD_AXIS_LEFT_X], pad.axes[GLFW_GAMEPAD_AXIS_LEFT_Y]) =
                    std::pair(sticks[input].x, sticks[input].y);
                step(2); // one move for each push
                pad.axes[GLFW_GAMEPAD_AXIS_LEFT_X] = pad.axes[GLFW_GAMEPAD_AXIS_LEFT_Y] = 0.0f;
                step(1);
            }
            EXPECT_EQ(focus(), focused[n]) << (byPad ? "pad, move " : "keys, move ") << n;
        }
        EXPECT_EQ(std::tuple(menu.getMainWeapon(), menu.getSecondaryWeapon(), exits), std::tuple(3, 2, 1));
    }
    pointer = glm::dvec2(10, 10);
    step(1);
    EXPECT_EQ(focus(), "none") << "moving the mouse hands the focus to the pointer";
    // Tab (with Shift: back) in reading order, the first only showing the focus where it was.
    for (const auto& [modifiers, expected] : {std::pair(0, "Gravity orb"),
                                              {0, "Shockwave"},
                                              {0, "Start game"},
                                              {0, "Exit"},
                                              {0, "Exit"},
                                              {GLFW_MOD_SHIFT, "Start game"}}) {
        key(GLFW_KEY_TAB, GLFW_PRESS, modifiers);
        EXPECT_EQ(focus(), expected);
    }
    padPress(GLFW_GAMEPAD_BUTTON_B);
    key(GLFW_KEY_ENTER, GLFW_PRESS, GLFW_MOD_ALT | GLFW_MOD_SHIFT);
    EXPECT_TRUE(mainMenuActive) << "B and Enter with Alt press nothing";
    key(GLFW_KEY_TAB);
    game->initGame();
    key(GLFW_KEY_ESCAPE);
    EXPECT_EQ(focus(), "Start game") << "the menu appears again with the focus on Start game";
}

// A game's fresh working directory, without a high-score file.
using HighScoreFile = GameFixture;

TEST_F(HighScoreFile, ReadsTheFileFormsAsDocumented) {
    // The file's content (nullptr: no file), and the value read with 5 in memory: a blank before = makes
    // another key, which leaves the value alone; the key with no number stores 0.
    const std::pair<const char*, int> forms[] = {{nullptr, 5},
                                                 {"HighScore=1250", 1250},
                                                 {"  \n\tHighScore= \t1250\n", 1250},
                                                 {"HighScore=-7", -7},
                                                 {"HighScore=99 and more", 99},
                                                 {"HighScore=99999999999", std::numeric_limits<int>::max()},
                                                 {"HighScore =1250", 5},
                                                 {"Highscore=1250", 5},
                                                 {"", 5},
                                                 {"\x89PNG\r\n\x1a\n", 5},
                                                 {"HighScore=abc", 0}};
    for (const auto& [content, value] : forms) {
        fs::remove("HighScore.txt");
        if (content != nullptr) {
            testsupport::writeFile("HighScore.txt", content);
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
    EXPECT_FALSE(fs::exists("HighScore.txt")) << "a tie writes nothing";
    EXPECT_EQ(endGame(1250, 10), 1250);
    EXPECT_EQ(readFile("HighScore.txt"), "HighScore=1250");
    endGame(0, -7);
    EXPECT_EQ(readFile("HighScore.txt"), "HighScore=0");
    EXPECT_EQ(testsupport::namesIn(".").size(), entriesBefore.size() + 1) << "no temporary file is left";
    fs::create_directory("HighScore.txt.tmp"); // the temporary file cannot be created
    EXPECT_EQ(endGame(40, 3), 40);
    EXPECT_EQ(readFile("HighScore.txt"), "HighScore=0");
}

} // namespace
} // namespace kv
