// The high score file survives the program being killed at any moment while it writes: after every kill the
// file holds a complete "HighScore=<n>", and n never goes back.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kDefaultKills = 300; // VANTOR_HIGH_SCORE_KILLS overrides it
constexpr int kLongestDelay = 6000; // microseconds between the writer's start and its kill

int kills() {
    const char* text = std::getenv("VANTOR_HIGH_SCORE_KILLS");
    return text != nullptr ? std::atoi(text) : kDefaultKills;
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

class HighScoreKill : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vantor-kill-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        directory = pattern;
    }
    void TearDown() override { fs::remove_all(directory); }

    // Starts the writer and returns once it has read the file; the pipe's read end is left in readEnd.
    pid_t startWriter() {
        int channel[2];
        EXPECT_EQ(::pipe(channel), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, channel[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, channel[0]);
        posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
        char* argv[] = {const_cast<char*>(VANTOR_HIGH_SCORE_WRITER), nullptr};
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, VANTOR_HIGH_SCORE_WRITER, &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(channel[1]);
        char ready = 0;
        EXPECT_EQ(::read(channel[0], &ready, 1), 1) << "the writer starts";
        ::close(channel[0]);
        return pid;
    }

    fs::path directory;
};

TEST_F(HighScoreKill, EveryKillLeavesTheOldOrTheNewCompleteFile) {
    const fs::path file = directory / "HighScore.txt";
    std::ofstream(file, std::ios::binary) << "HighScore=0";
    const std::regex complete("HighScore=(0|[1-9][0-9]*)");
    std::mt19937 random(1);
    std::uniform_int_distribution<int> delay(0, kLongestDelay);

    long previous = 0;
    int advanced = 0;
    const int rounds = kills();
    for (int kill = 0; kill < rounds; ++kill) {
        const pid_t pid = startWriter();
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ASSERT_EQ(::kill(pid, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the writer never stops by itself";

        const std::string content = readAll(file);
        std::smatch match;
        ASSERT_TRUE(std::regex_match(content, match, complete)) << "after kill " << kill << ": '" << content << "'";
        const long value = std::stol(match[1]);
        ASSERT_GE(value, previous) << "after kill " << kill;
        advanced += value > previous ? 1 : 0;
        previous = value;
    }
    std::printf("%d kills, %d of them after at least one new score, last score %ld\n", rounds, advanced, previous);
    // Kills must land while scores are being written, or the test proves nothing; how many do depends on
    // the machine's load.
    EXPECT_GT(advanced, rounds / 10);
}

} // namespace
