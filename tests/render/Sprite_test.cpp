#include "engine/render/Sprite.hpp"

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
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
constexpr int kFrameHeight = 128; // pixels

// One colour per frame, 0xRRGGBBAA, row by row from the top-left.
const std::vector<std::uint32_t> kFrameColors{
    0xff0000ff, 0x00ff00ff, 0x0000ffff, 0xffff00ff, 0xff00ffff, 0x00ffffff, 0xffffffff, 0x800000ff,
    0x008000ff, 0x000080ff, 0x808000ff, 0x800080ff, 0x008080ff, 0x808080ff, 0xff8000ff, 0x0080ffff};

class SpriteTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        shader = test::loadShippedShader("sprite");
    }
    // Draws with the sprite shader at a point given in framebuffer pixels.
    void drawAt(Drawable& drawable, vec2 at, vec2 textureOffset) {
        shader->use();
        shader->setProjectionViewModel(pixelProjection() * glm::translate(mat4(1.0f), glm::vec3(at, 0.0f)));
        shader->setTextureOffset(textureOffset);
        shader->setTint(vec4(1.0f));
        drawable.draw();
    }
    std::shared_ptr<Shader> shader;
};

// Frames of the sheet's rows differ, so an image turned upside down or mirrored shows the wrong colours.
TEST_F(SpriteTest, AnimationShowsEveryFrameUprightAroundItsOrigin) {
    const std::string path = scratchPath("sheet.png");
    test::writeCellPng(path, kSheetWidth, kSheetHeight, kFrameWidth, kFrameHeight, kFrameColors);
    // A quarter of a pixel per image pixel (mipmapped): each frame shows as 64 x 32 pixels from x 112 and
    // y 104, the origin a quarter of the width from the left and three quarters of the height from the bottom.
    auto sprite =
        std::make_shared<Sprite>(path, vec2(0.25f, 0.75f), vec2(0.25f), kFrameWidth, kFrameHeight, 16);
    SpriteAnimation animation(sprite);
    for (int frame = 0; frame < 16; ++frame) {
        const std::uint32_t color = kFrameColors[static_cast<std::size_t>(frame)];
        const Rgb expected{int(color >> 24), int((color >> 16) & 0xff), int((color >> 8) & 0xff)};
        animation.currentFrame = frame;
        clear();
        drawAt(animation, vec2(128, 128), animation.getTextureOffset());
        // Inside, clear of the neighbouring frames' blur at the edges; then just beyond each edge.
        const struct {
            int x, y;
            Rgb color;
        } pixels[] = {{118, 110, expected}, {169, 129, expected}, {111, 120, test::kBlack},
                      {176, 120, test::kBlack}, {140, 103, test::kBlack}, {140, 136, test::kBlack}};
        for (const auto& p : pixels) {
            EXPECT_EQ(readPixel(p.x, p.y), p.color) << "frame " << frame << " at " << p.x << ", " << p.y;
        }
    }
}

TEST_F(SpriteTest, BrokenImagesAndFramesThatDoNotFitTheSheetAreRefusedNamingThePath) {
    const auto error = [](const std::string& path, int frameWidth, int frameHeight, int frameCount) {
        return test::errorOf(
            [&] { Sprite sprite(path, vec2(0.5f), vec2(1.0f), frameWidth, frameHeight, frameCount); });
    };
    const std::string path = scratchPath("sheet.png");
    test::writeCellPng(path, 64, 32, 64, 16, {0xff0000ff, 0x0000ffff});
    // Missing, empty and cut files, and every file the fuzzer found a fault with (a JPEG among them: only PNG
    // is read).
    std::ifstream image(path, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(image), {});
    std::vector<std::string> broken{scratchPath("no_such_sheet.png"), scratchPath("empty.png"), scratchPath("cut.png")};
    std::ofstream{broken[1]};
    std::ofstream(broken[2], std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    for (const auto& entry : fs::directory_iterator(fs::path(VANTOR_SOURCE_DIR) / "fuzz/regressions/rgba_image")) {
        broken.push_back(entry.path().string());
    }
    for (const std::string& file : broken) {
        EXPECT_EQ(error(file, 0, 0, 1).rfind("Couldn't load image: " + file, 0), 0u) << file;
    }
    // 16 x 16 frames fit 4 columns and 2 rows.
    const std::array<int, 3> refused[] = {{128, 0, 1}, {0, 64, 1}, {-8, 0, 1}, {16, 16, 9}, {16, 16, 0}};
    for (const auto& [width, height, count] : refused) {
        EXPECT_THAT(error(path, width, height, count), ::testing::HasSubstr(path))
            << width << " x " << height;
    }
    EXPECT_EQ(error(path, 16, 16, 8), "<no error>");
}

} // namespace
} // namespace kv
