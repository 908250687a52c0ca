// Runs the real program in a fresh working directory on the current X display and plays it with xdotool:
// pick a weapon, start a game, fly and fire, take a screenshot, leave to the menu and quit.
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <SOIL/SOIL.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string run(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    std::array<char, 256> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
        output += buffer.data();
    }
    ::pclose(pipe);
    return output;
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

void xdotool(const std::string& arguments) { ASSERT_EQ(std::system(("xdotool " + arguments).c_str()), 0) << arguments; }

// Polls until the condition holds; the deadline only bounds a hang, it never decides the result alone.
template <typename Condition>
bool waitFor(Condition condition, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(50ms);
    }
    return condition();
}

class Vantor : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "runs on an X display (the test command starts one)";
        std::string pattern = (fs::temp_directory_path() / "vantor-e2e-XXXXXX").string();
        directory = ::mkdtemp(pattern.data());
        for (const char* folder : {"shaders", "sprites", "fonts", "sounds"}) {
            fs::create_directory_symlink(fs::path(VANTOR_RUNTIME_DIR) / folder, directory / folder);
        }
    }
    void TearDown() override {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        fs::remove_all(directory);
    }

    void launch() {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string out = (directory / "stdout.txt").string();
        const std::string err = (directory / "stderr.txt").string();
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
        char* argv[] = {const_cast<char*>(VANTOR_EXECUTABLE), nullptr};
        ASSERT_EQ(posix_spawn(&pid, VANTOR_EXECUTABLE, &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
    }

    // Exit status, or -1 when the program had not ended within the limit.
    int waitForExit(std::chrono::seconds limit) {
        int status = 0;
        const bool ended = waitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, limit);
        if (!ended) {
            return -1;
        }
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    fs::path directory;
    pid_t pid = -1;
};

TEST_F(Vantor, PlaysAGameFromTheMenuAndQuitsCleanly) {
    launch();
    std::string windowId;
    ASSERT_TRUE(waitFor(
        [&] {
            windowId = run("xdotool search --name '^Vantor v0.2$' 2>/dev/null | head -n 1");
            return !windowId.empty();
        },
        30s));
    windowId.erase(windowId.find_last_not_of(" \n") + 1);
    ASSERT_TRUE(waitFor([&] { return run("xprop -id " + windowId + " _NET_WM_STATE").find("FULLSCREEN") != std::string::npos; },
                        30s))
        << "the game switches to full screen once loaded";
    std::this_thread::sleep_for(500ms); // let the window manager settle the full-screen window

    // The menu is centred on the 1024 x 768 screen: "Flamethrower" at (+270, +180), "Start game" at
    // (-135, -170) menu units, one unit per pixel, y upward.
    // A button reacts to the hover state of the last frame, so the pointer rests on it a moment first,
    // as a person's would.
    xdotool("mousemove --sync 782 204");
    std::this_thread::sleep_for(200ms);
    xdotool("click 1");
    xdotool("mousemove --sync 377 554");
    std::this_thread::sleep_for(200ms);
    xdotool("click 1");
    std::this_thread::sleep_for(300ms);
    xdotool("mousemove --sync 700 300");
    xdotool("keydown w mousedown 1");
    std::this_thread::sleep_for(3s);
    xdotool("key space"); // while the flames still burn
    xdotool("mouseup 1 keyup w");
    ASSERT_TRUE(waitFor([&] { return fs::exists(directory / "screenshot_1.png"); }, 10s));
    xdotool("key Escape");
    std::this_thread::sleep_for(300ms);
    xdotool("key Escape");

    EXPECT_EQ(waitForExit(30s), 0);
    EXPECT_NE(readAll(directory / "stdout.txt").find("OpenGL version: "), std::string::npos);
    EXPECT_EQ(readAll(directory / "stderr.txt"), "");

    int width = 0;
    int height = 0;
    int channels = 0;
    unsigned char* pixels = SOIL_load_image((directory / "screenshot_1.png").c_str(), &width, &height, &channels,
                                            SOIL_LOAD_RGB);
    ASSERT_NE(pixels, nullptr) << "a real PNG";
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(height, 768);
    long lit = 0;
    long buttonGrey = 0; // the menu's idle buttons, (0.3, 0.3, 0.3)
    long flame = 0;      // the flamethrower's orange
    for (int i = 0; i < width * height; ++i) {
        const int r = pixels[3 * i];
        const int g = pixels[3 * i + 1];
        const int b = pixels[3 * i + 2];
        lit += (r + g + b > 60) ? 1 : 0;
        buttonGrey += (r == g && g == b && r >= 74 && r <= 79) ? 1 : 0;
        flame += (r > 120 && r > g + 40 && g > b + 20) ? 1 : 0;
    }
    SOIL_free_image_data(pixels);
    EXPECT_GT(lit, width * height / 200) << "the screenshot shows the game, not a black frame";
    EXPECT_LT(buttonGrey, 1000) << "the game was in play, not in the menu";
    EXPECT_GT(flame, 500) << "the chosen flamethrower was firing";
}

} // namespace
