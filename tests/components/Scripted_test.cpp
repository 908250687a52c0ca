#include "engine/components/Scripted.hpp"

#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/components/Input.hpp"
#include "engine/components/Motion.hpp"
#include "engine/core/GameEntity.hpp"

namespace kv {
namespace {

constexpr float kFrame = 1.0f / 60.0f; // seconds

class ScriptedTest : public ::testing::Test {
protected:
    ~ScriptedTest() override {
        for (GameEntity* e : roots) {
            delete e;
        }
    }
    GameEntity& make(vec2 position = vec2(0.0f)) {
        roots.push_back(new GameEntity(tagged, &game, position, 0.0f));
        return *roots.back();
    }
    // The game's update pass: it walks a copy, because components may delete themselves or spawn.
    void pass(float dt) {
        const auto view = game.getComponents<UpdatableComponent>();
        const std::vector<UpdatableComponent*> snapshot(view.begin(), view.end());
        for (UpdatableComponent* c : snapshot) {
            c->update(dt);
        }
    }
    static std::string errorOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "<no error>";
    }
    TaggedEntityRegistry tagged;
    TypedComponentRegistry game{nullptr};
    std::vector<GameEntity*> roots;
};

using LambdaComponentTest = ScriptedTest;

TEST_F(LambdaComponentTest, CalledEveryFrameWithItselfAndDt) {
    GameEntity& e = make();
    std::vector<float> times;
    EntityComponent* seenSelf = nullptr;
    auto* c = new LambdaComponent(
        e,
        [&](EntityComponent& self, float dt) {
            seenSelf = &self;
            times.push_back(dt);
        },
        1000);
    pass(0.25f);
    pass(0.5f);
    EXPECT_EQ(seenSelf, c);
    EXPECT_EQ(&seenSelf->entity, &e);
    EXPECT_EQ(times, (std::vector<float>{0.25f, 0.5f}));
}

TEST_F(LambdaComponentTest, NotCalledOnAnInactiveEntity) {
    GameEntity& e = make();
    int calls = 0;
    new LambdaComponent(
        e, [&calls](EntityComponent&, float) { ++calls; }, 1000);
    e.setActive(false);
    pass(kFrame);
    EXPECT_EQ(calls, 0);
}

TEST_F(LambdaComponentTest, RegistersUnderItsBasesOnly) {
    GameEntity& e = make();
    auto* c = new LambdaComponent(
        e, [](EntityComponent&, float) {}, 12);
    EXPECT_EQ(c->priority, 12);
    EXPECT_EQ(game.getComponents<UpdatableComponent>().size(), 1u);
    EXPECT_TRUE(game.getComponents<LambdaComponent>().empty());
}

class TimedLambdaTest : public ScriptedTest {
protected:
    void SetUp() override {
        owner = &make();
        new TimedLambdaComponent(*owner, 0.5f, [this](EntityComponent& self, float overshoot) {
            overshoots.push_back(overshoot);
            firedOn = &self.entity;
        });
    }
    GameEntity* owner = nullptr;
    GameEntity* firedOn = nullptr;
    std::vector<float> overshoots;
};

TEST_F(TimedLambdaTest, FiresOnceWhenTheDelayRunsOutExactly) {
    for (int i = 0; i < 3; ++i) {
        pass(0.125f);
    }
    EXPECT_TRUE(overshoots.empty());
    pass(0.125f);
    EXPECT_EQ(overshoots, (std::vector<float>{0.0f}));
    EXPECT_EQ(firedOn, owner);
}

TEST_F(TimedLambdaTest, ReportsTheOvershootOfTheFiringFrame) {
    pass(0.375f);
    pass(0.25f);
    ASSERT_EQ(overshoots.size(), 1u);
    EXPECT_FLOAT_EQ(overshoots[0], 0.125f);
}

TEST_F(TimedLambdaTest, DelayCountsOnlyActiveTime) {
    int frames = 0;
    for (; frames < 15; ++frames) {
        pass(kFrame);
    }
    owner->setActive(false);
    for (int i = 0; i < 100; ++i) {
        pass(kFrame);
    }
    EXPECT_TRUE(overshoots.empty());
    owner->setActive(true);
    while (overshoots.empty() && frames < 100) {
        pass(kFrame);
        ++frames;
    }
    // 0.5 s of active time is 30 frames, give or take the rounding of the summed frame times.
    EXPECT_GE(frames, 30);
    EXPECT_LE(frames, 31);
    ASSERT_EQ(overshoots.size(), 1u);
    EXPECT_GE(overshoots[0], 0.0f);
    EXPECT_LT(overshoots[0], kFrame);
}

TEST_F(TimedLambdaTest, DeletesItselfDuringThePassAndNeverFiresAgain) {
    int neighbourCalls = 0;
    new LambdaComponent(
        *owner, [&neighbourCalls](EntityComponent&, float) { ++neighbourCalls; }, 1000);
    EXPECT_EQ(owner->getComponents<UpdatableComponent>().size(), 2u);
    pass(1.0f);
    EXPECT_EQ(overshoots.size(), 1u);
    // The rest of the pass ran over the copy, past the deleted component.
    EXPECT_EQ(neighbourCalls, 1);
    EXPECT_EQ(owner->getComponents<UpdatableComponent>().size(), 1u);
    EXPECT_EQ(game.getComponents<EntityComponent>().size(), 1u);
    pass(1.0f);
    EXPECT_EQ(overshoots.size(), 1u);
    EXPECT_EQ(neighbourCalls, 2);
}

TEST_F(TimedLambdaTest, PendingComponentIsDeletedWithItsEntity) {
    GameEntity& other = make();
    int calls = 0;
    auto* pending = new TimedLambdaComponent(other, 5.0f, [&calls](EntityComponent&, float) { ++calls; });
    EXPECT_EQ(pending->priority, 1000);
    EXPECT_FLOAT_EQ(pending->remaining, 5.0f);
    roots.erase(roots.begin() + 1);
    delete &other;
    EXPECT_EQ(game.getComponents<UpdatableComponent>().size(), 1u);
    EXPECT_EQ(calls, 0);
}

class SpawnerTest : public ScriptedTest {
protected:
    // Each spawned entity carries a projectile's physics: 1000 units/s along +x from the origin.
    EntityFactory bulletFactory() {
        return [this] {
            auto* bullet = new GameEntity(tagged, &game, vec2(0.0f), 0.0f);
            roots.push_back(bullet);
            auto* physics = new PhysicsComponent(*bullet, 1000);
            physics->velocity = vec2(1000.0f, 0.0f);
            spawned.push_back(bullet);
            return bullet;
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
    // One pass of the spawner only; the bullets it made are not updated again.
    void tick(TimedEntitySpawner& spawner, float dt) { spawner.update(dt); }
    std::vector<GameEntity*> spawned;
};

TEST_F(SpawnerTest, EnabledSpawnerFiresInItsFirstUpdateAndThenEveryInterval) {
    GameEntity& gun = make();
    auto* spawner = new TimedEntitySpawner(gun, 0.25f, true, bulletFactory());
    EXPECT_EQ(spawner->countdown, 0.0f);
    tick(*spawner, 0.125f);
    EXPECT_EQ(spawned.size(), 1u);
    tick(*spawner, 0.125f);
    EXPECT_EQ(spawned.size(), 1u);
    tick(*spawner, 0.125f);
    EXPECT_EQ(spawned.size(), 2u);
    tick(*spawner, 0.125f);
    tick(*spawner, 0.125f);
    EXPECT_EQ(spawned.size(), 3u);
    EXPECT_EQ(agesOfSpawned(), (std::vector<float>{0.0f, 0.0f, 0.0f}));
}

TEST_F(SpawnerTest, ShortIntervalCatchesUpWithSeveralSpawnsOfFallingAge) {
    GameEntity& gun = make();
    auto* spawner = new TimedEntitySpawner(gun, 0.005f, true, bulletFactory());
    tick(*spawner, kFrame);
    spawned.clear();
    tick(*spawner, kFrame);
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
    EXPECT_GT(spawner->countdown, 0.0f);
    EXPECT_LE(spawner->countdown, 0.005f);
}

TEST_F(SpawnerTest, DisabledSpawnerReloadsAndFiresAtOnceWhenEnabledLater) {
    GameEntity& gun = make();
    auto* spawner = new TimedEntitySpawner(gun, 0.25f, true, bulletFactory());
    tick(*spawner, kFrame);
    spawner->enabled = false;
    for (int i = 0; i < 30; ++i) {
        tick(*spawner, kFrame);
    }
    EXPECT_EQ(spawned.size(), 1u);
    EXPECT_EQ(spawner->countdown, 0.0f);
    spawner->enabled = true;
    tick(*spawner, kFrame);
    EXPECT_EQ(spawned.size(), 2u);
    EXPECT_EQ(agesOfSpawned().back(), 0.0f);
}

TEST_F(SpawnerTest, EnabledWhileReloadingFiresWhenTheCountdownRunsOut) {
    GameEntity& gun = make();
    auto* spawner = new TimedEntitySpawner(gun, 0.5f, true, bulletFactory());
    tick(*spawner, 0.125f);
    spawner->enabled = false;
    tick(*spawner, 0.125f);
    spawner->enabled = true;
    tick(*spawner, 0.125f);
    EXPECT_EQ(spawned.size(), 1u);
    tick(*spawner, 0.125f);
    EXPECT_EQ(spawned.size(), 1u);
    tick(*spawner, 0.125f);
    EXPECT_EQ(spawned.size(), 2u);
}

TEST_F(SpawnerTest, MouseButtonDrivesTheSpawner) {
    GameEntity& gun = make();
    auto* spawner = new TimedEntitySpawner(gun, 0.5f, false, bulletFactory());
    spawner->addMouseControl(0);
    MouseButtonComponent& button = gun.getComponent<MouseButtonComponent>();
    EXPECT_EQ(button.button, 0);
    EXPECT_EQ(button.modifiers, 0);
    tick(*spawner, kFrame);
    EXPECT_TRUE(spawned.empty());

    button.handleMouseButton(0, 0, true);
    EXPECT_TRUE(spawner->enabled);
    tick(*spawner, kFrame);
    EXPECT_EQ(spawned.size(), 1u);
    // Released before the reload is over: the next shot is cancelled.
    button.handleMouseButton(0, 0, false);
    EXPECT_FALSE(spawner->enabled);
    for (int i = 0; i < 60; ++i) {
        tick(*spawner, kFrame);
    }
    EXPECT_EQ(spawned.size(), 1u);
    // A press with a modifier held is not this button's.
    button.handleMouseButton(0, 1, true);
    EXPECT_FALSE(spawner->enabled);
}

TEST_F(SpawnerTest, InactiveEntityNeitherSpawnsNorReloads) {
    GameEntity& gun = make();
    auto* spawner = new TimedEntitySpawner(gun, 0.5f, true, bulletFactory());
    tick(*spawner, kFrame);
    const float reload = spawner->countdown;
    gun.setActive(false);
    tick(*spawner, 1.0f);
    EXPECT_EQ(spawner->countdown, reload);
    EXPECT_EQ(spawned.size(), 1u);
}

TEST_F(SpawnerTest, SpawnBringsTheNewEntityForwardWithASnapshotOfItsUpdatables) {
    GameEntity& gun = make();
    float timerOvershoot = -1.0f;
    auto* spawner = new TimedEntitySpawner(gun, 1.0f, false, [&] {
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

TEST_F(SpawnerTest, SpawnedEntitiesJoinTheSameGamePass) {
    GameEntity& gun = make();
    new TimedEntitySpawner(gun, 0.25f, true, bulletFactory());
    pass(0.125f);
    ASSERT_EQ(spawned.size(), 1u);
    // Created during the pass, the bullet was not in its copy; it moves from the next pass on.
    EXPECT_EQ(spawned[0]->getPosition().x, 0.0f);
    pass(0.125f);
    EXPECT_FLOAT_EQ(spawned[0]->getPosition().x, 125.0f);
}

TEST_F(SpawnerTest, IntervalMustBePositive) {
    GameEntity& gun = make();
    EXPECT_EQ(errorOf([&] { new TimedEntitySpawner(gun, 0.0f, true, bulletFactory()); }),
              "spawner interval must be greater than 0");
    EXPECT_TRUE(gun.getComponents<EntityComponent>().empty());
    auto* spawner = new TimedEntitySpawner(gun, 0.1f, true, bulletFactory());
    spawner->interval = -1.0f;
    EXPECT_EQ(errorOf([&] { tick(*spawner, kFrame); }), "spawner interval must be greater than 0");
}

TEST_F(SpawnerTest, FactoryMustReturnAnEntity) {
    GameEntity& gun = make();
    auto* spawner = new TimedEntitySpawner(gun, 0.1f, true, [] { return static_cast<GameEntity*>(nullptr); });
    EXPECT_EQ(errorOf([&] { tick(*spawner, kFrame); }), "spawner factory returned no entity");
}

TEST_F(SpawnerTest, RegistersUnderItsOwnClassWithPriority1000) {
    GameEntity& gun = make();
    auto* spawner = new TimedEntitySpawner(gun, 0.1f, false, bulletFactory());
    EXPECT_EQ(&gun.getComponent<TimedEntitySpawner>(), spawner);
    EXPECT_EQ(spawner->priority, 1000);
}

} // namespace
} // namespace kv
