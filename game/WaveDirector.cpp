// The wave director: when enemies enter a game, ever faster, with two mothership waves.
#include "engine/components/Scripted.hpp"
#include "game/ArcadeStyleShooterGame.hpp"
#include "game/GameState.hpp"

namespace kv {

namespace {

constexpr float kSwarmerStartInterval = 0.65f; // seconds, replaced from the first step on
constexpr float kDiverStartInterval = 1.5f;    // seconds, replaced from the first step on
constexpr float kDiverDelay = 12.0f;           // seconds before divers come
constexpr float kFirstMothershipWave = 45.0f;  // seconds of director time
constexpr float kSecondMothershipWave = 90.0f; // seconds of director time

} // namespace

GameEntity* ArcadeStyleShooterGame::createWaveDirector() {
    auto* director = new GameEntity(taggedRegistry, &componentRegistry, vec2(0.0f), 0.0f);
    director->addTag(kTagWaveDirector);
    auto* swarmers = new TimedEntitySpawner(*director, kSwarmerStartInterval, true, [this] { return spawnSwarmer(); });
    auto* divers = new TimedEntitySpawner(*director, kDiverStartInterval, true, [this] { return spawnDiver(); });
    divers->enabled = false;
    new TimedLambdaComponent(*director, kDiverDelay, [divers](EntityComponent&, float) { divers->enabled = true; });

    // The director's clock runs only while no mothership exists (killed ones count until swept).
    new LambdaComponent(
        *director,
        [this, swarmers, divers, elapsed = 0.0f, lastMothershipCount = 0](EntityComponent&, float dt) mutable {
            const int count = static_cast<int>(taggedRegistry.getEntities(kTagMothership).size());
            const int previous = lastMothershipCount;
            lastMothershipCount = count;
            if (count != 0) {
                return;
            }
            if (previous > 0) {
                swarmers->enabled = true;
                divers->enabled = true;
            }
            elapsed += dt;
            swarmers->interval = 1.0f / (elapsed / 100.0f + 0.5f);
            divers->interval = 1.0f / (elapsed / 200.0f + 0.1f);
            if (elapsed - dt < kFirstMothershipWave && elapsed >= kFirstMothershipWave) {
                spawnMothership();
                swarmers->enabled = false;
                divers->enabled = false;
            }
            if (elapsed >= kSecondMothershipWave && elapsed - dt < kSecondMothershipWave) {
                spawnMothership();
                spawnMothership();
                swarmers->enabled = false;
                divers->enabled = false;
            }
        },
        1000);
    return director;
}

} // namespace kv
