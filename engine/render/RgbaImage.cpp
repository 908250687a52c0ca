#include "engine/render/RgbaImage.hpp"

#include <SOIL/SOIL.h>

// A private copy of a newer stb_image than the one inside SOIL; static, so SOIL keeps its own functions.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include "engine/core/Diagnostics.hpp"

namespace kv {

namespace {

// SOIL's bundled decoder asserts (and so aborts the program) on some corrupt compressed data, where newer
// stb_image reports an error. A file that the newer decoder cannot read never reaches SOIL.
const char* checkDecodes(const std::string& path) {
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc* pixels = stbi_load(path.c_str(), &width, &height, &channels, STBI_rgb_alpha);
    if (pixels == nullptr) {
        return stbi_failure_reason();
    }
    stbi_image_free(pixels);
    return nullptr;
}

} // namespace

void RgbaImage::PixelDeleter::operator()(unsigned char* data) const {
    SOIL_free_image_data(data);
}

RgbaImage::RgbaImage(const std::string& path) {
    if (const char* reason = checkDecodes(path)) {
        throwRuntimeError(
            [&](std::stringstream& out) { out << "Couldn't load image: " << path << " (" << reason << ")"; });
    }
    pixels.reset(SOIL_load_image(path.c_str(), &width, &height, nullptr, SOIL_LOAD_RGBA));
    checkState(pixels != nullptr && width > 0 && height > 0, [&](std::stringstream& out) {
        out << "Couldn't load image: " << path << " (" << SOIL_last_result() << ")";
    });
}

GLuint createTexture(const RgbaImage& image, bool mipmapped) {
    GLuint textureId = 0;
    glGenTextures(1, &textureId);
    glBindTexture(GL_TEXTURE_2D, textureId);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // RGBA rows of any width are 4-byte aligned, so the default unpack alignment fits.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.getWidth(), image.getHeight(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image.getPixels());
    if (mipmapped) {
        glGenerateMipmap(GL_TEXTURE_2D);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    return textureId;
}

} // namespace kv
