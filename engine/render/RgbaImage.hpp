// An image file decoded to 8-bit RGBA pixels, first file row first, ready to upload as a texture.
#pragma once

#include <GL/glew.h>

#include <memory>
#include <string>

namespace kv {

// Read from the path resolved against the asset root (AssetFiles.hpp). Throws, naming the path, when the file
// cannot be read or decoded, so nothing is ever uploaded with undefined dimensions. Move-only; frees the pixels when it goes. Holds no global state, so images can be
// decoded on any thread.
class RgbaImage {
public:
    explicit RgbaImage(const std::string& assetPath);

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

// How the engine's textures wrap and filter (trilinear between mipmap levels when mipmapped); the draw
// queue's sampler for magnified draws takes the same.
inline constexpr GLint kTextureWrap = GL_REPEAT;
inline constexpr GLint kTextureFilter = GL_LINEAR;

// A new 2D texture of the image, wrapping and filtering as above, with a full mipmap chain when mipmapped:
// the driver's (glGenerateMipmap), or on llvmpipe, for sides that are powers of two, the same levels made
// by the engine, which spares llvmpipe compiling its blit. Leaves no texture bound.
GLuint createTexture(const RgbaImage& image, bool mipmapped);

} // namespace kv
