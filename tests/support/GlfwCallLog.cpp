#include "tests/support/GlfwCallLog.hpp"

// GLEW has to come before any other GL header, GLFW's included.
#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <tuple>

using kv::test::glfwCallLog;

// The linker sends the program's calls of glfwX to __wrap_glfwX; __real_glfwX is GLFW's own function.
extern "C" {
GLFWwindow* __real_glfwCreateWindow(int, int, const char*, GLFWmonitor*, GLFWwindow*);
void __real_glfwTerminate();
double __real_glfwGetTime();
void __real_glfwWaitEventsTimeout(double);

GLFWwindow* __wrap_glfwCreateWindow(int width, int height, const char* title, GLFWmonitor* monitor,
                                    GLFWwindow* share) {
    glfwCallLog().events.emplace_back("glfwCreateWindow");
    const auto failure = std::exchange(glfwCallLog().failure, std::nullopt);
    if (!failure) {
        return __real_glfwCreateWindow(width, height, title, monitor, share);
    }
    // GLFW hands out the installed callback only when a new one is set; put it straight back.
    const GLFWerrorfun callback = glfwSetErrorCallback(nullptr);
    glfwSetErrorCallback(callback);
    if (callback != nullptr) {
        callback(failure->first, failure->second);
    }
    return nullptr;
}

void __wrap_glfwTerminate() {
    glfwCallLog().events.emplace_back("glfwTerminate");
    __real_glfwTerminate();
}

double __wrap_glfwGetTime() {
    return glfwCallLog().testTime.value_or(__real_glfwGetTime());
}

void __wrap_glfwGetCursorPos(GLFWwindow*, double* x, double* y) {
    std::tie(*x, *y) = glfwCallLog().cursor;
}

void __wrap_glfwWaitEventsTimeout(double timeout) {
    if (!glfwCallLog().testTime) {
        __real_glfwWaitEventsTimeout(timeout);
        return;
    }
    glfwCallLog().waits.push_back(timeout);
    *glfwCallLog().testTime += timeout;
}
}
