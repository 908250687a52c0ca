#include "engine/render/OrthoCamera.hpp"

#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/mat4x4.hpp>
#include <glm/matrix.hpp>
#include <glm/vec4.hpp>

namespace kv {

OrthoCamera::OrthoCamera(float verticalSize, float bufferWidth, float bufferHeight)
    : verticalSize(verticalSize) {
    // Until a real size arrives the buffer counts as a 1 x 1 square, which keeps the matrices finite.
    resizeBuffer(this->bufferWidth, this->bufferHeight);
    resizeBuffer(bufferWidth, bufferHeight);
}

void OrthoCamera::resizeBuffer(float width, float height) {
    // Written so that NaN is refused too: the aspect ratio would make every matrix non-finite.
    if (!(width > 0.0f) || !(height > 0.0f)) {
        return;
    }
    bufferWidth = width;
    bufferHeight = height;
    const float aspect = width / height;
    halfHeight = 0.5f * verticalSize;
    halfWidth = aspect * halfHeight;
    projection = glm::ortho(-halfWidth, halfWidth, -halfHeight, halfHeight);
    view = glm::translate(mat4(1.0f), glm::vec3(-position.x, -position.y, 0.0f));
    projectionView = projection * view;
}

void OrthoCamera::setPosition(const vec2& p) {
    position = p;
    resizeBuffer(bufferWidth, bufferHeight);
}

void OrthoCamera::setVerticalSize(float s) {
    verticalSize = s;
    resizeBuffer(bufferWidth, bufferHeight);
}

vec2 OrthoCamera::screenToGameCoordinates(const vec2& windowPoint) const {
    const float ndcX = (windowPoint.x / bufferWidth) * 2.0f - 1.0f;
    // Window rows grow downward, game y upward.
    const float ndcY = ((bufferHeight - windowPoint.y) / bufferHeight) * 2.0f - 1.0f;
    const mat4 unproject = glm::inverse(projection * view);
    const glm::vec4 r = unproject * glm::vec4(ndcX, ndcY, -1.0f, 1.0f);
    return vec2(r.x / r.w, r.y / r.w);
}

bool OrthoCamera::isInside(const vec2& point, float radius) const {
    const float dx = point.x - position.x;
    const float dy = point.y - position.y;
    if (dx > halfWidth + radius) {
        return false;
    }
    if (-halfWidth - radius > dx) {
        return false;
    }
    if (dy > radius + halfHeight) {
        return false;
    }
    return !(-halfHeight - radius > dy);
}

} // namespace kv
