// An image file decoded to 8-bit RGBA pixels, first file row first, ready to upload as a texture.
#pragma once

#include <GL/glew.h>

#include <memory>
#include <string>
#include <vector>

namespace kv {

// One level below an image's own in a mipmap chain, 8-bit RGBA, first row first.
struct MipmapLevel {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
};

// Throws, naming the path, when the file cannot be read or decoded, so nothing is ever uploaded with
// undefined dimensions. Move-only; frees the pixels when it goes. Holds no global state, so images can be
// decoded on any thread.
class RgbaImage {
public:
    explicit RgbaImage(const std::string& path);

    int getWidth() const { return width; }
    int getHeight() const { return height; }
    const unsigned char* getPixels() const { return pixels.get(); }

    // Works out the levels below the image's own down to 1 x 1 (see makeMipmapLevel), so that a later
    // mipmapped upload finds them made; the processor work of a mipmapped upload, on the thread that
    // calls this.
    void buildMipmaps();
    // Empty until buildMipmaps.
    const std::vector<MipmapLevel>& getMipmaps() const { return mipmaps; }

private:
    struct PixelDeleter {
        void operator()(unsigned char* data) const;
    };

    int width = 0;
    int height = 0;
    std::unique_ptr<unsigned char, PixelDeleter> pixels;
    std::vector<MipmapLevel> mipmaps;
};

// The next level of a mipmap chain below a level of width x height texels: half each side, rounded down,
// at least 1; each texel the bilinear sample of the level above at the texel's centre, edges clamped. That
// is what glGenerateMipmap does through a linear blit, and for even sides the mean of a 2 x 2 block.
MipmapLevel makeMipmapLevel(const unsigned char* pixels, int width, int height);

// A new 2D texture of the image, wrapping (GL_REPEAT) with linear filters, trilinear with a full mipmap
// chain when mipmapped. The chain is made on the processor (the image's own when built, else here) and
// uploaded level by level: a software renderer's glGenerateMipmap compiles shaders on first use and
// takes several times as long. Leaves no texture bound.
GLuint createTexture(const RgbaImage& image, bool mipmapped);

} // namespace kv
