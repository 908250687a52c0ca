// A 2D orthographic camera: a fixed height of the world in game units, the width following the
// framebuffer's aspect ratio, and conversion from window pixels to game coordinates.
#pragma once

#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>

namespace kv {

using glm::mat4;
using glm::vec2;

// A copyable value. Every setter recomputes the extents and all three matrices, so they are never stale.
// Game coordinates: x right, y up. Window coordinates: pixels from the top-left corner, y down.
class OrthoCamera {
public:
    OrthoCamera(float verticalSize, float bufferWidth, float bufferHeight);

    // A zero-sized framebuffer (a minimised window) is ignored: the camera keeps its last size.
    void resizeBuffer(float width, float height);
    void setPosition(const vec2& p);
    void setVerticalSize(float s);

    // The game point under a window point.
    vec2 screenToGameCoordinates(const vec2& windowPoint) const;
    // Whether a circle around point touches the visible area, tested as a box; the border counts as inside.
    bool isInside(const vec2& point, float radius) const;

    float verticalSize;       // game units
    float bufferWidth = 1.0f; // pixels
    float bufferHeight = 1.0f;
    float halfWidth = 0.0f; // game units
    float halfHeight = 0.0f;
    vec2 position{0.0f, 0.0f}; // the game point at the centre of the framebuffer
    mat4 projection{1.0f};
    mat4 view{1.0f};
    mat4 projectionView{1.0f}; // projection * view, as every draw call takes it
};

} // namespace kv
