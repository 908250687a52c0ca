// Stands between the shell and GLFW in the GL tests (the executable is linked with --wrap for these calls):
// records window creation and termination, fails one on request, and offers a test pointer and a test clock,
// which a wait for events passes at once.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kv::test {

struct GlfwCallLog {
    std::vector<std::string> events; // the calls, oldest first; tests clear it when they start watching
    // The next glfwCreateWindow reports this error (code and description) through the installed error
    // callback instead of creating a window, the way GLFW reports an unavailable context version.
    std::optional<std::pair<int, const char*>> failure;
    // While set, glfwGetTime answers this time in seconds instead of GLFW's clock, and glfwWaitEventsTimeout
    // only notes its timeout in waits and moves this clock on by it.
    std::optional<double> testTime;
    // The point glfwGetCursorPos answers, window coordinates: the GL tests have no pointer of their own.
    std::pair<double, double> cursor{0.0, 0.0};
    std::vector<double> waits; // the timeouts of the waits passed on the test clock
};

// The log of the whole test executable, as the wrapped calls see it.
inline GlfwCallLog& glfwCallLog() {
    static GlfwCallLog log;
    return log;
}

} // namespace kv::test
