#include "engine/render/VisualComponent.hpp"

#include <glm/gtc/matrix_transform.hpp>

#include "engine/core/GameEntity.hpp"

namespace kv {

namespace {
constexpr vec2 kNoTextureOffset{0.0f, 0.0f};
constexpr vec4 kUntinted{1.0f, 1.0f, 1.0f, 1.0f};
} // namespace

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
    shader->use();
    const mat4 model = modelMatrix(scale);
    shader->setTextureOffset(kNoTextureOffset);
    shader->setTint(tint);
    shader->setProjectionViewModel(projectionView * model);
    drawable->draw();
}

SpriteAnimationComponent::SpriteAnimationComponent(GameEntity& entity, const std::shared_ptr<Shader>& shader,
                                                   const std::shared_ptr<Sprite>& sprite,
                                                   float animationScale, int priority)
    : VisualComponent(entity, shader, std::shared_ptr<Drawable>(sprite), priority),
      animationScale(animationScale) {
    // Owned by the entity like any component; the two share the animation.
    auto* timeline = new AnimationTimeline(entity, sprite, AnimationTimeline::kDefaultPriority);
    animation = timeline->getAnimation();
}

SpriteAnimationComponent::~SpriteAnimationComponent() = default;

void SpriteAnimationComponent::draw(const mat4& projectionView) {
    if (!entity.isActive()) {
        return;
    }
    shader->use();
    const mat4 model = modelMatrix(animationScale);
    shader->setProjectionViewModel(projectionView * model);
    shader->setTextureOffset(animation->getTextureOffset());
    shader->setTint(kUntinted);
    animation->draw();
}

AnimationTimeline::AnimationTimeline(GameEntity& entity, const std::shared_ptr<Sprite>& sprite, int priority)
    : UpdatableComponent(entity, priority), animation(std::make_shared<SpriteAnimation>(sprite)) {}

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
            return;
        }
    }
}

} // namespace kv
