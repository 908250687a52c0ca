#include "engine/components/Scripted.hpp"

#include <vector>

#include <gtest/gtest.h>

#include "engine/components/Input.hpp"
#include "engine/components/Motion.hpp"
#include "tests/support/EntityWorld.hpp"
#include "tests/support/ErrorText.hpp"

namespace kv {
namespace {

constexpr float kFrame = 1.0f / 60.0f; // seconds

using LambdaComponentTest = test::EntityTest;

TEST_F(LambdaComponentTest, CalledEveryFrameOfAnActiveEntityWithItselfAndDt) {
    GameEntity& e = make();
    std::vector<float> times;
    EntityComponent* seenSelf = nullptr;
    auto* c = new LambdaComponent(
        e,
        [&](EntityComponent& self, float dt) {
            seenSelf = &self;
            times.push_back(dt);
        },
        12);
    updateAll(0.25f);
    e.setActive(false);
    updateAll(0.125f);
    e.setActive(true);
    updateAll(0.5f);
    EXPECT_EQ(seenSelf, c);
    EXPECT_EQ(times, (std::vector<float>{0.25f, 0.5f}));
    EXPECT_TRUE(components.getComponents<LambdaComponent>().empty()) << "registers under its bases only";
}

class TimedLambdaTest : public test::EntityTest {
protected:
    void SetUp() override {
        new TimedLambdaComponent(owner, 0.5f, [this](EntityComponent& self, float overshoot) {
            overshoots.push_back(overshoot);
            firedOn = &self.entity;
        });
    }
    GameEntity& owner = make();
    GameEntity* firedOn = nullptr;
    std::vector<float> overshoots;
};

TEST_F(TimedLambdaTest, FiresOnceWhenTheDelayRunsOutWithTheOvershootOfThatFrame) {
    for (int i = 0; i < 3; ++i) {
        updateAll(0.125f);
    }
    EXPECT_TRUE(overshoots.empty());
    updateAll(0.125f);
    EXPECT_EQ(overshoots, (std::vector<float>{0.0f})) << "running out exactly fires";
    EXPECT_EQ(firedOn, &owner);

    overshoots.clear();
    new TimedLambdaComponent(owner, 0.5f,
                             [this](EntityComponent&, float over) { overshoots.push_back(over); });
    updateAll(0.375f);
    updateAll(0.25f);
    updateAll(0.25f);
    EXPECT_EQ(overshoots, (std::vector<float>{0.125f}));
}

TEST_F(TimedLambdaTest, DelayCountsOnlyActiveTime) {
    int frames = 0;
    for (; frames < 15; ++frames) {
        updateAll(kFrame);
    }
    owner.setActive(false);
    for (int i = 0; i < 100; ++i) {
        updateAll(kFrame);
    }
    EXPECT_TRUE(overshoots.empty());
    owner.setActive(true);
    while (overshoots.empty() && frames < 100) {
        updateAll(kFrame);
        ++frames;
    }
    // 0.5 s of active time is 30 frames, give or take the rounding of the summed frame times.
    EXPECT_GE(frames, 30);
    EXPECT_LE(frames, 31);
    ASSERT_EQ(overshoots.size(), 1u);
    EXPECT_GE(overshoots[0], 0.0f);
    EXPECT_LT(overshoots[0], kFrame);
}

TEST_F(TimedLambdaTest, DeletesItselfDuringThePassWhichWalksOnOverItsCopy) {
    int neighbourCalls = 0;
    new LambdaComponent(
        owner, [&neighbourCalls](EntityComponent&, float) { ++neighbourCalls; }, 1000);
    updateAll(1.0f);
    EXPECT_EQ(overshoots.size(), 1u);
    EXPECT_EQ(neighbourCalls, 1);
    EXPECT_EQ(components.getComponents<EntityComponent>().size(), 1u);
    updateAll(1.0f);
    EXPECT_EQ(overshoots.size(), 1u);
    EXPECT_EQ(neighbourCalls, 2);
}

TEST_F(TimedLambdaTest, PendingComponentIsDeletedWithItsEntity) {
    GameEntity& other = make();
    int calls = 0;
    new TimedLambdaComponent(other, 5.0f, [&calls](EntityComponent&, float) { ++calls; });
    destroy(other);
    EXPECT_EQ(components.getComponents<UpdatableComponent>().size(), 1u);
    updateAll(10.0f);
    EXPECT_EQ(calls, 0);
}

class SpawnerTest : public test::EntityTest {
protected:
    // Each spawned entity carries a projectile's physics: 1000 units/s along +x from the origin.
    EntityFactory bulletFactory() {
        return [this] {
            GameEntity& bullet = make();
            new PhysicsComponent(bullet, 1000);
            bullet.getComponent<PhysicsComponent>().velocity = vec2(1000.0f, 0.0f);
            spawned.push_back(&bullet);
            return &bullet;
        };
    }
    // Ages at spawn, recovered from how far each bullet was brought forward.
    std::vector<float> agesOfSpawned() const {
        std::vector<float> ages;
        for (const GameEntity* e : spawned) {
            ages.push_back(e->getPosition().x / 1000.0f);
        }
        return ages;
    }
    // Only the spawner is updated: the bullets stay where their spawn put them.
    TimedEntitySpawner& gun(float interval, bool enabled) {
        return *new TimedEntitySpawner(make(), interval, enabled, bulletFactory());
    }
    std::vector<GameEntity*> spawned;
};

TEST_F(SpawnerTest, EnabledSpawnerFiresInItsFirstUpdateAndThenEveryInterval) {
    TimedEntitySpawner& spawner = gun(0.25f, true);
    std::vector<std::size_t> counts;
    for (int i = 0; i < 5; ++i) {
        spawner.update(0.125f);
        counts.push_back(spawned.size());
    }
    EXPECT_EQ(counts, (std::vector<std::size_t>{1, 1, 2, 2, 3}));
    EXPECT_EQ(agesOfSpawned(), (std::vector<float>{0.0f, 0.0f, 0.0f}));
}

TEST_F(SpawnerTest, ShortIntervalCatchesUpWithSeveralSpawnsOfFallingAge) {
    TimedEntitySpawner& spawner = gun(0.005f, true);
    spawner.update(kFrame);
    spawned.clear();
    spawner.update(kFrame);
    ASSERT_GE(spawned.size(), 3u);
    ASSERT_LE(spawned.size(), 4u);
    const std::vector<float> ages = agesOfSpawned();
    for (std::size_t i = 0; i < ages.size(); ++i) {
        EXPECT_GE(ages[i], 0.0f);
        EXPECT_LT(ages[i], kFrame);
        if (i > 0) {
            EXPECT_NEAR(ages[i - 1] - ages[i], 0.005f, 1e-5f);
        }
    }
    EXPECT_GT(spawner.countdown, 0.0f);
    EXPECT_LE(spawner.countdown, 0.005f);
}

TEST_F(SpawnerTest, ReloadRunsOnWhileDisabledAndEnablingAReloadedSpawnerFiresAtOnce) {
    TimedEntitySpawner& spawner = gun(0.5f, true);
    std::vector<std::size_t> counts;
    for (bool enabled : {true, false, true, true, true}) {
        spawner.enabled = enabled;
        spawner.update(0.125f);
        counts.push_back(spawned.size());
    }
    EXPECT_EQ(counts, (std::vector<std::size_t>{1, 1, 1, 1, 2}));
    spawner.enabled = false;
    spawner.update(1.0f);
    spawner.update(kFrame);
    EXPECT_EQ(spawner.countdown, 0.0f) << "rests at 0 while disabled";
    spawner.enabled = true;
    spawner.update(kFrame);
    EXPECT_EQ(spawned.size(), 3u);
    EXPECT_EQ(agesOfSpawned().back(), 0.0f);
}

TEST_F(SpawnerTest, InactiveEntityNeitherSpawnsNorReloads) {
    TimedEntitySpawner& spawner = gun(0.5f, true);
    spawner.update(kFrame);
    const float reload = spawner.countdown;
    spawner.entity.setActive(false);
    spawner.update(1.0f);
    EXPECT_EQ(spawner.countdown, reload);
    EXPECT_EQ(spawned.size(), 1u);
}

TEST_F(SpawnerTest, UnmodifiedMouseButtonHoldsTheSpawnerOn) {
    TimedEntitySpawner& spawner = gun(0.5f, false);
    spawner.addMouseControl(0);
    MouseButtonComponent& button = spawner.entity.getComponent<MouseButtonComponent>();
    spawner.update(kFrame);
    EXPECT_TRUE(spawned.empty());
    button.handleMouseButton(0, 0, true);
    spawner.update(kFrame);
    EXPECT_EQ(spawned.size(), 1u);
    // Released before the reload is over: the next shot is cancelled.
    button.handleMouseButton(0, 0, false);
    for (int i = 0; i < 60; ++i) {
        spawner.update(kFrame);
    }
    EXPECT_EQ(spawned.size(), 1u);
    button.handleMouseButton(0, 1, true);
    EXPECT_FALSE(spawner.enabled) << "a press with a modifier held is not this button's";
}

TEST_F(SpawnerTest, SpawnBringsTheNewEntityForwardWithASnapshotOfItsUpdatables) {
    float timerOvershoot = -1.0f;
    auto* spawner = new TimedEntitySpawner(make(), 1.0f, false, [&] {
        GameEntity* bullet = bulletFactory()();
        // Fires and deletes itself while the spawn walks the new entity's components.
        new TimedLambdaComponent(*bullet, 0.05f,
                                 [&](EntityComponent&, float over) { timerOvershoot = over; });
        return bullet;
    });
    spawner->spawn(0.125f);
    ASSERT_EQ(spawned.size(), 1u);
    EXPECT_FLOAT_EQ(spawned[0]->getPosition().x, 125.0f);
    EXPECT_FLOAT_EQ(timerOvershoot, 0.075f);
    EXPECT_EQ(spawned[0]->getComponents<UpdatableComponent>().size(), 1u);
}

TEST_F(SpawnerTest, IntervalMustBePositiveAndTheFactoryMustReturnAnEntity) {
    GameEntity& owner = make();
    EXPECT_EQ(test::errorOf([&] { new TimedEntitySpawner(owner, 0.0f, true, bulletFactory()); }),
              "spawner interval must be greater than 0");
    EXPECT_TRUE(owner.getComponents<EntityComponent>().empty());
    TimedEntitySpawner& spawner = gun(0.1f, true);
    spawner.interval = -1.0f;
    EXPECT_EQ(test::errorOf([&] { spawner.update(kFrame); }), "spawner interval must be greater than 0");
    auto* empty = new TimedEntitySpawner(owner, 0.1f, true, [] { return static_cast<GameEntity*>(nullptr); });
    EXPECT_EQ(test::errorOf([&] { empty->update(kFrame); }), "spawner factory returned no entity");
}

} // namespace
} // namespace kv
