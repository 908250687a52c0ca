// Starts the real program with one of the files it reads missing, empty, cut in half or replaced by noise.
// It must either end with a message that names the file, or carry on where that is the rule (a sound that
// does not load stays silent; a bad high score file reads as 0); never end by a crash signal or a sanitizer
// report, and never leave anything in its working directory but a valid high score file. A last case runs
// it in a directory it may not write to.
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::size_t kGarbageLimit = 4096; // bytes of noise at most
constexpr auto kRunLimit = 180s;            // a hang, not a slow start, exceeds this
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP, SIGSYS};

enum class Fault { Missing, Empty, Truncated, Garbage };
enum class Outcome {
    Fatal,       // ends during loading, naming the file
    FatalInPlay, // ends when a game starts, naming the file
    Silent,      // a sound: plays nothing, says so, and the program carries on
    Ignored      // the high score file: reads as 0 and nothing is said
};

struct FaultCase {
    std::string file; // relative to the working directory
    Outcome outcome;
    Fault fault;
};

const char* nameOf(Fault fault) {
    switch (fault) {
    case Fault::Missing:
        return "Missing";
    case Fault::Empty:
        return "Empty";
    case Fault::Truncated:
        return "Truncated";
    case Fault::Garbage:
        return "Garbage";
    }
    return "";
}

std::vector<FaultCase> allCases() {
    const std::vector<std::pair<std::string, Outcome>> files = {
        {"shaders/debug.vert", Outcome::Fatal},
        {"shaders/debug.frag", Outcome::Fatal},
        {"shaders/sprite.vert", Outcome::Fatal},
        {"shaders/sprite.frag", Outcome::Fatal},
        {"shaders/dist_text.vert", Outcome::Fatal},
        {"shaders/dist_text.frag", Outcome::Fatal},
        {"sprites/space_ship.png", Outcome::Fatal},
        {"sprites/WB_baseu3_d0.png", Outcome::Fatal},
        {"sprites/WB_base_d0.png", Outcome::Fatal},
        {"sprites/blueshuttlenoweps.png", Outcome::Fatal},
        {"sprites/bluecargoship.png", Outcome::Fatal},
        {"sprites/firebolt.png", Outcome::Fatal},
        {"sprites/player_ship_explosion.png", Outcome::Fatal},
        {"sprites/enemy1_explosion.png", Outcome::Fatal},
        {"sprites/dual_turret.png", Outcome::FatalInPlay},
        {"fonts/OpenSans-Regular.fnt", Outcome::Fatal},
        {"fonts/OpenSans-Regular_0.png", Outcome::Fatal},
        {"sounds/255716_varno12_silenced-pistol-layered-powerful.ogg", Outcome::Silent},
        {"sounds/94185_olm-tarr_explosion.ogg", Outcome::Silent},
        {"sounds/78457_delvo41_bum.ogg", Outcome::Silent},
        {"sounds/220332_r-tamosk_vel-23022014-game-loop-3.ogg", Outcome::Silent},
        {"HighScore.txt", Outcome::Ignored},
    };
    std::vector<FaultCase> cases;
    for (const auto& [file, outcome] : files) {
        for (Fault fault : {Fault::Missing, Fault::Empty, Fault::Truncated, Fault::Garbage}) {
            cases.push_back({file, outcome, fault});
        }
    }
    return cases;
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeAll(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    ASSERT_TRUE(out.good()) << path;
}

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

// A sound-alike of what a sanitizer prints when it finds something.
bool hasSanitizerReport(const std::string& text) {
    return text.find("ERROR: AddressSanitizer") != std::string::npos ||
           text.find("ERROR: LeakSanitizer") != std::string::npos ||
           text.find("runtime error:") != std::string::npos;
}

class ProgramRun {
public:
    explicit ProgramRun(const fs::path& root) : root(root) {
        fs::create_directories(root / "work");
        fs::create_directories(root / "out");
    }

    fs::path work() const { return root / "work"; }

    // Links the asset folders, except that the folder of a faulted file becomes a real folder of links.
    void layAssets() {
        for (const char* folder : {"shaders", "sprites", "fonts", "sounds"}) {
            fs::create_directory_symlink(fs::path(VANTOR_RUNTIME_DIR) / folder, work() / folder);
        }
    }

    void layAssetsWithFault(const std::string& file, Fault fault) {
        const fs::path faulted(file);
        for (const char* folder : {"shaders", "sprites", "fonts", "sounds"}) {
            const fs::path source = fs::path(VANTOR_RUNTIME_DIR) / folder;
            if (faulted.parent_path() != folder) {
                fs::create_directory_symlink(source, work() / folder);
                continue;
            }
            fs::create_directory(work() / folder);
            for (const auto& entry : fs::directory_iterator(source)) {
                if (entry.path().filename() != faulted.filename()) {
                    fs::create_symlink(entry.path(), work() / folder / entry.path().filename());
                }
            }
        }
        const std::string original = faulted.parent_path().empty()
                                         ? std::string("HighScore=1250")
                                         : readAll(fs::path(VANTOR_RUNTIME_DIR) / file);
        switch (fault) {
        case Fault::Missing:
            return;
        case Fault::Empty:
            writeAll(work() / file, "");
            return;
        case Fault::Truncated:
            writeAll(work() / file, original.substr(0, original.size() / 2));
            return;
        case Fault::Garbage: {
            std::mt19937 random(static_cast<unsigned>(std::hash<std::string>{}(file)));
            std::string noise(std::min(original.size(), kGarbageLimit), '\0');
            for (char& c : noise) {
                c = static_cast<char>(random() & 0xffu);
            }
            writeAll(work() / file, noise);
            return;
        }
        }
    }

    // prefix: arguments placed before the program (e.g. to run it as another user).
    void launch(const std::vector<std::string>& prefix = {}) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string out = (root / "out/stdout.txt").string();
        const std::string err = (root / "out/stderr.txt").string();
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addchdir_np(&actions, work().c_str());
        std::vector<std::string> arguments = prefix;
        arguments.emplace_back(VANTOR_EXECUTABLE);
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        ASSERT_EQ(posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
    }

    bool ended() {
        if (pid > 0 && ::waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
        }
        return pid <= 0;
    }

    // True once the program's window has gone full screen, which it does at the end of loading.
    bool loaded() {
        if (ended()) {
            return false;
        }
        std::string window = run("xdotool search --name '^Vantor v0.2$' 2>/dev/null | head -n 1");
        window.erase(window.find_last_not_of(" \n") + 1);
        return !window.empty() && run("xprop -id " + window + " _NET_WM_STATE").find("FULLSCREEN") != std::string::npos;
    }

    void waitForEnd() {
        ASSERT_TRUE(waitFor([&] { return ended(); }, std::chrono::duration_cast<std::chrono::seconds>(kRunLimit)))
            << "the program hangs";
    }

    ~ProgramRun() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    std::string standardError() const { return readAll(root / "out/stderr.txt"); }
    bool exitedWith(int code) const { return WIFEXITED(status) && WEXITSTATUS(status) == code; }
    bool crashed() const {
        if (!WIFSIGNALED(status)) {
            return false;
        }
        for (int signal : kCrashSignals) {
            if (WTERMSIG(status) == signal) {
                return true;
            }
        }
        return false;
    }
    std::string describeStatus() const {
        if (WIFEXITED(status)) {
            return "exit " + std::to_string(WEXITSTATUS(status));
        }
        return WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status)) : "still running";
    }

    // Every entry of the working directory that the run added or changed, but for the asset folders.
    std::set<std::string> entriesBesidesAssets() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(work())) {
            const std::string name = entry.path().filename().string();
            if (name != "shaders" && name != "sprites" && name != "fonts" && name != "sounds") {
                names.insert(name);
            }
        }
        return names;
    }

private:
    fs::path root;
    pid_t pid = -1;
    int status = 0;
};

fs::path freshRoot() {
    std::string pattern = (fs::temp_directory_path() / "vantor-fault-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary directory");
    }
    return pattern;
}

void xdotool(const std::string& arguments) {
    ASSERT_EQ(std::system(("xdotool " + arguments).c_str()), 0) << arguments;
}

// "Start game" on the 1024 x 768 screen, as the end-to-end test finds it. The button reacts to a click only
// once a frame has seen the pointer over it, so the click waits like a person's would (longer than a slow,
// sanitized frame).
void clickStartGame() {
    std::this_thread::sleep_for(500ms); // the window manager settles the full-screen window
    xdotool("mousemove --sync 377 554");
    std::this_thread::sleep_for(700ms);
    xdotool("click 1");
}

class FaultInjection : public ::testing::TestWithParam<FaultCase> {
protected:
    void SetUp() override { ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "runs on an X display"; }
};

TEST_P(FaultInjection, EndsNamingTheFileOrCarriesOn) {
    const FaultCase& fault = GetParam();
    ProgramRun program(freshRoot());
    program.layAssetsWithFault(fault.file, fault.fault);
    const std::string injected =
        fs::exists(program.work() / "HighScore.txt") ? readAll(program.work() / "HighScore.txt") : "";
    program.launch();

    if (fault.outcome == Outcome::Fatal) {
        program.waitForEnd();
    } else {
        ASSERT_TRUE(waitFor([&] { return program.loaded(); }, 120s))
            << "the program carries on with " << fault.file << "; " << program.describeStatus() << "\n"
            << program.standardError();
        if (fault.outcome == Outcome::FatalInPlay) {
            clickStartGame();
        } else {
            std::this_thread::sleep_for(500ms);
            xdotool("key Escape");
        }
        program.waitForEnd();
    }

    const std::string errors = program.standardError();
    EXPECT_FALSE(program.crashed()) << program.describeStatus() << "\n" << errors;
    EXPECT_FALSE(hasSanitizerReport(errors)) << errors;
    switch (fault.outcome) {
    case Outcome::Fatal:
    case Outcome::FatalInPlay:
        EXPECT_FALSE(program.exitedWith(0)) << "a broken asset ends the program";
        EXPECT_NE(errors.find(fault.file), std::string::npos) << "the message names the file:\n" << errors;
        break;
    case Outcome::Silent:
        EXPECT_TRUE(program.exitedWith(0)) << program.describeStatus() << "\n" << errors;
        if (fault.fault != Fault::Truncated) {
            EXPECT_NE(errors.find("couldn't load sound file " + fault.file), std::string::npos) << errors;
        }
        break;
    case Outcome::Ignored:
        EXPECT_TRUE(program.exitedWith(0)) << program.describeStatus() << "\n" << errors;
        EXPECT_EQ(errors, "");
        break;
    }

    // Nothing is written but the high score file, and no game scored here, so that stays as it was.
    std::set<std::string> expected;
    if (fault.fault != Fault::Missing || fault.file != "HighScore.txt") {
        if (fs::exists(program.work() / "HighScore.txt")) {
            expected.insert("HighScore.txt");
            EXPECT_EQ(readAll(program.work() / "HighScore.txt"), injected);
        }
    }
    EXPECT_EQ(program.entriesBesidesAssets(), expected);
}

// Cases that end during loading need no input and may run beside others; the names tell them apart.
const char* prefixOf(Outcome outcome) {
    switch (outcome) {
    case Outcome::Fatal:
        return "EndsAtLoad_";
    case Outcome::FatalInPlay:
        return "EndsInPlay_";
    case Outcome::Silent:
        return "Silent_";
    case Outcome::Ignored:
        return "ReadsAsZero_";
    }
    return "";
}

std::string caseName(const ::testing::TestParamInfo<FaultCase>& info) {
    std::string name = prefixOf(info.param.outcome) + info.param.file + "_" + nameOf(info.param.fault);
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(EveryFileRead, FaultInjection, ::testing::ValuesIn(allCases()), caseName);

// Plays a short game (a screenshot, escape to the menu, escape to quit) with a high score of -7 on file, so
// that leaving the game beats it and the game tries to save it.
void playAndQuit(ProgramRun& program) {
    ASSERT_TRUE(waitFor([&] { return program.loaded(); }, 120s)) << program.describeStatus() << "\n"
                                                                  << program.standardError();
    clickStartGame();
    std::this_thread::sleep_for(1500ms);
    xdotool("key space");
    std::this_thread::sleep_for(1500ms);
    xdotool("key Escape");
    std::this_thread::sleep_for(500ms);
    xdotool("key Escape");
    program.waitForEnd();
}

class ReadOnlyDirectory : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "runs on an X display"; }
};

TEST_F(ReadOnlyDirectory, AWritableDirectoryGetsTheScoreAndTheScreenshot) {
    ProgramRun program(freshRoot());
    program.layAssets();
    writeAll(program.work() / "HighScore.txt", "HighScore=-7");
    program.launch();
    playAndQuit(program);
    EXPECT_TRUE(program.exitedWith(0)) << program.describeStatus();
    EXPECT_EQ(program.standardError(), "");
    EXPECT_EQ(readAll(program.work() / "HighScore.txt"), "HighScore=0");
    EXPECT_EQ(program.entriesBesidesAssets(), (std::set<std::string>{"HighScore.txt", "screenshot_1.png"}));
}

// The same game as an unprivileged user in a directory owned by root: nothing can be written, nothing is
// said, and the program ends normally.
TEST_F(ReadOnlyDirectory, NothingIsWrittenAndNothingIsSaid) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to run the game as another user";
    }
    ProgramRun program(freshRoot());
    program.layAssets();
    writeAll(program.work() / "HighScore.txt", "HighScore=-7");
    fs::permissions(program.work(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                        fs::perms::others_read | fs::perms::others_exec);
    // The build tree and the temporary root must be readable by the user; the drivers' caches go to a
    // directory of its own.
    const fs::path home = program.work().parent_path() / "home";
    fs::create_directory(home);
    ASSERT_EQ(::chown(home.c_str(), 65534, 65534), 0);
    fs::permissions(program.work().parent_path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(program.work().parent_path() / "out", fs::perms::all, fs::perm_options::add);
    program.launch({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "env", "HOME=" + home.string()});
    playAndQuit(program);
    EXPECT_TRUE(program.exitedWith(0)) << program.describeStatus() << "\n" << program.standardError();
    EXPECT_EQ(program.standardError(), "");
    EXPECT_EQ(readAll(program.work() / "HighScore.txt"), "HighScore=-7");
    EXPECT_EQ(program.entriesBesidesAssets(), std::set<std::string>{"HighScore.txt"});
}

} // namespace
