#include "tests/support/GlfwCallLog.hpp"

#include <optional>

#include <GLFW/glfw3.h>

namespace kv::test {

namespace {
struct LogState {
    std::vector<std::string> events;
    bool failWindowCreation = false;
    int errorCode = 0;
    const char* description = nullptr;
    std::optional<double> testTime;
};

LogState& state() {
    static LogState instance;
    return instance;
}

void record(const char* event) {
    state().events.emplace_back(event);
}
} // namespace

std::vector<std::string>& GlfwCallLog::events() {
    return state().events;
}

void GlfwCallLog::failNextWindowCreation(int errorCode, const char* description) {
    state().failWindowCreation = true;
    state().errorCode = errorCode;
    state().description = description;
}

void GlfwCallLog::setTestTime(double seconds) {
    state().testTime = seconds;
}

void GlfwCallLog::advanceTestTime(double seconds) {
    state().testTime = state().testTime.value_or(0.0) + seconds;
}

void GlfwCallLog::useRealTime() {
    state().testTime.reset();
}

} // namespace kv::test

// The linker sends the program's calls of glfwX to __wrap_glfwX; __real_glfwX is GLFW's own function.
extern "C" {
GLFWwindow* __real_glfwCreateWindow(int width, int height, const char* title, GLFWmonitor* monitor,
                                    GLFWwindow* share);
void __real_glfwTerminate();
double __real_glfwGetTime();

GLFWwindow* __wrap_glfwCreateWindow(int width, int height, const char* title, GLFWmonitor* monitor,
                                    GLFWwindow* share) {
    kv::test::record("glfwCreateWindow");
    auto& failure = kv::test::state();
    if (failure.failWindowCreation) {
        failure.failWindowCreation = false;
        // GLFW hands out the installed callback only when a new one is set; put it straight back.
        const GLFWerrorfun callback = glfwSetErrorCallback(nullptr);
        glfwSetErrorCallback(callback);
        if (callback != nullptr) {
            callback(failure.errorCode, failure.description);
        }
        return nullptr;
    }
    return __real_glfwCreateWindow(width, height, title, monitor, share);
}

void __wrap_glfwTerminate() {
    kv::test::record("glfwTerminate");
    __real_glfwTerminate();
}

double __wrap_glfwGetTime() {
    return kv::test::state().testTime.value_or(__real_glfwGetTime());
}
}
