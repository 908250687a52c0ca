#include <cstdio>
#include <filesystem>
#include <fstream>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "engine/components/Input.hpp"
#include "engine/core/Diagnostics.hpp"
#include "engine/text/GlLabel.hpp"
#include "game/GameFixture.hpp"
#include "game/GameState.hpp"
#include "game/VantorGui.hpp"

namespace kv {
namespace {

namespace fs = std::filesystem;

using ShooterGame = GameFixture;

// Width and height of a PNG file from its header, or (0, 0) when it is not one.
std::pair<int, int> pngSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char header[24] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (!in || !std::equal(signature, signature + 8, header)) {
        return {0, 0};
    }
    auto be32 = [&](int at) { return (header[at] << 24) | (header[at + 1] << 16) | (header[at + 2] << 8) | header[at + 3]; };
    return {be32(16), be32(20)};
}

class ShooterWithStoredHighScore : public GameFixture {
protected:
    void beforeGameStarts() override { std::ofstream("HighScore.txt") << "HighScore=1250"; }
};

TEST_F(ShooterWithStoredHighScore, StartsInTheMenuWithTheStoredHighScoreAndZero) {
    EXPECT_TRUE(mainMenuActive);
    EXPECT_EQ(playerHighScore, 1250);
    EXPECT_EQ(highScoreLabel->getText(), "1250");
    EXPECT_EQ(game->getScoreLabel()->getText(), "0");
    EXPECT_NE(glfwGetWindowMonitor(game->getWindow()), nullptr) << "full screen once loaded";
}

TEST_F(ShooterGame, HudSitsInTheTopLeftCorner) {
    const OrthoCamera& gui = game->getGuiCamera();
    EXPECT_FLOAT_EQ(highScoreStaticLabel->position.x, -gui.halfWidth);
    EXPECT_FLOAT_EQ(highScoreStaticLabel->position.y, gui.halfHeight);
    EXPECT_FLOAT_EQ(highScoreLabel->position.x, -gui.halfWidth + highScoreStaticLabel->getDimensions().x);
    EXPECT_FLOAT_EQ(game->getScoreLabel()->position.y, gui.halfHeight - highScoreStaticLabel->getDimensions().y);
}

TEST_F(ShooterGame, StartGameBuildsTheShipAndTheDirector) {
    game->getMenu().startButton.onClick();
    EXPECT_FALSE(mainMenuActive);
    EXPECT_EQ(count(kTagPlayer), 1);
    EXPECT_EQ(count(kTagWaveDirector), 1);
}

TEST_F(ShooterGame, EscapeInPlaySavesABeatenScoreClearsEverythingAndShowsTheMenu) {
    startGame(1, 1, true);
    step(10);
    playerScore = 30;
    step(1);
    EXPECT_EQ(highScoreLabel->getText(), "30") << "the high-score display follows a beaten score";
    game->handleKey(GLFW_KEY_ESCAPE, 0, GLFW_PRESS, 0);
    EXPECT_TRUE(mainMenuActive);
    EXPECT_EQ(count(0), 0);
    EXPECT_EQ(playerScore, 0);
    EXPECT_EQ(playerHighScore, 30);
    EXPECT_EQ(loadFile("HighScore.txt"), "HighScore=30");
    EXPECT_EQ(game->getScoreLabel()->getText(), "30") << "the last game's score stays on the HUD";
    startGame(1, 1);
    step(1);
    EXPECT_EQ(game->getScoreLabel()->getText(), "0");
}

TEST_F(ShooterGame, EscapeInTheMenuQuitsAndRepeatsAreIgnored) {
    startGame(1, 1);
    game->handleKey(GLFW_KEY_ESCAPE, 0, GLFW_REPEAT, 0);
    EXPECT_FALSE(mainMenuActive);
    game->handleKey(GLFW_KEY_ESCAPE, 0, GLFW_PRESS, 0);
    EXPECT_TRUE(mainMenuActive);
    EXPECT_FALSE(glfwWindowShouldClose(game->getWindow()));
    game->handleKey(GLFW_KEY_ESCAPE, 0, GLFW_PRESS, 0);
    EXPECT_TRUE(glfwWindowShouldClose(game->getWindow()));
}

TEST_F(ShooterGame, KeyboardComponentsSeePressAndReleaseButNoRepeats) {
    startGame(1, 1);
    int presses = 0;
    int releases = 0;
    new KeyboardKeyComponent(ship(), GLFW_KEY_ENTER, [&](bool pressed) { (pressed ? presses : releases) += 1; });
    game->handleKey(GLFW_KEY_ENTER, 0, GLFW_PRESS, 0);
    game->handleKey(GLFW_KEY_ENTER, 0, GLFW_REPEAT, 0);
    game->handleKey(GLFW_KEY_ENTER, 0, GLFW_REPEAT, 0);
    game->handleKey(GLFW_KEY_ENTER, 0, GLFW_RELEASE, 0);
    game->handleKey(GLFW_KEY_ENTER, 0, GLFW_PRESS, GLFW_MOD_ALT | GLFW_MOD_SHIFT);
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(releases, 1);
    EXPECT_NE(glfwGetWindowMonitor(game->getWindow()), nullptr) << "Alt+Shift+Enter is no toggle";
}

TEST_F(ShooterGame, AltEnterTogglesBetweenFullScreenAndAWindow) {
    game->handleKey(GLFW_KEY_ENTER, 0, GLFW_PRESS, GLFW_MOD_ALT);
    EXPECT_EQ(glfwGetWindowMonitor(game->getWindow()), nullptr);
    int w = 0;
    int h = 0;
    // The window system confirms the new size asynchronously.
    for (int poll = 0; poll < 200 && h != 468; ++poll) {
        glfwWaitEventsTimeout(0.01);
        glfwGetWindowSize(game->getWindow(), &w, &h);
    }
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 468);
    game->handleKey(GLFW_KEY_ENTER, 0, GLFW_RELEASE, GLFW_MOD_ALT);
    game->handleKey(GLFW_KEY_ENTER, 0, GLFW_PRESS, GLFW_MOD_ALT);
    EXPECT_NE(glfwGetWindowMonitor(game->getWindow()), nullptr);
}

TEST_F(ShooterGame, SpaceSavesNumberedPngScreenshotsWithoutOverwriting) {
    std::ofstream("screenshot_1.png") << "an earlier run's file";
    game->render();
    game->handleKey(GLFW_KEY_SPACE, 0, GLFW_PRESS, 0);
    game->handleKey(GLFW_KEY_SPACE, 0, GLFW_REPEAT, 0);
    game->handleKey(GLFW_KEY_SPACE, 0, GLFW_RELEASE, 0);
    game->handleKey(GLFW_KEY_SPACE, 0, GLFW_PRESS, 0);
    EXPECT_EQ(loadFile("screenshot_1.png"), "an earlier run's file");
    int fw = 0;
    int fh = 0;
    glfwGetFramebufferSize(game->getWindow(), &fw, &fh);
    EXPECT_EQ(pngSize("screenshot_2.png"), std::make_pair(fw, fh));
    EXPECT_EQ(pngSize("screenshot_3.png"), std::make_pair(fw, fh));
    EXPECT_FALSE(fs::exists("screenshot_4.png")) << "the repeat saved nothing";
    EXPECT_EQ(shIndex, 3);
}

TEST_F(ShooterGame, ClicksInPlayReachOnlyMouseComponents) {
    startGame(1, 1);
    int clicks = 0;
    new MouseButtonComponent(ship(), 2, [&](bool pressed) { clicks += pressed ? 1 : 0; });
    game->handleMouseButton(2, GLFW_PRESS, 0);
    EXPECT_EQ(clicks, 1);
    game->handleKey(GLFW_KEY_ESCAPE, 0, GLFW_PRESS, 0);
    const int before = game->getMenu().getMainWeapon();
    game->handleMouseButton(2, GLFW_PRESS, 0); // in the menu nothing of the old game is left to hear it
    EXPECT_EQ(game->getMenu().getMainWeapon(), before);
}

// A move and a press delivered in one event poll, through GLFW, with no update between them.
TEST_F(ShooterGame, AMenuClickLandsOnTheButtonUnderThePointerAtTheClick) {
    VantorGui& menu = game->getMenu();
    const OrthoCamera& camera = menu.getCamera();
    auto pointAt = [&](const GlLabelButton& button) {
        const vec2 ndc = (button.label.position - camera.position) / vec2(camera.halfWidth, camera.halfHeight);
        glfwSetCursorPos(game->getWindow(), (ndc.x + 1.0f) * 0.5f * camera.bufferWidth,
                         (1.0f - ndc.y) * 0.5f * camera.bufferHeight);
    };
    pointAt(menu.ionCannonButton);
    game->update(kFrame);
    ASSERT_TRUE(menu.ionCannonButton.isHovered());
    pointAt(menu.flamethrowerButton);
    Game::handleMouseButtonStatic(game->getWindow(), GLFW_MOUSE_BUTTON_LEFT, GLFW_PRESS, 0);
    EXPECT_EQ(menu.getMainWeapon(), 3);
}

TEST_F(ShooterGame, NoticesAppearAfterTheShipDies) {
    startGame(1, 1);
    ship().getComponent<HealthComponent>().doDamage(6.0f);
    step(29); // just under 0.5 s: not yet
    EXPECT_FALSE(showNewHighScore);
    step(2);
    EXPECT_TRUE(showNewHighScore) << "0 >= 0 counts as a new high score";
    EXPECT_FALSE(showEscapeLabel);
    step(60);
    EXPECT_TRUE(showEscapeLabel);
    game->render();
    game->handleKey(GLFW_KEY_ESCAPE, 0, GLFW_PRESS, 0);
    EXPECT_FALSE(showNewHighScore);
    EXPECT_FALSE(showEscapeLabel);
    EXPECT_EQ(deadTime, 0.0f);
}

TEST_F(ShooterGame, AResizeKeepsTheHudInTheCornerAndThePlayFieldTwoThousandTall) {
    Game::handleFramebufferSizeStatic(game->getWindow(), 800, 600);
    EXPECT_FLOAT_EQ(game->getGameCamera().halfHeight, 1000.0f);
    EXPECT_FLOAT_EQ(game->getGuiCamera().halfHeight, 300.0f);
    EXPECT_FLOAT_EQ(highScoreStaticLabel->position.x, -400.0f);
    EXPECT_FLOAT_EQ(highScoreStaticLabel->position.y, 300.0f);
    Game::handleFramebufferSizeStatic(game->getWindow(), 0, 0); // minimised: the layout stays
    EXPECT_FLOAT_EQ(highScoreStaticLabel->position.x, -400.0f);
    EXPECT_FLOAT_EQ(game->getGuiCamera().halfHeight, 300.0f);
}

} // namespace
} // namespace kv
