#include "engine/components/Scripted.hpp"

#include <vector>

#include <gtest/gtest.h>

#include "engine/components/Input.hpp"
#include "engine/components/Motion.hpp"
#include "tests/support/EntityWorld.hpp"

namespace kv {
namespace {

using ScriptedTest = test::EntityTest;

// A delay of 0.5 s counts active time only; the component fires once, with the time by which that frame
// overran, and deletes itself while the pass walks on over its copy.
TEST_F(ScriptedTest, TimedLambdaFiresOnceWhenItsActiveTimeRunsOutWithTheOvershoot) {
    const struct {
        std::vector<std::pair<float, bool>> frames; // dt in seconds, entity active
        std::vector<float> overshoots;
        int activeFrames;
    } cases[] = {
        {{{0.125f, true}, {0.125f, true}, {0.125f, true}, {0.125f, true}, {1.0f, true}}, {0.0f}, 5},
        {{{0.375f, true}, {0.25f, true}, {0.25f, true}}, {0.125f}, 3},
        {{{0.25f, true}, {4.0f, false}, {0.125f, true}, {0.25f, true}}, {0.125f}, 3},
    };
    for (const auto& c : cases) {
        GameEntity& owner = make();
        std::vector<float> overshoots;
        int neighbourCalls = 0;
        new TimedLambdaComponent(owner, 0.5f, [&](EntityComponent& self, float overshoot) {
            EXPECT_EQ(&self.entity, &owner);
            overshoots.push_back(overshoot);
        });
        new LambdaComponent(
            owner, [&neighbourCalls](EntityComponent&, float) { ++neighbourCalls; }, 1000);
        for (const auto& [dt, active] : c.frames) {
            owner.setActive(active);
            updateAll(dt);
        }
        EXPECT_EQ(overshoots, c.overshoots);
        EXPECT_EQ(neighbourCalls, c.activeFrames);
        EXPECT_EQ(owner.getComponents<EntityComponent>().size(), 1u);
        destroy(owner);
    }
    // One still pending goes with its entity.
    GameEntity& other = make();
    new TimedLambdaComponent(other, 5.0f, [](EntityComponent&, float) { FAIL() << "fired after deletion"; });
    destroy(other);
    updateAll(10.0f);
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

TEST_F(SpawnerTest, FiresAtOnceThenEveryIntervalAndReloadsWhileDisabledButNotWhileInactive) {
    struct Step {
        bool enabled;
        bool active;
        float dt;           // seconds
        std::size_t spawns; // so far
    };
    const struct {
        float interval;
        std::vector<Step> steps;
    } cases[] = {
        {0.25f, {{true, true, 0.125f, 1}, {true, true, 0.125f, 1}, {true, true, 0.125f, 2},
                 {true, true, 0.125f, 2}, {true, true, 0.125f, 3}}},
        {0.5f, {{true, true, 0.125f, 1}, {false, true, 0.125f, 1}, {true, true, 0.125f, 1},
                {true, true, 0.125f, 1}, {true, true, 0.125f, 2}, {false, true, 1.0f, 2},
                {false, true, kFrame, 2}, {true, true, kFrame, 3}}},
        {0.5f, {{true, true, kFrame, 1}, {true, false, 1.0f, 1}, {true, true, 0.25f, 1}, {true, true, 0.5f, 2}}},
    };
    for (const auto& c : cases) {
        spawned.clear();
        TimedEntitySpawner& spawner = gun(c.interval, true);
        for (const Step& step : c.steps) {
            spawner.enabled = step.enabled;
            spawner.entity.setActive(step.active);
            spawner.update(step.dt);
            ASSERT_EQ(spawned.size(), step.spawns) << "interval " << c.interval;
        }
    }
}

// The frame's 16.7 ms hold three or four shots 5 ms apart, the oldest first.
TEST_F(SpawnerTest, ShortIntervalCatchesUpWithSeveralSpawnsOfFallingAge) {
    TimedEntitySpawner& spawner = gun(0.005f, true);
    spawner.update(kFrame);
    spawned.clear();
    spawner.update(kFrame);
    const std::vector<float> ages = agesOfSpawned();
    ASSERT_GE(ages.size(), 3u);
    ASSERT_LE(ages.size(), 4u);
    EXPECT_LT(ages.front(), kFrame);
    EXPECT_GE(ages.back(), 0.0f);
    for (std::size_t i = 1; i < ages.size(); ++i) {
        EXPECT_NEAR(ages[i - 1] - ages[i], 0.005f, 1e-5f);
    }
    EXPECT_GT(spawner.countdown, 0.0f);
    EXPECT_LE(spawner.countdown, 0.005f);
}

// Released before the reload is over, the next shot is cancelled; a press with a modifier is not the
// button's.
TEST_F(SpawnerTest, UnmodifiedMouseButtonHoldsTheSpawnerOn) {
    TimedEntitySpawner& spawner = gun(0.5f, false);
    spawner.addMouseControl(0);
    const struct {
        int modifiers;
        bool pressed;
        int frames;
        std::size_t spawns;
    } steps[] = {{0, false, 1, 0}, {0, true, 1, 1}, {0, false, 60, 1}, {1, true, 60, 1}};
    MouseButtonComponent& button = spawner.entity.getComponent<MouseButtonComponent>();
    for (const auto& step : steps) {
        button.handleMouseButton(0, step.modifiers, step.pressed);
        for (int i = 0; i < step.frames; ++i) {
            spawner.update(kFrame);
        }
        EXPECT_EQ(spawned.size(), step.spawns);
    }
}

} // namespace
} // namespace kv
