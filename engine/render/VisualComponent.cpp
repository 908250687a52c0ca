#include "engine/render/VisualComponent.hpp"

#include <algorithm>
#include <array>
#include <limits>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/mat2x2.hpp>
#include <glm/matrix.hpp>

#include "engine/core/GameEntity.hpp"
#include "engine/core/Scene.hpp"
#include "engine/render/DrawQueue.hpp"

namespace kv {

namespace {
constexpr vec2 kNoTextureOffset{0.0f, 0.0f};
constexpr vec4 kUntinted{1.0f, 1.0f, 1.0f, 1.0f};
// Fraction of w by which a corner must pass a clip plane: far more than the rounding of the GPU's own
// vertex transform, far less than the half pixel between the view's edge and its nearest pixel centre.
constexpr float kClipMargin = 1.0e-4f;

// Drawn larger than this, no mipmap level is sampled (with a margin for the driver's approximation of the
// level of detail): fitted quads, which hold for the base level only, and sampling without mipmaps are safe.
constexpr float kMaxMagnifiedTexelsPerPixel = 0.9f;

bool fastDrawing = true;

// The largest number of texels a step of one pixel crosses (the driver's rho), from the map of texels to
// window pixels: the model axes scaled by the texel size, carried by the matrix and the viewport.
float texelsPerPixel(const mat4& projectionViewModel, const vec2& pixelScale) {
    const std::array<GLint, 4>& viewport = queuedViewport();
    const glm::mat2 halfViewport(0.5f * static_cast<float>(viewport[2]), 0.0f, 0.0f,
                                 0.5f * static_cast<float>(viewport[3]));
    const glm::mat2 modelToClip{vec2(projectionViewModel[0]), vec2(projectionViewModel[1])};
    const glm::mat2 texelToPixel = halfViewport * modelToClip * glm::mat2(pixelScale.x, 0.0f, 0.0f, pixelScale.y);
    if (glm::determinant(texelToPixel) == 0.0f) {
        return std::numeric_limits<float>::infinity();
    }
    const glm::mat2 pixelToTexel = glm::inverse(texelToPixel);
    return std::max(glm::length(pixelToTexel[0]), glm::length(pixelToTexel[1]));
}

// Whether the model's axes stay on the window's axes (mirrored or scaled, not turned) with w constant. A
// fitted quad covers a pixel with other triangles than the whole quad; upright, the texture coordinates
// the rasteriser interpolates across them came out the same in every scene compared, but turned they
// round differently, which changed colours by one unit here and there.
bool isUpright(const mat4& matrix) {
    return matrix[0][1] == 0.0f && matrix[1][0] == 0.0f && matrix[0][3] == 0.0f && matrix[1][3] == 0.0f;
}

// Each clip-plane distance (w - x, w + x, w - y, w + y) is linear over the box, and so is w: when it is
// negative at all four corners, with w positive there, it is negative everywhere inside, and the clipper
// removes every primitive within. NaN fails every comparison and keeps the visual.
bool isBoxOutsideClipVolume(const mat4& matrix, const Bounds2D& box) {
    bool allLeft = true;
    bool allRight = true;
    bool allBelow = true;
    bool allAbove = true;
    for (const vec2 corner : {box.min, vec2(box.max.x, box.min.y), vec2(box.min.x, box.max.y), box.max}) {
        const vec4 p = matrix * vec4(corner.x, corner.y, 0.0f, 1.0f);
        if (!(p.w > 0.0f)) {
            return false;
        }
        const float limit = p.w * (1.0f + kClipMargin);
        allLeft = allLeft && p.x < -limit;
        allRight = allRight && p.x > limit;
        allBelow = allBelow && p.y < -limit;
        allAbove = allAbove && p.y > limit;
    }
    return allLeft || allRight || allBelow || allAbove;
}
} // namespace

void VisualComponent::setFastDrawing(bool on) {
    fastDrawing = on;
}

bool VisualComponent::isFastDrawing() {
    return fastDrawing;
}

bool VisualComponent::isOutsideView(const mat4& projectionViewModel) const {
    if (!fastDrawing) {
        return false;
    }
    const std::optional<Bounds2D> bounds = drawable->getBounds();
    return bounds && isBoxOutsideClipVolume(projectionViewModel, *bounds);
}

VisualComponent::VisualComponent(GameEntity& entity, const std::shared_ptr<Shader>& shader,
                                 const std::shared_ptr<Drawable>& drawable, int priority)
    : EntityComponent(entity, priority), shader(shader), drawable(drawable) {
    entity.registerComponent<VisualComponent>(*this);
}

// The shared_ptr is built as the argument, before anything else can fail; if building it fails, it
// deletes the drawable itself.
VisualComponent::VisualComponent(GameEntity& entity, const std::shared_ptr<Shader>& shader,
                                 Drawable* drawable, int priority)
    : VisualComponent(entity, shader, std::shared_ptr<Drawable>(drawable), priority) {}

VisualComponent::~VisualComponent() {
    entity.deregisterComponent<VisualComponent>(*this);
}

mat4 VisualComponent::modelMatrix(float uniformScale) const {
    const vec2& position = entity.getPosition();
    mat4 model = glm::translate(mat4(1.0f), glm::vec3(position.x, position.y, 0.0f));
    model = glm::rotate(model, entity.getOrientation(), glm::vec3(0.0f, 0.0f, 1.0f));
    return glm::scale(model, glm::vec3(uniformScale, uniformScale, uniformScale));
}

void VisualComponent::draw(const mat4& projectionView) {
    if (!entity.isActive()) {
        return;
    }
    const mat4 projectionViewModel = projectionView * modelMatrix(scale);
    if (isOutsideView(projectionViewModel)) {
        return;
    }
    if (fastDrawing && shader->takesQueuedDraws()) {
        if (const std::optional<Triangles> triangles = drawable->getTriangles()) {
            queueTriangles(*shader, triangles->texture, triangles->vertices, projectionViewModel, tint,
                           kNoTextureOffset);
            return;
        }
    }
    shader->use();
    shader->setTextureOffset(kNoTextureOffset);
    shader->setTint(tint);
    shader->setProjectionViewModel(projectionViewModel);
    drawable->draw();
}

SpriteAnimationComponent::SpriteAnimationComponent(GameEntity& entity, const std::shared_ptr<Shader>& shader,
                                                   const std::shared_ptr<Sprite>& sprite,
                                                   float animationScale, int priority, AnimationEnd end)
    : VisualComponent(entity, shader, std::shared_ptr<Drawable>(sprite), priority),
      animationScale(animationScale) {
    // Owned by the entity like any component; the two share the animation.
    auto* timeline = new AnimationTimeline(entity, sprite, AnimationTimeline::kDefaultPriority, end);
    animation = timeline->getAnimation();
}

SpriteAnimationComponent::~SpriteAnimationComponent() = default;

void SpriteAnimationComponent::draw(const mat4& projectionView) {
    if (!entity.isActive()) {
        return;
    }
    const mat4 projectionViewModel = projectionView * modelMatrix(animationScale);
    if (isOutsideView(projectionViewModel)) {
        return;
    }
    Sprite& sprite = *animation->sprite;
    const bool magnified =
        fastDrawing && texelsPerPixel(projectionViewModel, sprite.getPixelScale()) <= kMaxMagnifiedTexelsPerPixel;
    const bool fitted = magnified && isUpright(projectionViewModel);
    const int frame = animation->currentFrame;
    // A frame set beyond the sheet's has no fitted quad: the whole quad shows the cell its offset selects.
    const bool fittedFrame = fitted && frame >= 0 && frame < sprite.getFrameCount();
    if (fastDrawing && shader->takesQueuedDraws()) {
        queueTriangles(*shader, sprite.getTextureId(),
                       fittedFrame ? sprite.getFittedTriangles(frame) : sprite.getTriangles()->vertices,
                       projectionViewModel, kUntinted, animation->getTextureOffset(),
                       magnified ? Sampling::magnified : Sampling::textureFilters);
        return;
    }
    shader->use();
    shader->setProjectionViewModel(projectionViewModel);
    shader->setTextureOffset(animation->getTextureOffset());
    shader->setTint(kUntinted);
    if (fittedFrame) {
        sprite.drawFitted(frame);
    } else {
        animation->draw();
    }
}

AnimationTimeline::AnimationTimeline(GameEntity& entity, const std::shared_ptr<Sprite>& sprite, int priority,
                                     AnimationEnd end)
    : UpdatableComponent(entity, priority), animation(std::make_shared<SpriteAnimation>(sprite)), end(end) {}

AnimationTimeline::~AnimationTimeline() = default;

void AnimationTimeline::update(float dt) {
    if (!entity.isActive()) {
        return;
    }
    elapsed += dt;
    while (elapsed > kFrameTime) {
        elapsed -= kFrameTime;
        animation->currentFrame = (animation->currentFrame + 1) % animation->sprite->getFrameCount();
        if (animation->getTextureOffset() == vec2(0.0f, 0.0f)) {
            // Back at the first frame: the animation has played once.
            entity.setActive(false);
            if (end == AnimationEnd::retire) {
                entity.addTag(kRetiredTag);
            }
            return;
        }
    }
}

// The scene's one step that needs graphics lives with the components it draws.
void Scene::draw(const mat4& projectionView) {
    for (VisualComponent* visual : components.getComponents<VisualComponent>()) {
        visual->draw(projectionView);
    }
}

} // namespace kv
