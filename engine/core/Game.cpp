#include "engine/core/Game.hpp"

#include <algorithm>
#include <csignal>
#include <sstream>
#include <stdexcept>

#include <signal.h>

#include "engine/core/Diagnostics.hpp"
#include "engine/render/DrawQueue.hpp"

namespace kv {

namespace {
constexpr int kContextMajorVersion = 3;
constexpr int kContextMinorVersion = 2;
constexpr int kSwapInterval = 1;             // vertical retraces per buffer swap
constexpr double kAssumedRefreshRate = 60.0; // Hz, for a monitor that reports none

// GLFW is one per process, and each game initialises and terminates it: a second game would end the first
// one's window with its own end.
bool gameExists = false;

Game* gameOf(GLFWwindow* window) {
    return static_cast<Game*>(glfwGetWindowUserPointer(window));
}

// Set by a termination signal and read by the main loop. A signal handler may do no more than set such a
// flag, and it reaches no object, so this one state is global.
volatile std::sig_atomic_t closeSignalled = 0;

void signalClose(int) {
    closeSignalled = 1;
}
} // namespace

void closeOnTerminationSignals() {
    struct sigaction action {};
    action.sa_handler = signalClose;
    sigemptyset(&action.sa_mask);
    // The handler stays for one signal only: a second one, while the game shuts down, ends the process.
    action.sa_flags = SA_RESETHAND;
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(number, &action, nullptr);
    }
}

vec2 windowToFramebuffer(const vec2& point, const glm::ivec2& windowSize, const glm::ivec2& framebufferSize) {
    if (windowSize.x <= 0 || windowSize.y <= 0) {
        return point;
    }
    return point * vec2(framebufferSize) / vec2(windowSize);
}

void glfwErrorCallback(int code, const char* description) {
    throwRuntimeError([&](std::stringstream& out) {
        out << "Error code: " << code << ", desciption: ";
        if (description != nullptr) {
            out << description;
        }
    });
}

Game::Game(const std::string& title, int width, int height) : width(width), height(height) {
    checkState(!gameExists, "only one game may exist at a time");
    glfwSetErrorCallback(glfwErrorCallback);
    // A failure reaches the error callback, which throws; the result needs no test of its own.
    glfwInit();
    try {
        glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, kContextMajorVersion);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, kContextMinorVersion);
        glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
        window = glfwCreateWindow(this->width, this->height, title.c_str(), nullptr, nullptr);
        glfwGetFramebufferSize(window, &this->width, &this->height);
        glfwGetWindowSize(window, &windowSize.x, &windowSize.y);
        glfwMakeContextCurrent(window);

        // Core profiles need the experimental path, or GLEW misses entry points it probes via extensions.
        glewExperimental = GL_TRUE;
        const GLenum glewResult = glewInit();
        if (glewResult != GLEW_OK) {
            glfwTerminate();
            throw std::runtime_error(reinterpret_cast<const char*>(glewGetErrorString(glewResult)));
        }
        logDebug("OpenGL version: " + getOpenGLVersionString());

        glfwSwapInterval(kSwapInterval);
        glfwSetWindowUserPointer(window, this);
        glfwSetKeyCallback(window, handleKeyStatic);
        glfwSetMouseButtonCallback(window, handleMouseButtonStatic);
        glfwSetFramebufferSizeCallback(window, handleFramebufferSizeStatic);
        glfwSetWindowFocusCallback(window, handleWindowFocusStatic);
        glfwSetWindowIconifyCallback(window, handleWindowIconifyStatic);
        glfwSetWindowSizeCallback(window, handleWindowSizeStatic);
        glfwSetWindowContentScaleCallback(window, handleContentScaleStatic);
    } catch (...) {
        glfwTerminate();
        throw;
    }
    gameExists = true;
}

Game::~Game() {
    glfwTerminate();
    gameExists = false;
}

void Game::handleKey(int, int, int, int) {}

void Game::handleMouseButton(int, int, int) {}

void Game::handleFramebufferSize(int, int) {}

void Game::handleWindowFocus(bool) {}

void Game::handleWindowIconify(bool) {}

void Game::start() {
    load();
    // Taken after loading, so the loading time never enters a time step.
    double previousTime = glfwGetTime();
    while (!glfwWindowShouldClose(window)) {
        // The frame still runs whole, its event poll included: what the player did before the signal counts.
        if (closeSignalled != 0) {
            quit();
        }
        const double frameStart = glfwGetTime();
        const float dt = std::min(static_cast<float>(frameStart - previousTime), kLongestFrameStep);
        previousTime = frameStart;
        runUpdates(dt);
        render();
        flushQueuedDraws();
        glfwSwapBuffers(window);
        glfwPollEvents();
        waitForFrameEnd(frameStart);
    }
}

void Game::runUpdates(float dt) {
    if (fixedUpdateStep == 0.0f) {
        update(dt);
        return;
    }
    // dt is at most kLongestFrameStep, so a stall ends in a bounded number of steps.
    unsteppedTime += dt;
    while (unsteppedTime >= fixedUpdateStep) {
        update(fixedUpdateStep);
        unsteppedTime -= fixedUpdateStep;
    }
}

void Game::waitForFrameEnd(double frameStart) {
    if (frameRateCap == 0.0) {
        return;
    }
    // From the frame's own start: a late frame waits for nothing, and the next one owes nothing.
    const double frameEnd = frameStart + 1.0 / frameRateCap;
    // An event ends a wait early; the rest of the frame is waited for again. A close cuts it short.
    for (double now = glfwGetTime(); now < frameEnd && !glfwWindowShouldClose(window) && closeSignalled == 0;
         now = glfwGetTime()) {
        glfwWaitEventsTimeout(frameEnd - now);
    }
}

void Game::setFrameRateCap(double framesPerSecond) {
    checkState(framesPerSecond >= 0.0, [&](std::stringstream& out) {
        out << "Game: a frame rate cap is 0 (none) or more frames a second, was: " << framesPerSecond;
    });
    frameRateCap = framesPerSecond;
}

void Game::setFixedUpdateStep(float seconds) {
    checkState(seconds >= 0.0f, [&](std::stringstream& out) {
        out << "Game: a fixed update step is 0 (none) or more seconds, was: " << seconds;
    });
    fixedUpdateStep = seconds;
    unsteppedTime = 0.0;
}

double Game::getMonitorRefreshRate() const {
    const GLFWvidmode* mode = glfwGetVideoMode(glfwGetPrimaryMonitor());
    return mode != nullptr && mode->refreshRate > 0 ? mode->refreshRate : kAssumedRefreshRate;
}

void Game::quit() {
    glfwSetWindowShouldClose(window, GLFW_TRUE);
}

bool Game::isKeyPressed(int key) const {
    return glfwGetKey(window, key) == GLFW_PRESS;
}

vec2 Game::getMousePosition() const {
    double x = 0.0;
    double y = 0.0;
    glfwGetCursorPos(window, &x, &y);
    return vec2(static_cast<float>(x), static_cast<float>(y));
}

vec2 Game::getMouseFramebufferPosition() const {
    return windowToFramebuffer(getMousePosition(), windowSize, glm::ivec2(width, height));
}

glm::ivec3 Game::getOpenGLVersion() const {
    return glm::ivec3(glfwGetWindowAttrib(window, GLFW_CONTEXT_REVISION),
                      glfwGetWindowAttrib(window, GLFW_CONTEXT_VERSION_MINOR),
                      glfwGetWindowAttrib(window, GLFW_CONTEXT_VERSION_MAJOR));
}

std::string Game::getOpenGLVersionString() const {
    const glm::ivec3 version = getOpenGLVersion();
    std::stringstream out;
    out << version.z << "." << version.y << "." << version.x;
    return out.str();
}

void Game::handleKeyStatic(GLFWwindow* window, int key, int scancode, int action, int mods) {
    if (Game* game = gameOf(window)) {
        game->handleKey(key, scancode, action, mods);
    }
}

void Game::handleMouseButtonStatic(GLFWwindow* window, int button, int action, int mods) {
    if (Game* game = gameOf(window)) {
        game->handleMouseButton(button, action, mods);
    }
}

void Game::handleWindowFocusStatic(GLFWwindow* window, int focused) {
    if (Game* game = gameOf(window)) {
        game->handleWindowFocus(focused == GLFW_TRUE);
    }
}

void Game::handleWindowIconifyStatic(GLFWwindow* window, int iconified) {
    if (Game* game = gameOf(window)) {
        game->handleWindowIconify(iconified == GLFW_TRUE);
    }
}

void Game::handleFramebufferSizeStatic(GLFWwindow* window, int width, int height) {
    if (Game* game = gameOf(window)) {
        game->width = width;
        game->height = height;
        glfwGetWindowSize(window, &game->windowSize.x, &game->windowSize.y);
        glViewport(0, 0, width, height);
        game->handleFramebufferSize(width, height);
    }
}

void Game::handleWindowSizeStatic(GLFWwindow* window, int width, int height) {
    if (Game* game = gameOf(window)) {
        game->windowSize = glm::ivec2(width, height);
    }
}

void Game::handleContentScaleStatic(GLFWwindow* window, float, float) {
    // Where the new scale changes the window's size in screen units, no window-size event need follow.
    if (Game* game = gameOf(window)) {
        glfwGetWindowSize(window, &game->windowSize.x, &game->windowSize.y);
    }
}

} // namespace kv
