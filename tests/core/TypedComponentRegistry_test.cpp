#include "engine/core/TypedComponentRegistry.hpp"

#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "engine/core/EntityComponent.hpp"
#include "engine/core/GameEntity.hpp"

namespace kv {
namespace {

struct Counter : UpdatableComponent {
    Counter(GameEntity& e, int p, std::vector<const Counter*>& order) : UpdatableComponent(e, p), order(order) {}
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

class ComponentRegistryTest : public ::testing::Test {
protected:
    GameEntity* make() { return new GameEntity(tagged, &game, vec2(0), 0); }
    std::string errorOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "<no error>";
    }
    TaggedEntityRegistry tagged;
    TypedComponentRegistry game{nullptr};
};

TEST_F(ComponentRegistryTest, UpdatesRunByPriorityThenAddressWhateverTheCreationOrder) {
    std::vector<const Counter*> order;
    GameEntity* a = make();
    GameEntity* b = make();
    auto* late = new Counter(*a, 1000, order);
    auto* early = new Counter(*b, 0, order);
    auto* tieOne = new Counter(*b, 500, order);
    auto* tieTwo = new Counter(*a, 500, order);
    for (UpdatableComponent* c : game.getComponents<UpdatableComponent>()) {
        c->update(0);
    }
    const Counter* firstTie = std::less<const Counter*>()(tieOne, tieTwo) ? tieOne : tieTwo;
    const Counter* secondTie = firstTie == tieOne ? tieTwo : tieOne;
    EXPECT_EQ(order, (std::vector<const Counter*>{early, firstTie, secondTie, late}));
    delete a;
    delete b;
}

TEST_F(ComponentRegistryTest, ComponentIsFoundPerEntityAndGameWide) {
    GameEntity* a = make();
    auto* tracked = new Tracked(*a, 10);
    EXPECT_EQ(&a->getComponent<Tracked>(), tracked);
    EXPECT_EQ(&game.getComponent<Tracked>(), tracked);
    EXPECT_EQ(game.getComponents<EntityComponent>().size(), 1u);
    delete a;
}

TEST_F(ComponentRegistryTest, GetComponentErrors) {
    GameEntity* a = make();
    GameEntity* b = make();
    EXPECT_EQ(errorOf([&] { a->getComponent<Tracked>(); }), "component was not found");
    new Tracked(*a, 1);
    new Tracked(*b, 1);
    EXPECT_EQ(errorOf([&] { game.getComponent<Tracked>(); }), "multiple components were found");
    new Tracked(*a, 2);
    EXPECT_EQ(errorOf([&] { a->getComponent<Tracked>(); }), "multiple components were found");
    delete a;
    delete b;
    EXPECT_EQ(errorOf([&] { game.getComponent<Tracked>(); }), "component was not found")
        << "an emptied key still reports nothing found";
}

TEST_F(ComponentRegistryTest, ClassesThatDoNotRegisterAreFoundUnderTheirBasesOnly) {
    GameEntity* a = make();
    auto* untracked = new Untracked(*a, 1);
    EXPECT_EQ(&a->getComponent<Tracked>(), untracked);
    EXPECT_EQ(errorOf([&] { a->getComponent<Untracked>(); }), "component was not found");
    delete a;
}

TEST_F(ComponentRegistryTest, DeletingAComponentLeavesEveryLevelOfEveryRegistry) {
    GameEntity* a = make();
    auto* tracked = new Tracked(*a, 1);
    delete tracked;
    EXPECT_TRUE(a->getComponents<Tracked>().empty());
    EXPECT_TRUE(a->getComponents<EntityComponent>().empty());
    EXPECT_TRUE(game.getComponents<Tracked>().empty());
    EXPECT_TRUE(game.getComponents<EntityComponent>().empty());
    delete a;
}

TEST_F(ComponentRegistryTest, DeregisteringAnUnknownClassDoesNotReachTheParent) {
    TypedComponentRegistry top(nullptr);
    TypedComponentRegistry middle(&top);
    GameEntity owner(tagged, nullptr, vec2(0), 0);
    auto* tracked = new Tracked(owner, 1);
    top.registerComponent<Tracked>(*tracked);
    middle.deregisterComponent<Tracked>(*tracked);
    EXPECT_EQ(top.getComponents<Tracked>().size(), 1u) << "middle never knew Tracked, so top is untouched";
    middle.registerComponent<Tracked>(*tracked);
    middle.deregisterComponent<Tracked>(*tracked);
    EXPECT_TRUE(top.getComponents<Tracked>().empty());
}

} // namespace
} // namespace kv
