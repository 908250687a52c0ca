// Stands in for the player and the clock at GLFW's edge, so that the real main loop (Game::start) runs on a
// fixed time step with keys and pointer set by a test. The executable links with
// --wrap=glfwGetKey,--wrap=glfwGetCursorPos,--wrap=glfwGetTime,--wrap=glfwPollEvents; the game's code is
// unchanged and reads its input through the same calls as in play.
#pragma once

// GLEW has to come before GLFW.
#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <functional>
#include <set>

#include <glm/vec2.hpp>

namespace kv {

class ScriptedPlayer {
public:
    // step: seconds that every event poll adds to the clock. One player at a time.
    explicit ScriptedPlayer(float step);
    ~ScriptedPlayer();
    ScriptedPlayer(const ScriptedPlayer&) = delete;
    ScriptedPlayer& operator=(const ScriptedPlayer&) = delete;

    // Held keys, as glfwGetKey reports them.
    void setKey(int key, bool down);
    void releaseAllKeys();
    bool isKeyDown(int key) const { return keysDown.count(key) != 0; }
    // The pointer in window coordinates (pixels from the top-left corner, y down).
    void setCursor(const glm::vec2& windowPoint);
    const glm::vec2& getCursor() const { return cursor; }

    // Key and button events, delivered through the game's own GLFW callbacks; call them from onPoll, where
    // GLFW delivers real events.
    static void sendKey(GLFWwindow* window, int key, int action);
    static void sendMouseButton(GLFWwindow* window, int button, int action);

    // Event polls so far, which is the number of frames the main loop has completed.
    long getFrame() const { return frame; }
    double getTime() const;

    // Runs inside every event poll, after the real one: the place for the script's next move.
    std::function<void()> onPoll;

    // The instance in charge, for the wrapped GLFW functions; null when none exists.
    static ScriptedPlayer* current();
    // What the wrapped glfwPollEvents does after the real poll: one frame more, then onPoll.
    void advanceFrame();

private:
    double step;
    long frame = 0;
    std::set<int> keysDown;
    glm::vec2 cursor{0.0f, 0.0f};
};

} // namespace kv
