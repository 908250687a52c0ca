#include "engine/render/Sprite.hpp"

#include <algorithm>

#include <glm/common.hpp>

#include "engine/core/Diagnostics.hpp"
#include "engine/render/DrawQueue.hpp"
#include "engine/render/RgbaImage.hpp"

namespace kv {

namespace {
constexpr GLuint kPositionAttribute = 0;
constexpr GLint kComponentsPerVertex = 4; // x, y, u, v
constexpr GLsizei kQuadVertexCount = 4;
constexpr std::size_t kQuadTriangleCorners = 6;
constexpr bool kMipmapped = true;
// Texels by which a fitted mesh reaches past the frame's non-transparent texels: linear filtering of the
// base level reads texels up to one away from the sample point; one more for the rounding of the
// interpolated coordinates.
constexpr int kFilterReach = 2;
// Texel rows per band of a fitted mesh. Narrower bands follow round fire more closely but cost more
// triangles.
constexpr int kBandRows = 16;
// Transparent columns a band leaves out between two pieces; narrower gaps are drawn over, as the
// triangles around a gap cost more than its few fragments.
constexpr int kMinGap = 8;
constexpr std::size_t kBytesPerTexel = 4;
constexpr std::size_t kAlphaByte = 3;

// A piece of a fitted mesh, in texels of the cell; right and bottom exclusive.
struct Band {
    int left;
    int top;
    int right;
    int bottom;
};

// Which texels have alpha above 0, in the cell and its surroundings within the filter's reach (the texture
// repeats): rows from kFilterReach above the cell to kFilterReach below it, each from kFilterReach left of
// the cell to kFilterReach right of it.
class Coverage {
public:
    Coverage(const RgbaImage& image, int cellLeft, int cellTop, int width, int height)
        : stride(width + 2 * kFilterReach), opaque(static_cast<std::size_t>(stride * (height + 2 * kFilterReach))) {
        for (int y = -kFilterReach; y < height + kFilterReach; ++y) {
            const int row = ((cellTop + y) % image.getHeight() + image.getHeight()) % image.getHeight();
            for (int x = -kFilterReach; x < width + kFilterReach; ++x) {
                const int column = x >= 0 && x < width
                                       ? cellLeft + x
                                       : ((cellLeft + x) % image.getWidth() + image.getWidth()) % image.getWidth();
                const std::size_t index =
                    (static_cast<std::size_t>(row) * static_cast<std::size_t>(image.getWidth()) +
                     static_cast<std::size_t>(column)) * kBytesPerTexel + kAlphaByte;
                opaque[at(x, y)] = image.getPixels()[index] != 0;
            }
        }
    }
    bool operator()(int x, int y) const { return opaque[at(x, y)] != 0; }

private:
    std::size_t at(int x, int y) const {
        return static_cast<std::size_t>((y + kFilterReach) * stride + x + kFilterReach);
    }
    int stride;
    std::vector<unsigned char> opaque;
};

// The texels of the cell that can colour a sample, as bands of kBandRows rows from the first such row
// down: a band spans the columns of the non-transparent texels in its rows and within the filter's reach
// above and below, each widened by the reach and kept inside the cell, in pieces where kMinGap or more
// columns between them are left. Rows that reach no such texel have no band. Ordered by rows, then
// columns; empty for a wholly transparent cell.
std::vector<Band> fitBands(const Coverage& coverage, int width, int height) {
    std::vector<unsigned char> rowVisible;
    for (int y = -kFilterReach; y < height + kFilterReach; ++y) {
        bool any = false;
        for (int x = -kFilterReach; x < width + kFilterReach && !any; ++x) {
            any = coverage(x, y);
        }
        rowVisible.push_back(any);
    }
    const auto firstVisible = std::find(rowVisible.begin(), rowVisible.end(), 1);
    std::vector<Band> bands;
    if (firstVisible == rowVisible.end()) {
        return bands;
    }
    const int firstRow = static_cast<int>(firstVisible - rowVisible.begin()) - kFilterReach;
    const int lastRow =
        static_cast<int>(std::find(rowVisible.rbegin(), rowVisible.rend(), 1).base() - rowVisible.begin()) -
        1 - kFilterReach;
    const int top = std::max(firstRow - kFilterReach, 0);
    const int bottom = std::min(lastRow + 1 + kFilterReach, height);
    for (int bandTop = top; bandTop < bottom; bandTop += kBandRows) {
        const int bandBottom = std::min(bandTop + kBandRows, bottom);
        const std::size_t firstPiece = bands.size();
        for (int x = -kFilterReach; x < width + kFilterReach; ++x) {
            bool used = false;
            for (int y = bandTop - kFilterReach; y < bandBottom + kFilterReach && !used; ++y) {
                used = coverage(x, y);
            }
            if (!used) {
                continue;
            }
            const int left = std::max(x - kFilterReach, 0);
            const int right = std::min(x + 1 + kFilterReach, width);
            if (bands.size() > firstPiece && left - bands.back().right < kMinGap) {
                bands.back().right = right;
            } else {
                bands.push_back({left, bandTop, right, bandBottom});
            }
        }
    }
    return bands;
}

// The columns of a band's edge along the given row: its own corners and those of the bands that meet it
// there, so that both sides of the line share every vertex on it.
std::vector<int> edgeColumns(const Band& band, int row, const std::vector<Band>& bands) {
    std::vector<int> columns{band.left, band.right};
    for (const Band& other : bands) {
        if (other.top == row || other.bottom == row) {
            for (const int x : {other.left, other.right}) {
                if (x > band.left && x < band.right) {
                    columns.push_back(x);
                }
            }
        }
    }
    std::sort(columns.begin(), columns.end());
    columns.erase(std::unique(columns.begin(), columns.end()), columns.end());
    return columns;
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
    : frameWidth(frameWidth), frameHeight(frameHeight), frameCount(frameCount) {
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
    // The whole quad of frame 0 first, then each frame's fitted mesh; the texture coordinates stay those
    // of frame 0's cell, the texture offset moves them.
    const std::vector<vec4> quad{{left, top, 0.0f, 0.0f}, {left, bottom, 0.0f, vMax}, {right, top, uMax, 0.0f},
                                 {right, bottom, uMax, vMax}};
    triangles = stripTriangles(quad);
    const int w = this->frameWidth;
    const int h = this->frameHeight;
    // Corners lie on the texel grid; those on the cell's edge take the whole quad's own values, so that they
    // round alike, and every band computes a shared corner from the same texel, so it is the same bit for bit.
    auto along = [](int texel, int size, float first, float last) {
        return texel == 0      ? first
               : texel == size ? last
                               : first + (last - first) * static_cast<float>(texel) / static_cast<float>(size);
    };
    auto corner = [&](int x, int y) {
        return vec4(along(x, w, left, right), along(y, h, top, bottom), along(x, w, 0.0f, uMax),
                    along(y, h, 0.0f, vMax));
    };
    const int columns = imageWidth / w;
    for (int frame = 0; frame < frameCount; ++frame) {
        const std::vector<Band> bands =
            fitBands(Coverage(image, (frame % columns) * w, (frame / columns) * h, w, h), w, h);
        const std::size_t first = triangles.size();
        for (const Band& band : bands) {
            const std::vector<int> upper = edgeColumns(band, band.top, bands);
            const std::vector<int> lower = edgeColumns(band, band.bottom, bands);
            // A zig-zag between the two edges, left to right: every triangle has a corner on one edge and two
            // neighbouring corners on the other, so none is a sliver that rounding could flip.
            std::size_t i = 0;
            std::size_t j = 0;
            while (i + 1 < upper.size() || j + 1 < lower.size()) {
                const bool alongUpper =
                    j + 1 == lower.size() || (i + 1 < upper.size() && upper[i + 1] <= lower[j + 1]);
                const vec4 next = alongUpper ? corner(upper[i + 1], band.top) : corner(lower[j + 1], band.bottom);
                triangles.insert(triangles.end(), {corner(upper[i], band.top), corner(lower[j], band.bottom), next});
                (alongUpper ? i : j) += 1;
            }
        }
        fittedMeshes.push_back({first, triangles.size() - first});
    }

    // The buffer holds the whole quad as a strip, then the fitted meshes' triangles.
    std::vector<vec4> buffer(quad);
    buffer.insert(buffer.end(), triangles.begin() + kQuadTriangleCorners, triangles.end());
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(buffer.size() * sizeof(vec4)), buffer.data(), GL_STATIC_DRAW);
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

void Sprite::drawFitted(int frame) {
    const FittedMesh& mesh = fittedMeshes[static_cast<std::size_t>(frame)];
    if (mesh.count == 0) {
        return;
    }
    flushQueuedDraws();
    glBindTexture(GL_TEXTURE_2D, textureId);
    glBindVertexArray(vao);
    glDrawArrays(GL_TRIANGLES, static_cast<GLint>(kQuadVertexCount + mesh.first - kQuadTriangleCorners),
                 static_cast<GLsizei>(mesh.count));
}

std::optional<Triangles> Sprite::getTriangles() const {
    return Triangles{std::span(triangles).first(kQuadTriangleCorners), textureId};
}

std::span<const vec4> Sprite::getFittedTriangles(int frame) const {
    const FittedMesh& mesh = fittedMeshes[static_cast<std::size_t>(frame)];
    return std::span(triangles).subspan(mesh.first, mesh.count);
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
