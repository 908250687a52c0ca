#include "engine/core/Game.hpp"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/ErrorText.hpp"
#include "tests/support/GlTestContext.hpp"
#include "tests/support/GlfwCallLog.hpp"

namespace kv {
namespace {

using test::errorOf;
using test::GlfwCallLog;
using ::testing::ElementsAre;

constexpr int kWindowWidth = 320;  // pixels
constexpr int kWindowHeight = 240; // pixels

// Records its virtual calls in the GLFW call log, so their order against swap and poll shows.
class ProbeGame : public Game {
public:
    ProbeGame() : Game("shell test", kWindowWidth, kWindowHeight) {}

    void load() override {
        GlfwCallLog::record("load");
        if (onLoad) {
            onLoad();
        }
    }
    void update(float dt) override {
        GlfwCallLog::record("update");
        timeSteps.push_back(dt);
        if (onUpdate) {
            onUpdate(*this);
        }
    }
    void render() override {
        GlfwCallLog::record("render");
        if (onRender) {
            onRender(*this);
        }
    }
    void handleKey(int key, int scancode, int action, int mods) override {
        keyEvents.push_back({key, scancode, action, mods});
    }
    void handleMouseButton(int button, int action, int mods) override {
        buttonEvents.push_back({button, action, mods});
    }
    void handleFramebufferSize(int newWidth, int newHeight) override {
        GLint viewport[4] = {-1, -1, -1, -1};
        glGetIntegerv(GL_VIEWPORT, viewport);
        sizeEvents.push_back(
            {newWidth, newHeight, width, height, viewport[0], viewport[1], viewport[2], viewport[3]});
    }

    int getWidth() const { return width; }
    int getHeight() const { return height; }
    GLFWwindow* getWindow() const { return window; }

    std::function<void()> onLoad;
    std::function<void(ProbeGame&)> onUpdate;
    std::function<void(ProbeGame&)> onRender;
    std::vector<float> timeSteps;
    std::vector<std::vector<int>> keyEvents;
    std::vector<std::vector<int>> buttonEvents;
    // Arguments, then the members and the viewport as the handler saw them.
    std::vector<std::vector<int>> sizeEvents;
};

class GameShellTest : public ::testing::Test {
protected:
    void TearDown() override { GlfwCallLog::stop(); }
};

TEST_F(GameShellTest, OpensA32CoreContextOfTheFramebufferSizeAndLogsItsVersion) {
    ::testing::internal::CaptureStdout();
    ProbeGame game;
    const std::string output = ::testing::internal::GetCapturedStdout();
    GLint major = 0;
    GLint minor = 0;
    GLint profile = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_TRUE(major > 3 || (major == 3 && minor >= 2)) << major << "." << minor;
    EXPECT_NE(profile & GL_CONTEXT_CORE_PROFILE_BIT, 0);

    const glm::ivec3 version = game.getOpenGLVersion();
    EXPECT_EQ(version.z, major);
    EXPECT_EQ(version.y, minor);
    const std::string expected =
        std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(version.x);
    EXPECT_EQ(game.getOpenGLVersionString(), expected);
    EXPECT_NE(output.find("OpenGL version: " + expected + "\n"), std::string::npos) << output;

    int framebufferWidth = 0;
    int framebufferHeight = 0;
    glfwGetFramebufferSize(game.getWindow(), &framebufferWidth, &framebufferHeight);
    EXPECT_GT(framebufferWidth, 0);
    EXPECT_EQ(game.getWidth(), framebufferWidth);
    EXPECT_EQ(game.getHeight(), framebufferHeight);
}

// The clock is set through GLFW, so each step is known exactly: it is turned back during loading (a step
// that counted the loading would come out negative) and jumps an hour ahead within the second frame.
TEST_F(GameShellTest, TimeStepsExcludeTheLoadingTimeAndAStallPlaysAsTheLongestStep) {
    constexpr double kStall = 3600.0; // seconds: a machine suspended for an hour
    ProbeGame game;
    glfwSetTime(kStall);
    game.onLoad = [] { glfwSetTime(0.0); };
    game.onUpdate = [](ProbeGame& self) {
        if (self.timeSteps.size() == 2) {
            glfwSetTime(glfwGetTime() + kStall);
        }
        if (self.timeSteps.size() == 3) {
            self.quit();
        }
    };
    game.start();
    ASSERT_EQ(game.timeSteps.size(), 3u);
    EXPECT_GE(game.timeSteps[0], 0.0f) << "the loading time counts for nothing";
    EXPECT_EQ(game.timeSteps[2], kLongestFrameStep);
}

TEST(WindowToFramebuffer, ScalesByTheSizeRatioAndLeavesAWindowWithoutExtentAlone) {
    EXPECT_EQ(windowToFramebuffer(vec2(100, 30), glm::ivec2(800, 600), glm::ivec2(1600, 1200)), vec2(200, 60));
    EXPECT_EQ(windowToFramebuffer(vec2(100, 30), glm::ivec2(800, 600), glm::ivec2(800, 600)), vec2(100, 30));
    EXPECT_EQ(windowToFramebuffer(vec2(100, 30), glm::ivec2(0, 0), glm::ivec2(0, 0)), vec2(100, 30));
}

TEST_F(GameShellTest, QuitDuringUpdateLetsTheFrameFinish) {
    ProbeGame game;
    game.onUpdate = [](ProbeGame& self) { self.quit(); };
    GlfwCallLog::start();
    game.start();
    GlfwCallLog::stop();
    EXPECT_THAT(GlfwCallLog::events(),
                ElementsAre("load", "update", "render", "glfwSwapBuffers", "glfwPollEvents"));
}

TEST_F(GameShellTest, FramebufferSizeSetsMembersAndViewportBeforeTheHandlerZeroIncluded) {
    ProbeGame game;
    Game::handleFramebufferSizeStatic(game.getWindow(), 200, 100);
    Game::handleFramebufferSizeStatic(game.getWindow(), 0, 0);
    ASSERT_EQ(game.sizeEvents.size(), 2u);
    EXPECT_THAT(game.sizeEvents[0], ElementsAre(200, 100, 200, 100, 0, 0, 200, 100));
    EXPECT_THAT(game.sizeEvents[1], ElementsAre(0, 0, 0, 0, 0, 0, 0, 0));
}

TEST_F(GameShellTest, EventsReachTheHandlersUnchangedAndTheBaseHandlersIgnoreThem) {
    ProbeGame game;
    Game::handleKeyStatic(game.getWindow(), GLFW_KEY_ESCAPE, 9, GLFW_RELEASE, GLFW_MOD_SHIFT);
    Game::handleMouseButtonStatic(game.getWindow(), GLFW_MOUSE_BUTTON_RIGHT, GLFW_PRESS, GLFW_MOD_ALT);
    EXPECT_THAT(game.keyEvents, ElementsAre(ElementsAre(GLFW_KEY_ESCAPE, 9, GLFW_RELEASE, GLFW_MOD_SHIFT)));
    EXPECT_THAT(game.buttonEvents,
                ElementsAre(ElementsAre(GLFW_MOUSE_BUTTON_RIGHT, GLFW_PRESS, GLFW_MOD_ALT)));
}

TEST_F(GameShellTest, GlfwErrorBecomesRuntimeErrorWithCodeAndDescription) {
    EXPECT_EQ(errorOf([] { glfwErrorCallback(65543, "Requested OpenGL version 3.2 unavailable"); }),
              "Error code: 65543, desciption: Requested OpenGL version 3.2 unavailable");
    EXPECT_EQ(errorOf([] { glfwErrorCallback(65537, nullptr); }), "Error code: 65537, desciption: ");
}

TEST_F(GameShellTest, FailedWindowCreationTerminatesGlfwAndRethrows) {
    GlfwCallLog::start();
    GlfwCallLog::failNextWindowCreation(GLFW_VERSION_UNAVAILABLE, "no 3.2 core context");
    EXPECT_EQ(errorOf([] { ProbeGame game; }), "Error code: " + std::to_string(GLFW_VERSION_UNAVAILABLE) +
                                                   ", desciption: no 3.2 core context");
    GlfwCallLog::stop();
    EXPECT_THAT(GlfwCallLog::events(), ElementsAre("glfwCreateWindow", "glfwTerminate"));
    // GLFW can be initialised again afterwards; its destruction terminates GLFW once.
    auto game = std::make_unique<ProbeGame>();
    EXPECT_NE(game->getWindow(), nullptr);
    GlfwCallLog::start();
    game.reset();
    GlfwCallLog::stop();
    EXPECT_THAT(GlfwCallLog::events(), ElementsAre("glfwTerminate"));
}

} // namespace
} // namespace kv
