#include "engine/render/Sprite.hpp"

#include <array>

#include <glm/common.hpp>

#include "engine/core/Diagnostics.hpp"
#include "engine/render/RgbaImage.hpp"

namespace kv {

namespace {
constexpr GLuint kPositionAttribute = 0;
constexpr GLint kComponentsPerVertex = 4; // x, y, u, v
constexpr GLsizei kQuadVertexCount = 4;
constexpr bool kMipmapped = true;

void checkFrameLayout(const std::string& path, int frameWidth, int frameHeight, int frameCount,
                      int imageWidth, int imageHeight) {
    checkState(frameWidth > 0 && frameWidth <= imageWidth && frameHeight > 0 && frameHeight <= imageHeight,
               [&](std::stringstream& out) {
                   out << "Frame size " << frameWidth << " x " << frameHeight << " doesn't fit sprite sheet "
                       << path << " of " << imageWidth << " x " << imageHeight << " pixels";
               });
    const int framesInSheet = (imageWidth / frameWidth) * (imageHeight / frameHeight);
    checkState(frameCount >= 1 && frameCount <= framesInSheet, [&](std::stringstream& out) {
        out << "Frame count " << frameCount << " doesn't fit sprite sheet " << path << " of " << framesInSheet
            << " frames";
    });
}
} // namespace

Sprite::Sprite(const std::string& path, const vec2& origin, const vec2& pixelScale, int frameWidth,
               int frameHeight, int frameCount)
    : frameWidth(frameWidth), frameHeight(frameHeight), frameCount(frameCount) {
    const RgbaImage image(path);
    imageWidth = image.getWidth();
    imageHeight = image.getHeight();
    if (this->frameWidth == 0) {
        this->frameWidth = imageWidth;
    }
    if (this->frameHeight == 0) {
        this->frameHeight = imageHeight;
    }
    checkFrameLayout(path, this->frameWidth, this->frameHeight, frameCount, imageWidth, imageHeight);

    const float sx = pixelScale.x * static_cast<float>(this->frameWidth);
    const float sy = pixelScale.y * static_cast<float>(this->frameHeight);
    const float uMax = static_cast<float>(this->frameWidth) / static_cast<float>(imageWidth);
    const float vMax = static_cast<float>(this->frameHeight) / static_cast<float>(imageHeight);
    const float left = -origin.x * sx;
    const float right = sx - origin.x * sx;
    const float bottom = -origin.y * sy;
    const float top = sy - origin.y * sy;
    // A negative pixel scale mirrors the quad.
    quadBounds = Bounds2D{glm::min(vec2(left, bottom), vec2(right, top)), glm::max(vec2(left, bottom), vec2(right, top))};
    // Triangle strip: top-left, bottom-left, top-right, bottom-right. v = 0 is the top row of the file.
    const std::array<float, kQuadVertexCount * kComponentsPerVertex> quad{
        left, top, 0.0f, 0.0f, left, bottom, 0.0f, vMax, right, top, uMax, 0.0f, right, bottom, uMax, vMax};

    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof(quad), quad.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(kPositionAttribute);
    glVertexAttribPointer(kPositionAttribute, kComponentsPerVertex, GL_FLOAT, GL_FALSE, 0, nullptr);

    textureId = createTexture(image, kMipmapped);
}

Sprite::~Sprite() {
    glDeleteTextures(1, &textureId);
    glDeleteBuffers(1, &vbo);
    glDeleteVertexArrays(1, &vao);
}

void Sprite::draw() {
    glBindTexture(GL_TEXTURE_2D, textureId);
    glBindVertexArray(vao);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, kQuadVertexCount);
}

SpriteAnimation::SpriteAnimation(const std::shared_ptr<Sprite>& sprite) : sprite(sprite) {}

void SpriteAnimation::draw() {
    sprite->draw();
}

vec2 SpriteAnimation::getTextureOffset() const {
    const int columns = sprite->getImageWidth() / sprite->getFrameWidth();
    const int row = currentFrame / columns;
    const int column = currentFrame % columns;
    const float frameU =
        static_cast<float>(sprite->getFrameWidth()) / static_cast<float>(sprite->getImageWidth());
    const float frameV =
        static_cast<float>(sprite->getFrameHeight()) / static_cast<float>(sprite->getImageHeight());
    return vec2(static_cast<float>(column) * frameU, frameV * static_cast<float>(row));
}

} // namespace kv
