#include "engine/core/Game.hpp"
#include "engine/core/Gamepad.hpp"

#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/ErrorText.hpp"
#include "tests/support/GlfwCallLog.hpp"

namespace kv {
namespace {

using test::errorOf;
using test::glfwCallLog;
using ::testing::ElementsAre;

constexpr int kWindowWidth = 320;  // pixels
constexpr int kWindowHeight = 240; // pixels

// Runs on the test's clock, once started: loading takes loadingTime, frame n frameTimes[n] (seconds), then
// it quits. Keeps the time steps it was given and what its size handler saw.
class ProbeGame : public Game {
public:
    ProbeGame() : Game("shell test", kWindowWidth, kWindowHeight) {}

    void load() override { glfwCallLog().testTime.value() += loadingTime; }
    void update(float dt) override {
        timeSteps.push_back(dt);
        if (timeSteps.size() > frameTimes.size()) {
            quit();
        } else {
            glfwCallLog().testTime.value() += frameTimes[timeSteps.size() - 1];
        }
    }
    void render() override {}
    void handleFramebufferSize(int, int) override {
        GLint viewport[4] = {-1, -1, -1, -1};
        glGetIntegerv(GL_VIEWPORT, viewport);
        sizesSeen.push_back({width, height, viewport[2], viewport[3]});
    }

    using Game::height;
    using Game::width;
    using Game::window;

    double loadingTime = 0.0;
    std::vector<double> frameTimes;
    std::vector<float> timeSteps;
    std::vector<std::vector<int>> sizesSeen; // members and viewport size as the handler saw them
};

// The clock is the test's: loading takes 5 s, the second frame an hour (a suspended machine), the others
// 10 ms. A stall plays as the longest step, 0.1 s, and the step after it is short again.
TEST(GameShellTest, EachTimeStepIsTheLastFrameAloneNeverTheLoadingTimeAndAtMostTheLongestStep) {
    constexpr double kLoading = 5.0;   // seconds
    constexpr double kShort = 0.01;    // seconds
    constexpr double kStall = 3600.0;  // seconds
    glfwCallLog().testTime = 100.0;
    ProbeGame game;
    game.loadingTime = kLoading;
    game.frameTimes = {kShort, kStall, kShort};
    game.start();
    glfwCallLog().testTime.reset();
    EXPECT_THAT(game.timeSteps, ElementsAre(0.0f, ::testing::FloatNear(kShort, 1e-5),
                                            0.1f, ::testing::FloatNear(kShort, 1e-5)));
}

// A failed creation leaves GLFW free to start again; the window then opens at the framebuffer size, and the
// size handler sees members and viewport already set, zero (a minimised window) included. The pointer in
// pixels follows the window-size and content-scale events (a new scale alone can change the window's size).
TEST(GameShellTest, FailedWindowCreationRethrowsAndTerminatesGlfwAndAWindowFollowsItsSizes) {
    glfwCallLog().events.clear();
    glfwCallLog().failure = {GLFW_VERSION_UNAVAILABLE, "no 3.2 core context"};
    EXPECT_EQ(errorOf([] { ProbeGame game; }), "Error code: " + std::to_string(GLFW_VERSION_UNAVAILABLE) +
                                                   ", desciption: no 3.2 core context");
    EXPECT_EQ(errorOf([] { glfwErrorCallback(1, nullptr); }), "Error code: 1, desciption: ");
    EXPECT_THAT(glfwCallLog().events, ElementsAre("glfwCreateWindow", "glfwTerminate"));
    auto game = std::make_unique<ProbeGame>();
    Gamepad::addMappings("03000000de280000ff11000001000000,Pad of a test,a:b0,b:b1,platform:Linux,");
    EXPECT_EQ(errorOf([] { Gamepad::addMappings("0300,a pad with a short id,a:b0,"); }).substr(0, 11),
              "Error code:");
    EXPECT_EQ(errorOf([] { ProbeGame second; }), "only one game may exist at a time");
    glm::ivec2 size(0);
    glfwGetFramebufferSize(game->window, &size.x, &size.y);
    EXPECT_GT(size.x, 0);
    EXPECT_EQ(glm::ivec2(game->width, game->height), size);
    glfwCallLog().cursor = {100.0, 30.0};
    const GLFWwindowsizefun windowSize = glfwSetWindowSizeCallback(game->window, nullptr);
    const GLFWwindowcontentscalefun contentScale = glfwSetWindowContentScaleCallback(game->window, nullptr);
    ASSERT_TRUE(windowSize != nullptr && contentScale != nullptr);
    windowSize(game->window, game->width / 2, game->height / 4); // two pixels a screen unit across, four down
    EXPECT_EQ(game->getMouseFramebufferPosition(), vec2(200, 120));
    contentScale(game->window, 1.0f, 1.0f); // the window as it is: one pixel a unit on this display
    EXPECT_EQ(game->getMouseFramebufferPosition(), vec2(100, 30));
    windowSize(game->window, 0, 0);
    EXPECT_EQ(game->getMouseFramebufferPosition(), vec2(100, 30));
    Game::handleFramebufferSizeStatic(game->window, 200, 100);
    Game::handleFramebufferSizeStatic(game->window, 0, 0);
    EXPECT_THAT(game->sizesSeen, ElementsAre(ElementsAre(200, 100, 200, 100), ElementsAre(0, 0, 0, 0)));
    glfwCallLog().events.clear();
    game.reset();
    EXPECT_THAT(glfwCallLog().events, ElementsAre("glfwTerminate")) << "once, when the game goes";
}

} // namespace
} // namespace kv
