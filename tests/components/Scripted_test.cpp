// Timers and spawners.
#include "engine/components/Scripted.hpp"

#include <ranges>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/components/Input.hpp"
#include "engine/components/Motion.hpp"
#include "tests/support/EntityWorld.hpp"
#include "tests/support/ErrorText.hpp"

namespace kv {
namespace {

using ScriptedTest = test::EntityTest;

// A delay of 0.5 s counts active time only; the component fires once, with the time by which that frame
// overran, and deletes itself while the pass walks on over its copy.
TEST_F(ScriptedTest, TimedLambdaFiresOnceWhenItsActiveTimeRunsOutWithTheOvershoot) {
    // Frames as (dt in seconds, entity active), the overshoots passed, the frames the entity was active.
    const std::tuple<std::vector<std::pair<float, bool>>, std::vector<float>, int> cases[] = {
        {{{0.125f, true}, {0.125f, true}, {0.125f, true}, {0.125f, true}, {1.0f, true}}, {0.0f}, 5},
        {{{0.375f, true}, {0.25f, true}, {0.25f, true}}, {0.125f}, 3},
        {{{0.25f, true}, {4.0f, false}, {0.125f, true}, {0.25f, true}}, {0.125f}, 3},
    };
    for (const auto& [frames, expectedOvershoots, activeFrames] : cases) {
        GameEntity& owner = make();
        std::vector<float> overshoots;
        int neighbourCalls = 0;
        new TimedLambdaComponent(owner, 0.5f, [&](EntityComponent& self, float overshoot) {
            EXPECT_EQ(&self.entity, &owner);
            EXPECT_EQ(self.priority, 1000) << "in the frame's order among the game's own";
            overshoots.push_back(overshoot);
        });
        new LambdaComponent(owner, [&neighbourCalls](EntityComponent&, float) { ++neighbourCalls; }, 1000);
        for (const auto& [dt, active] : frames) {
            owner.setActive(active);
            scene.updateComponents(dt);
        }
        EXPECT_EQ(overshoots, expectedOvershoots);
        EXPECT_EQ(neighbourCalls, activeFrames);
        EXPECT_EQ(owner.getComponents<EntityComponent>().size(), 1u);
        delete &owner;
    }
}

using SpawnerTest = test::EntityTest;

// A gun held by the trigger whose bullets fly at 1024 units/s along +x from the origin: only the gun is
// updated, so each bullet stays where its spawn brought it forward by its age. Released before the reload is
// over, the next shot is cancelled; a press with a modifier is not the button's. A frame of four short
// intervals holds four shots of falling age, the oldest first, the last due as it ends.
TEST_F(SpawnerTest, FiresAtOnceThenEveryIntervalWhileHeldAndReloadsWhileReleasedButNotWhileInactive) {
    using Step = std::tuple<bool, int, bool, float, std::size_t>; // held, modifiers, active, dt (s), spawns
    constexpr float kShort = 1.0f / 256.0f; // seconds, exact in binary as are the ages
    // Interval in seconds, steps (spawns counted so far), the x reached by each bullet in spawn order.
    const std::tuple<float, std::vector<Step>, std::vector<float>> cases[] = {
        {0.5f, {{true, 0, true, 0.125f, 1}, {false, 0, true, 0.125f, 1}, {true, 0, true, 0.125f, 1},
                {true, 0, true, 0.125f, 1}, {true, 0, true, 0.125f, 2}, {false, 0, true, 1.0f, 2},
                {false, 0, true, kFrame, 2}, {true, 0, true, kFrame, 3}, {false, 0, true, 1.0f, 3},
                {true, kModShift, true, 1.0f, 3}}, {0, 0, 0}},
        {0.5f, {{true, 0, true, kFrame, 1}, {true, 0, false, 1.0f, 1}, {true, 0, true, 0.25f, 1},
                {true, 0, true, 0.5f, 2}}, {0, 256}},
        {kShort, {{true, 0, true, kShort, 1}, {true, 0, true, 4.0f * kShort, 5}}, {0, 12, 8, 4, 0}},
    };
    for (const auto& [interval, steps, reach] : cases) {
        std::vector<GameEntity*> spawned;
        auto* spawner = new TimedEntitySpawner(make(), interval, false, [&] {
            GameEntity& bullet = make();
            (new PhysicsComponent(bullet, 1000))->velocity = vec2(1024.0f, 0.0f);
            spawned.push_back(&bullet);
            return &bullet;
        });
        spawner->addMouseControl(kLeftButton);
        MouseButtonComponent& button = spawner->entity.getComponent<MouseButtonComponent>();
        for (const auto& [held, modifiers, active, dt, spawns] : steps) {
            button.handleMouseButton(kLeftButton, modifiers, held);
            spawner->entity.setActive(active);
            spawner->update(dt);
            ASSERT_EQ(spawned.size(), spawns) << "interval " << interval;
        }
        const auto reached =
            std::views::transform(spawned, [](const GameEntity* bullet) { return bullet->getPosition().x; });
        EXPECT_EQ(std::vector<float>(reached.begin(), reached.end()), reach) << "interval " << interval;
    }
}

// The wave director rewrites its spawners' intervals every frame: one that cannot bring the next spawn due,
// given or set later, and a factory that builds nothing fail naming the class instead of looping for ever.
TEST_F(SpawnerTest, IntervalsThatCannotAdvanceAndFactoriesThatBuildNothingFailNamingTheSpawner) {
    const std::string interval = "TimedEntitySpawner: interval must be greater than 0 seconds";
    // Interval at construction, then after the first spawn, and the error; the factory builds only once.
    const std::tuple<float, float, std::string> cases[] = {
        {0.0f, 0.5f, interval + ", was 0"},
        {0.5f, -0.25f, interval + ", was -0.25"},
        {0.5f, 1e-9f, interval + " and long enough to advance a countdown of -0.5, was 1e-09"},
        {0.5f, 0.5f, "TimedEntitySpawner: factory returned no entity"}};
    for (const auto& [first, later, error] : cases) {
        EXPECT_EQ(test::errorOf([&, built = false]() mutable {
                      auto* spawner = new TimedEntitySpawner(make(), first, true, [&]() -> GameEntity* {
                          return std::exchange(built, true) ? nullptr : &make();
                      });
                      spawner->update(kFrame); // due at once
                      spawner->interval = later;
                      spawner->update(1.0f); // half a second overdue
                  }),
                  error);
    }
}

} // namespace
} // namespace kv
