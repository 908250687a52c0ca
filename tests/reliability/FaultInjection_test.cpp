// Starts the real program with one of the files it reads missing, empty, cut in half or replaced by noise.
// It must end with a message that names the file, or carry on where that is the rule; never end by a crash
// signal or a sanitizer report, and never leave anything in its working directory but the high score file
// as it was. A last case runs it in a directory it may not write to.
#include <algorithm>
#include <cctype>
#include <ostream>
#include <random>
#include <set>
#include <thread>

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/Process.hpp"

namespace kv::testsupport {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kGarbageLimit = 4096; // bytes of noise at most
constexpr auto kRunLimit = 180s;            // a hang, not a slow start, exceeds this
constexpr int kNobody = 65534;              // user and group the read-only case runs as
enum class Fault { Missing, Empty, Truncated, Garbage };
const char* const kFaultNames[] = {"Missing", "Empty", "Truncated", "Garbage"};

// What the program does when it cannot read a file.
enum class WhenUnreadable {
    EndsAtLoad, // the program ends during loading, naming the file
    EndsInPlay, // the program ends when a game starts, naming the file
    Silent,     // a sound: it plays nothing, says so, and the program carries on
    ReadsAsZero // the high score file: a high score of 0, and nothing is said
};
const char* const kOutcomePrefixes[] = {"EndsAtLoad_", "EndsInPlay_", "Silent_", "ReadsAsZero_"};

// Every file the game reads from its working directory (paths relative to it), by what the program does when
// it cannot read it.
const std::pair<WhenUnreadable, std::vector<std::string>> kAssetFiles[] = {
    {WhenUnreadable::EndsAtLoad,
     {"shaders/debug.vert", "shaders/debug.frag", "shaders/sprite.vert", "shaders/sprite.frag",
      "shaders/dist_text.vert", "shaders/dist_text.frag", "sprites/space_ship.png",
      "sprites/WB_baseu3_d0.png", "sprites/WB_base_d0.png", "sprites/blueshuttlenoweps.png",
      "sprites/bluecargoship.png", "sprites/firebolt.png", "sprites/player_ship_explosion.png",
      "sprites/enemy1_explosion.png", "fonts/OpenSans-Regular.fnt", "fonts/OpenSans-Regular_0.png"}},
    {WhenUnreadable::EndsInPlay, {"sprites/dual_turret.png"}},
    {WhenUnreadable::Silent,
     {"sounds/255716_varno12_silenced-pistol-layered-powerful.ogg", "sounds/94185_olm-tarr_explosion.ogg",
      "sounds/78457_delvo41_bum.ogg", "sounds/220332_r-tamosk_vel-23022014-game-loop-3.ogg"}},
    {WhenUnreadable::ReadsAsZero, {"HighScore.txt"}},
};

struct FaultCase {
    std::string path;
    WhenUnreadable outcome;
    Fault fault;
};

void PrintTo(const FaultCase& c, std::ostream* out) {
    *out << c.path << ' ' << kFaultNames[static_cast<int>(c.fault)];
}

// Every file goes missing. The files of a kind (extension and outcome) share their reader, so the first of
// each kind also comes empty, cut and noisy.
std::vector<FaultCase> allCases() {
    std::vector<FaultCase> cases;
    std::set<std::pair<std::string, WhenUnreadable>> kinds;
    for (const auto& [outcome, paths] : kAssetFiles) {
        for (const std::string& path : paths) {
            cases.push_back({path, outcome, Fault::Missing});
            if (kinds.insert({fs::path(path).extension(), outcome}).second) {
                for (Fault fault : {Fault::Empty, Fault::Truncated, Fault::Garbage}) {
                    cases.push_back({path, outcome, fault});
                }
            }
        }
    }
    return cases;
}

// The working directory links the asset folders, except that the faulted file's folder links file by file.
void layAssets(const fs::path& work, const fs::path& file, Fault fault) {
    linkAssetFolders(work);
    if (file.has_parent_path()) {
        fs::remove(work / file.parent_path());
        fs::create_directory(work / file.parent_path());
        for (const auto& entry : fs::directory_iterator(VANTOR_RUNTIME_DIR / file.parent_path())) {
            fs::create_symlink(entry.path(), work / file.parent_path() / entry.path().filename());
        }
        fs::remove(work / file);
    }
    const std::string original =
        file.has_parent_path() ? readFile(VANTOR_RUNTIME_DIR / file) : "HighScore=1250";
    std::string content[] = {"", "", original.substr(0, original.size() / 2),
                             std::string(std::min(original.size(), kGarbageLimit), '\0')};
    std::mt19937 random(static_cast<unsigned>(std::hash<std::string>{}(file)));
    std::generate(content[3].begin(), content[3].end(), [&] { return static_cast<char>(random()); });
    if (fault != Fault::Missing) {
        writeFile(work / file, content[static_cast<int>(fault)]);
    }
}

// Every entry of the working directory but the asset folders.
std::set<std::string> entriesBesidesAssets(const fs::path& work) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(work)) {
        names.insert(entry.path().filename().string());
    }
    for (const char* folder : kAssetFolders) {
        names.erase(folder);
    }
    return names;
}

// Points at "Start game" on the 1024 x 768 screen and clicks once a frame has seen the pointer there (longer
// than a slow, sanitized frame). Without --sync: the previous run may have left the pointer there already,
// and xdotool would then wait for a motion that never comes.
void clickStartGame() {
    ASSERT_TRUE(xdotool("mousemove 377 554"));
    std::this_thread::sleep_for(700ms);
    ASSERT_TRUE(xdotool("click 1"));
}

class FaultInjection : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultInjection, EndsNamingTheFileOrCarriesOn) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "runs on an X display";
    const auto& [path, outcome, fault] = GetParam();
    TemporaryDirectory root("vantor-fault");
    const fs::path work = root.path() / "work";
    fs::create_directory(work);
    layAssets(work, path, fault);
    const bool hadHighScore = fs::exists(work / "HighScore.txt");
    const std::string injected = readFile(work / "HighScore.txt");
    Process program({VANTOR_EXECUTABLE}, work, root.path());
    if (outcome != WhenUnreadable::EndsAtLoad) {
        ASSERT_TRUE(waitForWindow(program, 120s)) << program.describe() << "\n" << program.standardError();
        if (outcome == WhenUnreadable::EndsInPlay) {
            clickStartGame();
        } else {
            ASSERT_TRUE(xdotool("key Escape"));
        }
    }
    ASSERT_TRUE(program.waitForEnd(kRunLimit)) << "the program hangs";

    const std::string errors = program.standardError();
    EXPECT_FALSE(program.crashed()) << program.describe() << "\n" << errors;
    for (const char* sanitizerReport :
         {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"}) {
        EXPECT_EQ(errors.find(sanitizerReport), std::string::npos) << errors;
    }
    const bool ends = outcome == WhenUnreadable::EndsAtLoad || outcome == WhenUnreadable::EndsInPlay;
    EXPECT_EQ(program.exitedWith(0), !ends) << program.describe() << "\n" << errors;
    if (ends) {
        EXPECT_NE(errors.find(path), std::string::npos) << "the message names the file:\n" << errors;
    } else if (outcome == WhenUnreadable::ReadsAsZero) {
        EXPECT_EQ(errors, "");
    } else if (fault != Fault::Truncated) {
        EXPECT_NE(errors.find(std::string("couldn't load sound file ") + path), std::string::npos) << errors;
    }
    // Nothing is written but the high score file, and no game scored here, so that stays as it was.
    EXPECT_EQ(readFile(work / "HighScore.txt"), injected);
    EXPECT_EQ(entriesBesidesAssets(work),
              hadHighScore ? std::set<std::string>{"HighScore.txt"} : std::set<std::string>{});
}

std::string caseName(const ::testing::TestParamInfo<FaultCase>& info) {
    std::string name = std::string(kOutcomePrefixes[static_cast<int>(info.param.outcome)]) + info.param.path +
                       "_" + kFaultNames[static_cast<int>(info.param.fault)];
    std::replace_if(
        name.begin(), name.end(), [](unsigned char c) { return !std::isalnum(c); }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(EveryFileRead, FaultInjection, ::testing::ValuesIn(allCases()), caseName);

// A short game (a screenshot, escape to the menu, escape to quit) as an unprivileged user in a directory
// owned by root, with a high score of -7 on file that leaving the game beats: nothing can be written,
// nothing is said, and the program ends normally. The end-to-end test is the writable counterpart.
TEST(ReadOnlyDirectory, NothingIsWrittenAndNothingIsSaid) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "runs on an X display";
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to run the game as another user";
    }
    TemporaryDirectory root("vantor-fault");
    const fs::path work = root.path() / "work";
    const fs::path home = root.path() / "home"; // the drivers' caches
    fs::create_directory(work);
    fs::create_directory(home);
    linkAssetFolders(work);
    writeFile(work / "HighScore.txt", "HighScore=-7");
    ASSERT_EQ(::chown(home.c_str(), kNobody, kNobody), 0);
    fs::permissions(root.path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(work, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    const std::string nobody = std::to_string(kNobody);
    Process program({"setpriv", "--reuid=" + nobody, "--regid=" + nobody, "--clear-groups", "env",
                     "HOME=" + home.string(), VANTOR_EXECUTABLE},
                    work, root.path());
    ASSERT_TRUE(waitForWindow(program, 120s)) << program.describe() << "\n" << program.standardError();
    clickStartGame();
    for (const char* key : {"space", "Escape", "Escape"}) {
        std::this_thread::sleep_for(1500ms);
        ASSERT_TRUE(xdotool(std::string("key ") + key));
    }
    ASSERT_TRUE(program.waitForEnd(kRunLimit)) << "the program hangs";
    EXPECT_TRUE(program.exitedWith(0)) << program.describe() << "\n" << program.standardError();
    EXPECT_EQ(program.standardError(), "");
    EXPECT_EQ(readFile(work / "HighScore.txt"), "HighScore=-7");
    EXPECT_EQ(entriesBesidesAssets(work), std::set<std::string>{"HighScore.txt"});
}

} // namespace
} // namespace kv::testsupport
