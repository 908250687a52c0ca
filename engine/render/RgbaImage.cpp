#include "engine/render/RgbaImage.hpp"

#include <SOIL/SOIL.h>

#include "engine/core/Diagnostics.hpp"

namespace kv {

void RgbaImage::PixelDeleter::operator()(unsigned char* data) const {
    SOIL_free_image_data(data);
}

RgbaImage::RgbaImage(const std::string& path)
    : pixels(SOIL_load_image(path.c_str(), &width, &height, nullptr, SOIL_LOAD_RGBA)) {
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
