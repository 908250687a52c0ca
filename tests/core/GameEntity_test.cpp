// Entities, their trees, and the registries that find them by tag and their components by type.
#include "engine/core/GameEntity.hpp"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <random>
#include <ranges>
#include <set>
#include <vector>

#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include "engine/core/EntityComponent.hpp"
#include "engine/core/TaggedEntityRegistry.hpp"
#include "engine/core/TypedComponentRegistry.hpp"
#include "tests/support/EntityWorld.hpp"
#include "tests/support/ErrorText.hpp"

namespace kv {
namespace {

using GameEntityTest = test::EntityTest;

constexpr float kTurn = 6.2831855f; // radians
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

using test::errorOf;

// Tag 0 lists every entity; tags are added once.
TEST(TaggedEntityRegistry, ActiveLookUpsSkipSwitchedOffEntitiesButSingleLookUpKeepsThem) {
    TaggedEntityRegistry registry;
    EXPECT_EQ(errorOf([&] { registry.getEntity(3); }), "entity was not found: tag 3");
    GameEntity a(registry, nullptr, vec2(0), 0);
    a.addTag(3);
    a.addTag(3);
    EXPECT_EQ(registry.getEntities(0), EntitySet{&a});
    EXPECT_EQ(a.getTags(), std::set<int>{3});
    EXPECT_TRUE(registry.hasActiveEntity(3));
    a.setActive(false);
    EXPECT_FALSE(registry.hasActiveEntity(3));
    EXPECT_TRUE(registry.getActiveEntities(3).empty());
    EXPECT_EQ(&registry.getEntity(3), &a);
    GameEntity b(registry, nullptr, vec2(0), 0);
    b.addTag(3);
    EXPECT_EQ(errorOf([&] { registry.getEntity(3); }), "multiple entities were found: 2 with tag 3");
}

struct Nested;

// Every Nested alive, in walk order and by age: a plain ordered model of the registry's sets. The fixture's
// first base, made before the world, so the components, which update it as they go, die first.
struct Model {
    std::map<std::pair<int, std::uint64_t>, Nested*> walk;
    std::map<std::uint64_t, Nested*> age;
};
class ComponentRegistryTest : public Model, public test::EntityTest {};

// Registers under its own class, as the engine's components do; an inner one only after making another of
// its kind, as a component building its parts first does: the registry meets creation numbers out of order.
struct Nested : EntityComponent {
    Nested(GameEntity& e, int p, Model& model, bool inner) : EntityComponent(e, p), model(model) {
        if (inner) {
            new Nested(e, p, model, false);
        }
        e.registerComponent<Nested>(*this);
        model.walk[{p, creationNumber}] = model.age[creationNumber] = this;
    }
    ~Nested() override {
        entity.deregisterComponent<Nested>(*this);
        model.walk.erase({priority, creationNumber});
        model.age.erase(creationNumber);
    }
    Model& model;
};

// Does not register under its own class: found only under its base.
struct Untracked : Nested {
    using Nested::Nested;
};

TEST_F(ComponentRegistryTest, GetComponentFindsTheOneComponentPerEntityAndGameWideOrReportsTheClass) {
    const std::string nested = "kv::(anonymous namespace)::Nested";
    GameEntity& a = make();
    GameEntity& b = make();
    EXPECT_EQ(errorOf([&] { a.getComponent<Nested>(); }), "component was not found: " + nested);
    auto* tracked = new Nested(a, 1, *this, false);
    EXPECT_EQ(&a.getComponent<Nested>(), tracked);
    EXPECT_EQ(&components.getComponent<Nested>(), tracked);
    new Nested(b, 1, *this, false);
    const std::string two = "multiple components were found: 2 of " + nested;
    EXPECT_EQ(errorOf([&] { components.getComponent<Nested>(); }), two);
    new Nested(a, 2, *this, false);
    EXPECT_EQ(errorOf([&] { a.getComponent<Nested>(); }), two);
    auto* untracked = new Untracked(make(), 1, *this, false);
    EXPECT_EQ(&untracked->entity.getComponent<Nested>(), untracked);
    EXPECT_EQ(errorOf([&] { untracked->entity.getComponent<Untracked>(); }),
              "component was not found: kv::(anonymous namespace)::Untracked");
    scene.deleteAllEntities();
    EXPECT_EQ(errorOf([&] { components.getComponent<Nested>(); }), "component was not found: " + nested)
        << "an emptied key still reports nothing found";
}

// Against the model, through random coming and going of young and old components: the live view and the
// copy, game-wide and in the entity, before and after removed entries are squeezed out.
TEST_F(ComponentRegistryTest, WalksMatchAnOrderedModelThroughComingAndGoing) {
    std::vector<Nested*> copy;
    std::mt19937 random(11);
    GameEntity& holder = make();
    for (int step = 0; step < 6000; ++step) {
        const bool purge = step % 2000 >= 1500; // removals only, no walks: removed entries pile up
        const std::size_t alive = age.size();
        if (alive == 0 || (!purge && random() % 5 < 3)) {
            new Nested(holder, static_cast<int>(random() % 4) * 500, *this, random() % 4 == 0);
        } else {
            const std::size_t back =
                random() % 3 == 0 ? random() % alive : random() % std::min<std::size_t>(8, alive);
            delete std::prev(age.end(), static_cast<std::ptrdiff_t>(back) + 1)->second;
        }
        if (step % (purge ? 500 : 25) != 0) {
            continue;
        }
        const auto inOrder = std::views::values(walk);
        const std::vector<Nested*> expected(inOrder.begin(), inOrder.end());
        for (TypedComponentRegistry* registry :
             {static_cast<TypedComponentRegistry*>(&holder), &components}) {
            const auto view = registry->getComponents<Nested>();
            ASSERT_EQ(std::vector<Nested*>(view.begin(), view.end()), expected) << "step " << step;
            ASSERT_EQ(view.size(), expected.size());
            registry->copyComponents(copy);
            ASSERT_EQ(copy, expected) << "step " << step;
        }
        // A live walk that removes and adds as it goes meets what a walk over the model meets.
        auto want = walk.begin();
        for (Nested* met : components.getComponents<Nested>()) {
            ASSERT_TRUE(want != walk.end() && met == want->second) << "live walk, step " << step;
            if (random() % 8 == 0 && age.size() > 4) {
                const auto back = static_cast<std::ptrdiff_t>(random() % 4) + 1;
                Nested* young = std::prev(age.end(), back)->second;
                if (young != met) {
                    delete young;
                }
            }
            if (random() % 8 == 0) {
                new Nested(holder, static_cast<int>(random() % 4) * 500, *this, random() % 4 == 0);
            }
            ++want;
        }
        ASSERT_TRUE(want == walk.end());
    }
}

} // namespace
} // namespace kv
