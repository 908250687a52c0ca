// Shared pieces of the installation tests: scratch directories, shell commands, installing the build into
// a prefix, and running an installed game on the X display and driving it with xdotool.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

namespace kv::test {

namespace fs = std::filesystem;

// A fresh directory under the system's temporary directory, removed with everything in it at the end.
class TemporaryDirectory {
public:
    explicit TemporaryDirectory(const std::string& stem);
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const fs::path& path() const { return directory; }

private:
    fs::path directory;
};

struct CommandResult {
    int status = -1;    // exit status, 128 + signal when killed
    std::string output; // standard output and standard error together
};

// Runs a command line with /bin/sh and waits for it.
CommandResult runCommand(const std::string& command);
// Single-quoted for the shell, whatever the text holds.
std::string shellQuote(const std::string& text);
// Whether a program of that name is on the PATH.
bool haveProgram(const std::string& name);

// `cmake --install` of this build into the prefix; returns the command's result.
CommandResult installBuildInto(const fs::path& prefix);

// Fraction of the pixels of a PNG that are clearly not black; -1 when the file cannot be read.
double litFraction(const fs::path& png, int* width = nullptr, int* height = nullptr);

// A command line started in the background with extra environment variables (an empty value removes the
// variable) and its output in files; killed at the end if it is still running.
class BackgroundProcess {
public:
    BackgroundProcess(const std::string& command, const std::map<std::string, std::string>& environment,
                      const fs::path& outputDirectory);
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    bool started() const { return pid > 0; }
    bool isRunning();
    // Exit status, or -1 when the process had not ended within the limit.
    int waitForExit(std::chrono::seconds limit);
    std::string standardOutput() const;
    std::string standardError() const;

private:
    pid_t pid = -1;
    bool ended = false;
    int exitStatus = -1;
    fs::path outputDirectory;
};

// The window of the running game once it shows full screen (its assets are loaded then), as an xdotool
// window id; empty when it did not get there within the limit.
std::string waitForFullScreenGame(BackgroundProcess& game, std::chrono::seconds limit);

// Sends keys through xdotool to the focused window; false when xdotool failed.
bool pressKey(const std::string& keyName);

// Polls until the condition holds; the limit only bounds a hang, it never decides a result alone.
template <typename Condition> bool waitFor(Condition condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

} // namespace kv::test
