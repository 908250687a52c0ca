#include "engine/components/Collision.hpp"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "engine/components/CollisionBroadPhase.hpp"
#include "engine/components/Scripted.hpp"
#include "tests/support/EntityWorld.hpp"
#include "tests/support/ErrorText.hpp"

namespace kv {
namespace {

const std::set<int> kEnemies{5};
const std::set<int> kPlayers{1};

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

// Who heard of whom under which tag: (hearer, tag, other), in call order.
using Heard = std::tuple<GameEntity*, int, GameEntity*>;

class CollisionTest : public test::EntityTest {
protected:
    std::unique_ptr<CollisionGeometry> geometryOf(const Shape& s) {
        GameEntity& e = make(s.at, s.turn);
        if (s.size == vec2(0.0f)) {
            return std::make_unique<CircleCollisionGeometry>(e, s.offset, s.ownTurn, s.radius);
        }
        return std::make_unique<RectangleCollisionGeometry>(e, s.offset, s.ownTurn, s.size);
    }

    // An entity with these tags and a circle of radius 10 whose callback logs into `heard` and answers
    // `finish`; without targets a passive circle of radius 1.
    CollisionComponent& collider(vec2 at, std::initializer_list<int> tags,
                                 const std::set<int>* targets = nullptr, bool finish = false) {
        GameEntity& e = make(at);
        for (int tag : tags) {
            e.addTag(tag);
        }
        if (targets == nullptr) {
            return *new CollisionComponent(e, 1.0f, 1000);
        }
        const auto log = [this, &e, finish](int tag, GameEntity& other, float) {
            heard.emplace_back(&e, tag, &other);
            return finish;
        };
        return *new CollisionComponent(e, 10.0f, *targets, log, 1000);
    }

    std::vector<Heard> heard;
};

TEST_F(CollisionTest, ShapesCollideWhenTheyOverlapOrTouchWhicheverSideAsks) {
    // A square of 10 turned by 45 degrees reaches 5 * sqrt(2) = 7.071 along x.
    const auto diamond = [](float x) { return Shape{.at = {x, 0.0f}, .turn = kPi / 4.0f, .size = {10, 10}}; };
    const Shape turnedSquare{.turn = 0.3f, .size = {20.0f, 20.0f}};
    // A 40 x 4 beam whose origin is its back end, on an entity facing +y.
    const Shape beam{.turn = kPi / 2.0f, .size = {40.0f, 4.0f}, .offset = {20.0f, 0.0f}};
    const Shape diagonalBeam{.size = {100.0f, 2.0f}, .ownTurn = kPi / 4.0f};
    const std::tuple<const char*, Shape, Shape, bool> cases[] = { // what, two shapes, colliding
        {"circles touching", {.radius = 10}, {.at = {20, 0}, .radius = 10}, true},
        {"circles apart", {.radius = 10}, {.at = {20.001f, 0}, .radius = 10}, false},
        {"circle centre in turned rectangle", {.turn = 0.7f, .size = {40, 20}}, {.at = {3, 2}}, true},
        {"circle reaching a turned corner", diamond(100), {.at = {110, 0}, .radius = 2.94f}, true},
        {"circle short of a turned corner", diamond(100), {.at = {110, 0}, .radius = 2.92f}, false},
        {"circle at a turned side", turnedSquare, {.at = {14, 0}, .radius = 5}, true},
        {"circle off a turned side", turnedSquare, {.at = {30, 0}, .radius = 5}, false},
        {"rectangles overlapping", {.size = {20, 10}}, {.at = {15, 3}, .size = {20, 10}}, true},
        {"rectangles touching", {.size = {20, 10}}, {.at = {20, 0}, .size = {20, 10}}, true},
        {"rectangles apart along x", {.size = {20, 10}}, {.at = {20.01f, 0}, .size = {20, 10}}, false},
        {"rectangles apart along y", {.size = {20, 10}}, {.at = {0, 10.01f}, .size = {20, 10}}, false},
        {"turned square reaching", {.size = {10, 10}}, diamond(12.0f), true},
        {"turned square short", {.size = {10, 10}}, diamond(12.2f), false},
        {"box under a thin diagonal beam", diagonalBeam, {.at = {30, -30}, .size = {2, 2}}, false},
        {"box on a thin diagonal beam", diagonalBeam, {.at = {30, 30}, .size = {2, 2}}, true},
        {"circle ahead of an offset beam", beam, {.at = {0, 35}, .radius = 1}, true},
        {"circle behind an offset beam", beam, {.at = {0, -5}, .radius = 1}, false},
    };
    for (const auto& [what, first, second, colliding] : cases) {
        const auto a = geometryOf(first);
        const auto b = geometryOf(second);
        EXPECT_EQ(a->isColliding(*b), colliding) << what;
        EXPECT_EQ(b->isColliding(*a), colliding) << what << ", asked the other way";
    }
}

// A bullet (tags 1 to 3) hunting enemies (5) meets an enemy hunting players (2, 3): once per frame, each side
// hearing of the other under the lowest tag it targets, never of itself. A callback answering true ends its
// component's frame and shields its entity from later testers, whichever side answers; finished components
// and inactive entities are never hit.
TEST_F(CollisionTest, EachPairMeetsOncePerFrameBothSidesHearOfItAndATrueAnswerEndsTheFrame) {
    GameEntity& bullet = collider(vec2(0.0f), {3, 2, 1}, &kEnemies).entity;
    std::set<int> hunted{2, 3};
    CollisionComponent& enemy = collider(vec2(5.0f, 0.0f), {5, 7}, &hunted);
    hunted.clear(); // the caller's set changes, or goes: the component hunts by its own copy
    scene.update(kFrame);
    scene.update(kFrame);
    const Heard hit{&bullet, 5, &enemy.entity};
    const Heard hitBack{&enemy.entity, 2, &bullet};
    EXPECT_EQ(heard, (std::vector<Heard>{hit, hitBack, hit, hitBack}));
    enemy.targetTags = kEnemies; // the enemy now hunts its own kind
    bullet.setActive(false);
    heard.clear();
    scene.update(kFrame);
    EXPECT_TRUE(heard.empty()) << "never itself";

    enemy.entity.setActive(false);
    CollisionComponent& target = collider(vec2(502.0f, 0.0f), {5});
    CollisionComponent& other = collider(vec2(498.0f, 0.0f), {5});
    collider(vec2(500.0f, 1.0f), {5}).entity.setActive(false);
    CollisionComponent& shot = collider(vec2(500.0f, 0.0f), {1}, &kEnemies, true);
    collider(vec2(500.0f, 3.0f), {}, &kPlayers); // comes after the finished shot
    GameEntity& first = collider(vec2(998.0f, 0.0f), {1}, &kEnemies).entity;
    collider(vec2(1002.0f, 0.0f), {1}, &kEnemies); // comes after the shielded prey
    GameEntity& prey = collider(vec2(1000.0f, 0.0f), {5}, &kPlayers, true).entity;
    scene.update(kFrame);
    shot.update(kFrame);
    const std::vector<Heard> shielded{
        {&shot.entity, 5, &target.entity}, {&first, 5, &prey}, {&prey, 1, &first}};
    EXPECT_EQ(heard, shielded);
    shot.resetForFrame();
    target.finishedForFrame = other.finishedForFrame = true;
    shot.update(kFrame);
    EXPECT_EQ(heard, shielded);
}

constexpr int kRetired = 99;

// Memory of deleted objects is handed out again first, so newcomers take the addresses of the dead: an
// index that remembered an address would mistake the one for the other, and the tag sets, which find their
// entities by address for removal, must let the dead go. The memory goes back at exit.
template <typename Base> struct Reused : Base {
    using Base::Base;
    static inline struct FreeList : std::vector<void*> {
        ~FreeList() { std::for_each(begin(), end(), [](void* slot) { ::operator delete(slot); }); }
    } freed;
    static void* operator new(std::size_t size) {
        void* slot = freed.empty() ? ::operator new(size) : freed.back();
        if (!freed.empty()) {
            freed.pop_back();
        }
        return slot;
    }
    static void operator delete(void* slot) { freed.push_back(slot); }
};

// Target sets of static lifetime, as collision components require.
const std::vector<std::set<int>> kTargetSets = {{}, {1}, {2}, {3}, {1, 2}, {2, 3, 4}, {1}, {2}};

using Call = std::tuple<int, std::uint64_t, int, std::uint64_t>; // frame, own, tag, other (by creation)

// A scene of random shapes, tags and targets whose callbacks move, tag, switch off, retire, reshape,
// retarget and spawn entities during the pass. All chance comes from the world's own generator, so two
// worlds seeded alike make the same scene and, while their passes agree, the same choices.
class World : public test::EntityWorld {
public:
    World(unsigned seed, bool broadPhase) : random(seed) {
        CollisionBroadPhase::of(tagged)->setEnabled(broadPhase);
        CollisionBroadPhase::of(tagged)->setMinimumIndexedEntities(0);
        for (int i = 0; i < 120; ++i) {
            spawn(jitter(1500.0f), true);
        }
    }
    // One frame, the sweep of retired entities included.
    void frame() {
        ++frameNumber;
        scene.update(kFrame);
    }

    std::vector<Call> hits;

private:
    float uniform(float reach) { return std::uniform_real_distribution<float>(-reach, reach)(random); }
    vec2 jitter(float reach) { return vec2(uniform(reach), uniform(reach)); }
    int roll(int sides) { return std::uniform_int_distribution<int>(0, sides - 1)(random); }
    const std::set<int>& anyTargets() { return kTargetSets[static_cast<std::size_t>(roll(8))]; }

    // Shots, ships, a mothership, an orb, a shockwave growing from nothing, a long beam, a rocket and a
    // circle off the entity's centre; a mover runs before, among or after the collision components.
    GameEntity& spawn(vec2 at, bool moving) {
        constexpr int kShockwave = 6;
        const float radii[] = {10.0f + uniform(5.0f), 10.0f + uniform(5.0f), 50.0f, 50.0f, 150.0f, 500.0f, 0.0f};
        auto& e = *new Reused<GameEntity>(tagged, &components, at, uniform(3.0f));
        for (int tags = roll(3); tags > 0; --tags) {
            e.addTag(1 + roll(5));
        }
        const int shape = roll(10);
        CollisionGeometry* geometry =
            shape == 7   ? new RectangleCollisionGeometry(e, vec2(2000, 0), 0.0f, vec2(4000, 100))
            : shape == 8 ? new RectangleCollisionGeometry(e, vec2(60, 25))
            : shape == 9 ? static_cast<CollisionGeometry*>(new CircleCollisionGeometry(e, vec2(30, 10), 0.5f, 20))
                         : new CircleCollisionGeometry(e, radii[shape]);
        auto* collider = new Reused<CollisionComponent>(e, geometry, anyTargets(), callbackFor(e),
                                                        roll(4) == 0 ? 1500 : 2000);
        const int moverPriorities[] = {500, 2000, 2000, 2500};
        const auto move = [this, collider, velocity = jitter(20.0f), grows = shape == kShockwave](
                              EntityComponent& self, float) {
            self.entity.setPosition(self.entity.getPosition() + velocity);
            if (grows) {
                auto& ring = static_cast<CircleCollisionGeometry&>(*collider->geometry);
                ring.radius = ring.radius >= 750.0f ? 0.0f : ring.radius + 60.0f;
            }
            if (roll(40) == 0) {
                self.entity.setOrientation(self.entity.getOrientation() + 0.5f);
            }
        };
        if (moving) {
            new Reused<LambdaComponent>(e, move, moverPriorities[roll(4)]);
        }
        return e;
    }

    CollisionCallback callbackFor(GameEntity& self) {
        return [this, &self](int tag, GameEntity& other, float) {
            hits.emplace_back(frameNumber, self.getCreationNumber(), tag, other.getCreationNumber());
            CollisionComponent& own = self.getComponent<CollisionComponent>();
            auto* circle = dynamic_cast<CircleCollisionGeometry*>(own.geometry.get());
            switch (roll(14)) {
            case 0: other.setPosition(other.getPosition() + jitter(300.0f)); break;
            case 1: self.setPosition(self.getPosition() + jitter(300.0f)); break;
            case 2: other.addTag(1 + roll(5)); break;
            case 3: other.setActive(false); break;
            case 4: other.addTag(kRetired); other.setActive(false); break;
            case 5: if (circle != nullptr) { circle->radius = circle->radius + 40.0f; } break;
            case 6: own.targetTags = anyTargets(); break;
            case 7: // as a spawner does: made, then brought forward within this pass
                spawn(other.getPosition() + vec2(uniform(50.0f), 0.0f), false)
                    .getComponent<CollisionComponent>()
                    .update(kFrame);
                break;
            case 8: // switches an entity of tag 2 back on, never a retired one: the sweep takes those
                for (GameEntity* entity : tagged.getEntities(2)) {
                    if (!entity->isActive() && !entity->hasTag(kRetired)) {
                        entity->setActive(true);
                        break;
                    }
                }
            }
            return roll(3) == 0;
        };
    }

    std::mt19937 random;
    int frameNumber = 0;
};

class CollisionBroadPhaseEquivalence : public ::testing::TestWithParam<unsigned> {};

TEST_P(CollisionBroadPhaseEquivalence, RandomScenesCallTheSameCallbacksInTheSameOrder) {
    World full(GetParam(), false);
    World near(GetParam(), true);
    for (int frame = 0; frame < 25; ++frame) {
        full.frame();
        near.frame();
        ASSERT_EQ(full.hits, near.hits) << "frame " << frame;
    }
    EXPECT_GT(full.hits.size(), 50u) << "the scene is only a test if it hits";
}

INSTANTIATE_TEST_SUITE_P(Seeds, CollisionBroadPhaseEquivalence, ::testing::Range(1u, 21u));

using NearAndFar = CollisionTest;

// Far targets are never looked at; cells far beyond 32 bits still end the pass and find only what touches; a
// target without collision component fails both passes after the same hits.
TEST_F(NearAndFar, OnlyWhatIsNearEnoughToTouchIsLookedAtEvenFarBeyondTheGridEnd) {
    CollisionComponent& hunter = collider(vec2(0.0f), {}, &kEnemies);
    // The hunter's pass alone, through the broad phase or the full walk: how it ended.
    const auto pass = [&](bool broadPhase) {
        CollisionBroadPhase::of(tagged)->setEnabled(broadPhase);
        hunter.resetForFrame();
        heard.clear();
        return test::errorOf([&] { hunter.update(kFrame); });
    };
    for (int i = 0; i < 100; ++i) {
        collider(vec2(1000.0f + 30.0f * static_cast<float>(i), 0.0f), {5});
    }
    const std::vector<Heard> near{{&hunter.entity, 5, &collider(vec2(11.0f, 0.0f), {5}).entity}};
    for (const auto& [broadPhase, looked] : {std::pair{true, 1u}, {false, 101u}}) {
        EXPECT_EQ(pass(broadPhase), "<no error>");
        EXPECT_EQ(heard, near);
        EXPECT_EQ(hunter.handledEntities.size(), looked);
    }
    GameEntity& far = collider(vec2(5e10f), {5}).entity;
    const std::vector<Heard> farHit{{&hunter.entity, 5, &far}};
    for (const vec2& at : {far.getPosition(), vec2(-5e10f, 3e10f), vec2(2e10f, -4e10f), vec2(0.0f, 5e10f)}) {
        hunter.entity.setPosition(at);
        EXPECT_EQ(pass(true), "<no error>");
        EXPECT_EQ(heard, at == far.getPosition() ? farHit : std::vector<Heard>{});
    }
    hunter.entity.setPosition(vec2(0.0f));
    make(vec2(5000.0f, 0.0f)).addTag(5); // without collision component
    collider(vec2(0.0f, 11.0f), {5});    // after the failing one: neither pass reaches it
    for (const bool broadPhase : {false, true}) {
        EXPECT_EQ(pass(broadPhase), "component was not found: kv::CollisionComponent");
        EXPECT_EQ(heard, near);
    }
}

} // namespace
} // namespace kv
