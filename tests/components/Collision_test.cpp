#include "engine/components/Collision.hpp"

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include "engine/core/GameEntity.hpp"

namespace kv {
namespace {

constexpr float kPi = 3.1415927f;
constexpr float kFrame = 1.0f / 60.0f; // seconds

// Tag sets live as long as the program, as the game's do.
const std::set<int> kEnemies{5};
const std::set<int> kPlayers{1};
const std::set<int> kFiveAndSeven{5, 7};
const std::set<int> kTwoAndThree{2, 3};

struct Hit {
    int tag;
    GameEntity* other;
};

class CollisionTest : public ::testing::Test {
protected:
    ~CollisionTest() override {
        for (GameEntity* e : roots) {
            delete e;
        }
    }
    GameEntity& make(vec2 position = vec2(0.0f), float orientation = 0.0f) {
        roots.push_back(new GameEntity(tagged, &game, position, orientation));
        return *roots.back();
    }
    // A circle of radius 10 that records its hits and answers with `finish`.
    CollisionComponent& collider(GameEntity& e, const std::set<int>& targets, std::vector<Hit>& hits,
                                 bool finish = false) {
        return *new CollisionComponent(
            e, 10.0f, targets,
            [&hits, finish](int tag, GameEntity& other, float) {
                hits.push_back({tag, &other});
                return finish;
            },
            1000);
    }
    // One frame as the game runs it: reset every collision component, then update them in registry order.
    void frame() {
        for (CollisionComponent* c : game.getComponents<CollisionComponent>()) {
            c->resetForFrame();
        }
        const auto view = game.getComponents<UpdatableComponent>();
        const std::vector<UpdatableComponent*> pass(view.begin(), view.end());
        for (UpdatableComponent* c : pass) {
            c->update(kFrame);
        }
    }
    static std::string errorOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "<no error>";
    }
    TaggedEntityRegistry tagged;
    TypedComponentRegistry game{nullptr};
    std::vector<GameEntity*> roots;
};

using GeometryTest = CollisionTest;

TEST_F(GeometryTest, CirclesTouchingAtTheSumOfRadiiCollide) {
    GameEntity& a = make(vec2(0.0f, 0.0f));
    GameEntity& b = make(vec2(20.0f, 0.0f));
    GameEntity& c = make(vec2(20.001f, 0.0f));
    CircleCollisionGeometry circleA(a, 10.0f);
    CircleCollisionGeometry circleB(b, 10.0f);
    CircleCollisionGeometry circleC(c, 10.0f);
    EXPECT_TRUE(circleA.isColliding(circleB));
    EXPECT_FALSE(circleA.isColliding(circleC));
}

TEST_F(GeometryTest, RelativePositionTurnsWithTheEntity) {
    GameEntity& e = make(vec2(100.0f, 50.0f), kPi / 2.0f);
    CircleCollisionGeometry circle(e, vec2(10.0f, 0.0f), 0.0f, 5.0f);
    EXPECT_NEAR(circle.getPosition().x, 100.0f, 1e-4f);
    EXPECT_NEAR(circle.getPosition().y, 60.0f, 1e-4f);
    RectangleCollisionGeometry rect(e, vec2(0.0f), 0.25f, vec2(1.0f));
    EXPECT_FLOAT_EQ(rect.getOrientation(), kPi / 2.0f + 0.25f);
}

TEST_F(GeometryTest, CircleCentreInsideATurnedRectangleCollidesWhateverItsRadius) {
    GameEntity& r = make(vec2(0.0f), 0.7f);
    GameEntity& c = make(vec2(3.0f, 2.0f));
    RectangleCollisionGeometry rect(r, vec2(40.0f, 20.0f));
    CircleCollisionGeometry circle(c, 0.0f);
    EXPECT_TRUE(circle.isColliding(rect));
}

TEST_F(GeometryTest, CircleNearATurnedRectangleCornerIsMeasuredToTheCorner) {
    GameEntity& r = make(vec2(100.0f, 0.0f), kPi / 4.0f);
    RectangleCollisionGeometry rect(r, vec2(20.0f, 10.0f));
    // 3 units beyond the (10, 5) corner, straight out along the diagonal, in the rectangle's frame.
    const vec2 outward = glm::normalize(vec2(2.0f, 1.0f));
    const vec2 local = vec2(10.0f, 5.0f) + 3.0f * outward;
    const float c = std::cos(kPi / 4.0f);
    const float s = std::sin(kPi / 4.0f);
    GameEntity& e = make(vec2(100.0f + local.x * c - local.y * s, local.x * s + local.y * c));
    CircleCollisionGeometry large(e, 3.01f);
    CircleCollisionGeometry small(e, 2.99f);
    EXPECT_TRUE(large.isColliding(rect));
    EXPECT_FALSE(small.isColliding(rect));
}

TEST_F(GeometryTest, AnswerDoesNotDependOnWhichSideAsks) {
    GameEntity& r = make(vec2(0.0f), 0.3f);
    GameEntity& c = make(vec2(14.0f, 0.0f));
    RectangleCollisionGeometry rect(r, vec2(20.0f, 20.0f));
    CircleCollisionGeometry circle(c, 5.0f);
    const CollisionGeometry& asRect = rect;
    const CollisionGeometry& asCircle = circle;
    EXPECT_TRUE(asRect.isColliding(asCircle));
    EXPECT_TRUE(asCircle.isColliding(asRect));
    EXPECT_TRUE(rect.isColliding(circle));
    c.setPosition(vec2(30.0f, 0.0f));
    EXPECT_FALSE(asRect.isColliding(asCircle));
    EXPECT_FALSE(asCircle.isColliding(asRect));
    EXPECT_FALSE(rect.isColliding(circle));
}

TEST_F(GeometryTest, RectanglesOverlappingTouchingAndSeparated) {
    GameEntity& a = make(vec2(0.0f));
    GameEntity& b = make(vec2(15.0f, 3.0f));
    RectangleCollisionGeometry rectA(a, vec2(20.0f, 10.0f));
    RectangleCollisionGeometry rectB(b, vec2(20.0f, 10.0f));
    EXPECT_TRUE(rectA.isColliding(rectB));
    b.setPosition(vec2(20.0f, 0.0f));
    EXPECT_TRUE(rectA.isColliding(rectB));
    EXPECT_TRUE(rectB.isColliding(rectA));
    b.setPosition(vec2(20.01f, 0.0f));
    EXPECT_FALSE(rectA.isColliding(rectB));
    b.setPosition(vec2(0.0f, 10.01f));
    EXPECT_FALSE(rectA.isColliding(rectB));
}

TEST_F(GeometryTest, TurnedRectanglesUseTheirOwnAxes) {
    // A square turned by 45 degrees reaches 5 * sqrt(2) along x, so the touching distance is 12.07.
    GameEntity& a = make(vec2(0.0f));
    GameEntity& b = make(vec2(12.0f, 0.0f), kPi / 4.0f);
    RectangleCollisionGeometry square(a, vec2(10.0f, 10.0f));
    RectangleCollisionGeometry diamond(b, vec2(10.0f, 10.0f));
    EXPECT_TRUE(square.isColliding(diamond));
    b.setPosition(vec2(12.2f, 0.0f));
    EXPECT_FALSE(square.isColliding(diamond));
}

TEST_F(GeometryTest, ThinDiagonalBeamMissesABoxInsideItsBoundingBox) {
    GameEntity& beamEntity = make(vec2(0.0f), kPi / 4.0f);
    RectangleCollisionGeometry beam(beamEntity, vec2(100.0f, 2.0f));
    GameEntity& box = make(vec2(30.0f, -30.0f));
    RectangleCollisionGeometry target(box, vec2(2.0f, 2.0f));
    EXPECT_FALSE(beam.isColliding(target));
    box.setPosition(vec2(30.0f, 30.0f));
    EXPECT_TRUE(beam.isColliding(target));
    EXPECT_TRUE(target.isColliding(beam));
}

TEST_F(GeometryTest, ShapeOffsetMovesARectangleAlongTheEntityHeading) {
    // A 40 x 4 beam whose origin is at its back end, on an entity facing +y.
    GameEntity& mount = make(vec2(0.0f), kPi / 2.0f);
    RectangleCollisionGeometry beam(mount, vec2(20.0f, 0.0f), 0.0f, vec2(40.0f, 4.0f));
    GameEntity& ahead = make(vec2(0.0f, 35.0f));
    GameEntity& behind = make(vec2(0.0f, -5.0f));
    CircleCollisionGeometry aheadCircle(ahead, 1.0f);
    CircleCollisionGeometry behindCircle(behind, 1.0f);
    EXPECT_TRUE(beam.isColliding(aheadCircle));
    EXPECT_FALSE(beam.isColliding(behindCircle));
}

using CollisionPassTest = CollisionTest;

TEST_F(CollisionPassTest, EachPairMeetsOncePerFrameAndBothSidesHearOfIt) {
    std::vector<Hit> bulletHits;
    std::vector<Hit> enemyHits;
    GameEntity& bullet = make(vec2(0.0f));
    bullet.addTag(1);
    GameEntity& enemy = make(vec2(5.0f, 0.0f));
    enemy.addTag(5);
    collider(bullet, kEnemies, bulletHits);
    collider(enemy, kPlayers, enemyHits);
    frame();
    ASSERT_EQ(bulletHits.size(), 1u);
    ASSERT_EQ(enemyHits.size(), 1u);
    // Whichever side ran first, each callback sees the other with the tag it targets.
    EXPECT_EQ(bulletHits[0].tag, 5);
    EXPECT_EQ(bulletHits[0].other, &enemy);
    EXPECT_EQ(enemyHits[0].tag, 1);
    EXPECT_EQ(enemyHits[0].other, &bullet);
    frame();
    EXPECT_EQ(bulletHits.size(), 2u);
    EXPECT_EQ(enemyHits.size(), 2u);
}

TEST_F(CollisionPassTest, EntityUnderTwoTargetTagsIsTestedOnceWithTheLowerTag) {
    std::vector<Hit> hits;
    GameEntity& hunter = make();
    GameEntity& prey = make(vec2(1.0f, 0.0f));
    prey.addTag(7);
    prey.addTag(5);
    collider(hunter, kFiveAndSeven, hits);
    new CollisionComponent(prey, 1.0f, 1000);
    frame();
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].tag, 5);
}

TEST_F(CollisionPassTest, InverseSideHearsTheFirstOfTheHittersMatchingTags) {
    std::vector<Hit> hunterHits;
    std::vector<Hit> preyHits;
    GameEntity& hunter = make();
    hunter.addTag(3);
    hunter.addTag(2);
    hunter.addTag(1);
    GameEntity& prey = make(vec2(1.0f, 0.0f));
    prey.addTag(5);
    CollisionComponent& hunterCollider = collider(hunter, kEnemies, hunterHits);
    CollisionComponent& preyCollider = collider(prey, kTwoAndThree, preyHits);
    hunterCollider.resetForFrame();
    preyCollider.resetForFrame();
    hunterCollider.update(kFrame);
    ASSERT_EQ(preyHits.size(), 1u);
    EXPECT_EQ(preyHits[0].tag, 2);
    // The answered pair is not dealt with again by the prey's own pass.
    EXPECT_EQ(preyCollider.handledEntities.count(&hunter), 1u);
    preyCollider.update(kFrame);
    EXPECT_EQ(preyHits.size(), 1u);
    EXPECT_EQ(hunterHits.size(), 1u);
}

TEST_F(CollisionPassTest, CallbackReturningTrueEndsTheComponentsPassAndShieldsItsEntity) {
    std::vector<Hit> bulletHits;
    std::vector<Hit> otherHits;
    GameEntity& bullet = make();
    bullet.addTag(1);
    GameEntity& first = make(vec2(2.0f, 0.0f));
    first.addTag(5);
    GameEntity& second = make(vec2(-2.0f, 0.0f));
    second.addTag(5);
    new CollisionComponent(first, 1.0f, 1000);
    new CollisionComponent(second, 1.0f, 1000);
    CollisionComponent& bulletCollider = collider(bullet, kEnemies, bulletHits, true);
    GameEntity& bystander = make(vec2(0.0f, 3.0f));
    CollisionComponent& bystanderCollider = collider(bystander, kPlayers, otherHits);

    bulletCollider.resetForFrame();
    bystanderCollider.resetForFrame();
    bulletCollider.update(kFrame);
    ASSERT_EQ(bulletHits.size(), 1u);
    EXPECT_TRUE(bulletCollider.finishedForFrame);
    bulletCollider.update(kFrame);
    EXPECT_EQ(bulletHits.size(), 1u);
    bystanderCollider.update(kFrame);
    EXPECT_TRUE(otherHits.empty());
}

TEST_F(CollisionPassTest, InverseCallbackReturningTrueShieldsTheHitEntity) {
    std::vector<Hit> firstHits;
    std::vector<Hit> secondHits;
    std::vector<Hit> targetHits;
    GameEntity& firstShooter = make(vec2(-2.0f, 0.0f));
    firstShooter.addTag(1);
    GameEntity& secondShooter = make(vec2(2.0f, 0.0f));
    secondShooter.addTag(1);
    GameEntity& target = make();
    target.addTag(5);
    CollisionComponent& a = collider(firstShooter, kEnemies, firstHits);
    CollisionComponent& b = collider(secondShooter, kEnemies, secondHits);
    CollisionComponent& t = collider(target, kPlayers, targetHits, true);
    for (CollisionComponent* c : {&a, &b, &t}) {
        c->resetForFrame();
    }
    a.update(kFrame);
    b.update(kFrame);
    EXPECT_EQ(firstHits.size(), 1u);
    EXPECT_TRUE(secondHits.empty());
    EXPECT_EQ(targetHits.size(), 1u);
    EXPECT_TRUE(t.finishedForFrame);
}

TEST_F(CollisionPassTest, PassiveComponentIsHitButNeverCallsItsCallback) {
    std::vector<Hit> hunterHits;
    int passiveCalls = 0;
    GameEntity& ship = make();
    ship.addTag(1);
    auto* passive = new CollisionComponent(ship, 50.0f, 2000);
    EXPECT_EQ(passive->targetTags, &emptyTags);
    passive->callback = [&passiveCalls](int, GameEntity&, float) {
        ++passiveCalls;
        return true;
    };
    GameEntity& enemy = make(vec2(55.0f, 0.0f));
    enemy.addTag(5);
    collider(enemy, kPlayers, hunterHits);
    frame();
    EXPECT_EQ(hunterHits.size(), 1u);
    EXPECT_EQ(passiveCalls, 0);
    EXPECT_FALSE(passive->finishedForFrame);
}

TEST_F(CollisionPassTest, OwnerInactiveEntitiesAndFinishedComponentsAreNeverTested) {
    std::vector<Hit> hits;
    GameEntity& self = make();
    self.addTag(5);
    GameEntity& asleep = make(vec2(1.0f, 0.0f));
    asleep.addTag(5);
    asleep.setActive(false);
    GameEntity& done = make(vec2(-1.0f, 0.0f));
    done.addTag(5);
    CollisionComponent& selfCollider = collider(self, kEnemies, hits);
    new CollisionComponent(asleep, 1.0f, 1000);
    auto* doneCollider = new CollisionComponent(done, 1.0f, 1000);
    selfCollider.resetForFrame();
    doneCollider->resetForFrame();
    doneCollider->finishedForFrame = true;
    selfCollider.update(kFrame);
    EXPECT_TRUE(hits.empty());
}

TEST_F(CollisionPassTest, InactiveOwnerTestsNothing) {
    std::vector<Hit> hits;
    GameEntity& hunter = make();
    GameEntity& prey = make();
    prey.addTag(5);
    new CollisionComponent(prey, 1.0f, 1000);
    collider(hunter, kEnemies, hits);
    hunter.setActive(false);
    frame();
    EXPECT_TRUE(hits.empty());
}

TEST_F(CollisionPassTest, ResetForFrameForgetsHandledPairsAndTheFinishedFlag) {
    std::vector<Hit> hits;
    GameEntity& hunter = make();
    GameEntity& prey = make();
    prey.addTag(5);
    new CollisionComponent(prey, 1.0f, 1000);
    CollisionComponent& c = collider(hunter, kEnemies, hits, true);
    c.update(kFrame);
    c.update(kFrame);
    EXPECT_EQ(hits.size(), 1u);
    c.resetForFrame();
    EXPECT_FALSE(c.finishedForFrame);
    EXPECT_TRUE(c.handledEntities.empty());
    c.update(kFrame);
    EXPECT_EQ(hits.size(), 2u);
}

TEST_F(CollisionPassTest, TargetTagsCanBeSwitchedWhileTheComponentLives) {
    std::vector<Hit> hits;
    GameEntity& rocket = make();
    GameEntity& mine = make();
    mine.addTag(7);
    new CollisionComponent(mine, 1.0f, 1000);
    CollisionComponent& c = collider(rocket, kEnemies, hits);
    frame();
    EXPECT_TRUE(hits.empty());
    c.targetTags = &kFiveAndSeven;
    frame();
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].tag, 7);
}

TEST_F(CollisionPassTest, GrowingRadiusIsSeenInTheNextTest) {
    std::vector<Hit> hits;
    GameEntity& wave = make();
    GameEntity& prey = make(vec2(100.0f, 0.0f));
    prey.addTag(5);
    new CollisionComponent(prey, 1.0f, 1000);
    auto* geometry = new CircleCollisionGeometry(wave, 0.0f);
    new CollisionComponent(
        wave, geometry, kEnemies,
        [&hits](int tag, GameEntity& other, float) {
            hits.push_back({tag, &other});
            return false;
        },
        2000);
    frame();
    EXPECT_TRUE(hits.empty());
    geometry->radius = 99.0f;
    frame();
    EXPECT_EQ(hits.size(), 1u);
}

TEST_F(CollisionPassTest, TargetWithoutACollisionComponentIsAnError) {
    std::vector<Hit> hits;
    GameEntity& hunter = make();
    GameEntity& bare = make();
    bare.addTag(5);
    collider(hunter, kEnemies, hits);
    EXPECT_EQ(errorOf([&] { frame(); }), "component was not found");
}

// Counts its destructions, to observe who owns the shape.
struct CountedCircle : CircleCollisionGeometry {
    CountedCircle(GameEntity& e, int& deaths) : CircleCollisionGeometry(e, 1.0f), deaths(deaths) {}
    ~CountedCircle() override { ++deaths; }
    int& deaths;
};

using CollisionComponentLifeTest = CollisionTest;

TEST_F(CollisionComponentLifeTest, ComponentOwnsAndDeletesItsGeometry) {
    int deaths = 0;
    GameEntity& e = make();
    auto* c = new CollisionComponent(e, new CountedCircle(e, deaths), kEnemies, nullptr, 1000);
    EXPECT_EQ(&e.getComponent<CollisionComponent>(), c);
    delete c;
    EXPECT_EQ(deaths, 1);
    EXPECT_TRUE(e.getComponents<CollisionComponent>().empty());
    EXPECT_TRUE(game.getComponents<UpdatableComponent>().empty());
}

TEST_F(CollisionComponentLifeTest, MissingGeometryIsRefusedAndLeavesNothingRegistered) {
    GameEntity& e = make();
    EXPECT_EQ(errorOf([&] {
                  new CollisionComponent(e, static_cast<CollisionGeometry*>(nullptr), kEnemies, nullptr, 1);
              }),
              "collision component without geometry");
    EXPECT_TRUE(e.getComponents<EntityComponent>().empty());
}

TEST_F(CollisionComponentLifeTest, ConvenienceConstructorsBuildCentredShapes) {
    GameEntity& e = make(vec2(3.0f, 4.0f), 1.0f);
    auto* circle = new CollisionComponent(e, 7.0f, 10);
    auto* circleGeometry = dynamic_cast<CircleCollisionGeometry*>(circle->geometry.get());
    ASSERT_NE(circleGeometry, nullptr);
    EXPECT_EQ(circleGeometry->radius, 7.0f);
    EXPECT_EQ(circleGeometry->relativePosition, vec2(0.0f));
    EXPECT_EQ(circleGeometry->getPosition(), vec2(3.0f, 4.0f));
    EXPECT_TRUE(circle->callback(0, e, 0.0f));
    GameEntity& other = make();
    auto* rect = new CollisionComponent(other, vec2(8.0f, 2.0f), kEnemies, nullptr, 20);
    auto* rectGeometry = dynamic_cast<RectangleCollisionGeometry*>(rect->geometry.get());
    ASSERT_NE(rectGeometry, nullptr);
    EXPECT_EQ(rectGeometry->size, vec2(8.0f, 2.0f));
    EXPECT_EQ(rectGeometry->relativeOrientation, 0.0f);
    EXPECT_EQ(rect->priority, 20);
}

} // namespace
} // namespace kv
