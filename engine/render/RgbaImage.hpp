// An image file decoded to 8-bit RGBA pixels, first file row first, ready to upload as a texture.
#pragma once

#include <GL/glew.h>

#include <memory>
#include <string>

namespace kv {

// Throws, naming the path, when the file cannot be read or decoded, so nothing is ever uploaded with
// undefined dimensions. Move-only; frees the pixels when it goes. Holds no global state, so images can be
// decoded on any thread.
class RgbaImage {
public:
    explicit RgbaImage(const std::string& path);

    int getWidth() const { return width; }
    int getHeight() const { return height; }
    const unsigned char* getPixels() const { return pixels.get(); }

private:
    struct PixelDeleter {
        void operator()(unsigned char* data) const;
    };

    int width = 0;
    int height = 0;
    std::unique_ptr<unsigned char, PixelDeleter> pixels;
};

// A new 2D texture of the image, wrapping (GL_REPEAT) with linear filters, trilinear with a full mipmap
// chain (glGenerateMipmap) when mipmapped. Leaves no texture bound.
GLuint createTexture(const RgbaImage& image, bool mipmapped);

} // namespace kv
