// The high score file survives the program being killed at any moment while it writes: after every kill the
// file holds a complete "HighScore=<n>", and n never goes back.
#include <random>
#include <regex>

#include <gtest/gtest.h>
#include <signal.h>

#include "support/Process.hpp"

namespace kv::testsupport {
namespace {

constexpr int kDefaultKills = 300;     // VANTOR_HIGH_SCORE_KILLS overrides it
constexpr int kLongestDelay = 6000;    // microseconds between the awaited saves and the kill
constexpr int kMostSavesAwaited = 2;   // saved scores the writer waits for before the kill
constexpr int kKilled = 128 + SIGKILL; // the status the shell reports

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
    const std::string writer = "cd " + quote(directory.path()) + " && " + quote(VANTOR_HIGH_SCORE_WRITER);

    long previous = 0;
    for (int kill = 0; kill < rounds; ++kill) {
        // Some kills come after whole saves, so that the score must have moved on; the rest at any moment
        // after the writer has read the file.
        const int awaitedSaves = saves(random);
        const CommandResult killed =
            run(writer + " " + std::to_string(awaitedSaves) + " " + std::to_string(delay(random)));
        ASSERT_EQ(killed.status, kKilled) << killed.output;

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
