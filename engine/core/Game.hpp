// The application shell: one window with an OpenGL 3.2 core context, the main loop and input dispatch.
#pragma once

// GLEW has to come before any other GL header, GLFW's included.
#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <string>

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

namespace kv {

using glm::vec2;

// The longest step one frame plays. After a longer gap (a system suspend, a stalled window) the game goes on
// where it was, instead of moving everything by the whole gap at once.
constexpr float kLongestFrameStep = 0.1f; // seconds

// A point in window coordinates in framebuffer pixels: scaled by the ratio of the two sizes, which differs
// from 1 on a display with a content scale. Unchanged while the window has no extent (minimised).
vec2 windowToFramebuffer(const vec2& point, const glm::ivec2& windowSize, const glm::ivec2& framebufferSize);

// The GLFW error callback: turns every error GLFW reports into a std::runtime_error, thrown out through
// the GLFW call that reported it.
void glfwErrorCallback(int code, const char* description);

// Makes SIGTERM, SIGINT and SIGHUP (kill, Ctrl+C, a logout) ask the running game to close: the loop sets the
// window's close flag at the start of the next frame, which still runs whole, so the game leaves through its
// normal path. A second such signal ends the process at once.
void closeOnTerminationSignals();

// Base of every game. Owns GLFW from construction to destruction: the destructor terminates it, which also
// destroys the window and its context, so a derived game releases its GL objects in its own destructor.
// Only one Game may exist at a time.
// The loop depends on the renderer's draw queue (engine/render/DrawQueue.hpp, kv_gfx like this shell): it
// issues the draws that render() left queued before each buffer swap, so no game has to.
class Game {
public:
    // Throws "only one game may exist at a time" while another game exists.
    Game(const std::string& title, int width, int height);
    virtual ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    virtual void load() = 0;
    // dt: seconds since the previous frame, at most kLongestFrameStep; or the fixed update step, if set.
    virtual void update(float dt) = 0;
    virtual void render() = 0;
    // GLFW's own codes, passed through unchanged; the base versions ignore the events.
    virtual void handleKey(int key, int scancode, int action, int mods);
    virtual void handleMouseButton(int button, int action, int mods);
    // Framebuffer size in pixels; width, height and the viewport are already updated when this runs.
    virtual void handleFramebufferSize(int width, int height);
    // The window gained (true) or lost (false) the input focus; ignored by the base.
    virtual void handleWindowFocus(bool focused);
    // The window was minimised (true) or restored (false); ignored by the base.
    virtual void handleWindowIconify(bool iconified);

    // Calls load() once, then runs frames until the window is asked to close.
    void start();
    // Lets the frame in progress finish, then ends the loop.
    void quit();

    // The most frames a second the loop runs: where the buffer swap does not wait for the display (no
    // vertical sync), it sleeps out the rest of each frame, counted from the frame's start, handling events
    // as they come. A late frame is not made up for. 0, the default: no cap.
    void setFrameRateCap(double framesPerSecond);
    double getFrameRateCap() const { return frameRateCap; }
    // Seconds of game time each update plays. With a step, each frame calls update zero or more times with
    // it and carries the time left over to the next frame; a frame adds at most kLongestFrameStep. 0, the
    // default: one update a frame with the frame's own time.
    void setFixedUpdateStep(float seconds);
    float getFixedUpdateStep() const { return fixedUpdateStep; }
    // The refresh rate of the primary monitor in Hz; 60 for one that reports none (a virtual display).
    double getMonitorRefreshRate() const;

    bool isKeyPressed(int key) const;
    // Window coordinates: origin at the top-left of the client area, y downward.
    vec2 getMousePosition() const;
    // The cursor in framebuffer pixels, the units of the viewport and the cameras.
    vec2 getMouseFramebufferPosition() const;
    // Stored as (revision, minor, major).
    glm::ivec3 getOpenGLVersion() const;
    // "major.minor.revision" of the created context.
    std::string getOpenGLVersionString() const;

    static void handleKeyStatic(GLFWwindow* window, int key, int scancode, int action, int mods);
    static void handleMouseButtonStatic(GLFWwindow* window, int button, int action, int mods);
    static void handleFramebufferSizeStatic(GLFWwindow* window, int width, int height);
    static void handleWindowFocusStatic(GLFWwindow* window, int focused);
    static void handleWindowIconifyStatic(GLFWwindow* window, int iconified);
    // Keep the window size in screen units, which the pointer is scaled by, current: a window can change
    // its size, or its content scale, while the framebuffer keeps its own.
    static void handleWindowSizeStatic(GLFWwindow* window, int width, int height);
    static void handleContentScaleStatic(GLFWwindow* window, float xScale, float yScale);

protected:
    // Framebuffer size in pixels once the window exists (the requested window size before).
    int width;
    int height;
    GLFWwindow* window = nullptr;

private:
    // update once with dt, or as many fixed steps as the time carried so far holds.
    void runUpdates(float dt);
    // Sleeps until the frame that started at frameStart (glfwGetTime seconds) has lasted a capped frame.
    void waitForFrameEnd(double frameStart);

    // Window size in screen units, kept by the size and scale events (asking each frame costs a server trip).
    glm::ivec2 windowSize{0, 0};
    double frameRateCap = 0.0;    // frames per second, 0 for none
    float fixedUpdateStep = 0.0f; // seconds, 0 for none
    double unsteppedTime = 0.0;   // seconds of game time that no fixed step has played yet
};

} // namespace kv
