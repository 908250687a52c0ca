#include "tests/support/GlfwCallLog.hpp"

#include <optional>

// GLEW has to come before any other GL header, GLFW's included.
#include <GL/glew.h>
#include <GLFW/glfw3.h>

namespace kv::test {
namespace {
struct LogState {
    std::vector<std::string> events;
    bool failWindowCreation = false;
    int errorCode = 0;
    const char* description = nullptr;
    std::optional<double> testTime;
} state;
} // namespace

std::vector<std::string>& GlfwCallLog::events() {
    return state.events;
}
void GlfwCallLog::failNextWindowCreation(int errorCode, const char* description) {
    state.failWindowCreation = true;
    state.errorCode = errorCode;
    state.description = description;
}
void GlfwCallLog::setTestTime(double seconds) {
    state.testTime = seconds;
}
void GlfwCallLog::advanceTestTime(double seconds) {
    state.testTime = state.testTime.value_or(0.0) + seconds;
}
void GlfwCallLog::useRealTime() {
    state.testTime.reset();
}

} // namespace kv::test

// The linker sends the program's calls of glfwX to __wrap_glfwX; __real_glfwX is GLFW's own function.
extern "C" {
GLFWwindow* __real_glfwCreateWindow(int, int, const char*, GLFWmonitor*, GLFWwindow*);
void __real_glfwTerminate();
double __real_glfwGetTime();

GLFWwindow* __wrap_glfwCreateWindow(int width, int height, const char* title, GLFWmonitor* monitor,
                                    GLFWwindow* share) {
    kv::test::state.events.emplace_back("glfwCreateWindow");
    if (!kv::test::state.failWindowCreation) {
        return __real_glfwCreateWindow(width, height, title, monitor, share);
    }
    kv::test::state.failWindowCreation = false;
    // GLFW hands out the installed callback only when a new one is set; put it straight back.
    const GLFWerrorfun callback = glfwSetErrorCallback(nullptr);
    glfwSetErrorCallback(callback);
    if (callback != nullptr) {
        callback(kv::test::state.errorCode, kv::test::state.description);
    }
    return nullptr;
}

void __wrap_glfwTerminate() {
    kv::test::state.events.emplace_back("glfwTerminate");
    __real_glfwTerminate();
}

double __wrap_glfwGetTime() {
    return kv::test::state.testTime.value_or(__real_glfwGetTime());
}
}
