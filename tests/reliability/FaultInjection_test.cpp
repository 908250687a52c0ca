// Starts the real program with one of the files it reads missing, empty, cut in half or replaced by noise.
// It must end with a message that names the file, or carry on where that is the rule; never end by a crash
// signal or a sanitizer report, and never leave anything in its working directory but the high score file
// as it was. A last case runs it in a directory it may not write to.
#include <cctype>
#include <ostream>
#include <random>
#include <set>
#include <thread>

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include "support/AssetFiles.hpp"
#include "support/Process.hpp"

namespace kv::testsupport {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kGarbageLimit = 4096; // bytes of noise at most
constexpr auto kRunLimit = 180s;            // a hang, not a slow start, exceeds this
constexpr int kNobody = 65534;              // user and group the read-only case runs as
const char* const kStoredHighScore = "HighScore=1250";

enum class Fault { Missing, Empty, Truncated, Garbage };
const char* const kFaultNames[] = {"Missing", "Empty", "Truncated", "Garbage"};
const char* const kOutcomePrefixes[] = {"EndsAtLoad_", "EndsInPlay_", "Silent_", "ReadsAsZero_"};

// Each reader is shared by every file of its kind: one file per kind gets the damaged forms.
const std::set<std::string> kOnePerReader = {"shaders/debug.vert", "sprites/space_ship.png", "sprites/dual_turret.png",
                                             "fonts/OpenSans-Regular.fnt",
                                             "sounds/255716_varno12_silenced-pistol-layered-powerful.ogg",
                                             "HighScore.txt"};

struct FaultCase {
    AssetFile file;
    Fault fault;
};

void PrintTo(const FaultCase& fault, std::ostream* out) {
    *out << fault.file.path << ' ' << kFaultNames[static_cast<int>(fault.fault)];
}

std::vector<FaultCase> allCases() {
    std::vector<FaultCase> cases;
    for (const AssetFile& file : kAssetFiles) {
        cases.push_back({file, Fault::Missing});
        if (kOnePerReader.count(file.path) != 0) {
            for (Fault fault : {Fault::Empty, Fault::Truncated, Fault::Garbage}) {
                cases.push_back({file, fault});
            }
        }
    }
    return cases;
}

// The working directory links the asset folders, except that the faulted file's folder links file by file.
void layAssets(const fs::path& work, const std::string& file, Fault fault) {
    const fs::path faulted(file);
    for (const char* folder : kAssetFolders) {
        const fs::path source = fs::path(VANTOR_RUNTIME_DIR) / folder;
        if (faulted.parent_path() != folder) {
            fs::create_directory_symlink(source, work / folder);
            continue;
        }
        fs::create_directory(work / folder);
        for (const auto& entry : fs::directory_iterator(source)) {
            if (entry.path().filename() != faulted.filename()) {
                fs::create_symlink(entry.path(), work / folder / entry.path().filename());
            }
        }
    }
    const std::string original =
        faulted.parent_path().empty() ? kStoredHighScore : readFile(fs::path(VANTOR_RUNTIME_DIR) / file);
    std::string noise(std::min(original.size(), kGarbageLimit), '\0');
    std::mt19937 random(static_cast<unsigned>(std::hash<std::string>{}(file)));
    for (char& c : noise) {
        c = static_cast<char>(random() & 0xffu);
    }
    const std::string content[] = {"", "", original.substr(0, original.size() / 2), noise};
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

bool hasSanitizerReport(const std::string& text) {
    for (const char* mark : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"}) {
        if (text.find(mark) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Points at "Start game" on the 1024 x 768 screen and clicks once a frame has seen the pointer there (longer
// than a slow, sanitized frame).
void clickStartGame() {
    std::this_thread::sleep_for(500ms); // the window manager settles the full-screen window
    ASSERT_TRUE(xdotool("mousemove --sync 377 554"));
    std::this_thread::sleep_for(700ms);
    ASSERT_TRUE(xdotool("click 1"));
}

class FaultInjection : public ::testing::TestWithParam<FaultCase> {
protected:
    void SetUp() override { ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "runs on an X display"; }
    TemporaryDirectory root{"vantor-fault"};
};

TEST_P(FaultInjection, EndsNamingTheFileOrCarriesOn) {
    const auto [file, fault] = GetParam();
    const fs::path work = root.path() / "work";
    fs::create_directory(work);
    layAssets(work, file.path, fault);
    const std::string injected = fs::exists(work / "HighScore.txt") ? readFile(work / "HighScore.txt") : "";
    Process program({VANTOR_EXECUTABLE}, work, root.path());
    if (file.outcome != WhenUnreadable::EndsAtLoad) {
        ASSERT_TRUE(waitForFullScreen(program, 120s)) << program.describe() << "\n" << program.standardError();
        if (file.outcome == WhenUnreadable::EndsInPlay) {
            clickStartGame();
        } else {
            std::this_thread::sleep_for(500ms);
            ASSERT_TRUE(xdotool("key Escape"));
        }
    }
    ASSERT_TRUE(program.waitForEnd(kRunLimit)) << "the program hangs";

    const std::string errors = program.standardError();
    EXPECT_FALSE(program.crashed()) << program.describe() << "\n" << errors;
    EXPECT_FALSE(hasSanitizerReport(errors)) << errors;
    if (file.outcome == WhenUnreadable::EndsAtLoad || file.outcome == WhenUnreadable::EndsInPlay) {
        EXPECT_FALSE(program.exitedWith(0)) << "a broken asset ends the program";
        EXPECT_NE(errors.find(file.path), std::string::npos) << "the message names the file:\n" << errors;
    } else {
        EXPECT_TRUE(program.exitedWith(0)) << program.describe() << "\n" << errors;
    }
    if (file.outcome == WhenUnreadable::Silent && fault != Fault::Truncated) {
        EXPECT_NE(errors.find(std::string("couldn't load sound file ") + file.path), std::string::npos) << errors;
    }
    if (file.outcome == WhenUnreadable::ReadsAsZero) {
        EXPECT_EQ(errors, "");
    }
    // Nothing is written but the high score file, and no game scored here, so that stays as it was.
    const bool keepsHighScore = fs::exists(work / "HighScore.txt");
    if (keepsHighScore) {
        EXPECT_EQ(readFile(work / "HighScore.txt"), injected);
    }
    EXPECT_EQ(entriesBesidesAssets(work), keepsHighScore ? std::set<std::string>{"HighScore.txt"} : std::set<std::string>{});
}

std::string caseName(const ::testing::TestParamInfo<FaultCase>& info) {
    std::string name = std::string(kOutcomePrefixes[static_cast<int>(info.param.file.outcome)]) +
                       info.param.file.path + "_" + kFaultNames[static_cast<int>(info.param.fault)];
    for (char& c : name) {
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
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
    ASSERT_TRUE(waitForFullScreen(program, 120s)) << program.describe() << "\n" << program.standardError();
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
