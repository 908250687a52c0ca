#include "engine/render/Sprite.hpp"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <glm/gtc/matrix_transform.hpp>

#include "engine/render/Shader.hpp"
#include "tests/support/ErrorText.hpp"
#include "tests/support/GlTestContext.hpp"
#include "tests/support/PngWriter.hpp"

namespace kv {
namespace {

static_assert(!std::is_copy_constructible_v<Sprite>);

using test::Rgb;

constexpr int kSheetSize = 1024; // pixels, square
constexpr int kFrameSize = 256;  // pixels, square: 4 columns, 4 rows
// One colour per frame, 0xRRGGBBAA, row by row from the top-left.
const std::vector<std::uint32_t> kFrameColors{
    0xff0000ff, 0x00ff00ff, 0x0000ffff, 0xffff00ff, 0xff00ffff, 0x00ffffff, 0xffffffff, 0x800000ff,
    0x008000ff, 0x000080ff, 0x808000ff, 0x800080ff, 0x008080ff, 0x808080ff, 0xff8000ff, 0x0080ffff};

Rgb rgbOf(std::uint32_t color) {
    return Rgb{static_cast<int>(color >> 24), static_cast<int>((color >> 16) & 0xff),
               static_cast<int>((color >> 8) & 0xff)};
}

class SpriteTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        shader = test::loadShippedShader("sprite");
    }

    std::string writeSheet() {
        const std::string path = scratchPath("sheet.png");
        test::writePng(path, kSheetSize, kSheetSize,
                       test::makeCellImage(kSheetSize, kSheetSize, kFrameSize, kFrameSize, kFrameColors));
        return path;
    }

    // 64 x 32 pixels: the top 16 rows red, the bottom 16 blue.
    std::string writeRedOverBlue() {
        const std::string path = scratchPath("red_over_blue.png");
        test::writePng(path, 64, 32, test::makeCellImage(64, 32, 64, 16, {0xff0000ff, 0x0000ffff}));
        return path;
    }

    // The quad as uploaded: x, y, u, v of top-left, bottom-left, top-right, bottom-right.
    std::array<float, 16> quadOf(const Sprite& sprite) {
        std::array<float, 16> quad{};
        glBindBuffer(GL_ARRAY_BUFFER, sprite.getVbo());
        glGetBufferSubData(GL_ARRAY_BUFFER, 0, sizeof(quad), quad.data());
        return quad;
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

TEST_F(SpriteTest, QuadSpansOneFrameAroundTheOriginScaledWithTextureCoordinatesOfThatFrame) {
    const std::string redOverBlue = writeRedOverBlue();
    const std::string sheet = writeSheet();
    const struct {
        std::string path;
        vec2 origin;
        vec2 scale;
        int frameSize; // 0: the whole image
        int frameCount;
        std::array<float, 16> quad; // x, y, u, v of top-left, bottom-left, top-right, bottom-right
    } cases[] = {
        {redOverBlue,
         vec2(0.5f),
         vec2(1.0f),
         0,
         1,
         {-32, 16, 0, 0, -32, -16, 0, 1, 32, 16, 1, 0, 32, -16, 1, 1}},
        {redOverBlue,
         vec2(1.0f),
         vec2(2.0f, 3.0f),
         0,
         1,
         {-128, 0, 0, 0, -128, -96, 0, 1, 0, 0, 1, 0, 0, -96, 1, 1}},
        {sheet,
         vec2(0.0f),
         vec2(1.0f),
         kFrameSize,
         16,
         {0, 256, 0, 0, 0, 0, 0, 0.25f, 256, 256, 0.25f, 0, 256, 0, 0.25f, 0.25f}},
    };
    for (const auto& c : cases) {
        Sprite sprite(c.path, c.origin, c.scale, c.frameSize, c.frameSize, c.frameCount);
        EXPECT_EQ(quadOf(sprite), c.quad) << c.path << " origin " << c.origin.x << ", scale " << c.scale.x;
    }
    Sprite whole(redOverBlue, vec2(0.5f), vec2(1.0f), 0, 0, 1);
    EXPECT_EQ(whole.getFrameWidth(), 64);
    EXPECT_EQ(whole.getFrameHeight(), 32);
    EXPECT_EQ(whole.getImageWidth(), 64);
    EXPECT_EQ(whole.getImageHeight(), 32);
}

TEST_F(SpriteTest, ShowsTheImageUprightAtItsPlace) {
    Sprite sprite(writeRedOverBlue(), vec2(0.5f, 0.5f), vec2(1.0f, 1.0f), 0, 0, 1);
    drawAt(sprite, vec2(128, 128), vec2(0, 0));
    const Rgb red{255, 0, 0};
    const Rgb blue{0, 0, 255};
    EXPECT_EQ(readPixel(159, 143), red) << "top-right corner";
    EXPECT_EQ(readPixel(128, 128), red);
    EXPECT_EQ(readPixel(128, 127), blue);
    EXPECT_EQ(readPixel(96, 112), blue) << "bottom-left corner";
    EXPECT_EQ(readPixel(95, 120), test::kBlack);
    EXPECT_EQ(readPixel(160, 120), test::kBlack);
    EXPECT_EQ(readPixel(128, 111), test::kBlack);
    EXPECT_EQ(readPixel(128, 144), test::kBlack);
}

TEST_F(SpriteTest, AnimationShowsTheColourOfEveryFrame) {
    // A quarter of a pixel per image pixel: each 256-pixel frame shows as 64 x 64 (mipmapped).
    auto sprite = std::make_shared<Sprite>(writeSheet(), vec2(0.5f), vec2(0.25f), kFrameSize, kFrameSize, 16);
    SpriteAnimation animation(sprite);
    for (int frame = 0; frame < 16; ++frame) {
        animation.currentFrame = frame;
        clear();
        drawAt(animation, vec2(128, 128), animation.getTextureOffset());
        EXPECT_EQ(readPixel(128, 128), rgbOf(kFrameColors[frame])) << "frame " << frame;
        EXPECT_EQ(readPixel(104, 150), rgbOf(kFrameColors[frame])) << "frame " << frame;
        EXPECT_EQ(readPixel(90, 128), test::kBlack) << "frame " << frame;
    }
}

TEST_F(SpriteTest, MissingImagesAndFramesThatDoNotFitTheSheetAreRefusedNamingThePath) {
    const auto error = [](const std::string& path, int frameWidth, int frameHeight, int frameCount) {
        return test::errorOf(
            [&] { Sprite sprite(path, vec2(0.5f), vec2(1.0f), frameWidth, frameHeight, frameCount); });
    };
    const std::string missing = scratchPath("no_such_sheet.png");
    EXPECT_EQ(error(missing, 0, 0, 1).rfind("Couldn't load image: " + missing, 0), 0u);
    const std::string path = writeRedOverBlue();
    // 16 x 16 frames fit 4 columns and 2 rows.
    const std::array<int, 3> refused[] = {{128, 0, 1}, {0, 64, 1}, {-8, 0, 1}, {16, 16, 9}, {16, 16, 0}};
    for (const auto& [width, height, count] : refused) {
        EXPECT_THAT(error(path, width, height, count), ::testing::HasSubstr(path))
            << width << " x " << height;
    }
    EXPECT_EQ(error(path, 16, 16, 8), "<no error>");
}

TEST_F(SpriteTest, DestructionReleasesTextureBufferAndVertexArray) {
    auto sprite = std::make_unique<Sprite>(writeRedOverBlue(), vec2(0.5f), vec2(1.0f), 0, 0, 1);
    const GLuint texture = sprite->getTextureId();
    const GLuint vbo = sprite->getVbo();
    const GLuint vao = sprite->getVao();
    ASSERT_TRUE(glIsTexture(texture));
    ASSERT_TRUE(glIsBuffer(vbo));
    ASSERT_TRUE(glIsVertexArray(vao));
    sprite.reset();
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_FALSE(glIsBuffer(vbo));
    EXPECT_FALSE(glIsVertexArray(vao));
}

} // namespace
} // namespace kv
