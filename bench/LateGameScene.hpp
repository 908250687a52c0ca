// The late game: the ship alive in the middle of the arena with its flamethrower firing, 400 enemies of the
// three kinds spread over the arena and 100 machine-gun bullets in flight, kept at that strength frame by
// frame as enemies die and bullets leave.
#pragma once

#include "bench/BenchGame.hpp"

namespace kv::bench {

class LateGameScene {
public:
    static constexpr int kSwarmers = 266;
    static constexpr int kDivers = 130;
    static constexpr int kMotherships = 4;
    static constexpr int kBullets = 100;
    static constexpr int kEnemies = kSwarmers + kDivers + kMotherships;

    // Starts a game with the flamethrower (and the EMP rocket as the unused secondary), stages the scene
    // and plays the given number of frames so that flames and explosions reach their steady numbers.
    LateGameScene(BenchGame& bench, int warmUpFrames);

    // Replaces what the last frame used up: the ship's health, killed enemies, spent bullets. Untimed.
    void topUp();

    int enemyCount();

private:
    void topUpKind(EnemyKind kind, int tag, int wanted);

    BenchGame& bench;
};

} // namespace kv::bench
