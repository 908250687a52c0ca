// Start-up to the first menu frame and on until the last sprite is made, measured on fresh processes: the
// benchmark starts itself again as the program would be started, and the child reports when each stage of
// its start ended.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

// GLEW before any other GL header, GLFW's included.
#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "bench/BenchGame.hpp"
#include "bench/Stats.hpp"
#include "bench/Suites.hpp"
#include "game/ArcadeStyleShooterGame.hpp"

extern char** environ;

namespace kv::bench {

namespace {

bool probing = false;
bool spritesMade = false;
long long previousSwap = 0;  // ns
long long longestFrame = 0; // ns, after the first

void printStage(const char* stage) {
    std::printf("stage %s %lld\n", stage, static_cast<long long>(nowNs()));
    if (std::strcmp(stage, "sprites") == 0) {
        spritesMade = true;
    }
}

// Called after every buffer swap of the program; ends the child at the first frame after the last sprite
// was made, having noted the first frame and the longest frame after it.
void onBufferSwapped(GLFWwindow* window) {
    if (!probing) {
        return;
    }
    const long long now = nowNs();
    if (previousSwap == 0) {
        printStage("frame");
    } else {
        longestFrame = std::max(longestFrame, now - previousSwap);
    }
    previousSwap = now;
    if (spritesMade) {
        std::printf("stage longest %lld\n", longestFrame);
        probing = false;
        glfwSetWindowShouldClose(window, GLFW_TRUE);
    }
}

// Runs one child and returns its stage time stamps, plus "spawn" taken just before it was started.
std::map<std::string, long long> measureOneStart(const std::string& self) {
    const std::string directory = makeAssetDirectory();
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        throw std::runtime_error("cannot make a pipe");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    std::vector<std::string> arguments = {self, "--startup-child", directory};
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::map<std::string, long long> stamps;
    stamps["spawn"] = nowNs();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, self.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        throw std::runtime_error("cannot start " + self);
    }
    std::string output;
    char buffer[512];
    ssize_t got = 0;
    while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
        output.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    removeDirectory(directory);
    std::size_t lineStart = 0;
    while (lineStart < output.size()) {
        std::size_t lineEnd = output.find('\n', lineStart);
        if (lineEnd == std::string::npos) {
            lineEnd = output.size();
        }
        char name[64];
        long long stamp = 0;
        if (std::sscanf(output.substr(lineStart, lineEnd - lineStart).c_str(), "stage %63s %lld", name,
                        &stamp) == 2) {
            stamps[name] = stamp;
        }
        lineStart = lineEnd + 1;
    }
    if (stamps.count("frame") == 0 || stamps.count("longest") == 0) {
        throw std::runtime_error("the start-up child did not reach its first frame or its last sprite:\n" + output);
    }
    return stamps;
}

} // namespace

int startupChild(const std::string& workingDirectory) {
    printStage("main");
    if (chdir(workingDirectory.c_str()) != 0) {
        return 1;
    }
    probing = true;
    ArcadeStyleShooterGame game;
    game.setLoadStageObserver(printStage);
    printStage("window");
    game.start();
    std::fflush(stdout);
    return 0;
}

Figures runStartup(const Options& options) {
    // The figure for each part is the median of its own durations over the runs.
    const std::vector<std::pair<std::string, std::string>> parts = {
        {"spawn", "main"},  {"main", "window"}, {"window", "shaders"}, {"shaders", "sounds"},
        {"sounds", "font"}, {"font", "menu"},   {"menu", "frame"},     {"frame", "sprites"},
        {"spawn", "frame"},
    };
    const std::map<std::string, std::string> names = {
        {"main", "process start to main"},
        {"window", "window and GL context"},
        {"shaders", "shaders"},
        {"sounds", "sounds (OpenAL, music)"},
        {"font", "font"},
        {"menu", "menu, HUD, full screen"},
        {"frame", "first menu frame"},
        {"sprites", "first frame to last sprite made"},
    };
    std::map<std::string, std::vector<double>> durations;
    const int runs = options.quick ? 2 : 9;
    for (int run = 0; run < runs; ++run) {
        const auto stamps = measureOneStart(options.self);
        for (const auto& [from, to] : parts) {
            const std::string key = from == "spawn" && to == "frame" ? "total" : to;
            durations[key].push_back(static_cast<double>(stamps.at(to) - stamps.at(from)) / 1.0e6);
        }
        durations["longest"].push_back(static_cast<double>(stamps.at("longest")) / 1.0e6);
    }
    Figures figures;
    for (const auto& [from, to] : parts) {
        const std::string key = from == "spawn" && to == "frame" ? "total" : to;
        const std::string metric = key == "total" ? "process start to first menu frame" : names.at(key);
        figures.push_back({"start-up", metric, medianOf(durations[key]), "ms"});
    }
    figures.push_back({"start-up", "longest menu frame until then", medianOf(durations["longest"]), "ms"});
    return figures;
}

} // namespace kv::bench

// The linker sends the program's glfwSwapBuffers calls here (see bench/CMakeLists.txt).
extern "C" {
void __real_glfwSwapBuffers(GLFWwindow* window);
void __wrap_glfwSwapBuffers(GLFWwindow* window) {
    __real_glfwSwapBuffers(window);
    kv::bench::onBufferSwapped(window);
}
}
