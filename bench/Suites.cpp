#include "bench/Suites.hpp"

#include <cmath>
#include <cstdio>
#include <vector>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "bench/AllocationCounter.hpp"
#include "bench/BenchGame.hpp"
#include "bench/Fragments.hpp"
#include "bench/GlCallCounter.hpp"
#include "bench/LateGameScene.hpp"
#include "bench/Stats.hpp"
#include "engine/components/Collision.hpp"
#include "engine/components/HealthAndScore.hpp"
#include "engine/core/Angles.hpp"
#include "engine/core/GameEntity.hpp"
#include "engine/render/VisualComponent.hpp"
#include "game/GameState.hpp"

namespace kv::bench {

namespace {

constexpr double kNsPerMs = 1.0e6;
constexpr int kMachineGun = 1;
constexpr int kEmpRocket = 1;

double ms(std::int64_t nanoseconds) {
    return static_cast<double>(nanoseconds) / kNsPerMs;
}

struct UpdateTimes {
    std::vector<double> wall; // ms
    std::vector<double> cpu;  // ms of this thread's processor time
};

// A straightforward engine can take minutes for one frame of the largest scenes: past this much time, a
// measurement stops after its first few frames.
constexpr double kFrameTimeLimitMs = 90000.0;
constexpr int kFramesWithinLimit = 2;

// The update of one frame, timed; everything the scene needs between frames happens outside the timing.
template <typename Between>
UpdateTimes timeUpdates(BenchGame& bench, int frames, Between between) {
    UpdateTimes times;
    double spent = 0.0;
    for (int frame = 0; frame < frames; ++frame) {
        if (frame >= kFramesWithinLimit && spent > kFrameTimeLimitMs) {
            break;
        }
        between();
        const std::int64_t cpuStart = threadCpuNs();
        const std::int64_t start = nowNs();
        bench.update();
        times.wall.push_back(ms(nowNs() - start));
        times.cpu.push_back(ms(threadCpuNs() - cpuStart));
        spent += times.wall.back();
    }
    return times;
}

} // namespace

Figures runLateGame(const Options& options) {
    BenchGame bench;
    LateGameScene scene(bench, options.quick ? 10 : 120);
    double enemies = 0.0;
    const int frames = options.quick ? 30 : 900;
    const UpdateTimes times = timeUpdates(bench, frames, [&] {
        scene.topUp();
        enemies += scene.enemyCount();
    });
    const Summary update = summarize(times.wall);
    const Summary cpu = summarize(times.cpu);
    const double flames = bench.countActive(kTagPlayerProjectile) - LateGameScene::kBullets;
    return {
        {"late game", "update median", update.median, "ms"},
        {"late game", "update p99", update.p99, "ms"},
        {"late game", "update median (CPU time)", cpu.median, "ms"},
        {"late game", "update p99 (CPU time)", cpu.p99, "ms"},
        {"late game", "enemies (mean)", enemies / frames, ""},
        {"late game", "flames at the end", flames, ""},
        {"late game", "entities at the end",
         static_cast<double>(bench.game().getTaggedRegistry().getEntities(0).size()), ""},
    };
}

Figures runRender(const Options& options) {
    BenchGame bench;
    installGlCallCounter();
    LateGameScene scene(bench, options.quick ? 10 : 120);
    const int frames = options.quick ? 20 : 300;
    // Frames alternate between drawing every visual with whole quads and fast drawing (culling and fitted
    // quads), so that both meet the same scenes and the same moments of the machine's load.
    struct Way {
        const char* name;
        bool fast;
        std::vector<double> cpu, finished, calls, fragments;
    };
    Way ways[2] = {{"straightforward", false, {}, {}, {}, {}}, {"fast", true, {}, {}, {}, {}}};
    std::vector<double> drawn;
    for (int frame = 0; frame < frames; ++frame) {
        scene.topUp();
        bench.update();
        double visible = 0.0;
        for (VisualComponent* visual : bench.game().getComponentRegistry().getComponents<VisualComponent>()) {
            visible += visual->entity.isActive() ? 1.0 : 0.0;
        }
        drawn.push_back(visible);
        Way& way = ways[frame % 2];
        VisualComponent::setFastDrawing(way.fast);
        glFinish();
        resetGlCallCount();
        const std::int64_t start = nowNs();
        bench.render();
        const std::int64_t issued = nowNs();
        glFinish();
        const std::int64_t done = nowNs();
        way.calls.push_back(static_cast<double>(glCallCount()));
        way.cpu.push_back(ms(issued - start));
        way.finished.push_back(ms(done - start));
        // Counted on further, untimed drawings of the same frame, both ways.
        for (Way& counted : ways) {
            VisualComponent::setFastDrawing(counted.fast);
            counted.fragments.push_back(static_cast<double>(countFragments([&] { bench.render(); })));
        }
    }
    VisualComponent::setFastDrawing(true);
    Figures figures;
    for (const Way& way : ways) {
        const std::string name = std::string("drawing, ") + way.name;
        const Summary finishedSummary = summarize(way.finished);
        figures.push_back({name, "render call median", summarize(way.cpu).median, "ms"});
        figures.push_back({name, "render to glFinish median", finishedSummary.median, "ms"});
        figures.push_back({name, "render to glFinish p99", finishedSummary.p99, "ms"});
        figures.push_back({name, "GL calls per frame", summarize(way.calls).median, ""});
        figures.push_back({name, "fragments per frame", summarize(way.fragments).median, ""});
    }
    figures.push_back({"drawing", "visual components of active entities", summarize(drawn).median, ""});
    for (const Way& way : ways) {
        VisualComponent::setFastDrawing(way.fast);
        const FragmentBreakdown last = breakDownFragments(bench);
        const std::string name = std::string("last frame, ") + way.name;
        figures.push_back({name, "fragments", last.total, ""});
        figures.push_back({name, "explosions", last.explosions, ""});
        figures.push_back({name, "explosions, alpha > 0", last.explosionsChanging, ""});
        figures.push_back({name, "sprites", last.sprites, ""});
        figures.push_back({name, "sprites, alpha > 0", last.spritesChanging, ""});
        figures.push_back({name, "shapes", last.shapes, ""});
        figures.push_back({name, "text", last.text, ""});
        figures.push_back({name, "screen pixels", last.screenPixels, ""});
    }
    VisualComponent::setFastDrawing(true);
    return figures;
}

Figures runScreenshot(const Options& options) {
    BenchGame bench;
    LateGameScene scene(bench, options.quick ? 10 : 120);
    // Every kShotEvery-th frame takes a screenshot; alternately the frame then waits for the file, as when
    // the encoding ran on the main thread, or goes on at once.
    constexpr int kShotEvery = 10;
    const int frames = options.quick ? 40 : 200;
    std::vector<double> plain;
    std::vector<double> shotWaited;
    std::vector<double> shot;
    for (int frame = 1; frame <= frames; ++frame) {
        scene.topUp();
        const bool shooting = frame % kShotEvery == 0;
        const bool waiting = shooting && (frame / kShotEvery) % 2 == 0;
        const std::int64_t start = nowNs();
        if (shooting) {
            // As the events of the last poll: the key reaches the game before the frame's update.
            bench.game().handleKey(GLFW_KEY_SPACE, 0, GLFW_PRESS, 0);
            bench.game().handleKey(GLFW_KEY_SPACE, 0, GLFW_RELEASE, 0);
        }
        bench.update();
        bench.render();
        if (waiting) {
            bench.game().waitForScreenshots();
        }
        glFinish();
        const double spent = ms(nowNs() - start);
        (shooting ? (waiting ? shotWaited : shot) : plain).push_back(spent);
        if (shooting && !waiting) {
            // The next frames are measured without the file still being written beside them.
            bench.game().waitForScreenshots();
        }
    }
    const double median = summarize(plain).median;
    return {
        {"screenshot", "frame median (no screenshot)", median, "ms"},
        {"screenshot", "screenshot frame, written aside", summarize(shot).median, "ms"},
        {"screenshot", "screenshot frame, waited for", summarize(shotWaited).median, "ms"},
        {"screenshot", "written aside / median frame", summarize(shot).median / median, ""},
    };
}

Figures runScale(const Options& options) {
    BenchGame bench;
    Figures figures;
    const std::vector<int> sizes =
        options.quick ? std::vector<int>{1000} : std::vector<int>{1000, 10000, 50000};
    for (int swarmers : sizes) {
        const int bullets = swarmers / 10;
        // The late game's density (400 enemies in the arena) at every size: a disc whose area grows with N.
        // In a fixed arena the ships would overlap ever deeper, and the work per entity would grow with the
        // overlap, not with N.
        const float radius = kArenaRadius * std::sqrt(static_cast<float>(swarmers) /
                                                      static_cast<float>(LateGameScene::kEnemies));
        bench.startGame(kMachineGun, kEmpRocket);
        for (int i = 0; i < swarmers; ++i) {
            GameEntity& swarmer =
                bench.spawnEnemy(EnemyKind::swarmer, bench.randomPointInDisc(radius), bench.randomAngle());
            // Bullets keep hitting; the swarmers take it, so that every frame meets the same population.
            swarmer.getComponent<HealthComponent>().health = 1.0e9f;
        }
        double replaced = 0.0;
        auto between = [&] {
            bench.keepShipAlive();
            // Bullets live only inside the arena; they cross it in every direction.
            for (int count = bench.countActive(BenchGame::kBulletMarkTag); count < bullets; ++count) {
                bench.fireBullet(bench.randomPointInDisc(kArenaRadius), bench.randomAngle());
                replaced += 1.0;
            }
        };
        timeUpdates(bench, 5, between);
        replaced = 0.0;
        const int frames = options.quick ? 10 : 40;
        const UpdateTimes times = timeUpdates(bench, frames, between);
        const auto measured = static_cast<double>(times.wall.size());
        const Summary update = summarize(times.wall);
        const Summary cpu = summarize(times.cpu);
        const std::string name = "scale N=" + std::to_string(swarmers);
        figures.push_back({name, "update median", update.median, "ms"});
        figures.push_back({name, "update p99", update.p99, "ms"});
        figures.push_back({name, "update median (CPU time)", cpu.median, "ms"});
        figures.push_back({name, "per entity", update.median * kNsPerMs / (swarmers + bullets), "ns"});
        figures.push_back(
            {name, "per entity (CPU time)", cpu.median * kNsPerMs / (swarmers + bullets), "ns"});
        figures.push_back({name, "bullets spent per frame", replaced / measured, ""});
        figures.push_back({name, "frames measured", measured, ""});
        bench.endGame();
    }
    return figures;
}

Figures runCollision(const Options& options) {
    BenchGame bench;
    Figures figures;
    struct Size {
        int bullets;
        int enemies;
    };
    const std::vector<Size> sizes =
        options.quick ? std::vector<Size>{{100, 100}}
                      : std::vector<Size>{{100, 100}, {100, 1000}, {1000, 1000}, {1000, 10000}};
    constexpr float kSpacing = 150.0f;        // world units between neighbouring enemies
    constexpr float kLatticeOrigin = 5000.0f; // world units: well away from the ship at the origin
    for (const Size& size : sizes) {
        bench.startGame(kMachineGun, kEmpRocket);
        const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(size.enemies))));
        for (int i = 0; i < size.enemies; ++i) {
            const glm::vec2 place(kLatticeOrigin + kSpacing * static_cast<float>(i % columns),
                                  kLatticeOrigin + kSpacing * static_cast<float>(i / columns));
            bench.spawnEnemy(EnemyKind::swarmer, place, 0.0f);
        }
        // Every bullet sits in the middle of a lattice cell: 106 units from the nearest enemy, out of reach
        // (10 + 50), so the pass tests every pair and nothing changes between passes.
        for (int i = 0; i < size.bullets; ++i) {
            const int cell = (i * 7919) % size.enemies;
            const glm::vec2 place(kLatticeOrigin + kSpacing * (static_cast<float>(cell % columns) + 0.5f),
                                  kLatticeOrigin + kSpacing * (static_cast<float>(cell / columns) + 0.5f));
            bench.fireBullet(place, 0.0f);
        }
        auto& registry = bench.game().getComponentRegistry();
        const auto live = registry.getComponents<CollisionComponent>();
        const std::vector<CollisionComponent*> colliders(live.begin(), live.end());
        const long long pairs = static_cast<long long>(size.bullets) * size.enemies;
        const int passes = options.quick ? 3 : (pairs >= 10000000 ? 5 : pairs >= 1000000 ? 15 : 60);
        std::vector<double> samples;
        for (int pass = 0; pass < passes; ++pass) {
            const std::int64_t start = nowNs();
            for (CollisionComponent* collider : colliders) {
                collider->resetForFrame();
            }
            for (CollisionComponent* collider : colliders) {
                collider->update(kFrameTime);
            }
            samples.push_back(ms(nowNs() - start));
        }
        const Summary pass = summarize(samples);
        const std::string name =
            "collision " + std::to_string(size.bullets) + "x" + std::to_string(size.enemies);
        figures.push_back({name, "pass median", pass.median, "ms"});
        figures.push_back(
            {name, "per bullet-enemy pair", pass.median * kNsPerMs / static_cast<double>(pairs), "ns"});
        bench.endGame();
    }
    return figures;
}

Figures runAllocations(const Options& options) {
    BenchGame bench;
    bench.startGame(kMachineGun, kEmpRocket);
    // Enemies above and below the screen, far from the ship: for the frames measured here they close in
    // without reaching it or coming into view (where divers start to shoot), so nothing spawns or dies.
    for (int i = 0; i < 300; ++i) {
        const float side = (i % 2 == 0) ? 1.0f : -1.0f;
        const float angle = side * (kPi / 2.0f + (static_cast<float>(i % 17) - 8.0f) * 0.06f);
        const float distance = 1750.0f + static_cast<float>(i % 7) * 25.0f;
        const EnemyKind kind = i % 3 == 0 ? EnemyKind::diver : EnemyKind::swarmer;
        bench.spawnEnemy(kind, glm::vec2(std::cos(angle), std::sin(angle)) * distance, angle + kPi);
    }
    bench.spawnEnemy(EnemyKind::mothership, glm::vec2(0.0f, 1800.0f), -kPi / 2.0f);
    auto& tagged = bench.game().getTaggedRegistry();
    for (int frame = 0; frame < 10; ++frame) {
        bench.keepShipAlive();
        bench.update();
    }
    const std::size_t entitiesBefore = tagged.getEntities(0).size();
    std::vector<double> calls;
    std::vector<double> bytes;
    const int frames = options.quick ? 10 : 40;
    for (int frame = 0; frame < frames; ++frame) {
        bench.keepShipAlive();
        startCountingAllocations();
        bench.update();
        const AllocationCount counted = stopCountingAllocations();
        calls.push_back(static_cast<double>(counted.calls));
        bytes.push_back(static_cast<double>(counted.bytes));
    }
    const std::size_t entitiesAfter = tagged.getEntities(0).size();
    const bool steady = entitiesBefore == entitiesAfter && tagged.getEntities(kTagRetired).empty();
    const Summary callSummary = summarize(calls);
    return {
        {"allocations", "new calls per update (median)", callSummary.median, ""},
        {"allocations", "new calls per update (max)", callSummary.max, ""},
        {"allocations", "bytes per update (median)", summarize(bytes).median, "B"},
        {"allocations", "entities in the scene", static_cast<double>(entitiesAfter), ""},
        {"allocations", "scene stayed steady (1 = yes)", steady ? 1.0 : 0.0, ""},
    };
}

} // namespace kv::bench
