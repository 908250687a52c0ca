#include "engine/components/Collision.hpp"

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/EntityWorld.hpp"

namespace kv {
namespace {


// Tag sets live as long as the program, as the game's do.
const std::set<int> kEnemies{5};
const std::set<int> kPlayers{1};
const std::set<int> kFiveAndSeven{5, 7};
const std::set<int> kTwoAndThree{2, 3};

// One shape on its own entity, world units and radians: a circle while size is zero, else a rectangle;
// offset and ownTurn place it in the entity's frame.
struct Shape {
    vec2 at{0.0f};
    float turn = 0.0f;
    float radius = 0.0f;
    vec2 size{0.0f};
    vec2 offset{0.0f};
    float ownTurn = 0.0f;
};

struct Hit {
    int tag;
    GameEntity* other;
};

class CollisionTest : public test::EntityTest {
protected:
    std::unique_ptr<CollisionGeometry> geometryOf(const Shape& s) {
        GameEntity& e = make(s.at, s.turn);
        if (s.size == vec2(0.0f)) {
            return std::make_unique<CircleCollisionGeometry>(e, s.offset, s.ownTurn, s.radius);
        }
        return std::make_unique<RectangleCollisionGeometry>(e, s.offset, s.ownTurn, s.size);
    }

    // An entity with these tags and a circle of radius 10 that records its hits into `hits` and answers
    // `finish`; without targets a passive circle of radius 1.
    CollisionComponent& collider(vec2 at, std::initializer_list<int> tags,
                                 const std::set<int>* targets = nullptr, std::vector<Hit>* hits = nullptr,
                                 bool finish = false) {
        GameEntity& e = make(at);
        for (int tag : tags) {
            e.addTag(tag);
        }
        if (targets == nullptr) {
            return *new CollisionComponent(e, 1.0f, 1000);
        }
        const auto record = [hits, finish](int tag, GameEntity& other, float) {
            hits->push_back({tag, &other});
            return finish;
        };
        return *new CollisionComponent(e, 10.0f, *targets, record, 1000);
    }

    // One frame as the game runs it: every collision component is reset, then the update pass.
    void frame() {
        resetAll();
        updateAll(kFrame);
    }
    void resetAll() {
        for (CollisionComponent* c : components.getComponents<CollisionComponent>()) {
            c->resetForFrame();
        }
    }
};

TEST_F(CollisionTest, ShapesCollideWhenTheyOverlapOrTouchWhicheverSideAsks) {
    const auto circle = [](float x, float y, float radius) { return Shape{.at = {x, y}, .radius = radius}; };
    const auto rect = [](float x, float y, vec2 size) { return Shape{.at = {x, y}, .size = size}; };
    // A square of 10 turned by 45 degrees reaches 5 * sqrt(2) = 7.071 along x.
    const auto diamond = [](float x) { return Shape{.at = {x, 0.0f}, .turn = kPi / 4.0f, .size = {10, 10}}; };
    const Shape turnedRect{.turn = 0.7f, .size = {40.0f, 20.0f}};
    const Shape turnedSquare{.turn = 0.3f, .size = {20.0f, 20.0f}};
    // A 40 x 4 beam whose origin is its back end, on an entity facing +y.
    const Shape beam{.turn = kPi / 2.0f, .size = {40.0f, 4.0f}, .offset = {20.0f, 0.0f}};
    const Shape diagonalBeam{.size = {100.0f, 2.0f}, .ownTurn = kPi / 4.0f};
    const struct {
        const char* what;
        Shape a;
        Shape b;
        bool colliding;
    } cases[] = {
        {"circles touching", circle(0, 0, 10), circle(20, 0, 10), true},
        {"circles apart", circle(0, 0, 10), circle(20.001f, 0, 10), false},
        {"circle centre in turned rectangle", turnedRect, circle(3, 2, 0), true},
        {"circle reaching a turned corner", diamond(100), circle(110, 0, 2.94f), true},
        {"circle short of a turned corner", diamond(100), circle(110, 0, 2.92f), false},
        {"circle at a turned side", turnedSquare, circle(14, 0, 5), true},
        {"circle off a turned side", turnedSquare, circle(30, 0, 5), false},
        {"rectangles overlapping", rect(0, 0, {20, 10}), rect(15, 3, {20, 10}), true},
        {"rectangles touching", rect(0, 0, {20, 10}), rect(20, 0, {20, 10}), true},
        {"rectangles apart along x", rect(0, 0, {20, 10}), rect(20.01f, 0, {20, 10}), false},
        {"rectangles apart along y", rect(0, 0, {20, 10}), rect(0, 10.01f, {20, 10}), false},
        {"turned square reaching", rect(0, 0, {10, 10}), diamond(12.0f), true},
        {"turned square short", rect(0, 0, {10, 10}), diamond(12.2f), false},
        {"box under a thin diagonal beam", diagonalBeam, rect(30, -30, {2, 2}), false},
        {"box on a thin diagonal beam", diagonalBeam, rect(30, 30, {2, 2}), true},
        {"circle ahead of an offset beam", beam, circle(0, 35, 1), true},
        {"circle behind an offset beam", beam, circle(0, -5, 1), false},
    };
    for (const auto& c : cases) {
        const auto a = geometryOf(c.a);
        const auto b = geometryOf(c.b);
        EXPECT_EQ(a->isColliding(*b), c.colliding) << c.what;
        EXPECT_EQ(b->isColliding(*a), c.colliding) << c.what << ", asked the other way";
    }
}

// A bullet (tag 1) hunting enemies (5) meets an enemy hunting players: once per frame, each side hearing of
// the other under the tag it targets; a target under several tags is met once, under the lowest one.
TEST_F(CollisionTest, EachPairMeetsOncePerFrameAndBothSidesHearOfIt) {
    std::vector<Hit> bulletHits;
    std::vector<Hit> enemyHits;
    CollisionComponent& bullet = collider(vec2(0.0f), {3, 2, 1}, &kEnemies, &bulletHits);
    CollisionComponent& enemy = collider(vec2(5.0f, 0.0f), {5, 7}, &kTwoAndThree, &enemyHits);
    frame();
    frame();
    ASSERT_EQ(bulletHits.size(), 2u);
    ASSERT_EQ(enemyHits.size(), 2u);
    EXPECT_EQ(bulletHits[0].tag, 5);
    EXPECT_EQ(bulletHits[0].other, &enemy.entity);
    EXPECT_EQ(enemyHits[0].tag, 2);
    EXPECT_EQ(enemyHits[0].other, &bullet.entity);
    enemy.targetTags = &kFiveAndSeven; // the enemy now hunts its own kind
    bullet.entity.setActive(false);
    frame();
    EXPECT_EQ(enemyHits.size(), 2u) << "never itself";
}

// A callback answering true ends its component's frame and shields its entity from later testers, whichever
// side answers; finished components and inactive entities are never hit.
TEST_F(CollisionTest, ACallbackReturningTrueEndsItsComponentsFrameAndShieldsItsEntity) {
    std::vector<Hit> bulletHits;
    std::vector<Hit> bystanderHits;
    CollisionComponent& target = collider(vec2(2.0f, 0.0f), {5});
    CollisionComponent& other = collider(vec2(-2.0f, 0.0f), {5});
    collider(vec2(0.0f, 1.0f), {5}).entity.setActive(false);
    CollisionComponent& bullet = collider(vec2(0.0f), {1}, &kEnemies, &bulletHits, true);
    CollisionComponent& bystander = collider(vec2(0.0f, 3.0f), {}, &kPlayers, &bystanderHits);
    bullet.update(kFrame);
    bullet.update(kFrame);
    bystander.update(kFrame);
    EXPECT_EQ(bulletHits.size(), 1u);
    EXPECT_EQ(bulletHits[0].other, &target.entity);
    EXPECT_TRUE(bystanderHits.empty());
    bullet.resetForFrame();
    target.finishedForFrame = other.finishedForFrame = true;
    bullet.update(kFrame);
    EXPECT_EQ(bulletHits.size(), 1u);

    std::vector<Hit> firstHits;
    std::vector<Hit> secondHits;
    std::vector<Hit> targetHits;
    CollisionComponent& first = collider(vec2(498.0f, 0.0f), {1}, &kEnemies, &firstHits);
    CollisionComponent& second = collider(vec2(502.0f, 0.0f), {1}, &kEnemies, &secondHits);
    collider(vec2(500.0f, 0.0f), {5}, &kPlayers, &targetHits, true);
    first.update(kFrame);
    second.update(kFrame);
    EXPECT_EQ(firstHits.size(), 1u);
    EXPECT_TRUE(secondHits.empty());
    EXPECT_EQ(targetHits.size(), 1u);
}

} // namespace
} // namespace kv
