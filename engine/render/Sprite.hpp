// Sprite sheets: a textured quad showing one frame of a sheet, and an animation that picks the frame.
#pragma once

#include <GL/glew.h>

#include <memory>
#include <string>
#include <vector>

#include <glm/vec2.hpp>

#include "engine/render/Shape2D.hpp"

namespace kv {

using glm::vec2;

class RgbaImage;

// Frames are laid out row by row from the top-left corner of the sheet. The quad shows the top-left frame;
// the shader's texture offset moves it to another one. Owns its texture, buffer and vertex array.
class Sprite : public Drawable {
public:
    // origin: the point of the frame placed at the entity, as fractions of the frame ((0, 0) bottom-left,
    // (1, 1) top-right). pixelScale: model units per image pixel, per axis. A frame size of 0 stands for
    // the whole image. Throws, naming the path, when the image cannot be read, and when the frames do not
    // fit the sheet.
    Sprite(const std::string& path, const vec2& origin, const vec2& pixelScale, int frameWidth,
           int frameHeight, int frameCount);
    // The same from an image decoded beforehand (on any thread); path names it in messages.
    Sprite(const RgbaImage& image, const std::string& path, const vec2& origin, const vec2& pixelScale,
           int frameWidth, int frameHeight, int frameCount);
    ~Sprite() override;

    void draw() override;
    // The quad of one frame.
    std::optional<Bounds2D> getBounds() const override { return quadBounds; }
    // Draws only the part of the quad that can change a pixel when the given frame is shown at no more
    // than one texel per pixel (so that only the base level is sampled): the frame's texels that are not
    // wholly transparent, widened by the reach of linear filtering. A texel with alpha 0 leaves the
    // pixel under it as it was with the game's blending, so this draws the same picture as draw() with
    // the frame's texture offset, shading fewer fragments. Draws nothing for a wholly transparent frame.
    // Throws, naming the path and the frame, for a frame not in [0, frame count).
    void drawFitted(int frame);
    // The whole quad's triangles, with the sheet.
    std::optional<Triangles> getTriangles() const override;
    // The triangles drawFitted(frame) draws; none for a wholly transparent frame. Throws as drawFitted.
    std::span<const vec4> getFittedTriangles(int frame) const;
    // Model units per texel, per axis.
    vec2 getPixelScale() const { return pixelScale; }

    GLuint getTextureId() const { return textureId; }
    GLuint getVbo() const { return vbo; }
    GLuint getVao() const { return vao; }
    // Pixels.
    int getFrameWidth() const { return frameWidth; }
    int getFrameHeight() const { return frameHeight; }
    int getImageWidth() const { return imageWidth; }
    int getImageHeight() const { return imageHeight; }
    int getFrameCount() const { return frameCount; }

private:
    void checkFrame(int frame) const;

    GLuint textureId = 0;
    GLuint vbo = 0;
    GLuint vao = 0;
    int frameWidth;
    int frameHeight;
    int imageWidth = 0;
    int imageHeight = 0;
    int frameCount;
    Bounds2D quadBounds{};
    vec2 pixelScale;
    std::vector<bool> frameVisible; // whether each frame has a texel with alpha above 0
    // The whole quad's triangles, then each frame's fitted quad's.
    std::vector<vec4> triangles;
    std::string path; // for messages
};

// One frame of a sprite at a time; the caller sets getTextureOffset() on the shader before drawing.
class SpriteAnimation : public Drawable {
public:
    explicit SpriteAnimation(const std::shared_ptr<Sprite>& sprite);

    void draw() override;
    std::optional<Bounds2D> getBounds() const override { return sprite->getBounds(); }
    // Texture-coordinate offset of currentFrame's cell; (0, 0) for frame 0.
    vec2 getTextureOffset() const;

    std::shared_ptr<Sprite> sprite;
    int currentFrame = 0;
};

} // namespace kv
