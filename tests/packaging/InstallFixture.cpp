#include "packaging/InstallFixture.hpp"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include <SOIL/SOIL.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kv::test {

namespace {

// Sum of the three channels above which a pixel counts as lit (0 to 765).
constexpr int kLitThreshold = 60;

int decodeStatus(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace

TemporaryDirectory::TemporaryDirectory(const std::string& stem) {
    std::string pattern = (fs::temp_directory_path() / (stem + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary directory for " + stem);
    }
    directory = pattern;
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    fs::remove_all(directory, ignored);
}

CommandResult runCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    std::array<char, 4096> buffer{};
    std::size_t count = 0;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        result.output.append(buffer.data(), count);
    }
    result.status = decodeStatus(::pclose(pipe));
    return result;
}

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

bool haveProgram(const std::string& name) {
    return runCommand("command -v " + shellQuote(name)).status == 0;
}

CommandResult installBuildInto(const fs::path& prefix) {
    return runCommand("env -u DESTDIR " + shellQuote(VANTOR_CMAKE_COMMAND) + " --install " +
                      shellQuote(VANTOR_BUILD_DIR) + " --prefix " + shellQuote(prefix.string()));
}

double litFraction(const fs::path& png, int* width, int* height) {
    int w = 0;
    int h = 0;
    int channels = 0;
    unsigned char* pixels = SOIL_load_image(png.c_str(), &w, &h, &channels, SOIL_LOAD_RGB);
    if (pixels == nullptr) {
        return -1.0;
    }
    long lit = 0;
    for (long i = 0; i < static_cast<long>(w) * h; ++i) {
        if (pixels[3 * i] + pixels[3 * i + 1] + pixels[3 * i + 2] > kLitThreshold) {
            ++lit;
        }
    }
    SOIL_free_image_data(pixels);
    if (width != nullptr) {
        *width = w;
    }
    if (height != nullptr) {
        *height = h;
    }
    return static_cast<double>(lit) / (static_cast<double>(w) * h);
}

BackgroundProcess::BackgroundProcess(const std::string& command,
                                     const std::map<std::string, std::string>& environment,
                                     const fs::path& outputDirectory)
    : outputDirectory(outputDirectory) {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable = *entry;
        if (environment.count(variable.substr(0, variable.find('='))) == 0) {
            variables.push_back(variable);
        }
    }
    for (const auto& [name, value] : environment) {
        if (!value.empty()) {
            variables.push_back(name + "=" + value);
        }
    }
    std::vector<char*> envp;
    for (std::string& variable : variables) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string out = (outputDirectory / "stdout.txt").string();
    const std::string err = (outputDirectory / "stderr.txt").string();
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // Its own process group, so that the end of the test can stop whatever the command started.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    std::string shell = "/bin/sh";
    std::string option = "-c";
    std::string line = command;
    char* argv[] = {shell.data(), option.data(), line.data(), nullptr};
    if (posix_spawn(&pid, shell.c_str(), &actions, &attributes, argv, envp.data()) != 0) {
        pid = -1;
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
}

BackgroundProcess::~BackgroundProcess() {
    if (pid > 0 && !ended) {
        ::kill(-pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
}

bool BackgroundProcess::isRunning() {
    if (pid <= 0 || ended) {
        return false;
    }
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) != pid) {
        return true;
    }
    ended = true;
    exitStatus = decodeStatus(status);
    return false;
}

int BackgroundProcess::waitForExit(std::chrono::seconds limit) {
    if (pid <= 0) {
        return -1;
    }
    return waitFor([&] { return !isRunning(); }, limit) ? exitStatus : -1;
}

std::string BackgroundProcess::standardOutput() const {
    return readFile(outputDirectory / "stdout.txt");
}

std::string BackgroundProcess::standardError() const {
    return readFile(outputDirectory / "stderr.txt");
}

std::string waitForFullScreenGame(BackgroundProcess& game, std::chrono::seconds limit) {
    std::string window;
    const bool shown = waitFor(
        [&] {
            if (!game.isRunning()) {
                return true; // ended early: nothing more to wait for
            }
            window = runCommand("xdotool search --name '^Vantor v0.2$' | head -n 1").output;
            window.erase(window.find_last_not_of(" \n") + 1);
            return !window.empty() &&
                   runCommand("xprop -id " + window + " _NET_WM_STATE").output.find("FULLSCREEN") !=
                       std::string::npos;
        },
        limit);
    if (!shown || !game.isRunning()) {
        return "";
    }
    // Let the window manager finish placing the full-screen window before keys are sent to it.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    return window;
}

bool pressKey(const std::string& keyName) {
    return runCommand("xdotool key " + shellQuote(keyName)).status == 0;
}

} // namespace kv::test
