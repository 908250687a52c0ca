// Components that draw their entity: any drawable with a tint, or a sprite animation and its timeline.
#pragma once

#include <memory>

#include <glm/mat4x4.hpp>
#include <glm/vec4.hpp>

#include "engine/core/EntityComponent.hpp"
#include "engine/render/Shader.hpp"
#include "engine/render/Shape2D.hpp"
#include "engine/render/Sprite.hpp"

namespace kv {

using glm::mat4;
using glm::vec4;

// Draws a drawable at the entity's world position, turned by its orientation and uniformly scaled.
// Registers under VisualComponent; the game draws every one in registry order.
//
// Two ways of drawing fewer fragments for the same picture (fast drawing, on by default):
// - a visual whose drawable's bounds lie wholly beyond one edge of the view (after projectionView x model)
//   issues no GL call: the clipper would have discarded every one of its primitives, and every draw sets
//   all the uniforms it uses, so no later draw depends on the skipped one;
// - an animation shown upright at no more than one texel per pixel draws its frame's fitted quad
//   (Sprite::drawFitted), which leaves out only texels that cannot change a pixel (a frame set beyond the
//   sheet's has none and draws the whole quad);
// - a drawable made of triangles, drawn with a shader that takes queued draws, is queued (DrawQueue.hpp), so
//   that a run of visuals with the same shader and texture is one draw call; the game loop draws the queue
//   before the swap, and anything else that reads the framebuffer calls flushQueuedDraws() first.
class VisualComponent : public EntityComponent {
public:
    VisualComponent(GameEntity& entity, const std::shared_ptr<Shader>& shader,
                    const std::shared_ptr<Drawable>& drawable, int priority);
    // Takes ownership of a drawable made with new; it goes with the last component sharing it, and at
    // once if taking it over fails.
    VisualComponent(GameEntity& entity, const std::shared_ptr<Shader>& shader, Drawable* drawable,
                    int priority);
    ~VisualComponent() override;

    // Issues no GL call at all while the entity is inactive.
    virtual void draw(const mat4& projectionView);

    const std::shared_ptr<Shader>& getShader() const { return shader; }
    const std::shared_ptr<Drawable>& getDrawable() const { return drawable; }

    // Fast drawing for every component, on by default; off only to compare against drawing everything
    // with whole quads, each by itself.
    static void setFastDrawing(bool on);
    static bool isFastDrawing();

    float scale = 1.0f;
    vec4 tint{1.0f, 1.0f, 1.0f, 1.0f}; // RGBA

protected:
    // model = translate(position) * rotate(orientation) * scale(uniformScale).
    mat4 modelMatrix(float uniformScale) const;
    // Whether fast drawing is on and the drawable's bounds, carried by the matrix, miss the view entirely.
    bool isOutsideView(const mat4& projectionViewModel) const;

    std::shared_ptr<Shader> shader;
    std::shared_ptr<Drawable> drawable;
};

class AnimationTimeline;

// What an animation that has played once does with its entity.
enum class AnimationEnd {
    switchOff, // switches it (and its descendants) off and leaves it to the game
    retire,    // switches it off and tags it kRetiredTag: the scene's sweep deletes it in the same frame
};

// Draws a sprite animation untinted at animationScale; the base's scale and tint are unused. Creates the
// AnimationTimeline that advances the frames as a separate component of the same entity.
class SpriteAnimationComponent : public VisualComponent {
public:
    SpriteAnimationComponent(GameEntity& entity, const std::shared_ptr<Shader>& shader,
                             const std::shared_ptr<Sprite>& sprite, float animationScale, int priority,
                             AnimationEnd end = AnimationEnd::switchOff);
    ~SpriteAnimationComponent() override;

    void draw(const mat4& projectionView) override;

    const std::shared_ptr<SpriteAnimation>& getAnimation() const { return animation; }

    float animationScale;

private:
    std::shared_ptr<SpriteAnimation> animation;
};

// Plays an animation once at 60 frames per second of game time, then switches its entity (and the
// entity's descendants) off, and retires it if asked to.
class AnimationTimeline : public UpdatableComponent {
public:
    // Priority of the timeline a SpriteAnimationComponent creates: after the game's own updates.
    static constexpr int kDefaultPriority = 1000;
    // Seconds each frame is shown.
    static constexpr float kFrameTime = 1.0f / 60.0f;

    AnimationTimeline(GameEntity& entity, const std::shared_ptr<Sprite>& sprite, int priority,
                      AnimationEnd end = AnimationEnd::switchOff);
    ~AnimationTimeline() override;

    void update(float dt) override;

    const std::shared_ptr<SpriteAnimation>& getAnimation() const { return animation; }
    // Seconds accumulated towards the next frame.
    float getElapsed() const { return elapsed; }

private:
    std::shared_ptr<SpriteAnimation> animation;
    float elapsed = 0.0f;
    AnimationEnd end;
};

} // namespace kv
