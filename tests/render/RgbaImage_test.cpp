#include "engine/render/RgbaImage.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/ErrorText.hpp"
#include "tests/support/GlTestContext.hpp"

namespace kv {
namespace {

namespace fs = std::filesystem;

const std::string kSprite = std::string(VANTOR_RUNTIME_DIR) + "/sprites/firebolt.png";

// A scratch directory private to this process: other checkouts may run the same tests at the same time.
class RgbaImageFile : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(directory); }
    void TearDown() override { fs::remove_all(directory); }
    const fs::path directory = fs::temp_directory_path() / ("kv_rgba_image_" + std::to_string(::getpid()));
};

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every file the fuzzer found a fault with, a cut sprite, an empty file and a valid 1 x 1 BMP (only PNG is
// read) are rejected naming the file.
TEST_F(RgbaImageFile, BrokenAndForeignFilesAreRejectedNamingThem) {
    const unsigned char bmp[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0,
                                 1, 0, 24, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                 0, 0, 255, 0};
    const std::pair<std::string, std::string> written[] = {
        {"cut.png", readAll(kSprite).substr(0, 600)},
        {"empty.png", ""},
        {"pixel.bmp", std::string(reinterpret_cast<const char*>(bmp), sizeof bmp)}};
    std::vector<std::string> paths;
    for (const auto& [name, bytes] : written) {
        paths.push_back((directory / name).string());
        std::ofstream(paths.back(), std::ios::binary) << bytes;
    }
    for (const auto& entry : fs::directory_iterator(fs::path(VANTOR_SOURCE_DIR) / "fuzz/regressions/rgba_image")) {
        paths.push_back(entry.path().string());
    }
    ASSERT_GT(paths.size(), std::size(written));
    for (const std::string& path : paths) {
        EXPECT_EQ(test::errorOf([&] { RgbaImage image(path); }).rfind("Couldn't load image: " + path, 0), 0u);
    }
}

// Found by fuzzing: an empty first image-data chunk made the decoder copy through a null buffer.
TEST_F(RgbaImageFile, EmptyImageDataChunksAreHarmlessAndChangeNoPixel) {
    // The sprite with an empty image-data chunk before its first one, and another after its last.
    std::string bytes = readAll(kSprite);
    const std::string emptyChunk("\0\0\0\0IDAT\x35\xaf\x06\x1e", 12);
    const std::size_t firstData = bytes.find("IDAT") - 4;
    bytes.insert(bytes.rfind("IEND") - 4, emptyChunk);
    bytes.insert(firstData, emptyChunk);
    const std::string padded = (directory / "padded.png").string();
    std::ofstream(padded, std::ios::binary) << bytes;

    const RgbaImage expected(kSprite);
    const RgbaImage image(padded);
    ASSERT_EQ(image.getWidth(), expected.getWidth());
    ASSERT_EQ(image.getHeight(), expected.getHeight());
    const std::size_t size = static_cast<std::size_t>(image.getWidth()) * image.getHeight() * 4;
    EXPECT_TRUE(std::equal(image.getPixels(), image.getPixels() + size, expected.getPixels()));
}

} // namespace
} // namespace kv
