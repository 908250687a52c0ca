// The real game, built for measuring: loaded in a scratch working directory that links to the generated
// assets, with helpers that stage the scenes of the benchmarks through the game's own factories.
#pragma once

#include <memory>
#include <random>
#include <string>
#include <vector>

#include <glm/vec2.hpp>

#include "engine/core/GameEntity.hpp"
#include "game/ArcadeStyleShooterGame.hpp"

namespace kv {
class TimedEntitySpawner;
}

namespace kv::bench {

constexpr float kFrameTime = 1.0f / 60.0f; // seconds: the fixed step of every benchmark
constexpr float kArenaRadius = 1900.0f;    // world units inside which scenes are spread (the ring is at 2000)

enum class EnemyKind { swarmer, diver, mothership };

class BenchGame {
public:
    // Creates the window and loads every asset, as the program does before its first frame.
    BenchGame();
    ~BenchGame();
    BenchGame(const BenchGame&) = delete;
    BenchGame& operator=(const BenchGame&) = delete;

    ArcadeStyleShooterGame& game() { return *shooter; }

    // Starts a game with the weapons chosen as in the menu. The wave director is switched off (scenes are
    // staged here) and the turret keeps pointing along +x instead of following the desktop's pointer.
    void startGame(int mainWeapon, int secondaryWeapon);
    // Ends the game in progress as escape does.
    void endGame();

    GameEntity& ship();
    // Tops the ship's health up, so that no scene ends with its death; call before every frame.
    void keepShipAlive();

    // An enemy from the game's own factory, moved to the position with the heading; its AI stays on.
    GameEntity& spawnEnemy(EnemyKind kind, const glm::vec2& position, float orientation);
    // A machine-gun bullet from the ship's own bullet factory, moved to the position and flying along
    // the heading at the bullet's speed. Bullets carry kBulletMarkTag, which no rule of the game looks at.
    GameEntity& fireBullet(const glm::vec2& position, float heading);
    static constexpr int kBulletMarkTag = 900;

    // Active entities carrying the tag.
    int countActive(int tag);
    // A uniformly distributed point of the disc of that radius around the origin.
    glm::vec2 randomPointInDisc(float radius);
    float randomAngle();

    void update(float dt = kFrameTime) { shooter->update(dt); }
    void render() { shooter->render(); }

    // Left mouse button, as the player presses and releases it.
    void pressFire();
    void releaseFire();

private:
    TimedEntitySpawner& bulletSpawner();

    std::string workingDirectory;
    std::string previousDirectory;
    std::unique_ptr<ArcadeStyleShooterGame> shooter;
    std::mt19937 random{20240601u};
};

// A scratch directory holding links to the asset folders of the build; removed by the caller.
std::string makeAssetDirectory();
void removeDirectory(const std::string& path);

} // namespace kv::bench
