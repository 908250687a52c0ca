#include "bench/Fragments.hpp"

#include <fstream>
#include <memory>

#include <GL/glew.h>
#include <glm/gtc/matrix_transform.hpp>

#include "engine/core/GameEntity.hpp"
#include "engine/render/DrawQueue.hpp"
#include "engine/render/Shader.hpp"
#include "engine/render/Shape2D.hpp"
#include "engine/render/Sprite.hpp"
#include "engine/render/VisualComponent.hpp"

namespace kv::bench {

namespace {

constexpr vec4 kUntinted{1.0f, 1.0f, 1.0f, 1.0f};
constexpr vec2 kNoTextureOffset{0.0f, 0.0f};

// The sprite program's colour, with the fragments that leave their pixel unchanged discarded: those are
// not counted as passed.
constexpr const char* kChangingFragmentSource = R"(#version 150 core
in vec2 texCoord;
uniform sampler2D sheet;
uniform vec4 tint;
out vec4 fragColor;
void main() {
    fragColor = texture(sheet, texCoord) * tint;
    if (fragColor.a == 0.0) {
        discard;
    }
}
)";

std::shared_ptr<Shader> changingFragmentShader() {
    // Written beside the game's files in the scratch working directory.
    const char* path = "bench_changing.frag";
    std::ofstream(path) << kChangingFragmentSource;
    return std::make_shared<Shader>("shaders/sprite.vert", path);
}

mat4 modelOf(const GameEntity& entity, float scale) {
    const vec2& position = entity.getPosition();
    mat4 model = glm::translate(mat4(1.0f), glm::vec3(position.x, position.y, 0.0f));
    model = glm::rotate(model, entity.getOrientation(), glm::vec3(0.0f, 0.0f, 1.0f));
    return glm::scale(model, glm::vec3(scale, scale, scale));
}

} // namespace

std::uint64_t countFragments(const std::function<void()>& draw) {
    GLuint query = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_SAMPLES_PASSED, query);
    draw();
    glEndQuery(GL_SAMPLES_PASSED);
    GLuint samples = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &samples);
    glDeleteQueries(1, &query);
    return samples;
}

FragmentBreakdown breakDownFragments(BenchGame& bench) {
    ArcadeStyleShooterGame& game = bench.game();
    const mat4& projectionView = game.getGameCamera().projectionView;
    const auto visuals = game.getComponentRegistry().getComponents<VisualComponent>();
    const std::shared_ptr<Shader> changing = changingFragmentShader();

    FragmentBreakdown result;
    result.screenPixels = static_cast<double>(game.getGameCamera().bufferWidth * game.getGameCamera().bufferHeight);
    result.total = static_cast<double>(countFragments([&] { bench.render(); }));
    // Each kind, drawn as the game draws it, and again with the shader that drops what changes nothing.
    auto kindOf = [](VisualComponent* visual) {
        if (dynamic_cast<SpriteAnimationComponent*>(visual) != nullptr) {
            return 0;
        }
        return dynamic_cast<Sprite*>(visual->getDrawable().get()) != nullptr ? 1 : 2;
    };
    double counts[3] = {0.0, 0.0, 0.0};
    double changingCounts[2] = {0.0, 0.0};
    for (int kind = 0; kind < 3; ++kind) {
        counts[kind] = static_cast<double>(countFragments([&] {
            for (VisualComponent* visual : visuals) {
                if (kindOf(visual) == kind) {
                    visual->draw(projectionView);
                }
            }
            flushQueuedDraws();
        }));
    }
    for (int kind = 0; kind < 2; ++kind) {
        changingCounts[kind] = static_cast<double>(countFragments([&] {
            changing->use();
            for (VisualComponent* visual : visuals) {
                if (kindOf(visual) != kind || !visual->entity.isActive()) {
                    continue;
                }
                if (auto* animated = dynamic_cast<SpriteAnimationComponent*>(visual)) {
                    changing->setProjectionViewModel(projectionView * modelOf(visual->entity, animated->animationScale));
                    changing->setTextureOffset(animated->getAnimation()->getTextureOffset());
                    changing->setTint(kUntinted);
                } else {
                    changing->setProjectionViewModel(projectionView * modelOf(visual->entity, visual->scale));
                    changing->setTextureOffset(kNoTextureOffset);
                    changing->setTint(visual->tint);
                }
                visual->getDrawable()->draw();
            }
        }));
    }
    result.explosions = counts[0];
    result.sprites = counts[1];
    result.shapes = counts[2];
    result.explosionsChanging = changingCounts[0];
    result.spritesChanging = changingCounts[1];
    result.text = result.total - counts[0] - counts[1] - counts[2];
    return result;
}

} // namespace kv::bench
