// Shared pieces of the installation tests: scratch directories, shell commands, installing a component of
// the build into a prefix, and playing an installed game on the X display with xdotool.
#pragma once

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <SOIL/SOIL.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kv::test {

namespace fs = std::filesystem;

// A fresh directory under the system's temporary directory, removed with everything in it at the end.
class TemporaryDirectory {
public:
    explicit TemporaryDirectory(const std::string& stem) {
        std::string pattern = fs::temp_directory_path() / (stem + "-XXXXXX");
        if (::mkdtemp(pattern.data()) != nullptr) {
            directory = pattern;
        }
    }
    ~TemporaryDirectory() {
        std::error_code ignored;
        fs::remove_all(directory, ignored);
    }
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
inline CommandResult run(const std::string& command) {
    CommandResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    std::array<char, 4096> buffer{};
    for (std::size_t count; (count = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) {
        result.output.append(buffer.data(), count);
    }
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

// Single-quoted for the shell, whatever the text holds.
inline std::string quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// `cmake --install` of this build into the prefix: of one component, or of what installs by default ("").
inline CommandResult install(const std::string& component, const fs::path& prefix) {
    return run("env -u DESTDIR " + quote(VANTOR_CMAKE_COMMAND) + " --install " + quote(VANTOR_BUILD_DIR) +
               (component.empty() ? "" : " --component " + component) + " --prefix " + quote(prefix));
}

// Fraction of the pixels of a PNG that are clearly not black; -1 when it cannot be read.
inline double litFraction(const fs::path& png) {
    constexpr int kLitThreshold = 60; // sum of the three channels (0 to 765) above which a pixel is lit
    int width = 0;
    int height = 0;
    int channels = 0;
    unsigned char* pixels = SOIL_load_image(png.c_str(), &width, &height, &channels, SOIL_LOAD_RGB);
    if (pixels == nullptr) {
        return -1.0;
    }
    const long count = static_cast<long>(width) * height;
    long lit = 0;
    for (long i = 0; i < count; ++i) {
        lit += pixels[3 * i] + pixels[3 * i + 1] + pixels[3 * i + 2] > kLitThreshold ? 1 : 0;
    }
    SOIL_free_image_data(pixels);
    return static_cast<double>(lit) / static_cast<double>(count);
}

// Starts `command` in `directory` in the background, waits until a window titled `title` shows (and is full
// screen, if asked: the shooter switches once its assets are loaded), gives it the focus, runs `steps` (a
// shell list that drives it with xdotool) and waits for the game to end; the result is the game's status and
// output. The time limits only bound a hang: a game that never shows its window or never ends fails the run.
inline CommandResult play(const std::string& command, const fs::path& directory, const std::string& title,
                          bool fullScreen, const std::string& steps) {
    static const std::string script = R"sh(
out=$(mktemp) && cd "$directory" || exit 1
"$@" >"$out" 2>&1 & game=$!
fail() { kill $game 2>/dev/null; echo "$1"; cat "$out"; rm -f "$out"; exit 1; }
shown() {
    w=$(xdotool search --name "^$title\$" | head -n 1)
    [ -n "$w" ] && { [ -z "$fullScreen" ] || xprop -id "$w" _NET_WM_STATE | grep -q FULLSCREEN; }
}
waited=0
until shown; do
    kill -0 $game 2>/dev/null && [ $waited -lt 600 ] || fail "no window $title"
    sleep 0.1; waited=$((waited + 1))
done
xdotool windowactivate "$w" >/dev/null 2>&1
sleep 0.5 # the window manager finishes placing the window before keys go to it
eval "$steps" || fail "failed: $steps"
timeout 30 sh -c "while kill -0 $game 2>/dev/null; do sleep 0.1; done" || kill $game
wait $game; status=$?
cat "$out"; rm -f "$out"; exit $status
)sh";
    return run("directory=" + quote(directory.string()) + " title=" + quote(title) +
               " steps=" + quote(steps) + " fullScreen=" + (fullScreen ? "1" : "") + " sh -c " +
               quote(script) + " sh " + command);
}

} // namespace kv::test
