#include "bench/LateGameScene.hpp"

#include "game/GameState.hpp"

namespace kv::bench {

namespace {
constexpr int kFlamethrower = 3;
constexpr int kEmpRocket = 1;
} // namespace

LateGameScene::LateGameScene(BenchGame& bench, int warmUpFrames) : bench(bench) {
    bench.startGame(kFlamethrower, kEmpRocket);
    topUp();
    bench.pressFire();
    for (int frame = 0; frame < warmUpFrames; ++frame) {
        topUp();
        bench.update();
    }
}

void LateGameScene::topUpKind(EnemyKind kind, int tag, int wanted) {
    for (int count = bench.countActive(tag); count < wanted; ++count) {
        bench.spawnEnemy(kind, bench.randomPointInDisc(kArenaRadius), bench.randomAngle());
    }
}

void LateGameScene::topUp() {
    bench.keepShipAlive();
    topUpKind(EnemyKind::swarmer, kTagSwarmer, kSwarmers);
    topUpKind(EnemyKind::diver, kTagDiver, kDivers);
    topUpKind(EnemyKind::mothership, kTagMothership, kMotherships);
    for (int count = bench.countActive(BenchGame::kBulletMarkTag); count < kBullets; ++count) {
        bench.fireBullet(bench.randomPointInDisc(kArenaRadius), bench.randomAngle());
    }
}

int LateGameScene::enemyCount() {
    return bench.countActive(kTagEnemy);
}

} // namespace kv::bench
