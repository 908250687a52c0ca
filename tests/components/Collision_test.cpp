#include "engine/components/Collision.hpp"

#include <cmath>
#include <memory>
#include <vector>

#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include "tests/support/EntityWorld.hpp"
#include "tests/support/ErrorText.hpp"

namespace kv {
namespace {

constexpr float kPi = 3.1415927f;
constexpr float kFrame = 1.0f / 60.0f; // seconds

// Tag sets live as long as the program, as the game's do.
const std::set<int> kEnemies{5};
const std::set<int> kPlayers{1};
const std::set<int> kFiveAndSeven{5, 7};
const std::set<int> kTwoAndThree{2, 3};

// One shape on its own entity: a circle while size is zero, else a rectangle.
struct Shape {
    vec2 at{0.0f};        // entity position, world units
    float turn = 0.0f;    // entity orientation, radians
    float radius = 0.0f;  // world units
    vec2 size{0.0f};      // world units
    vec2 offset{0.0f};    // shape centre in the entity's frame
    float ownTurn = 0.0f; // shape orientation relative to the entity, radians
};

struct Hit {
    int tag;
    GameEntity* other;
};

class CollisionTest : public test::EntityTest {
protected:
    std::unique_ptr<CollisionGeometry> geometryOf(const Shape& shape) {
        GameEntity& entity = make(shape.at, shape.turn);
        if (shape.size == vec2(0.0f)) {
            return std::make_unique<CircleCollisionGeometry>(entity, shape.offset, shape.ownTurn,
                                                             shape.radius);
        }
        return std::make_unique<RectangleCollisionGeometry>(entity, shape.offset, shape.ownTurn, shape.size);
    }

    // An entity with these tags and a circle of radius 10 that records its hits and answers with `finish`;
    // without targets it is a passive circle of radius 1.
    CollisionComponent& collider(vec2 at, std::initializer_list<int> tags, const std::set<int>* targets = nullptr,
                                 std::vector<Hit>* hits = nullptr, bool finish = false) {
        GameEntity& e = make(at);
        for (int tag : tags) {
            e.addTag(tag);
        }
        if (targets == nullptr) {
            return *new CollisionComponent(e, 1.0f, 1000);
        }
        return *new CollisionComponent(
            e, 10.0f, *targets,
            [hits, finish](int tag, GameEntity& other, float) {
                hits->push_back({tag, &other});
                return finish;
            },
            1000);
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
    // 3 units beyond the (10, 5) corner of a 20 x 10 rectangle turned by 45 degrees, along the diagonal.
    const vec2 local = vec2(10.0f, 5.0f) + 3.0f * glm::normalize(vec2(2.0f, 1.0f));
    const float c = std::cos(kPi / 4.0f);
    const float s = std::sin(kPi / 4.0f);
    const vec2 beyondCorner(100.0f + local.x * c - local.y * s, local.x * s + local.y * c);
    const Shape cornerRect{.at = {100.0f, 0.0f}, .turn = kPi / 4.0f, .size = {20.0f, 10.0f}};
    const Shape turnedRect{.turn = 0.7f, .size = {40.0f, 20.0f}};
    const Shape turnedSquare{.turn = 0.3f, .size = {20.0f, 20.0f}};
    const Shape rect{.size = {20.0f, 10.0f}};
    const Shape square{.size = {10.0f, 10.0f}};
    // A 40 x 4 beam whose origin is its back end, on an entity facing +y.
    const Shape beam{.turn = kPi / 2.0f, .size = {40.0f, 4.0f}, .offset = {20.0f, 0.0f}};
    const Shape diagonalBeam{.size = {100.0f, 2.0f}, .ownTurn = kPi / 4.0f};
    const auto circleAt = [](float x, float y, float radius) {
        return Shape{.at = {x, y}, .radius = radius};
    };
    const auto rectAt = [](float x, float y, vec2 size) { return Shape{.at = {x, y}, .size = size}; };
    // A square turned by 45 degrees reaches 5 * sqrt(2) along x: touching distance 12.07.
    const auto diamondAt = [](float x) {
        return Shape{.at = {x, 0.0f}, .turn = kPi / 4.0f, .size = {10, 10}};
    };
    const struct {
        const char* what;
        Shape a;
        Shape b;
        bool colliding;
    } cases[] = {
        {"circles touching", circleAt(0, 0, 10), circleAt(20, 0, 10), true},
        {"circles apart", circleAt(0, 0, 10), circleAt(20.001f, 0, 10), false},
        {"circle centre in turned rectangle", turnedRect, circleAt(3, 2, 0), true},
        {"circle reaching a turned corner", cornerRect, {.at = beyondCorner, .radius = 3.01f}, true},
        {"circle short of a turned corner", cornerRect, {.at = beyondCorner, .radius = 2.99f}, false},
        {"circle at a turned side", turnedSquare, circleAt(14, 0, 5), true},
        {"circle off a turned side", turnedSquare, circleAt(30, 0, 5), false},
        {"rectangles overlapping", rect, rectAt(15, 3, {20, 10}), true},
        {"rectangles touching", rect, rectAt(20, 0, {20, 10}), true},
        {"rectangles apart along x", rect, rectAt(20.01f, 0, {20, 10}), false},
        {"rectangles apart along y", rect, rectAt(0, 10.01f, {20, 10}), false},
        {"turned square reaching", square, diamondAt(12.0f), true},
        {"turned square short", square, diamondAt(12.2f), false},
        {"box under a thin diagonal beam", diagonalBeam, rectAt(30, -30, {2, 2}), false},
        {"box on a thin diagonal beam", diagonalBeam, rectAt(30, 30, {2, 2}), true},
        {"circle ahead of an offset beam", beam, circleAt(0, 35, 1), true},
        {"circle behind an offset beam", beam, circleAt(0, -5, 1), false},
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
    for (int frames = 1; frames <= 2; ++frames) {
        frame();
        ASSERT_EQ(bulletHits.size(), static_cast<std::size_t>(frames));
        ASSERT_EQ(enemyHits.size(), static_cast<std::size_t>(frames));
    }
    EXPECT_EQ(bulletHits[0].tag, 5);
    EXPECT_EQ(bulletHits[0].other, &enemy.entity);
    EXPECT_EQ(enemyHits[0].tag, 2);
    EXPECT_EQ(enemyHits[0].other, &bullet.entity);
    enemy.targetTags = &kFiveAndSeven; // the enemy now hunts its own kind
    bullet.entity.setActive(false);
    frame();
    EXPECT_EQ(enemyHits.size(), 2u) << "never itself";
}

// A callback answering true ends its component's frame and shields its entity from later testers.
TEST_F(CollisionTest, ACallbackReturningTrueEndsItsComponentsFrameAndShieldsItsEntity) {
    std::vector<Hit> bulletHits;
    std::vector<Hit> bystanderHits;
    CollisionComponent& target = collider(vec2(2.0f, 0.0f), {5});
    CollisionComponent& done = collider(vec2(-2.0f, 0.0f), {5});
    collider(vec2(0.0f, 1.0f), {5}).entity.setActive(false);
    CollisionComponent& bullet = collider(vec2(0.0f), {1}, &kEnemies, &bulletHits, true);
    CollisionComponent& bystander = collider(vec2(0.0f, 3.0f), {}, &kPlayers, &bystanderHits);
    done.callback = [](int, GameEntity&, float) -> bool { throw std::runtime_error("passive called"); };
    resetAll();
    bullet.update(kFrame);
    bullet.update(kFrame);
    EXPECT_EQ(bulletHits.size(), 1u) << "one of the two targets only";
    bystander.update(kFrame);
    EXPECT_TRUE(bystanderHits.empty());
    resetAll();
    done.finishedForFrame = true;
    target.finishedForFrame = true;
    bullet.update(kFrame);
    EXPECT_EQ(bulletHits.size(), 1u) << "finished components and inactive entities are never hit";
    target.finishedForFrame = false;
    bullet.resetForFrame();
    bullet.update(kFrame);
    EXPECT_EQ(bulletHits.size(), 2u) << "a new frame tests again";

    // The same when the hit side answers true.
    std::vector<Hit> firstHits;
    std::vector<Hit> secondHits;
    std::vector<Hit> targetHits;
    CollisionComponent& first = collider(vec2(498.0f, 0.0f), {1}, &kEnemies, &firstHits);
    CollisionComponent& second = collider(vec2(502.0f, 0.0f), {1}, &kEnemies, &secondHits);
    collider(vec2(500.0f, 0.0f), {5}, &kPlayers, &targetHits, true);
    resetAll();
    first.update(kFrame);
    second.update(kFrame);
    EXPECT_EQ(firstHits.size(), 1u);
    EXPECT_TRUE(secondHits.empty());
    EXPECT_EQ(targetHits.size(), 1u);
}

TEST_F(CollisionTest, ShapeCanGrowWhileTheComponentLives) {
    std::vector<Hit> hits;
    collider(vec2(100.0f, 0.0f), {5});
    CollisionComponent& wave = collider(vec2(0.0f), {}, &kEnemies, &hits);
    frame();
    EXPECT_TRUE(hits.empty());
    static_cast<CircleCollisionGeometry&>(*wave.geometry).radius = 99.0f;
    frame();
    EXPECT_EQ(hits.size(), 1u);
}

TEST_F(CollisionTest, ComponentRefusesToHaveNoGeometry) {
    GameEntity& e = make();
    EXPECT_EQ(test::errorOf([&] {
                  new CollisionComponent(e, static_cast<CollisionGeometry*>(nullptr), kEnemies, nullptr, 1);
              }),
              "collision component without geometry");
    EXPECT_TRUE(e.getComponents<EntityComponent>().empty());
}

} // namespace
} // namespace kv
