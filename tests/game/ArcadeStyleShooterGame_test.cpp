#include "game/ArcadeStyleShooterGame.hpp"

#include <tuple>
#include <utility>
#include <vector>

#include "engine/components/Input.hpp"
#include "engine/components/Scripted.hpp"
#include "engine/render/RgbaImage.hpp"
#include "engine/render/VisualComponent.hpp"
#include "engine/text/GlLabel.hpp"
#include "support/ErrorText.hpp"
#include "support/GameFixture.hpp"
#include "support/GlTestContext.hpp"

namespace kv {
namespace {

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
    // The window's close ends a game: it saves too, and writes the screenshots asked for last, whole; a
    // key repeat asks for none.
    game->initGame();
    playerScore = 1400;
    for (int action : {GLFW_PRESS, GLFW_REPEAT, GLFW_RELEASE, GLFW_PRESS}) {
        key(GLFW_KEY_SPACE, action);
    }
    game.reset();
    EXPECT_EQ(readFile("HighScore.txt"), "HighScore=1400");
    for (const char* file : {"screenshot_1.png", "screenshot_2.png"}) { // of the whole framebuffer
        EXPECT_EQ(glm::ivec2(RgbaImage(file).getWidth(), RgbaImage(file).getHeight()), screen);
    }
    EXPECT_EQ(testsupport::namesIn(".").size(), 7u)
        << "assets, high score, two screenshots: no temporary file";
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

// Key repeats reach neither the game nor its components; Alt+Enter without other modifiers toggles full
// screen. Ended by an error with a screenshot pending whose frame fails to draw, the error goes on unchanged.
TEST_F(ShooterGame, KeysReachComponentsWithoutRepeatsAltEnterTogglesAndAnErrorOutlivesTheLastScreenshot) {
    struct FailingDrawable : Drawable {
        void draw() override { throw std::runtime_error("the frame cannot be drawn"); }
    };
    startGame(1, 1);
    std::vector<bool> heard; // pressed or released
    new KeyboardKeyComponent(ship(), GLFW_KEY_ENTER, [&](bool pressed) { heard.push_back(pressed); });
    for (int action : {GLFW_PRESS, GLFW_REPEAT, GLFW_RELEASE, GLFW_PRESS}) {
        key(GLFW_KEY_ENTER, action);
    }
    key(GLFW_KEY_ENTER, GLFW_PRESS, GLFW_MOD_ALT | GLFW_MOD_SHIFT);
    EXPECT_EQ(heard, (std::vector<bool>{true, false, true}));
    EXPECT_NE(glfwGetWindowMonitor(game->getWindow()), nullptr) << "Alt+Shift+Enter is no toggle";
    key(GLFW_KEY_ENTER, GLFW_PRESS, GLFW_MOD_ALT);
    EXPECT_EQ(glfwGetWindowMonitor(game->getWindow()), nullptr);
    key(GLFW_KEY_ENTER, GLFW_PRESS, GLFW_MOD_ALT);
    EXPECT_NE(glfwGetWindowMonitor(game->getWindow()), nullptr);
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
        step(58);
        EXPECT_FALSE(showEscapeLabel);
        step(2);
        EXPECT_TRUE(showEscapeLabel);
        game->render();
        key(GLFW_KEY_ESCAPE, GLFW_PRESS);
        EXPECT_EQ(std::tuple(showNewHighScore, showEscapeLabel, deadTime), std::tuple(false, false, 0.0f));
    }
}

// The colour (RGBA) each thing is drawn in: the shots of each weapon, the EMP's field, the enemies, the
// divers' shots, the mothership's core and the score; sprites are drawn centred on their entity. Paused, the
// field shows at two fifths of its brightness under "Paused" in 60-pixel text and the hint in 30 below it.
TEST_F(ShooterGame, EachThingIsDrawnInItsColourAndPausedDimmedUnderTheNotice) {
    startGame(1, 1);
    ship().setPosition(vec2(0, 600)); // well above the notice
    fire(GLFW_MOUSE_BUTTON_LEFT);
    const glm::ivec2 bullet(test::windowPointOf(game->getGameCamera(), newest().getPosition()));
    key(GLFW_KEY_P);
    game->render();
    unsigned char pixel[4];
    glReadPixels(bullet.x, int(framebuffer().y) - 1 - bullet.y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(glm::ivec3(pixel[0], pixel[1], pixel[2]), glm::ivec3(102, 102, 0)) << "a yellow shot";
    const auto [paused, hint] = game->getPauseNotice();
    EXPECT_EQ(std::tuple(paused.position, paused.getFontSize(), hint.position, hint.getFontSize()),
              std::tuple(vec2(0, 0), 60.0f, vec2(0, -80), 30.0f));
    key(GLFW_KEY_ESCAPE);
    std::vector<float> tints; // red, green, blue and alpha of each thing: of the score after the others
    const auto tintOf = [&](const GameEntity* thing) {
        const vec4 tint = thing ? thing->getComponent<VisualComponent>().tint : game->getScoreLabel()->color;
        tints.insert(tints.end(), {tint.r, tint.g, tint.b, tint.a});
    };
    for (int weapon = 1; weapon <= 3; ++weapon) { // the main and the secondary weapon of that number
        startGame(weapon, weapon);
        for (int button : {GLFW_MOUSE_BUTTON_LEFT, GLFW_MOUSE_BUTTON_RIGHT}) {
            fire(button);
            tintOf(&newest());
        }
        key(GLFW_KEY_ESCAPE);
    }
    tintOf(game->createEmpEffect(vec2(0.0f)));
    GameEntity* diver = game->spawnDiver();
    diver->getComponent<TimedEntitySpawner>().spawn(0.0f);
    for (GameEntity* thing : {diver, &newest(), game->spawnMothership(), &newest()}) {
        tintOf(thing); // the diver, its shot, the mothership, its core
    }
    tintOf(nullptr);
    // Bullet, rocket, beam, orb, flame, shockwave, EMP field, diver, its shot, mothership, core, score.
    const std::vector<float> expected{
        1,    1,    0,    1,     0.75f, 0.75f, 0.75f, 1,     0.4f, 0.6f, 1,    0.75f, 0.3f, 0.3f, 0.3f, 0.3f,
        1,    1,    1,    0.35f, 0.7f,  0.8f,  0.7f,  0.35f, 0.4f, 0.6f, 1,    0.75f, 1,    0.6f, 0.6f, 1,
        0.8f, 0.1f, 0.1f, 1,     1,     0.5f,  0.5f,  1,     0.8f, 0.2f, 0.2f, 1,     1,    1,    0.3f, 1};
    EXPECT_EQ(tints, expected);
    const auto bounds = newest().getComponent<VisualComponent>().getDrawable()->getBounds();
    EXPECT_EQ(bounds->min, -bounds->max) << "the core's sprite centred on the mothership";
}

} // namespace
} // namespace kv
