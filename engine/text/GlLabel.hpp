// A text placed at a point with an alignment and a colour, drawn with the distance-field text shader.
#pragma once

#include <memory>
#include <string>
#include <type_traits>

#include <GL/glew.h>
#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec4.hpp>

#include "engine/text/GlText.hpp"

namespace kv {

using glm::mat4;
using glm::vec4;

class Shader;

// The text box (scaled width by scaled line height) is placed so that the point origin of it, in fractions
// of its size, lands on position; both are in the units of the camera the label is drawn with.
class GlLabel : private GlText {
public:
    GlLabel(std::shared_ptr<const GlyphAtlas> atlas, std::shared_ptr<const GlTexture> texture,
            std::shared_ptr<Shader> shader, const std::string& text, float fontSize);

    using GlText::getBufferCapacity;
    using GlText::getBuildCount;
    using GlText::getDimensions;
    using GlText::getFontSize;
    using GlText::getGlyphCount;
    using GlText::getScale;
    using GlText::getText;
    using GlText::isDirty;
    using GlText::setFontSize;
    using GlText::setText;

    // Draws nothing, and leaves the current program alone, for an empty text.
    void draw(const mat4& projectionView);

    vec2 position{0.0f, 0.0f};
    vec2 origin{0.5f, 0.5f}; // (0, 0) bottom-left, (1, 1) top-right
    vec4 color{1.0f, 1.0f, 1.0f, 1.0f};

private:
    std::shared_ptr<Shader> shader;
    GLint edgeLocation;
    GLint softnessLocation;
};

static_assert(!std::is_copy_constructible_v<GlLabel>);
static_assert(std::is_move_constructible_v<GlLabel>);

} // namespace kv
