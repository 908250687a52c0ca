// Starts the real program with a file it reads missing, empty, cut in half or noisy, or in a directory it may
// not write to. It must end with status 1 and a message under its name that names the file, or carry on where
// that is the rule; never by a signal or a sanitizer report; and leave only the high score file as it was.
#include <algorithm>
#include <cctype>
#include <random>
#include <regex>
#include <set>

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/Process.hpp"

namespace kv::testsupport {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kGarbageLimit = 4096; // bytes of noise at most
constexpr auto kRunLimit = 180s;            // a hang, not a slow start, exceeds this
constexpr int kNobody = 65534;              // user and group the read-only case runs as
enum Fault { kMissing, kEmpty, kTruncated, kGarbage, kReadOnlyDirectory };
const char* const kFaultNames[] = {"Missing", "Empty", "Truncated", "Garbage", "InReadOnlyDirectory"};

// What the program does when it cannot read (or write) a file.
enum Outcome {
    kEndsAtLoad, // the program ends during loading, naming the file
    kEndsInPlay, // the program ends when a game starts, naming the file
    kSilent,     // a sound: it plays nothing, says so, and the program carries on
    kUnnoticed,  // the high score file: unreadable, it reads as 0; unwritable, it stays; nothing is said
    kStandsIn    // an engine shader, missing: the engine's own copy stands in, nothing is said
};
const char* const kOutcomeNames[] = {"EndsAtLoad", "EndsInPlay", "Silent", "Unnoticed", "StandsIn"};

// Every file the game reads from its working directory (paths relative to it), by what the program does when
// it cannot read it.
const std::pair<Outcome, std::vector<std::string>> kAssetFiles[] = {
    {kEndsAtLoad,
     {"shaders/debug.vert", "shaders/debug.frag", "shaders/sprite.vert", "shaders/sprite.frag",
      "sprites/space_ship.png",
      "sprites/WB_baseu3_d0.png", "sprites/WB_base_d0.png", "sprites/blueshuttlenoweps.png",
      "sprites/bluecargoship.png", "sprites/firebolt.png", "sprites/player_ship_explosion.png",
      "sprites/enemy1_explosion.png", "fonts/OpenSans-Regular.fnt", "fonts/OpenSans-Regular_0.png"}},
    {kEndsInPlay, {"sprites/dual_turret.png"}},
    {kSilent,
     {"sounds/255716_varno12_silenced-pistol-layered-powerful.ogg", "sounds/94185_olm-tarr_explosion.ogg",
      "sounds/78457_delvo41_bum.ogg", "sounds/220332_r-tamosk_vel-23022014-game-loop-3.ogg"}},
    {kUnnoticed, {"HighScore.txt"}},
    {kStandsIn, {"shaders/dist_text.vert", "shaders/dist_text.frag"}},
};

// The player's xdotool actions once the window shows, by outcome; "Start game" is at (377, 554). The game
// takes events in order and a click where the pointer is, which stays there: nothing waits. No --sync: the
// pointer may be there already, and xdotool would then wait for a motion that never comes.
const std::string kStartGame = "mousemove 377 554 click 1";
const std::string kActions[] = {"", kStartGame, "key Escape", "key Escape", "key Escape"};
// A short game in the read-only directory: a screenshot, escape to the menu, escape to quit.
const std::string kShortGame = kStartGame + " key space key Escape key Escape";

struct FaultCase {
    std::string name;
    fs::path path;
    Outcome outcome;
    Fault fault;
};

// Every file goes missing. The files of a kind (extension and outcome) share their reader, so the first of
// each kind also comes empty, cut and noisy (an engine shader that is there is read as any other shader). Last, a short game as an unprivileged user in a directory owned
// by root, with a high score of -7 on file that leaving the game beats (the end-to-end test is the writable
// counterpart).
std::vector<FaultCase> allCases() {
    std::vector<FaultCase> cases;
    std::set<std::pair<std::string, Outcome>> kinds;
    const auto add = [&](const std::string& path, Outcome outcome, Fault fault) {
        std::string name = std::string(kOutcomeNames[outcome]) + "_" + path + "_" + kFaultNames[fault];
        std::replace_if(name.begin(), name.end(), [](unsigned char c) { return !std::isalnum(c); }, '_');
        cases.push_back({name, path, outcome, fault});
    };
    for (const auto& [outcome, paths] : kAssetFiles) {
        for (const std::string& path : paths) {
            add(path, outcome, kMissing);
            if (outcome != kStandsIn && kinds.insert({fs::path(path).extension(), outcome}).second) {
                for (Fault fault : {kEmpty, kTruncated, kGarbage}) {
                    add(path, outcome, fault);
                }
            }
        }
    }
    add("HighScore.txt", kUnnoticed, kReadOnlyDirectory);
    return cases;
}

// Lays out the working directory root/work with links to every asset but the faulted file, and answers the
// command that runs the program there.
std::vector<std::string> layWorkingDirectory(const fs::path& root, const fs::path& file, Fault fault) {
    const fs::path work = root / "work";
    for (const char* folder : kAssetFolders) {
        fs::create_directories(work / folder);
        for (const auto& entry : fs::directory_iterator(fs::path(VANTOR_RUNTIME_DIR) / folder)) {
            fs::create_symlink(entry.path(), work / folder / entry.path().filename());
        }
    }
    fs::remove(work / file);
    const std::string original =
        file.has_parent_path() ? readFile(VANTOR_RUNTIME_DIR / file) : "HighScore=1250";
    std::string content[] = {"", "", original.substr(0, original.size() / 2),
                             std::string(std::min(original.size(), kGarbageLimit), '\0'), "HighScore=-7"};
    std::mt19937 random(static_cast<unsigned>(std::hash<std::string>{}(file)));
    std::generate(content[kGarbage].begin(), content[kGarbage].end(), [&] { return char(random()); });
    if (fault != kMissing) {
        writeFile(work / file, content[fault]);
    }
    if (fault != kReadOnlyDirectory) {
        return {VANTOR_EXECUTABLE};
    }
    const fs::path home = root / "home"; // the drivers' caches
    fs::create_directory(home);
    EXPECT_EQ(::chown(home.c_str(), kNobody, kNobody), 0);
    fs::permissions(root, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(work, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    const std::string nobody = std::to_string(kNobody);
    return {"setpriv", "--reuid=" + nobody, "--regid=" + nobody, "--clear-groups", "env",
            "HOME=" + home.string(), VANTOR_EXECUTABLE};
}

class FaultInjection : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultInjection, EndsNamingTheFileOrCarriesOn) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "runs on an X display";
    const auto& [name, path, outcome, fault] = GetParam();
    if (fault == kReadOnlyDirectory && ::geteuid() != 0) {
        GTEST_SKIP() << "needs root to run the game as another user";
    }
    TemporaryDirectory root("vantor-fault");
    const fs::path work = root.path() / "work";
    const std::vector<std::string> command = layWorkingDirectory(root.path(), path, fault);
    const std::set<std::string> laidOut = namesIn(work);
    const std::string injected = readFile(work / "HighScore.txt");
    Process program(command, work, root.path());
    if (outcome != kEndsAtLoad) {
        ASSERT_TRUE(waitForWindow(program, 120s)) << program.describe() << "\n" << program.standardError();
    }
    const std::string& actions = fault == kReadOnlyDirectory ? kShortGame : kActions[outcome];
    ASSERT_TRUE(actions.empty() || xdotool(actions));
    ASSERT_TRUE(program.waitForEnd(kRunLimit)) << "the program hangs";

    const std::string errors = program.standardError();
    EXPECT_FALSE(std::regex_search(errors, std::regex("ERROR: (Address|Leak)Sanitizer|runtime error:")))
        << errors;
    const bool ends = outcome == kEndsAtLoad || outcome == kEndsInPlay;
    EXPECT_EQ(program.describe(), ends ? "exit 1" : "exit 0") << errors;
    if (ends) {
        EXPECT_NE(errors.find(path), std::string::npos) << "the message names the file:\n" << errors;
        EXPECT_TRUE(std::regex_search(errors, std::regex("(^|\n)vantor: .")));
    } else if (outcome == kUnnoticed || outcome == kStandsIn) {
        const bool screenshotRefused = fault == kReadOnlyDirectory;
        EXPECT_EQ(errors, screenshotRefused ? "Couldn't write screenshot screenshot_1.png: Permission denied\n" : "");
    } else if (fault != kTruncated) {
        EXPECT_NE(errors.find("couldn't load sound file " + path.string()), std::string::npos) << errors;
    }
    // Nothing is written but the high score file, and no game could save a score here, so that stays.
    EXPECT_EQ(readFile(work / "HighScore.txt"), injected);
    EXPECT_EQ(namesIn(work), laidOut);
}

INSTANTIATE_TEST_SUITE_P(EveryFileRead, FaultInjection, ::testing::ValuesIn(allCases()),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace kv::testsupport
