#include "engine/text/GlLabelButton.hpp"

#include <cmath>
#include <utility>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>

#include "engine/core/Diagnostics.hpp"
#include "engine/render/DrawQueue.hpp"
#include "engine/render/OrthoCamera.hpp"
#include "engine/render/Shader.hpp"
#include "engine/render/VisualComponent.hpp"

namespace kv {

const vec4 passiveColor{0.3f, 0.3f, 0.3f, 1.0f};
const vec4 hoverColor{0.6f, 0.6f, 0.6f, 1.0f};
const vec4 activeColor{0.3f, 0.3f, 1.0f, 1.0f};
const vec4 buttonCaptionColor{1.0f, 1.0f, 0.5f, 1.0f};

Shader* dbgShader = nullptr;

GlLabelButton::GlLabelButton(vec2 extent, std::shared_ptr<const GlyphAtlas> atlas,
                             std::shared_ptr<const GlTexture> texture, std::shared_ptr<Shader> shader,
                             const std::string& text, float fontSize, std::shared_ptr<Shader> shapeShader)
    : extent(extent), label(std::move(atlas), std::move(texture), std::move(shader), text, fontSize),
      background(generateRectangleFan(extent, vec2(0.0f, 0.0f)), GL_TRIANGLE_FAN),
      shapeShader(std::move(shapeShader)) {
    label.color = buttonCaptionColor;
}

void GlLabelButton::update(float /*dt*/, const OrthoCamera& camera, const vec2& mouseWindowPosition) {
    const vec2 point = camera.screenToGameCoordinates(mouseWindowPosition);
    hovered = std::abs(point.x - label.position.x) <= 0.5f * extent.x &&
              std::abs(point.y - label.position.y) <= 0.5f * extent.y;
}

void GlLabelButton::handleMouseButton(int button, int action, int /*mods*/) {
    if (hovered && button == GLFW_MOUSE_BUTTON_LEFT && action == GLFW_PRESS) {
        onClick();
    }
}

void GlLabelButton::handleMouseButton(int button, int action, int mods, const OrthoCamera& camera,
                                      const vec2& mouseWindowPosition) {
    update(0.0f, camera, mouseWindowPosition);
    handleMouseButton(button, action, mods);
}

const vec4& GlLabelButton::getBackgroundColor() const {
    if (focused) {
        return hoverColor;
    }
    if (active) {
        return activeColor;
    }
    return hovered ? hoverColor : passiveColor;
}

void GlLabelButton::draw(const mat4& projectionView) {
    Shader* shape = dbgShader != nullptr ? dbgShader : shapeShader.get();
    checkState(shape != nullptr, "No shape shader is set for drawing buttons");
    const mat4 projectionViewModel =
        projectionView * glm::translate(mat4(1.0f), glm::vec3(label.position.x, label.position.y, 0.0f));
    // Queued like any visual when fast drawing is on; the caption's draw issues it first.
    if (VisualComponent::isFastDrawing() && shape->takesQueuedDraws()) {
        queueTriangles(*shape, 0, background.getTriangles()->vertices, projectionViewModel,
                       getBackgroundColor(), vec2(0.0f, 0.0f));
    } else {
        shape->use();
        shape->setProjectionViewModel(projectionViewModel);
        shape->setTint(getBackgroundColor());
        background.draw();
    }
    label.draw(projectionView);
}

} // namespace kv
