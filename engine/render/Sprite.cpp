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
constexpr std::size_t kBytesPerTexel = 4;
constexpr std::size_t kAlphaByte = 3;

// Columns, relative to the cell, of a row's first and last texel with alpha above 0; none when first > last.
struct RowExtent {
    int first;
    int last;
};

// A band of a fitted mesh, in texels of the cell; right and bottom exclusive.
struct Band {
    int left;
    int top;
    int right;
    int bottom;
};

// The extents of the cell's rows and of its surroundings within the filter's reach (the texture repeats),
// from the row kFilterReach above the cell to the row kFilterReach below it.
std::vector<RowExtent> scanRows(const RgbaImage& image, int cellLeft, int cellTop, int width, int height) {
    std::vector<RowExtent> rows;
    for (int y = -kFilterReach; y < height + kFilterReach; ++y) {
        const int row = ((cellTop + y) % image.getHeight() + image.getHeight()) % image.getHeight();
        RowExtent extent{width + kFilterReach, -kFilterReach - 1};
        for (int x = -kFilterReach; x < width + kFilterReach; ++x) {
            const int column = x >= 0 && x < width
                                   ? cellLeft + x
                                   : ((cellLeft + x) % image.getWidth() + image.getWidth()) % image.getWidth();
            const std::size_t index =
                (static_cast<std::size_t>(row) * static_cast<std::size_t>(image.getWidth()) +
                 static_cast<std::size_t>(column)) * kBytesPerTexel + kAlphaByte;
            if (image.getPixels()[index] != 0) {
                extent = {std::min(extent.first, x), std::max(extent.last, x)};
            }
        }
        rows.push_back(extent);
    }
    return rows;
}

// The texels of the cell that can colour a sample, as bands of kBandRows rows from the first such row
// down: each band spans the columns of the non-transparent texels in its rows and within the filter's
// reach above and below, widened by the reach and kept inside the cell. Rows that reach no such texel
// have no band. Empty for a wholly transparent cell.
std::vector<Band> fitBands(const std::vector<RowExtent>& rows, int width, int height) {
    auto visible = [&](int y) {
        const RowExtent& row = rows[static_cast<std::size_t>(y + kFilterReach)];
        return row.first <= row.last;
    };
    int firstRow = -kFilterReach;
    while (firstRow < height + kFilterReach && !visible(firstRow)) {
        ++firstRow;
    }
    int lastRow = height + kFilterReach - 1;
    while (lastRow >= firstRow && !visible(lastRow)) {
        --lastRow;
    }
    std::vector<Band> bands;
    const int top = std::max(firstRow - kFilterReach, 0);
    const int bottom = std::min(lastRow + 1 + kFilterReach, height);
    for (int bandTop = top; bandTop < bottom; bandTop += kBandRows) {
        const int bandBottom = std::min(bandTop + kBandRows, bottom);
        RowExtent columns{width + kFilterReach, -kFilterReach - 1};
        for (int y = bandTop - kFilterReach; y < bandBottom + kFilterReach; ++y) {
            const RowExtent& row = rows[static_cast<std::size_t>(y + kFilterReach)];
            columns = {std::min(columns.first, row.first), std::max(columns.last, row.last)};
        }
        if (columns.first <= columns.last) {
            bands.push_back({std::max(columns.first - kFilterReach, 0), bandTop,
                             std::min(columns.last + 1 + kFilterReach, width), bandBottom});
        }
    }
    return bands;
}

// The columns where a band's edge along the given row meets the band itself or a band touching it there:
// splitting the edge at the neighbour's corners makes both sides share every vertex on the line.
std::vector<int> edgeColumns(const Band& band, const Band* neighbour) {
    std::vector<int> columns{band.left, band.right};
    if (neighbour != nullptr) {
        for (const int x : {neighbour->left, neighbour->right}) {
            if (x > band.left && x < band.right) {
                columns.push_back(x);
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
            fitBands(scanRows(image, (frame % columns) * w, (frame / columns) * h, w, h), w, h);
        const std::size_t first = triangles.size();
        for (std::size_t k = 0; k < bands.size(); ++k) {
            const Band& band = bands[k];
            const Band* above = k > 0 && bands[k - 1].bottom == band.top ? &bands[k - 1] : nullptr;
            const Band* below = k + 1 < bands.size() && bands[k + 1].top == band.bottom ? &bands[k + 1] : nullptr;
            const std::vector<int> upper = edgeColumns(band, above);
            const std::vector<int> lower = edgeColumns(band, below);
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
