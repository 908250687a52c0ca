// A 2D texture read from an image file.
#pragma once

#include <GL/glew.h>

#include <string>

namespace kv {

// Owns its texture object; not copyable, shared through std::shared_ptr<const GlTexture>.
class GlTexture {
public:
    // Throws, naming the path, when the image cannot be read. Mipmapped textures filter trilinearly.
    GlTexture(const std::string& path, bool mipmapped);
    ~GlTexture();
    GlTexture(const GlTexture&) = delete;
    GlTexture& operator=(const GlTexture&) = delete;

    void bind() const;

    GLuint getTextureId() const { return textureId; }
    // Pixels.
    int getImageWidth() const { return imageWidth; }
    int getImageHeight() const { return imageHeight; }

private:
    GLuint textureId = 0;
    int imageWidth = 0;
    int imageHeight = 0;
};

} // namespace kv
