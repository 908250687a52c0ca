#include "engine/core/GameEntity.hpp"

#include <cmath>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "engine/core/EntityComponent.hpp"

namespace kv {
namespace {

class GameEntityTest : public ::testing::Test {
protected:
    GameEntity* make(vec2 position = vec2(0), float orientation = 0) {
        return new GameEntity(tagged, &components, position, orientation);
    }
    // Attaches the way the game builds fixed parts: attach, inherit both, then offsets.
    GameEntity* makeChild(GameEntity& parent, vec2 offset, bool inheritPosition = true,
                          bool inheritOrientation = true) {
        GameEntity* child = make();
        child->attachTo(parent);
        child->setInheritPosition(inheritPosition);
        child->setInheritOrientation(inheritOrientation);
        child->setRelativePosition(offset);
        return child;
    }

    TaggedEntityRegistry tagged;
    TypedComponentRegistry components{nullptr};
};

TEST_F(GameEntityTest, OrientationWrapsIntoPlusMinusPiButConstructorKeepsItsAngle) {
    GameEntity* entity = make(vec2(0), 10.0f);
    EXPECT_FLOAT_EQ(entity->getOrientation(), 10.0f);
    entity->setOrientation(7.0f);
    EXPECT_NEAR(entity->getOrientation(), 7.0f - 6.2831855f, 1e-6);
    entity->setOrientation(-4.0f);
    EXPECT_NEAR(entity->getOrientation(), -4.0f + 6.2831855f, 1e-6);
    entity->setOrientation(3.1415927f);
    EXPECT_EQ(entity->getOrientation(), 3.1415927f);
    entity->setOrientation(-3.1415927f);
    EXPECT_EQ(entity->getOrientation(), -3.1415927f);
    delete entity;
}

TEST_F(GameEntityTest, ChildOffsetIsTurnedByTheParentOrientation) {
    GameEntity* parent = make(vec2(100, 100), 0);
    GameEntity* child = makeChild(*parent, vec2(50, 0), true, false);
    parent->setOrientation(1.5707964f);
    parent->setPosition(vec2(100, 100));
    EXPECT_NEAR(child->getPosition().x, 100.0f, 1e-4);
    EXPECT_NEAR(child->getPosition().y, 150.0f, 1e-4);
    delete parent;
}

TEST_F(GameEntityTest, TurningRotatesChildrenNowButMovesThemOnlyOnTheNextSetPosition) {
    GameEntity* parent = make(vec2(0, 0), 0);
    GameEntity* child = makeChild(*parent, vec2(10, 0));
    child->setRelativeOrientation(0.5f);
    parent->setOrientation(1.0f);
    EXPECT_FLOAT_EQ(child->getOrientation(), 1.5f);
    EXPECT_FLOAT_EQ(child->getPosition().x, 10.0f) << "not re-placed by a turn";
    parent->setPosition(vec2(0, 0));
    EXPECT_NEAR(child->getPosition().x, 10.0f * std::cos(1.0f), 1e-5);
    EXPECT_NEAR(child->getPosition().y, 10.0f * std::sin(1.0f), 1e-5);
    delete parent;
}

TEST_F(GameEntityTest, PropagationStopsAtAChildThatDoesNotInherit) {
    GameEntity* root = make();
    GameEntity* free = makeChild(*root, vec2(5, 0), false, false);
    free->setPosition(vec2(-7, -7));
    GameEntity* grandchild = makeChild(*free, vec2(1, 0));
    root->setPosition(vec2(100, 0));
    root->setOrientation(2.0f);
    EXPECT_EQ(free->getPosition(), vec2(-7, -7));
    EXPECT_EQ(grandchild->getPosition(), vec2(-6, -7)) << "placed when attached, never moved by the root";
    EXPECT_FLOAT_EQ(grandchild->getOrientation(), 0.0f);
    delete root;
}

TEST_F(GameEntityTest, AttachRules) {
    GameEntity* a = make();
    GameEntity* b = make();
    GameEntity* c = make(vec2(3, 4));
    try {
        c->attachTo(*c);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "illegal attach, attaching itself");
    }
    EXPECT_EQ(c->getParent(), nullptr);
    c->attachTo(*a);
    c->attachTo(*a);
    EXPECT_EQ(a->getChildren().size(), 1u);
    c->attachTo(*b);
    EXPECT_TRUE(a->getChildren().empty());
    EXPECT_EQ(b->getChildren().count(c), 1u);
    EXPECT_EQ(c->getPosition(), vec2(3, 4)) << "attaching alone places nothing";
    delete a;
    delete b;
}

TEST_F(GameEntityTest, SetActiveSwitchesWholeSubtreeRegardlessOfEarlierState) {
    GameEntity* root = make();
    GameEntity* child = makeChild(*root, vec2(0), false, false);
    GameEntity* grandchild = makeChild(*child, vec2(0), false, false);
    grandchild->setActive(false);
    root->setActive(false);
    EXPECT_FALSE(child->isActive());
    root->setActive(true);
    EXPECT_TRUE(child->isActive());
    EXPECT_TRUE(grandchild->isActive());
    delete root;
}

TEST_F(GameEntityTest, AddingATagTwiceChangesNothing) {
    GameEntity* entity = make();
    entity->addTag(4);
    entity->addTag(4);
    EXPECT_EQ(entity->getTags(), std::set<int>{4});
    EXPECT_EQ(tagged.getEntities(4).size(), 1u);
    delete entity;
}

// Records, in a shared log, the order in which components die and what their entity looked like then.
struct RecordingComponent : EntityComponent {
    RecordingComponent(GameEntity& e, int p, std::vector<int>& log, int id)
        : EntityComponent(e, p), log(log), id(id) {}
    ~RecordingComponent() override { log.push_back(id); }
    std::vector<int>& log;
    int id;
};

TEST_F(GameEntityTest, DeletionTakesSubtreeThenOwnComponentsInPriorityOrderThenRegistration) {
    std::vector<int> log;
    GameEntity* root = make();
    root->addTag(11);
    new RecordingComponent(*root, 900, log, 3);
    new RecordingComponent(*root, 100, log, 2);
    GameEntity* child = makeChild(*root, vec2(0));
    child->addTag(11);
    new RecordingComponent(*child, 5000, log, 1);
    delete root;
    EXPECT_EQ(log, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(tagged.getEntities(0).empty());
    EXPECT_TRUE(tagged.getEntities(11).empty());
    EXPECT_TRUE(components.getComponents<EntityComponent>().empty());
}

TEST_F(GameEntityTest, DeletingAChildDetachesItFromTheParent) {
    GameEntity* root = make();
    GameEntity* child = makeChild(*root, vec2(0));
    delete child;
    EXPECT_TRUE(root->getChildren().empty());
    delete root;
}

} // namespace
} // namespace kv
