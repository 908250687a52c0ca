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

// Runs on the test's clock, once started: loading takes loadingTime, frame n frameTimes[n] (seconds, spent
// drawing), and the last frame quits. Keeps the time steps update was given, frame by frame, and what its
// size handler saw.
class ProbeGame : public Game {
public:
    ProbeGame() : Game("shell test", kWindowWidth, kWindowHeight) {}

    void load() override { glfwCallLog().testTime.value() += loadingTime; }
    void update(float dt) override { steps.back().push_back(dt); }
    void render() override {
        glfwCallLog().testTime.value() += frameTimes[steps.size() - 1];
        if (steps.size() == frameTimes.size()) {
            quit();
        } else {
            steps.emplace_back();
        }
    }
    void handleFramebufferSize(int, int) override {
        GLint viewport[4] = {-1, -1, -1, -1};
        glGetIntegerv(GL_VIEWPORT, viewport);
        sizesSeen.push_back({width, height, viewport[2], viewport[3]});
    }

    using Game::height, Game::width, Game::window;

    double loadingTime = 0.0;
    std::vector<double> frameTimes;
    std::vector<std::vector<float>> steps{{}};
    std::vector<std::vector<int>> sizesSeen; // members and viewport size as the handler saw them
};

constexpr double kTick = 1.0 / 128.0; // seconds; it and its multiples add up exactly
constexpr double kStall = 3600.0;     // seconds: a suspended machine
constexpr float ticks(double count) { return static_cast<float>(count * kTick); }

// After 5 s of loading, each frame takes the time given. The first step never holds the loading time, and a
// stall plays as the longest step, 0.1 s. A cap of 32 frames a second (4 ticks a frame) sleeps out each
// frame's rest, counted from its start; a late frame makes no later one shorter. A fixed step of 4 ticks
// plays as many steps as the frames' time holds, carrying the rest.
struct LoopCase {
    const char* name;
    double cap;
    float fixedStep;
    std::vector<double> frameTimes;
    std::vector<std::vector<float>> steps; // update's time steps, frame by frame
    std::vector<double> waits;             // the loop's sleeps
};
const LoopCase kLoopCases[] = {
    {"variable step", 0.0, 0.0f, {2 * kTick, kStall, 2 * kTick, 0.0},
     {{0.0f}, {ticks(2)}, {0.1f}, {ticks(2)}}, {}},
    {"capped", 32.0, 0.0f, {kTick, 6 * kTick, 4 * kTick, kTick, 0.0},
     {{0.0f}, {ticks(4)}, {ticks(6)}, {ticks(4)}, {ticks(4)}}, {3 * kTick, 3 * kTick}},
    {"fixed step", 0.0, ticks(4), {6 * kTick, 6 * kTick, kStall, 4 * kTick, 0.0},
     {{}, {ticks(4)}, {ticks(4), ticks(4)}, {ticks(4), ticks(4), ticks(4)}, {ticks(4)}}, {}},
};

TEST(GameShellTest, TimeStepsLeaveOutLoadingAndStallsAndFollowTheCapAndTheFixedStep) {
    for (const LoopCase& c : kLoopCases) {
        glfwCallLog().testTime = 100.0;
        glfwCallLog().waits.clear();
        ProbeGame game;
        game.loadingTime = 5.0;
        game.frameTimes = c.frameTimes;
        game.setFrameRateCap(c.cap);
        game.setFixedUpdateStep(c.fixedStep);
        game.start();
        glfwCallLog().testTime.reset();
        EXPECT_EQ(game.steps, c.steps) << c.name;
        EXPECT_EQ(glfwCallLog().waits, c.waits) << c.name;
    }
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
    EXPECT_EQ(errorOf([&] { game->setFrameRateCap(-1.0); }),
              "Game: a frame rate cap is 0 (none) or more frames a second, was: -1");
    EXPECT_EQ(errorOf([&] { game->setFixedUpdateStep(-0.5f); }),
              "Game: a fixed update step is 0 (none) or more seconds, was: -0.5");
    const GLFWvidmode* mode = glfwGetVideoMode(glfwGetPrimaryMonitor()); // a virtual one reports no rate
    EXPECT_EQ(game->getMonitorRefreshRate(), mode->refreshRate > 0 ? mode->refreshRate : 60.0) << "to cap at";
    EXPECT_EQ(Gamepad().getAxis(GLFW_GAMEPAD_AXIS_RIGHT_TRIGGER), -1.0f) << "no pad: the triggers at rest";
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
