#include "game/HighScore.hpp"

#include <filesystem>
#include <fstream>
#include <limits>

#include <gtest/gtest.h>
#include <unistd.h> // mkdtemp

#include "engine/core/Diagnostics.hpp"
#include "game/GameState.hpp"

namespace kv {
namespace {

namespace fs = std::filesystem;

// Runs each case in an empty directory of its own, as the game runs in its working directory.
class HighScoreFile : public ::testing::Test {
protected:
    void SetUp() override {
        previous = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "vantor-highscore-XXXXXX").string();
        directory = ::mkdtemp(pattern.data());
        fs::current_path(directory);
        playerScore = 0;
        playerHighScore = 0;
    }
    void TearDown() override {
        fs::current_path(previous);
        fs::remove_all(directory);
    }
    void write(const std::string& content) { std::ofstream(highScoreFileName, std::ios::binary) << content; }
    int loadFrom(const std::string& content) {
        write(content);
        playerHighScore = 0;
        return loadHighScore();
    }

    fs::path previous;
    fs::path directory;
};

TEST_F(HighScoreFile, MissingFileKeepsTheHighScore) {
    playerHighScore = 17;
    EXPECT_EQ(loadHighScore(), 17);
    EXPECT_EQ(playerHighScore, 17);
}

TEST_F(HighScoreFile, AcceptedForms) {
    EXPECT_EQ(loadFrom("HighScore=1250"), 1250);
    EXPECT_EQ(loadFrom("  \n\tHighScore= \t1250\n"), 1250);
    EXPECT_EQ(loadFrom("HighScore=-7"), -7);
    EXPECT_EQ(loadFrom("HighScore=99 and more"), 99);
    EXPECT_EQ(loadFrom("HighScore=99999999999"), std::numeric_limits<int>::max());
}

TEST_F(HighScoreFile, RejectedForms) {
    EXPECT_EQ(loadFrom("HighScore =1250"), 0) << "a blank before = is a different key";
    EXPECT_EQ(loadFrom("Highscore=1250"), 0);
    EXPECT_EQ(loadFrom(""), 0);
    EXPECT_EQ(loadFrom("HighScore=abc"), 0) << "a key with no number stores 0";
    playerHighScore = 5;
    write("\x89PNG\r\n\x1a\n");
    EXPECT_EQ(loadHighScore(), 5) << "a foreign file leaves the value alone";
}

TEST_F(HighScoreFile, WritesExactlyTheKeyAndNumberOnlyWhenBeaten) {
    playerHighScore = 10;
    playerScore = 10;
    maybeUpdateHighScore();
    EXPECT_FALSE(fs::exists(highScoreFileName)) << "a tie writes nothing";
    playerScore = 1250;
    maybeUpdateHighScore();
    EXPECT_EQ(playerHighScore, 1250);
    EXPECT_EQ(loadFile(highScoreFileName), "HighScore=1250");
    playerScore = 0;
    playerHighScore = -7;
    maybeUpdateHighScore();
    EXPECT_EQ(loadFile(highScoreFileName), "HighScore=0");
}

TEST_F(HighScoreFile, ReplacesTheFileWholeAndLeavesNoTemporaryBehind) {
    write("HighScore=3");
    playerHighScore = 3;
    playerScore = 40;
    maybeUpdateHighScore();
    EXPECT_EQ(loadFile(highScoreFileName), "HighScore=40");
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(directory)) {
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(HighScoreFile, AFailedWriteKeepsTheScoreInMemoryAndTheOldFileIntact) {
    write("HighScore=3");
    fs::create_directory(highScoreFileName + ".tmp"); // the temporary file cannot be created
    playerHighScore = 3;
    playerScore = 40;
    maybeUpdateHighScore();
    EXPECT_EQ(playerHighScore, 40);
    EXPECT_EQ(loadFile(highScoreFileName), "HighScore=3");
}

} // namespace
} // namespace kv
