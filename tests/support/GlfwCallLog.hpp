// Records the GLFW calls the shell makes, in order, interleaved with the test's own events. The test
// executable is linked with --wrap for the recorded functions, so every call passes through here first.
#pragma once

#include <string>
#include <vector>

namespace kv::test {

class GlfwCallLog {
public:
    // Starts an empty log; calls are recorded only between start() and stop().
    static void start();
    static void stop();
    static void record(const std::string& event);
    static const std::vector<std::string>& events();

    // The next glfwCreateWindow reports this error through the installed error callback instead of
    // creating a window, the way GLFW reports an unavailable context version.
    static void failNextWindowCreation(int errorCode, const char* description);
};

} // namespace kv::test
