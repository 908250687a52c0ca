// Stands between the shell and GLFW in the GL tests (the executable is linked with --wrap for these calls):
// records window creation and termination, fails a window creation on request, and offers a test clock.
#pragma once

#include <string>
#include <vector>

namespace kv::test {

class GlfwCallLog {
public:
    // The recorded calls, oldest first; tests clear it when they start watching.
    static std::vector<std::string>& events();

    // The next glfwCreateWindow reports this error through the installed error callback instead of
    // creating a window, the way GLFW reports an unavailable context version.
    static void failNextWindowCreation(int errorCode, const char* description);

    // While set, glfwGetTime answers this time in seconds instead of GLFW's clock.
    static void setTestTime(double seconds);
    static void advanceTestTime(double seconds);
    static void useRealTime();
};

} // namespace kv::test
