// Fast drawing changes no pixel: the real game's scenes, drawn with every visual by itself in whole quads
// and with the visuals outside the view skipped, the upright animations' fitted quads, magnified ones
// sampled without mipmaps and runs of visuals drawn together from one buffer, give identical framebuffers.
#include <algorithm>
#include <cstddef>
#include <iterator>
#include <vector>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "engine/components/HealthAndScore.hpp"
#include "engine/render/VisualComponent.hpp"
#include "support/GameFixture.hpp"

namespace kv {
namespace {

constexpr int kMachineGun = 1;
constexpr int kIonCannon = 2;
constexpr int kFlamethrower = 3;
constexpr int kEmpRocket = 1;
constexpr int kComparisons = 3;    // moments compared per scene
constexpr int kFramesBetween = 12; // frames stepped with the trigger held before each comparison

struct Scene {
    const char* name;
    int mainWeapon;
    vec2 shipPlace; // fraction of the view's half extents
    float shipHeading;
    float explosionTurn;  // the game draws explosions upright; an engine user may turn an animation
    int windowHeight = 0; // pixels; in a small window the explosions are drawn smaller than their frames
};

const Scene kScenes[] = {
    {"flames from the centre", kFlamethrower, {0.0f, 0.0f}, 0.0f, 0.0f},
    {"flames into a corner", kFlamethrower, {0.7f, 0.8f}, 0.6f, 0.0f},
    {"beams across the edge", kIonCannon, {-0.5f, -0.6f}, -2.4f, 0.3f},
    {"bullets and a rocket", kMachineGun, {0.2f, 0.3f}, 2.0f, -2.2f},
    {"rockets in a small window", kMachineGun, {0.1f, -0.2f}, 0.5f, 0.0f, 192},
};

using DrawEquivalence = GameFixture;

TEST_F(DrawEquivalence, FastDrawingChangesNoPixel) {
    constexpr float kDeadly = 1.0e6f; // health points
    const OrthoCamera& camera = game->getGameCamera();
    // The frame as read back, drawn straightforwardly and then fast (which stays on, as in the game).
    auto expectSamePicture = [&](int frames) {
        const auto width = static_cast<GLsizei>(camera.bufferWidth);
        const auto height = static_cast<GLsizei>(camera.bufferHeight);
        std::vector<unsigned char> pictures[2];
        for (const bool fast : {false, true}) {
            VisualComponent::setFastDrawing(fast);
            game->render();
            pictures[fast].resize(static_cast<std::size_t>(width * height * kRgbaChannels));
            glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pictures[fast].data());
        }
        EXPECT_TRUE(pictures[0] == pictures[1]) << "after " << frames << " frames";
        EXPECT_LT(std::count(pictures[0].begin(), pictures[0].end(), 0), std::ssize(pictures[0]) * 99 / 100)
            << "the scene fills part of the screen";
    };
    expectSamePicture(0); // the menu
    for (const Scene& scene : kScenes) {
        SCOPED_TRACE(scene.name);
        startGame(scene.mainWeapon, kEmpRocket);
        if (scene.windowHeight != 0) {
            const int width = scene.windowHeight * 4 / 3;
            glViewport(0, 0, width, scene.windowHeight);
            game->handleFramebufferSize(width, scene.windowHeight);
        }
        ship().setPosition(scene.shipPlace * vec2(camera.halfWidth, camera.halfHeight));
        ship().setOrientation(scene.shipHeading);
        // Ships of every kind just inside, on and beyond each edge of the view, two in three exploding.
        int index = 0;
        for (float beyond : {-150.0f, -30.0f, 0.0f, 40.0f, 200.0f, 500.0f, 1100.0f}) {
            for (float along : {-0.95f, -0.3f, 0.45f, 1.0f}) {
                for (const vec2 place : {vec2(camera.halfWidth + beyond, along * camera.halfHeight),
                                         vec2(-camera.halfWidth - beyond, -along * camera.halfHeight),
                                         vec2(along * camera.halfWidth, camera.halfHeight + beyond),
                                         vec2(-along * camera.halfWidth, -camera.halfHeight - beyond)}) {
                    GameEntity* enemy = index % 3 == 0   ? game->spawnSwarmer()
                                        : index % 3 == 1 ? game->spawnDiver()
                                                         : game->spawnMothership();
                    GameEntity& placed = placeEnemy(enemy, place, static_cast<float>(index));
                    if (index++ % 3 != 2) {
                        placed.getComponent<HealthComponent>().doDamage(kDeadly);
                    }
                }
            }
        }
        press(GLFW_MOUSE_BUTTON_LEFT);
        press(GLFW_MOUSE_BUTTON_RIGHT);
        for (int comparison = 1; comparison <= kComparisons; ++comparison) {
            step(kFramesBetween);
            for (VisualComponent* visual : game->getComponentRegistry().getComponents<VisualComponent>()) {
                if (dynamic_cast<SpriteAnimationComponent*>(visual) != nullptr) {
                    visual->entity.setOrientation(scene.explosionTurn);
                }
            }
            expectSamePicture(comparison * kFramesBetween);
        }
        release(GLFW_MOUSE_BUTTON_LEFT);
        release(GLFW_MOUSE_BUTTON_RIGHT);
        game->clearGame();
    }
}

} // namespace
} // namespace kv
