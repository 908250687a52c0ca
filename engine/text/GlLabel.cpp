#include "engine/text/GlLabel.hpp"

#include <utility>

#include <glm/gtc/matrix_transform.hpp>

#include "engine/render/Shader.hpp"

namespace kv {

namespace {

// Text at this fraction of the atlas size and above gets the sharpest outline: at 4/3 of it.
constexpr float kEdgeScaleFactor = 0.75f;
// Distance-field threshold of the glyph outline, from tiny text to large text.
constexpr float kMinEdge = 0.4f;
constexpr float kMaxEdge = 0.5f;
constexpr float kEdgeRange = 0.099999994f; // kMaxEdge - kMinEdge as the float the outline grows by
// Width of the smoothing band around the outline, shrinking as the text grows.
constexpr float kMaxSoftness = 0.2f;
constexpr float kSoftnessRange = 0.15f;

} // namespace

GlLabel::GlLabel(std::shared_ptr<const GlyphAtlas> atlas, std::shared_ptr<const GlTexture> texture,
                 std::shared_ptr<Shader> shader, const std::string& text, float fontSize)
    : GlText(std::move(atlas), std::move(texture), text, fontSize), shader(std::move(shader)) {
    edgeLocation = this->shader->getUniformLocation("edge");
    softnessLocation = this->shader->getUniformLocation("softness");
}

void GlLabel::draw(const mat4& projectionView) {
    if (getText().empty()) {
        return;
    }
    const float scale = getScale();
    shader->use();

    float t = kEdgeScaleFactor * scale;
    float edge = kMinEdge + kEdgeRange * t;
    if (t <= 0.0f) {
        t = 0.0f;
        edge = kMinEdge;
    } else if (t >= 1.0f) {
        t = 1.0f;
        edge = kMaxEdge;
    }
    shader->setFloat(edgeLocation, edge);
    shader->setFloat(softnessLocation, kMaxSoftness - kSoftnessRange * t);
    shader->setTint(color);

    const vec2& size = getDimensions();
    const mat4 model = glm::scale(glm::translate(mat4(1.0f), glm::vec3(position.x - size.x * origin.x,
                                                                       position.y - size.y * origin.y, 0.0f)),
                                  glm::vec3(scale, scale, scale));
    shader->setProjectionViewModel(projectionView * model);
    GlText::draw();
}

} // namespace kv
