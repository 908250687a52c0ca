#include "engine/render/GlTexture.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/ErrorText.hpp"
#include "tests/support/GlTestContext.hpp"
#include "tests/support/PngWriter.hpp"

namespace kv {
namespace {

static_assert(!std::is_copy_constructible_v<GlTexture>);

class GlTextureTest : public test::GlTest {
protected:
    // The level-0 pixels as GL holds them, row 0 first.
    std::vector<std::uint8_t> textureBytes(const GlTexture& texture) {
        std::vector<std::uint8_t> bytes(
            static_cast<std::size_t>(texture.getImageWidth() * texture.getImageHeight() * 4));
        texture.bind();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        return bytes;
    }

    // A texture parameter, or the width of a mipmap level when level >= 0.
    GLint parameter(const GlTexture& texture, GLenum name, GLint level = -1) {
        GLint value = 0;
        texture.bind();
        if (level >= 0) {
            glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &value);
        } else {
            glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
        }
        glBindTexture(GL_TEXTURE_2D, 0);
        return value;
    }
};

TEST_F(GlTextureTest, UploadsTheImageWithItsFirstFileRowFirst) {
    // Three rows of two pixels, every pixel different.
    const std::vector<std::uint8_t> rgba{255, 0,  0,  255, 0,  255, 0,  255, 0,  0,   255, 255,
                                         10,  20, 30, 40,  50, 60,  70, 80,  90, 100, 110, 120};
    test::writePng(scratchPath("rows.png"), 2, 3, rgba);
    GlTexture texture(scratchPath("rows.png"), false);
    EXPECT_EQ(texture.getImageWidth(), 2);
    EXPECT_EQ(texture.getImageHeight(), 3);
    EXPECT_EQ(textureBytes(texture), rgba);
}

TEST_F(GlTextureTest, FiltersLinearlyAndWrapsWithAFullMipmapChainOnlyWhenAskedFor) {
    test::writePng(scratchPath("square.png"), 4, 4, std::vector<std::uint8_t>(64, 200));
    const GlTexture mipmapped(scratchPath("square.png"), true);
    const GlTexture plain(scratchPath("square.png"), false);
    EXPECT_EQ(parameter(mipmapped, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(parameter(mipmapped, GL_TEXTURE_WIDTH, 2), 1);
    EXPECT_EQ(parameter(plain, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(parameter(plain, GL_TEXTURE_WIDTH, 1), 0);
    for (const GlTexture* texture : {&mipmapped, &plain}) {
        EXPECT_EQ(parameter(*texture, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
        EXPECT_EQ(parameter(*texture, GL_TEXTURE_WRAP_S), GL_REPEAT);
        EXPECT_EQ(parameter(*texture, GL_TEXTURE_WRAP_T), GL_REPEAT);
    }
}

TEST_F(GlTextureTest, MissingImageThrowsNamingThePathAndDestructionDeletesTheTexture) {
    const std::string path = scratchPath("no_such_page.png");
    const std::string message = test::errorOf([&] { GlTexture texture(path, false); });
    EXPECT_EQ(message.rfind("Couldn't load image: " + path, 0), 0u) << message;
    test::writePng(scratchPath("one.png"), 1, 1, {1, 2, 3, 4});
    auto texture = std::make_unique<GlTexture>(scratchPath("one.png"), false);
    const GLuint name = texture->getTextureId();
    ASSERT_TRUE(glIsTexture(name));
    texture.reset();
    EXPECT_FALSE(glIsTexture(name));
}

} // namespace
} // namespace kv
