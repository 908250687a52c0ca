#include "engine/render/RgbaImage.hpp"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
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
    const RgbaImage image((fs::path(VANTOR_RUNTIME_DIR) / "fonts/OpenSans-Regular_0.png").string());
    EXPECT_GT(image.getWidth(), 0);
    EXPECT_GT(image.getHeight(), 0);
    EXPECT_NE(image.getPixels(), nullptr);
}

TEST_F(RgbaImageFile, AFileCutShortIsRejectedNamingIt) {
    std::ifstream in((fs::path(VANTOR_RUNTIME_DIR) / "sprites/firebolt.png").string(), std::ios::binary);
    std::string head(600, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    const std::string path = (directory / "cut.png").string();
    std::ofstream(path, std::ios::binary) << head;
    EXPECT_EQ(loadFailure(path).rfind("Couldn't load image: " + path, 0), 0u);
}

// Found by fuzzing: corrupt compressed data that made SOIL's own decoder fail an assertion and abort.
TEST_F(RgbaImageFile, CorruptCompressedDataIsRejectedInsteadOfAborting) {
    const std::string path = (fs::path(VANTOR_SOURCE_DIR) / "fuzz/regressions/rgba_image/huffman_sizes_assert.png").string();
    ASSERT_TRUE(fs::exists(path));
    EXPECT_EQ(loadFailure(path).rfind("Couldn't load image: " + path, 0), 0u);
}

// Found by fuzzing: an empty first image-data chunk made the decoder copy through a null buffer.
TEST_F(RgbaImageFile, EmptyImageDataChunksAreHarmlessAndChangeNoPixel) {
    const std::string regression =
        (fs::path(VANTOR_SOURCE_DIR) / "fuzz/regressions/rgba_image/empty_first_image_data_chunk.png").string();
    ASSERT_TRUE(fs::exists(regression));
    EXPECT_EQ(loadFailure(regression).rfind("Couldn't load image: " + regression, 0), 0u);

    // A real sprite with an empty image-data chunk before its first one, and another after its last.
    const std::string original = (fs::path(VANTOR_RUNTIME_DIR) / "sprites/firebolt.png").string();
    std::ifstream in(original, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string emptyChunk("\0\0\0\0IDAT\x35\xaf\x06\x1e", 12);
    const std::size_t firstData = bytes.find("IDAT") - 4;
    const std::size_t end = bytes.rfind("IEND") - 4;
    bytes.insert(end, emptyChunk);
    bytes.insert(firstData, emptyChunk);
    const std::string padded = (directory / "padded.png").string();
    std::ofstream(padded, std::ios::binary) << bytes;

    const RgbaImage expected(original);
    const RgbaImage image(padded);
    ASSERT_EQ(image.getWidth(), expected.getWidth());
    ASSERT_EQ(image.getHeight(), expected.getHeight());
    const std::size_t size = static_cast<std::size_t>(image.getWidth()) * image.getHeight() * 4;
    EXPECT_TRUE(std::equal(image.getPixels(), image.getPixels() + size, expected.getPixels()));
}

// Found by fuzzing: a corrupt JPEG Huffman table made the decoder read past its table. Only PNG is read.
TEST_F(RgbaImageFile, OtherFormatsThanPngAreRejectedNamingTheFile) {
    const std::string path = (fs::path(VANTOR_SOURCE_DIR) / "fuzz/regressions/rgba_image/jpeg_huffman_overrun.jpg").string();
    ASSERT_TRUE(fs::exists(path));
    EXPECT_EQ(loadFailure(path).rfind("Couldn't load image: " + path, 0), 0u);

    // A valid 1 x 1 BMP, which the full decoder would read.
    const unsigned char bmp[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0,
                                 1, 0, 24, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                 0, 0, 255, 0};
    const std::string bitmap = (directory / "pixel.bmp").string();
    std::ofstream(bitmap, std::ios::binary).write(reinterpret_cast<const char*>(bmp), sizeof bmp);
    EXPECT_EQ(loadFailure(bitmap).rfind("Couldn't load image: " + bitmap, 0), 0u);
}

TEST_F(RgbaImageFile, AnEmptyFileIsRejectedNamingIt) {
    const std::string path = (directory / "empty.png").string();
    std::ofstream(path, std::ios::binary).flush();
    EXPECT_EQ(loadFailure(path), "Couldn't load image: " + path + " (empty file)");
}

} // namespace
} // namespace kv
