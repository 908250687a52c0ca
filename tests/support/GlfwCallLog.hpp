// Stands between the shell and GLFW in the GL tests (the executable is linked with --wrap for these calls):
// records window creation and termination, fails a window creation on request, and offers a test clock.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kv::test {

class GlfwCallLog {
public:
    // The recorded calls, oldest first; tests clear it when they start watching.
    static std::vector<std::string>& events() { return state().events; }

    // The next glfwCreateWindow reports this error through the installed error callback instead of
    // creating a window, the way GLFW reports an unavailable context version.
    static void failNextWindowCreation(int errorCode, const char* description) {
        state().failure = {errorCode, description};
    }

    // While set, glfwGetTime answers this time in seconds instead of GLFW's clock.
    static void setTestTime(double seconds) { state().testTime = seconds; }
    static void advanceTestTime(double seconds) {
        state().testTime = state().testTime.value_or(0.0) + seconds;
    }
    static void useRealTime() { state().testTime.reset(); }

    struct State {
        std::vector<std::string> events;
        std::optional<std::pair<int, const char*>> failure; // error code and description
        std::optional<double> testTime;
    };
    static State& state() {
        static State state;
        return state;
    }
};

} // namespace kv::test
