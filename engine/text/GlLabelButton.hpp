// A clickable caption on a coloured rectangle, hit-tested through the camera it is shown with.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <type_traits>

#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec4.hpp>

#include "engine/render/Shape2D.hpp"
#include "engine/text/GlLabel.hpp"

namespace kv {

class OrthoCamera;
class Shader;

// Fill colours of the button rectangle (RGBA).
extern const vec4 passiveColor;
extern const vec4 hoverColor;
extern const vec4 activeColor;
// Colour every button caption is given at construction (RGBA).
extern const vec4 buttonCaptionColor;

// The game's shape shader, which buttons draw their rectangles with while it is set; not owned, set by the
// game when it loads its shaders. Unset, a button draws with the shape shader it was made with.
extern Shader* dbgShader;

// The rectangle and its hit box have the size extent and are centred on label.position.
class GlLabelButton {
public:
    GlLabelButton(vec2 extent, std::shared_ptr<const GlyphAtlas> atlas,
                  std::shared_ptr<const GlTexture> texture, std::shared_ptr<Shader> shader,
                  const std::string& text, float fontSize, std::shared_ptr<Shader> shapeShader = nullptr);
    GlLabelButton(const GlLabelButton&) = delete;
    GlLabelButton& operator=(const GlLabelButton&) = delete;

    // Recomputes the hover state from the mouse cursor in window coordinates; dt is not used.
    void update(float dt, const OrthoCamera& camera, const vec2& mouseWindowPosition);
    // Runs onClick for a left press while hovered; everything else, releases included, is ignored.
    void handleMouseButton(int button, int action, int mods);
    // The same, judged by the cursor at the event: the hover state is refreshed first, so that a click
    // arriving with the move that brought the pointer here lands here, whatever the last update saw.
    void handleMouseButton(int button, int action, int mods, const OrthoCamera& camera,
                           const vec2& mouseWindowPosition);
    // Rectangle in the colour of the state (focused, then active, then hovered), then the caption. Throws when
    // neither dbgShader nor the button's own shape shader is there. Depends on the process-wide fast-drawing
    // switch (VisualComponent::isFastDrawing): while it is on, the rectangle is queued like the visuals'
    // shapes; off, the whole frame, buttons included, draws each thing by itself.
    void draw(const mat4& projectionView);

    const vec2& getExtent() const { return extent; }
    bool isHovered() const { return hovered; }
    // Not hovered until the next update, as if the pointer had left.
    void clearHover() { hovered = false; }
    // The colour the rectangle is drawn in for the current state.
    const vec4& getBackgroundColor() const;

private:
    vec2 extent;

public:
    // The caption; its position is the button's centre.
    GlLabel label;

private:
    Shape2D background;

public:
    // Selected state, owned by whoever groups the buttons.
    bool active = false;
    // The button that keys or a pad act on, owned by whoever groups the buttons: drawn in the hover colour
    // whatever the pointer and the selection, so that it shows on a selected button too.
    bool focused = false;

private:
    bool hovered = false;

public:
    // Must be set before a click can reach the button: an empty action throws std::bad_function_call.
    std::function<void()> onClick;

private:
    std::shared_ptr<Shader> shapeShader; // may be null
};

static_assert(!std::is_copy_constructible_v<GlLabelButton>);

} // namespace kv
