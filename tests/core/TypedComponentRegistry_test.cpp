#include "engine/core/TypedComponentRegistry.hpp"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "engine/core/EntityComponent.hpp"
#include "tests/support/EntityWorld.hpp"
#include "tests/support/ErrorText.hpp"

namespace kv {
namespace {

using test::errorOf;
using ComponentRegistryTest = test::EntityTest;

// Registers under its own class, as the engine's concrete components do.
struct Tracked : EntityComponent {
    Tracked(GameEntity& e, int p) : EntityComponent(e, p) { e.registerComponent<Tracked>(*this); }
    ~Tracked() override { entity.deregisterComponent<Tracked>(*this); }
};

// Does not register under its own class: found only under its base.
struct Untracked : Tracked {
    using Tracked::Tracked;
};

TEST_F(ComponentRegistryTest, GetComponentFindsTheOneComponentPerEntityAndGameWideOrReports) {
    GameEntity& a = make();
    GameEntity& b = make();
    EXPECT_EQ(errorOf([&] { a.getComponent<Tracked>(); }), "component was not found");
    auto* tracked = new Tracked(a, 1);
    EXPECT_EQ(&a.getComponent<Tracked>(), tracked);
    EXPECT_EQ(&components.getComponent<Tracked>(), tracked);
    new Tracked(b, 1);
    EXPECT_EQ(errorOf([&] { components.getComponent<Tracked>(); }), "multiple components were found");
    new Tracked(a, 2);
    EXPECT_EQ(errorOf([&] { a.getComponent<Tracked>(); }), "multiple components were found");
    auto* untracked = new Untracked(make(), 1);
    EXPECT_EQ(&untracked->entity.getComponent<Tracked>(), untracked);
    EXPECT_EQ(errorOf([&] { untracked->entity.getComponent<Untracked>(); }), "component was not found");
    deleteAll();
    EXPECT_EQ(errorOf([&] { components.getComponent<Tracked>(); }), "component was not found")
        << "an emptied key still reports nothing found";
}

struct Nested;

// Every Nested alive, in walk order and by age: a plain ordered model of the registry's sets.
struct Model {
    std::map<std::pair<int, std::uint64_t>, Nested*> walk;
    std::map<std::uint64_t, Nested*> age;
};

// Registers under its own class only after making another of its kind, as a component that builds its
// parts first does: the registry meets creation numbers out of order.
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

// Against the model, through random coming and going of young and old components: the live view and the
// copy, game-wide and in the entity, before and after removed entries are squeezed out.
TEST_F(ComponentRegistryTest, WalksMatchAnOrderedModelThroughComingAndGoing) {
    Model model;
    struct Cleanup { // deletes the components, which update the model, before the model goes
        test::EntityWorld& world;
        ~Cleanup() { world.deleteAll(); }
    } cleanup{*this};
    std::vector<Nested*> copy;
    std::mt19937 random(11);
    GameEntity& holder = make();
    for (int step = 0; step < 6000; ++step) {
        const bool purge = step % 2000 >= 1500; // removals only, no walks: removed entries pile up
        const std::size_t alive = model.age.size();
        if (alive == 0 || (!purge && random() % 5 < 3)) {
            new Nested(holder, static_cast<int>(random() % 4) * 500, model, random() % 4 == 0);
        } else {
            const std::size_t back =
                random() % 3 == 0 ? random() % alive : random() % std::min<std::size_t>(8, alive);
            delete std::prev(model.age.end(), static_cast<std::ptrdiff_t>(back) + 1)->second;
        }
        if (step % (purge ? 500 : 25) != 0) {
            continue;
        }
        std::vector<Nested*> expected;
        for (const auto& [key, component] : model.walk) {
            expected.push_back(component);
        }
        for (TypedComponentRegistry* registry :
             {static_cast<TypedComponentRegistry*>(&holder), &components}) {
            const auto view = registry->getComponents<Nested>();
            ASSERT_EQ(std::vector<Nested*>(view.begin(), view.end()), expected) << "step " << step;
            ASSERT_EQ(view.size(), expected.size());
            registry->copyComponents(copy);
            ASSERT_EQ(copy, expected) << "step " << step;
        }
        // A live walk that removes and adds as it goes meets what a walk over the model meets.
        auto want = model.walk.begin();
        for (Nested* met : components.getComponents<Nested>()) {
            ASSERT_TRUE(want != model.walk.end() && met == want->second) << "live walk, step " << step;
            if (random() % 8 == 0 && model.age.size() > 4) {
                const auto back = static_cast<std::ptrdiff_t>(random() % 4) + 1;
                Nested* young = std::prev(model.age.end(), back)->second;
                if (young != met) {
                    delete young;
                }
            }
            if (random() % 8 == 0) {
                new Nested(holder, static_cast<int>(random() % 4) * 500, model, random() % 4 == 0);
            }
            ++want;
        }
        ASSERT_TRUE(want == model.walk.end());
    }
}

} // namespace
} // namespace kv
