// The high score file survives the program being killed at any moment while it writes: after every kill the
// file holds a complete "HighScore=<n>", and n never goes back.
#include <random>
#include <regex>
#include <thread>

#include <gtest/gtest.h>
#include <signal.h>

#include "support/Process.hpp"

namespace kv::testsupport {
namespace {

constexpr int kDefaultKills = 300;   // VANTOR_HIGH_SCORE_KILLS overrides it
constexpr int kLongestDelay = 6000;  // microseconds between the writer's start and its kill
constexpr int kMostSavesAwaited = 2; // saved scores the test waits for before a kill

TEST(HighScoreKill, EveryKillLeavesTheOldOrTheNewCompleteFile) {
    TemporaryDirectory directory("vantor-kill");
    const fs::path file = directory.path() / "HighScore.txt";
    writeFile(file, "HighScore=0");
    const std::regex complete("HighScore=(0|[1-9][0-9]*)");
    std::mt19937 random(1);
    std::uniform_int_distribution<int> delay(0, kLongestDelay);
    std::uniform_int_distribution<int> saves(0, kMostSavesAwaited);
    const char* setting = std::getenv("VANTOR_HIGH_SCORE_KILLS");
    const int rounds = setting != nullptr ? std::atoi(setting) : kDefaultKills;

    long previous = 0;
    for (int kill = 0; kill < rounds; ++kill) {
        Process writer({VANTOR_HIGH_SCORE_WRITER}, directory.path());
        // Some kills come after whole saves, so that the score must have moved on; the rest at any moment
        // after the writer has read the file.
        const int awaitedSaves = saves(random);
        for (int mark = 0; mark <= awaitedSaves; ++mark) {
            ASSERT_NE(writer.readByte(), -1);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        writer.kill(SIGKILL);

        const std::string content = readFile(file);
        std::smatch match;
        ASSERT_TRUE(std::regex_match(content, match, complete))
            << "after kill " << kill << ": '" << content << "'";
        const long value = std::stol(match[1]);
        ASSERT_GE(value, previous + (awaitedSaves > 0 ? 1 : 0)) << "a saved score is lost after kill " << kill;
        previous = value;
    }
}

} // namespace
} // namespace kv::testsupport
