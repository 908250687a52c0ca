#include "game/HighScore.hpp"

#include <filesystem>
#include <limits>
#include <utility>

#include <gtest/gtest.h>

#include "game/GameState.hpp"
#include "support/Process.hpp"

namespace kv {
namespace {

namespace fs = std::filesystem;
using testsupport::readFile;

// A fresh working directory, without a high-score file.
class HighScoreFile : public ::testing::Test {
protected:
    void SetUp() override { fs::current_path(directory.path()); }
    void TearDown() override { fs::current_path(previous); }
    fs::path previous = fs::current_path();
    testsupport::TemporaryDirectory directory{"vantor-high-score"};
};

TEST_F(HighScoreFile, ReadsTheFileFormsAsDocumented) {
    // The file's content (nullptr: no file), and the value read with 5 in memory: a blank before = makes
    // another key, which leaves the value alone; the key with no number stores 0.
    const std::pair<const char*, int> forms[] = {{nullptr, 5},
                                                 {"HighScore=1250", 1250},
                                                 {"  \n\tHighScore= \t1250\n", 1250},
                                                 {"HighScore=-7", -7},
                                                 {"HighScore=99 and more", 99},
                                                 {"HighScore=99999999999", std::numeric_limits<int>::max()},
                                                 {"HighScore =1250", 5},
                                                 {"Highscore=1250", 5},
                                                 {"", 5},
                                                 {"\x89PNG\r\n\x1a\n", 5},
                                                 {"HighScore=abc", 0}};
    for (const auto& [content, value] : forms) {
        fs::remove("HighScore.txt");
        if (content != nullptr) {
            testsupport::writeFile("HighScore.txt", content);
        }
        playerHighScore = 5;
        EXPECT_EQ(loadHighScore(), value) << (content != nullptr ? content : "no file");
    }
}

// A failed save keeps the score in memory and the old file whole.
TEST_F(HighScoreFile, WritesExactlyTheKeyAndNumberOnlyWhenBeatenReplacingTheFileWholeOrNotAtAll) {
    const auto entriesBefore = testsupport::namesIn(".");
    // The high score after a game that has just ended with the score, against the high score it had before.
    const auto endGame = [](int score, int highScore) {
        playerScore = score;
        playerHighScore = highScore;
        maybeUpdateHighScore();
        return playerHighScore;
    };
    EXPECT_EQ(endGame(10, 10), 10);
    EXPECT_FALSE(fs::exists("HighScore.txt")) << "a tie writes nothing";
    EXPECT_EQ(endGame(1250, 10), 1250);
    EXPECT_EQ(readFile("HighScore.txt"), "HighScore=1250");
    endGame(0, -7);
    EXPECT_EQ(readFile("HighScore.txt"), "HighScore=0");
    EXPECT_EQ(testsupport::namesIn(".").size(), entriesBefore.size() + 1) << "no temporary file is left";
    fs::create_directory("HighScore.txt.tmp"); // the temporary file cannot be created
    EXPECT_EQ(endGame(40, 3), 40);
    EXPECT_EQ(readFile("HighScore.txt"), "HighScore=0");
}

} // namespace
} // namespace kv
