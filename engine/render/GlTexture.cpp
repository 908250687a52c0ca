#include "engine/render/GlTexture.hpp"

#include "engine/render/RgbaImage.hpp"

namespace kv {

GlTexture::GlTexture(const std::string& path, bool mipmapped) {
    const RgbaImage image(path);
    imageWidth = image.getWidth();
    imageHeight = image.getHeight();
    textureId = createTexture(image, mipmapped);
}

GlTexture::~GlTexture() {
    glDeleteTextures(1, &textureId);
}

void GlTexture::bind() const {
    glBindTexture(GL_TEXTURE_2D, textureId);
}

} // namespace kv
