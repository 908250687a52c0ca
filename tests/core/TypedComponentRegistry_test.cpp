#include "engine/core/TypedComponentRegistry.hpp"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <random>
#include <ranges>
#include <vector>

#include <gtest/gtest.h>

#include "engine/core/EntityComponent.hpp"
#include "tests/support/EntityWorld.hpp"
#include "tests/support/ErrorText.hpp"

namespace kv {
namespace {

using test::errorOf;

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
