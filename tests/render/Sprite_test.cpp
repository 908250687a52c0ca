#include "engine/render/RgbaImage.hpp"
#include "engine/render/Sprite.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <glm/gtc/matrix_transform.hpp>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/ErrorText.hpp"
#include "tests/support/GlTestContext.hpp"

namespace kv {
namespace {

namespace fs = std::filesystem;
using test::Rgb;

constexpr int kSheetWidth = 1024; // pixels
constexpr int kSheetHeight = 512; // pixels
constexpr int kFrameWidth = 256;  // pixels: 4 columns, 4 rows
constexpr int kFrameHeight = 128; // pixels, two cells of colour one above the other
constexpr int kColumns = 4;
constexpr int kCells = 32;

// Cell i of the sheet, row by row from the top-left: every cell differs.
Rgb cellColor(int i) { return Rgb{255 - 8 * i, 8 * i, i % 3 * 120}; }

using SpriteTest = test::GlTest;

// Frames differ in each half and from row to row: an image turned upside down shows the wrong colours.
TEST_F(SpriteTest, AnimationShowsEveryFrameUprightAroundItsOrigin) {
    std::vector<std::uint32_t> cells;
    for (int i = 0; i < kCells; ++i) {
        const Rgb c = cellColor(i);
        cells.push_back(std::uint32_t(c.r) << 24 | std::uint32_t(c.g) << 16 | std::uint32_t(c.b) << 8 | 0xffu);
    }
    const std::string path = scratchPath("sheet.png");
    test::writeCellPng(path, kSheetWidth, kSheetHeight, kFrameWidth, kFrameHeight / 2, cells);
    // A quarter of a pixel per image pixel (mipmapped): each frame shows as 64 x 32 pixels from x 112 and
    // y 104, the origin a quarter of the width from the left and three quarters of the height from the bottom.
    auto sprite =
        std::make_shared<Sprite>(path, vec2(0.25f, 0.75f), vec2(0.25f), kFrameWidth, kFrameHeight, 16);
    SpriteAnimation animation(sprite);
    const auto shader = test::loadShippedShader("sprite");
    shader->use();
    shader->setProjectionViewModel(pixelProjection() * glm::translate(mat4(1.0f), glm::vec3(128, 128, 0)));
    shader->setTint(vec4(1.0f));
    for (int frame = 0; frame < 16; ++frame) {
        const int upper = frame / kColumns * 2 * kColumns + frame % kColumns; // the frame's upper cell
        animation.currentFrame = frame;
        clear();
        shader->setTextureOffset(animation.getTextureOffset());
        animation.draw();
        // In each half, clear of the blur between cells; then just beyond each edge.
        EXPECT_EQ(readPixel(118, 110), cellColor(upper + kColumns)) << "frame " << frame;
        EXPECT_EQ(readPixel(169, 129), cellColor(upper)) << "frame " << frame;
        for (const auto& [x, y] : {std::pair{111, 120}, {176, 120}, {140, 103}, {140, 136}}) {
            EXPECT_EQ(readPixel(x, y), test::kBlack) << "frame " << frame << " at " << x << ", " << y;
        }
    }
    // Drawn small, the sheet blends between its mipmap levels; making it raised no GL error.
    GLint minification = 0; // of the sheet the last frame left bound
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minification);
    EXPECT_EQ(minification, GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(SpriteTest, BrokenImagesAndFramesThatDoNotFitTheSheetAreRefusedNamingThePath) {
    const auto error = [](const std::string& path, int frameWidth, int frameHeight, int frameCount) {
        return test::errorOf(
            [&] { Sprite sprite(path, vec2(0.5f), vec2(1.0f), frameWidth, frameHeight, frameCount); });
    };
    const std::string path = scratchPath("sheet.png");
    test::writeCellPng(path, 64, 32, 64, 16, {0xff0000ff, 0x0000ffff});
    // A cut file and every file the fuzzer found a fault with (a JPEG among them: only PNG is read).
    std::vector<std::string> broken{scratchPath("cut.png")};
    fs::copy_file(path, broken[0]);
    fs::resize_file(broken[0], fs::file_size(path) / 2);
    for (const auto& entry : fs::directory_iterator(fs::path(VANTOR_SOURCE_DIR) / "fuzz/regressions/rgba_image")) {
        broken.push_back(entry.path().string());
    }
    for (const std::string& file : broken) {
        EXPECT_EQ(error(file, 0, 0, 1).rfind("Couldn't load image: " + file, 0), 0u) << file;
    }
    // 16 x 16 frames fit 4 columns and 2 rows.
    const std::array<int, 3> refused[] = {{128, 0, 1}, {0, 64, 1}, {-8, 0, 1}, {16, 16, 9}, {16, 16, 0}};
    for (const auto& [width, height, count] : refused) {
        EXPECT_THAT(error(path, width, height, count), ::testing::HasSubstr(path)) << width << "x" << height;
    }
    Sprite sprite(path, vec2(0.5f), vec2(1.0f), 16, 16, 8);
    const std::string outOfSheet = "Frame of sprite sheet " + path + ", should be in range [0, 8), was: ";
    EXPECT_EQ(test::errorOf([&] { sprite.drawFitted(8); }), outOfSheet + "8");
    EXPECT_EQ(test::errorOf([&] { sprite.getFittedTriangles(-1); }), outOfSheet + "-1");
}

// Mipmapped textures whose levels the engine makes itself (on llvmpipe, for sides that are powers of two)
// must hold the driver's own levels byte for byte: random texels, every level read back. Other sides (6 x 10)
// must be left to the driver, whose levels the engine's halving would not match.
TEST_F(SpriteTest, MipmapLevelsAreTheDriversOwnByteForByte) {
    const std::string renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (!renderer.starts_with("llvmpipe")) {
        GTEST_SKIP() << "the engine makes mipmap levels itself only on llvmpipe: on " << renderer
                     << " every level is the driver's, and comparing them with the driver's checks nothing";
    }
    const auto levelsOf = [](GLuint texture) {
        std::vector<std::vector<unsigned char>> levels;
        glBindTexture(GL_TEXTURE_2D, texture);
        for (GLint level = 0, width = 2, height = 2; width > 1 || height > 1; ++level) {
            glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
            levels.emplace_back(static_cast<std::size_t>(width * height * kRgbaChannels));
            glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, levels.back().data());
        }
        glDeleteTextures(1, &texture);
        return levels;
    };
    std::mt19937 random(5);
    for (const auto& [width, height] :
         {std::pair{1, 1}, {2, 1}, {1, 8}, {8, 4}, {4, 16}, {256, 32}, {512, 512}, {6, 10}}) {
        std::vector<std::uint32_t> texels(static_cast<std::size_t>(width * height)); // one cell each
        std::generate(texels.begin(), texels.end(), std::ref(random));
        const std::string path = scratchPath("random.png");
        test::writeCellPng(path, width, height, 1, 1, texels);
        const RgbaImage image(path);
        GLuint driver = 0;
        glGenTextures(1, &driver);
        glBindTexture(GL_TEXTURE_2D, driver);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     image.getPixels());
        glGenerateMipmap(GL_TEXTURE_2D);
        const auto expected = levelsOf(driver);
        EXPECT_EQ(expected.size(),
                  static_cast<std::size_t>(std::bit_width(unsigned(std::max(width, height)))));
        EXPECT_TRUE(levelsOf(createTexture(image, true)) == expected) << width << " x " << height;
    }
}

} // namespace
} // namespace kv
