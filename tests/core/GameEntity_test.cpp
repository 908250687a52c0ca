// Entities and their trees.
#include "engine/core/GameEntity.hpp"

#include <set>
#include <vector>

#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include "engine/core/EntityComponent.hpp"
#include "tests/support/EntityWorld.hpp"

namespace kv {
namespace {

using GameEntityTest = test::EntityTest;

constexpr float kTurn = 2.0f * kPi; // radians
constexpr float kPlaceTolerance = 1e-4f; // world units

TEST_F(GameEntityTest, SetOrientationWrapsIntoPlusMinusPiButTheConstructorKeepsItsAngle) {
    GameEntity& entity = make(vec2(0), 10.0f);
    EXPECT_FLOAT_EQ(entity.getOrientation(), 10.0f);
    const float cases[][2] = {{7.0f, 7.0f - kTurn}, {4.0f, 4.0f - kTurn}, {-4.0f, -4.0f + kTurn},
                              {kPi, kPi},           {-kPi, -kPi}};
    for (const auto& [set, kept] : cases) {
        entity.setOrientation(set);
        EXPECT_NEAR(entity.getOrientation(), kept, 1e-6) << set;
    }
}

// The guns on a turret follow the ship: a child turns with its parent at once and is placed by the parent's
// turn when the parent next moves; a free child and what hangs from it are placed when attached only.
TEST_F(GameEntityTest, PlacementFollowsTheParentDownTheTreeAndStopsAtAChildThatDoesNotInherit) {
    GameEntity& ship = make(vec2(100, 100));
    GameEntity& turret = makeChild(ship, vec2(10, 5));
    GameEntity& gun = makeChild(turret, vec2(5, 0));
    gun.setRelativeOrientation(0.5f);
    GameEntity& free = makeChild(ship, vec2(5, 0), false, false);
    free.setPosition(vec2(-7, -7));
    GameEntity& hanging = makeChild(free, vec2(1, 0));
    ship.setOrientation(kPi / 2.0f);
    EXPECT_FLOAT_EQ(gun.getOrientation(), kPi / 2.0f + 0.5f);
    EXPECT_EQ(gun.getPosition(), vec2(115, 105)) << "not re-placed by a turn";
    ship.setPosition(vec2(100, 0));
    EXPECT_NEAR(glm::distance(turret.getPosition(), vec2(95, 10)), 0.0f, kPlaceTolerance);
    EXPECT_NEAR(glm::distance(gun.getPosition(), vec2(95, 15)), 0.0f, kPlaceTolerance);
    EXPECT_EQ(free.getPosition(), vec2(-7, -7));
    EXPECT_EQ(hanging.getPosition(), vec2(-6, -7));
    EXPECT_FLOAT_EQ(hanging.getOrientation(), 0.0f);
}

// Logs its priority when it dies.
struct RecordingComponent : EntityComponent {
    RecordingComponent(GameEntity& e, int p, std::vector<int>& log) : EntityComponent(e, p), log(log) {}
    ~RecordingComponent() override { log.push_back(priority); }
    std::vector<int>& log;
};

TEST_F(GameEntityTest, DeletionTakesSubtreeThenOwnComponentsInPriorityOrderThenRegistrations) {
    std::vector<int> log;
    GameEntity& root = make();
    root.addTag(11);
    new RecordingComponent(root, 900, log);
    new RecordingComponent(root, 100, log);
    GameEntity& child = makeChild(root, vec2(0));
    child.addTag(11);
    new RecordingComponent(child, 5000, log);
    GameEntity& former = makeChild(root, vec2(0));
    GameEntity& moved = makeChild(former, vec2(0));
    moved.attachTo(root); // leaves its first parent, which must not take it along
    delete &former;
    EXPECT_EQ(root.getChildren(), (std::set<GameEntity*>{&child, &moved})) << "the deleted one leaves";
    delete &root;
    EXPECT_EQ(log, (std::vector<int>{5000, 100, 900}));
    EXPECT_TRUE(tagged.getEntities(0).empty());
    EXPECT_TRUE(tagged.getEntities(11).empty());
    EXPECT_TRUE(components.getComponents<EntityComponent>().empty());
}

} // namespace
} // namespace kv
