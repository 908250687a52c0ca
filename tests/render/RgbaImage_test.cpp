#include "engine/render/RgbaImage.hpp"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

namespace kv {
namespace {

namespace fs = std::filesystem;

std::string loadFailure(const std::string& path) {
    try {
        RgbaImage image(path);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

class RgbaImageFile : public ::testing::Test {
protected:
    void SetUp() override {
        directory = fs::temp_directory_path() / ("kv_rgba_image_" + std::to_string(::getpid()));
        fs::create_directories(directory);
    }
    void TearDown() override { fs::remove_all(directory); }

    fs::path directory;
};

TEST_F(RgbaImageFile, LoadsTheFontPage) {
    const RgbaImage image(std::string(VANTOR_RUNTIME_DIR) + "/fonts/OpenSans-Regular_0.png");
    EXPECT_GT(image.getWidth(), 0);
    EXPECT_GT(image.getHeight(), 0);
    EXPECT_NE(image.getPixels(), nullptr);
}

TEST_F(RgbaImageFile, AFileCutShortIsRejectedNamingIt) {
    std::ifstream in(std::string(VANTOR_RUNTIME_DIR) + "/sprites/firebolt.png", std::ios::binary);
    std::string head(600, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    const std::string path = (directory / "cut.png").string();
    std::ofstream(path, std::ios::binary) << head;
    EXPECT_EQ(loadFailure(path).rfind("Couldn't load image: " + path, 0), 0u);
}

// Found by fuzzing: corrupt compressed data that made SOIL's own decoder fail an assertion and abort.
TEST_F(RgbaImageFile, CorruptCompressedDataIsRejectedInsteadOfAborting) {
    const std::string path = std::string(VANTOR_SOURCE_DIR) + "/fuzz/regressions/rgba_image/huffman_sizes_assert.png";
    ASSERT_TRUE(fs::exists(path));
    EXPECT_EQ(loadFailure(path).rfind("Couldn't load image: " + path, 0), 0u);
}

} // namespace
} // namespace kv
