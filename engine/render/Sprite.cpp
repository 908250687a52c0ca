#include "engine/render/Sprite.hpp"

#include <algorithm>

#include <glm/common.hpp>

#include "engine/core/Diagnostics.hpp"
#include "engine/render/DrawQueue.hpp"
#include "engine/render/RgbaImage.hpp"
#include "engine/render/VertexAttributes.hpp"

namespace kv {

namespace {
constexpr GLint kComponentsPerVertex = 4; // x, y, u, v
constexpr GLsizei kQuadVertexCount = 4;
constexpr std::size_t kQuadTriangleCorners = 6;
constexpr bool kMipmapped = true;
// Texels by which a fitted quad reaches past the frame's non-transparent texels: linear filtering of the
// base level reads texels up to one away from the sample point; one more for the rounding of the
// interpolated coordinates.
constexpr int kFilterReach = 2;
constexpr std::size_t kBytesPerTexel = 4;
constexpr std::size_t kAlphaByte = 3;

struct TexelBox {
    int left;
    int top;
    int right; // exclusive
    int bottom; // exclusive
};

// The texels of the cell that can colour a sample: the cell's non-transparent texels and those of its
// surroundings within the filter's reach (the texture repeats), widened by the reach and kept inside the
// cell. Empty (right <= left) when there are none.
TexelBox fitFrame(const RgbaImage& image, int cellLeft, int cellTop, int width, int height) {
    TexelBox box{width, height, 0, 0};
    for (int y = -kFilterReach; y < height + kFilterReach; ++y) {
        const int row = ((cellTop + y) % image.getHeight() + image.getHeight()) % image.getHeight();
        for (int x = -kFilterReach; x < width + kFilterReach; ++x) {
            const int column = x >= 0 && x < width
                                   ? cellLeft + x
                                   : ((cellLeft + x) % image.getWidth() + image.getWidth()) % image.getWidth();
            const std::size_t index =
                (static_cast<std::size_t>(row) * static_cast<std::size_t>(image.getWidth()) +
                 static_cast<std::size_t>(column)) * kBytesPerTexel + kAlphaByte;
            if (image.getPixels()[index] != 0) {
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                       std::max(box.bottom, y + 1)};
            }
        }
    }
    if (box.right <= box.left) {
        return box;
    }
    return {std::max(box.left - kFilterReach, 0), std::max(box.top - kFilterReach, 0),
            std::min(box.right + kFilterReach, width), std::min(box.bottom + kFilterReach, height)};
}

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
    : Sprite(RgbaImage(path), path, origin, pixelScale, frameWidth, frameHeight, frameCount) {}

Sprite::Sprite(const RgbaImage& image, const std::string& path, const vec2& origin, const vec2& pixelScale,
               int frameWidth, int frameHeight, int frameCount)
    : frameWidth(frameWidth), frameHeight(frameHeight), frameCount(frameCount), path(path) {
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
    this->pixelScale = pixelScale;
    // The whole quad of frame 0 first, then each frame's fitted quad, in the same corner order; the
    // texture coordinates stay those of frame 0's cell, the texture offset moves them.
    std::vector<float> quad{left, top, 0.0f, 0.0f, left, bottom, 0.0f, vMax, right, top, uMax, 0.0f, right, bottom, uMax, vMax};
    const int columns = imageWidth / this->frameWidth;
    for (int frame = 0; frame < frameCount; ++frame) {
        const TexelBox box = fitFrame(image, (frame % columns) * this->frameWidth,
                                      (frame / columns) * this->frameHeight, this->frameWidth, this->frameHeight);
        frameVisible.push_back(box.right > box.left);
        // Sides on the cell's edge take the whole quad's own values, so that they round alike.
        auto along = [](int texel, int size, float first, float last) {
            return texel == 0      ? first
                   : texel == size ? last
                                   : first + (last - first) * static_cast<float>(texel) / static_cast<float>(size);
        };
        const int w = this->frameWidth;
        const int h = this->frameHeight;
        const float x0 = along(box.left, w, left, right);
        const float x1 = along(box.right, w, left, right);
        const float y0 = along(box.top, h, top, bottom);
        const float y1 = along(box.bottom, h, top, bottom);
        const float u0 = along(box.left, w, 0.0f, uMax);
        const float u1 = along(box.right, w, 0.0f, uMax);
        const float v0 = along(box.top, h, 0.0f, vMax);
        const float v1 = along(box.bottom, h, 0.0f, vMax);
        quad.insert(quad.end(), {x0, y0, u0, v0, x0, y1, u0, v1, x1, y0, u1, v0, x1, y1, u1, v1});
    }

    for (std::size_t first = 0; first < quad.size(); first += kQuadVertexCount * kComponentsPerVertex) {
        std::vector<vec4> corners;
        for (std::size_t i = first; i < first + kQuadVertexCount * kComponentsPerVertex; i += kComponentsPerVertex) {
            corners.emplace_back(quad[i], quad[i + 1], quad[i + 2], quad[i + 3]);
        }
        const std::vector<vec4> split = stripTriangles(corners);
        triangles.insert(triangles.end(), split.begin(), split.end());
    }

    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(quad.size() * sizeof(float)), quad.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(kPositionAttribute);
    glVertexAttribPointer(kPositionAttribute, kComponentsPerVertex, GL_FLOAT, GL_FALSE, 0, nullptr);

    textureId = createTexture(image, kMipmapped);
}

Sprite::~Sprite() {
    // Queued draws may still sample the sheet.
    flushQueuedDraws();
    glDeleteTextures(1, &textureId);
    glDeleteBuffers(1, &vbo);
    glDeleteVertexArrays(1, &vao);
}

void Sprite::draw() {
    flushQueuedDraws();
    glBindTexture(GL_TEXTURE_2D, textureId);
    glBindVertexArray(vao);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, kQuadVertexCount);
}

void Sprite::checkFrame(int frame) const {
    checkInRange(frame, 0, frameCount,
                 [&](std::stringstream& out) { out << "Frame of sprite sheet " << path; });
}

void Sprite::drawFitted(int frame) {
    checkFrame(frame);
    if (!frameVisible[static_cast<std::size_t>(frame)]) {
        return;
    }
    flushQueuedDraws();
    glBindTexture(GL_TEXTURE_2D, textureId);
    glBindVertexArray(vao);
    glDrawArrays(GL_TRIANGLE_STRIP, kQuadVertexCount * (frame + 1), kQuadVertexCount);
}

std::optional<Triangles> Sprite::getTriangles() const {
    return Triangles{std::span(triangles).first(kQuadTriangleCorners), textureId};
}

std::span<const vec4> Sprite::getFittedTriangles(int frame) const {
    checkFrame(frame);
    if (!frameVisible[static_cast<std::size_t>(frame)]) {
        return {};
    }
    return std::span(triangles).subspan(kQuadTriangleCorners * static_cast<std::size_t>(frame + 1),
                                        kQuadTriangleCorners);
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
