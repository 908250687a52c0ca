// Timers, spawners and health.
#include "engine/components/Scripted.hpp"

#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/components/HealthAndScore.hpp"
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
        new LambdaComponent(owner, [&neighbourCalls](EntityComponent&, float) { ++neighbourCalls; }, 1000);
        for (const auto& [dt, active] : c.frames) {
            owner.setActive(active);
            updateAll(dt);
        }
        EXPECT_EQ(overshoots, c.overshoots);
        EXPECT_EQ(neighbourCalls, c.activeFrames);
        EXPECT_EQ(owner.getComponents<EntityComponent>().size(), 1u);
        destroy(owner);
    }
}

constexpr int kTrigger = 0;        // the left mouse button
constexpr int kShiftHeld = 0x0001; // GLFW's modifier bit

using SpawnerTest = test::EntityTest;

// A gun held by the trigger whose bullets fly at 1024 units/s along +x from the origin: only the gun is
// updated, so each bullet stays where its spawn brought it forward by its age. Released before the reload is
// over, the next shot is cancelled; a press with a modifier is not the button's. A frame of four short
// intervals holds four shots of falling age, the oldest first, the last due as it ends.
TEST_F(SpawnerTest, FiresAtOnceThenEveryIntervalWhileHeldAndReloadsWhileReleasedButNotWhileInactive) {
    struct Step {
        bool held;
        bool active;
        float dt;           // seconds
        std::size_t spawns; // so far
        int modifiers = 0;
    };
    constexpr float kShort = 1.0f / 256.0f; // seconds, exact in binary as are the ages
    const struct {
        float interval;
        std::vector<Step> steps;
        std::vector<float> reached; // by each bullet, in spawn order
    } cases[] = {
        {0.5f, {{true, true, 0.125f, 1}, {false, true, 0.125f, 1}, {true, true, 0.125f, 1},
                {true, true, 0.125f, 1}, {true, true, 0.125f, 2}, {false, true, 1.0f, 2},
                {false, true, kFrame, 2}, {true, true, kFrame, 3}, {false, true, 1.0f, 3},
                {true, true, 1.0f, 3, kShiftHeld}}, {0, 0, 0}},
        {0.5f, {{true, true, kFrame, 1}, {true, false, 1.0f, 1}, {true, true, 0.25f, 1},
                {true, true, 0.5f, 2}}, {0, 256}},
        {kShort, {{true, true, kShort, 1}, {true, true, 4.0f * kShort, 5}}, {0, 12, 8, 4, 0}},
    };
    for (const auto& c : cases) {
        std::vector<GameEntity*> spawned;
        auto* spawner = new TimedEntitySpawner(make(), c.interval, false, [&] {
            GameEntity& bullet = make();
            (new PhysicsComponent(bullet, 1000))->velocity = vec2(1024.0f, 0.0f);
            spawned.push_back(&bullet);
            return &bullet;
        });
        spawner->addMouseControl(kTrigger);
        MouseButtonComponent& button = spawner->entity.getComponent<MouseButtonComponent>();
        for (const Step& step : c.steps) {
            button.handleMouseButton(kTrigger, step.modifiers, step.held);
            spawner->entity.setActive(step.active);
            spawner->update(step.dt);
            ASSERT_EQ(spawned.size(), step.spawns) << "interval " << c.interval;
        }
        std::vector<float> reached;
        for (const GameEntity* bullet : spawned) {
            reached.push_back(bullet->getPosition().x);
        }
        EXPECT_EQ(reached, c.reached) << "interval " << c.interval;
    }
}

using HealthTest = test::EntityTest;

TEST_F(HealthTest, OnlyAHitLeavingNoHealthKillsRetiresAndSwitchesOffTheSubtree) {
    GameEntity& ship = make();
    GameEntity& turret = makeChild(ship, vec2(0.0f));
    std::vector<std::pair<bool, bool>> deaths; // active and retired, as each death saw the ship
    const auto die = [&] { deaths.emplace_back(ship.isActive(), ship.hasTag(kRetiredTag)); };
    auto* health = new HealthComponent(ship, 10.0f, die, 5);
    constexpr float kSliver = 1.0f / 1024.0f; // exact in binary, so the last hit leaves exactly 0
    health->doDamage(4.0f);
    health->doDamage(6.0f - kSliver);
    EXPECT_EQ(health->health, kSliver);
    EXPECT_TRUE(deaths.empty());
    EXPECT_TRUE(ship.isActive());
    health->doDamage(kSliver);
    EXPECT_EQ(deaths, (std::vector<std::pair<bool, bool>>{{true, false}})) << "the callback sees it alive";
    EXPECT_EQ(std::pair(ship.isActive(), turret.isActive()), std::pair(false, false)) << "with its subtree";
    EXPECT_EQ(tagged.getEntities(kRetiredTag), EntitySet{&ship}) << "children go with the retired one";
    health->doDamage(1.0f);
    EXPECT_EQ(deaths.size(), 2u) << "every later hit dies again";
}

} // namespace
} // namespace kv
