#include "engine/core/TypedComponentRegistry.hpp"

#include <functional>
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

struct Counter : UpdatableComponent {
    Counter(GameEntity& e, int p, std::vector<const Counter*>& order)
        : UpdatableComponent(e, p), order(order) {}
    void update(float) override { order.push_back(this); }
    std::vector<const Counter*>& order;
};

// Registers under its own class, as the engine's concrete components do.
struct Tracked : EntityComponent {
    Tracked(GameEntity& e, int p) : EntityComponent(e, p) { e.registerComponent<Tracked>(*this); }
    ~Tracked() override { entity.deregisterComponent<Tracked>(*this); }
};

// Does not register under its own class: found only under its base.
struct Untracked : Tracked {
    using Tracked::Tracked;
};

TEST_F(ComponentRegistryTest, UpdatesRunByPriorityThenCreationWhateverTheEntityOrAddress) {
    std::vector<const Counter*> order;
    GameEntity& a = make();
    GameEntity& b = make();
    auto* late = new Counter(a, 1000, order);
    auto* early = new Counter(b, 0, order);
    auto* freed = new Counter(a, 500, order);
    auto* tieOne = new Counter(b, 500, order);
    delete freed;
    auto* tieTwo = new Counter(a, 500, order); // likely at the freed address, below tieOne's
    updateAll(0.0f);
    EXPECT_EQ(order, (std::vector<const Counter*>{early, tieOne, tieTwo, late}));
}

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

// The game-wide registry keeps a flat copy of a class's set and updates it from logged changes; through
// creation, deletion and reuse of addresses it must copy out exactly what the live set holds.
TEST_F(ComponentRegistryTest, CopiesMatchTheLiveSetThroughComingAndGoing) {
    std::vector<const Counter*> ignored;
    std::vector<Counter*> live;
    std::vector<UpdatableComponent*> copy;
    std::mt19937 random(11);
    GameEntity& holder = make();
    for (int step = 0; step < 3000; ++step) {
        if (live.empty() || random() % 5 < 3) {
            live.push_back(new Counter(holder, static_cast<int>(random() % 4) * 500, ignored));
        } else {
            const std::size_t gone = random() % live.size();
            delete live[gone];
            live.erase(live.begin() + static_cast<std::ptrdiff_t>(gone));
        }
        if (random() % 50 == 0) {
            components.copyComponents(copy);
            const auto view = components.getComponents<UpdatableComponent>();
            ASSERT_EQ(copy, std::vector<UpdatableComponent*>(view.begin(), view.end())) << "step " << step;
            std::vector<UpdatableComponent*> own;
            holder.copyComponents(own);
            ASSERT_EQ(own, copy) << "the entity's registry copies its live set too";
        }
    }
}

} // namespace
} // namespace kv
