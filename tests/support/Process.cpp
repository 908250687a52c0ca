#include "support/Process.hpp"

#include "engine/render/RgbaImage.hpp"
#include "support/Constants.hpp"

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kv::testsupport {

CommandResult run(const std::string& command) {
    CommandResult result;
    if (FILE* pipe = ::popen((command + " 2>&1").c_str(), "r")) {
        char buffer[4096];
        for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            result.output.append(buffer, count);
        }
        result.output.erase(result.output.find_last_not_of('\n') + 1);
        const int status = ::pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return result;
}

std::string quote(const std::string& text) {
    return "'" + std::regex_replace(text, std::regex("'"), "'\\''") + "'";
}

std::string readFile(const fs::path& path) {
    std::stringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    return content.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
    if (!(std::ofstream(path, std::ios::binary) << bytes)) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::set<std::string> namesIn(const fs::path& directory) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::seconds limit) {
    constexpr auto kPollInterval = std::chrono::milliseconds(50);
    for (const auto deadline = std::chrono::steady_clock::now() + limit;
         std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(kPollInterval)) {
        if (condition()) {
            return true;
        }
    }
    return condition();
}

TemporaryDirectory::TemporaryDirectory(const std::string& prefix)
    : root(fs::temp_directory_path() / (prefix + "-XXXXXX")) {
    std::string pattern = root.string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary directory");
    }
    root = pattern;
}

void linkAssetFolders(const fs::path& directory) {
    for (const char* folder : kAssetFolders) {
        fs::create_directory_symlink(fs::path(VANTOR_RUNTIME_DIR) / folder, directory / folder);
    }
}

Process::Process(std::vector<std::string> argv, const fs::path& workingDirectory,
                 const fs::path& outputDirectory)
    : outputDirectory(outputDirectory) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    for (const auto& [descriptor, name] : {std::pair{1, "stdout.txt"}, {2, "stderr.txt"}}) {
        posix_spawn_file_actions_addopen(&actions, descriptor, (outputDirectory / name).c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    std::vector<char*> pointers(argv.size() + 1, nullptr); // ending with the null pointer
    std::transform(argv.begin(), argv.end(), pointers.begin(), [](std::string& a) { return a.data(); });
    const int failure = posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failure != 0) {
        pid = -1;
        throw std::runtime_error("cannot start " + argv.front());
    }
}

Process::~Process() {
    if (pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
}

bool Process::ended() {
    if (pid > 0 && ::waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
    }
    return pid <= 0;
}

std::string Process::describe() const {
    return pid > 0             ? "running"
           : WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                               : "signal " + std::to_string(WTERMSIG(status));
}

bool waitForWindow(Process& program, std::chrono::seconds limit, const std::string& title, bool fullScreen) {
    std::string window;
    const bool shown = waitFor(
        [&] {
            window = run("xdotool search --name " + quote("^" + title + "$") + " | head -n 1").output;
            return !program.ended() && !window.empty() &&
                   (!fullScreen || run("xprop -id " + window + " _NET_WM_STATE").output.find("FULLSCREEN") !=
                                       std::string::npos);
        },
        limit);
    run("xdotool windowactivate " + window); // keys go to the focused window
    return shown && waitFor([&] { return run("xdotool getwindowfocus").output == window; }, limit);
}

double shareOnScreen(const std::function<bool(int, int, int)>& predicate, int x, int y, int width,
                     int height) {
    Display* display = XOpenDisplay(nullptr); // the tests that look at the screen run on a display
    width = width > 0 ? width : DisplayWidth(display, 0);
    height = height > 0 ? height : DisplayHeight(display, 0);
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, unsigned(width), unsigned(height),
                              AllPlanes, ZPixmap);
    long count = 0;
    for (int i = 0; i < width * height; ++i) {
        // The virtual display's 24-bit colour keeps red, green and blue in bytes 2, 1 and 0 of a pixel.
        const unsigned long pixel = XGetPixel(image, i % width, i / width);
        count += predicate(int(pixel >> 16 & 0xff), int(pixel >> 8 & 0xff), int(pixel & 0xff)) ? 1 : 0;
    }
    XDestroyImage(image);
    XCloseDisplay(display);
    return static_cast<double>(count) / (double(width) * height);
}

double shareOfPixels(const fs::path& png, const std::function<bool(int, int, int)>& predicate) {
    const RgbaImage image(png.string());
    const long pixels = long{image.getWidth()} * image.getHeight();
    long count = 0;
    const unsigned char* end = image.getPixels() + kRgbaChannels * pixels;
    for (const unsigned char* p = image.getPixels(); p != end; p += kRgbaChannels) {
        count += predicate(p[0], p[1], p[2]) ? 1 : 0;
    }
    return static_cast<double>(count) / static_cast<double>(pixels);
}

} // namespace kv::testsupport
