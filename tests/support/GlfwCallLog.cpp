#include "tests/support/GlfwCallLog.hpp"

#include <GLFW/glfw3.h>

namespace kv::test {

namespace {
struct LogState {
    bool recording = false;
    std::vector<std::string> events;
    bool failWindowCreation = false;
    int errorCode = 0;
    const char* description = nullptr;
};

LogState& state() {
    static LogState instance;
    return instance;
}

// GLFW hands out the installed callback only when a new one is set; put it straight back.
GLFWerrorfun currentErrorCallback() {
    const GLFWerrorfun callback = glfwSetErrorCallback(nullptr);
    glfwSetErrorCallback(callback);
    return callback;
}
} // namespace

void GlfwCallLog::start() {
    state().events.clear();
    state().recording = true;
}

void GlfwCallLog::stop() {
    state().recording = false;
}

void GlfwCallLog::record(const std::string& event) {
    if (state().recording) {
        state().events.push_back(event);
    }
}

const std::vector<std::string>& GlfwCallLog::events() {
    return state().events;
}

void GlfwCallLog::failNextWindowCreation(int errorCode, const char* description) {
    state().failWindowCreation = true;
    state().errorCode = errorCode;
    state().description = description;
}

} // namespace kv::test

using kv::test::GlfwCallLog;

// The linker sends the program's calls of glfwX to __wrap_glfwX; __real_glfwX is GLFW's own function.
extern "C" {
GLFWwindow* __real_glfwCreateWindow(int width, int height, const char* title, GLFWmonitor* monitor,
                                    GLFWwindow* share);
void __real_glfwTerminate();
void __real_glfwSwapBuffers(GLFWwindow* window);
void __real_glfwPollEvents();

GLFWwindow* __wrap_glfwCreateWindow(int width, int height, const char* title, GLFWmonitor* monitor,
                                    GLFWwindow* share) {
    GlfwCallLog::record("glfwCreateWindow");
    auto& failure = kv::test::state();
    if (failure.failWindowCreation) {
        failure.failWindowCreation = false;
        if (const GLFWerrorfun callback = kv::test::currentErrorCallback()) {
            callback(failure.errorCode, failure.description);
        }
        return nullptr;
    }
    return __real_glfwCreateWindow(width, height, title, monitor, share);
}

void __wrap_glfwTerminate() {
    GlfwCallLog::record("glfwTerminate");
    __real_glfwTerminate();
}

void __wrap_glfwSwapBuffers(GLFWwindow* window) {
    GlfwCallLog::record("glfwSwapBuffers");
    __real_glfwSwapBuffers(window);
}

void __wrap_glfwPollEvents() {
    GlfwCallLog::record("glfwPollEvents");
    __real_glfwPollEvents();
}
}
