// Collector, the engine's example game: steer a ship with W/A/S/D inside a ring and pick up the crystals
// that drift through it before they vanish. Each one scores a point and chimes, as does the start of the
// round; Escape quits. Its files are its font (fonts/) and its sound (sounds/) under the asset root; it draws
// with the engine's own shaders.
#pragma once

#include <memory>
#include <vector>

#include "engine/core/Game.hpp"
#include "engine/core/GameEntity.hpp"
#include "engine/core/Scene.hpp"
#include "engine/core/TaggedEntityRegistry.hpp"
#include "engine/core/TypedComponentRegistry.hpp"
#include "engine/render/OrthoCamera.hpp"
#include "engine/sound/SoundManager.hpp"

namespace kv {

class Drawable;
class GlLabel;
class GlLabelFactory;
class Shader;

// The game owns every entity through its registries: entities are made with new by the factories below
// and deleted by its scene, at the end of a frame once retired, and all of them when the game goes.
class CollectorGame : public Game {
public:
    // Entity tags of this game (0 is on every entity, 99 marks retired ones).
    static constexpr int kTagShip = 1;
    static constexpr int kTagCrystal = 2;

    static constexpr float kFieldRadius = 450.0f; // world units: the ship stays inside this ring
    static constexpr float kCrystalLife = 9.0f;   // seconds a crystal drifts before it vanishes

    // With a frame limit above 0 the game quits by itself after that many frames (a demonstration run).
    explicit CollectorGame(int frameLimit = 0);
    ~CollectorGame() override;

    void load() override;
    void update(float dt) override;
    void render() override;
    void handleKey(int key, int scancode, int action, int mods) override;
    void handleFramebufferSize(int width, int height) override;

    GameEntity* createShip();
    // A crystal at a position (world units) drifting with a velocity (world units per second).
    GameEntity* createCrystal(const vec2& position, const vec2& velocity);

    int getScore() const { return score; }
    GameEntity& getShip() { return entities.getEntity(kTagShip); }
    TaggedEntityRegistry& getEntities() { return entities; }

private:
    // The spawner's factory: a crystal entering from a random point of the rim, heading inwards.
    GameEntity* spawnCrystal();

    std::shared_ptr<Shader> shapeShader;
    std::shared_ptr<Drawable> shipShape;
    std::shared_ptr<Drawable> crystalShape;
    std::unique_ptr<SoundManager> sound;
    Sound pickupSound;
    std::unique_ptr<GlLabelFactory> labels;
    std::shared_ptr<GlLabel> scoreLabel;
    TaggedEntityRegistry entities;
    TypedComponentRegistry components{nullptr};
    // The frame over both; deletes the entities when the game goes, before the assets above.
    Scene scene{entities, components};
    OrthoCamera camera;                                         // world units, centred on the field
    OrthoCamera screen;                                         // one unit per pixel, for the score
    bool left = false, right = false, up = false, down = false; // steering keys held
    int score = 0;
    int framesLeft; // 0: no limit
};

} // namespace kv
