// Running programs from tests: shell commands, child processes with their own working directory and output
// files, temporary and game directories, the X display, and pixel counts of the PNGs programs write.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <signal.h>
#include <sys/types.h>

namespace kv::testsupport {

namespace fs = std::filesystem;

struct CommandResult {
    int status = -1;    // exit status, 128 + signal when killed
    std::string output; // standard output and standard error together, without the last line breaks
};
// Runs a command line with /bin/sh and waits for it.
CommandResult run(const std::string& command);
// Single-quoted for the shell, whatever the text holds.
std::string quote(const std::string& text);
std::string readFile(const fs::path& path);
void writeFile(const fs::path& path, const std::string& bytes);
// The names of the entries of a directory.
std::set<std::string> namesIn(const fs::path& directory);
// Polls until the condition holds; the limit only bounds a hang, it never decides a result alone.
bool waitFor(const std::function<bool()>& condition, std::chrono::seconds limit);

// A new directory under the system's temporary folder, removed with everything in it on destruction.
struct TemporaryDirectory {
    explicit TemporaryDirectory(const std::string& prefix);
    ~TemporaryDirectory() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
    const fs::path& path() const { return root; }
    fs::path root;
};

// The folders of generated assets the game reads from its working directory.
inline const char* const kAssetFolders[] = {"shaders", "sprites", "fonts", "sounds"};
// Links each asset folder of the build's runtime directory into the directory.
void linkAssetFolders(const fs::path& directory);

// A child process, killed if still running at the end, whose standard output and error go to stdout.txt and
// stderr.txt in the output directory.
class Process {
public:
    Process(std::vector<std::string> argv, const fs::path& workingDirectory, const fs::path& outputDirectory);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool ended();
    // False when still running after the limit.
    bool waitForEnd(std::chrono::seconds limit) {
        return waitFor([this] { return ended(); }, limit);
    }
    void sendSignal(int number) const { ::kill(pid, number); }
    std::string describe() const; // "exit 0", "signal 11" or "running"
    std::string standardOutput() const { return readFile(outputDirectory / "stdout.txt"); }
    std::string standardError() const { return readFile(outputDirectory / "stderr.txt"); }

private:
    pid_t pid = -1;
    int status = 0;
    fs::path outputDirectory;
};

// The program's X window titled `title` has shown (and is full screen, if asked: the game switches at the end
// of loading) and has the keyboard focus.
bool waitForWindow(Process& program, std::chrono::seconds limit, const std::string& title = "Vantor v0.2",
                   bool fullScreen = true);
// Runs xdotool with the arguments on the current display; true on success.
inline bool xdotool(const std::string& arguments) {
    return run("xdotool " + arguments).status == 0;
}
// The share of the pixels of a rectangle of the X screen (all of it by default) that satisfy the predicate.
double shareOnScreen(const std::function<bool(int, int, int)>& predicate, int x = 0, int y = 0, int width = 0,
                     int height = 0);

// The share of the pixels of a PNG, decoded by the engine's reader (which throws on anything but a PNG),
// whose red, green and blue satisfy the predicate.
double shareOfPixels(const fs::path& png, const std::function<bool(int, int, int)>& predicate);
// Not near black.
inline bool isLit(int r, int g, int b) {
    constexpr int kLitLevel = 60; // sum of red, green and blue
    return r + g + b > kLitLevel;
}

} // namespace kv::testsupport
