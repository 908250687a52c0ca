#include "engine/components/CollisionBroadPhase.hpp"

#include <cstddef>
#include <map>
#include <new>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/components/Collision.hpp"
#include "engine/components/Scripted.hpp"
#include "engine/core/GameEntity.hpp"
#include "tests/support/EntityWorld.hpp"

namespace kv {
namespace {

// The pass walks entities, and the update pass components, in address order. Two worlds can only be
// compared call by call if their objects lie in the same order: each world takes entity and component
// memory from its own arena, reusing the last freed slot first (so spawned objects also land below objects
// already walked), and worlds that behave alike allocate alike. An object's slot number names it in hits.
struct Arena {
    static constexpr std::size_t kSlot = 512; // bytes, more than any pooled object
    static constexpr std::size_t kSlots = 8192;
    static inline Arena* active = nullptr; // every world sets it before it acts

    std::vector<std::max_align_t> memory =
        std::vector<std::max_align_t>(kSlot * kSlots / sizeof(std::max_align_t));
    std::size_t used = 0;
    std::vector<void*> freed;

    std::byte* base() { return reinterpret_cast<std::byte*>(memory.data()); }
    int slotOf(const void* object) {
        return static_cast<int>((static_cast<const std::byte*>(object) - base()) / kSlot);
    }
};

template <typename Base> struct Pooled : Base {
    using Base::Base;
    static void* operator new(std::size_t size) {
        Arena& arena = *Arena::active;
        if (size > Arena::kSlot || (arena.freed.empty() && arena.used == Arena::kSlots)) {
            throw std::bad_alloc();
        }
        if (arena.freed.empty()) {
            return arena.base() + Arena::kSlot * arena.used++;
        }
        void* slot = arena.freed.back();
        arena.freed.pop_back();
        return slot;
    }
    static void operator delete(void* slot) { Arena::active->freed.push_back(slot); }
};

constexpr int kRetired = 99;
constexpr int kBystander = 6;          // a tag nobody targets
constexpr float kFrame = 1.0f / 60.0f; // seconds

// Target sets of static lifetime, as collision components require.
const std::vector<std::set<int>> kTargetSets = {{}, {1}, {2}, {3}, {1, 2}, {2, 3, 4}, {1}, {2}};

struct Hit {
    int frame;
    int self;
    int tag;
    int other;
    bool operator==(const Hit&) const = default;
};

// A scene of entities with random shapes, tags, targets and callbacks that move, tag, switch off, retire,
// reshape and spawn; everything random comes from the world's own generator, so two worlds seeded alike
// make the same scene and, if their passes agree, the same choices.
class World {
public:
    World(unsigned seed, bool broadPhase, int count) : random(seed) {
        Arena::active = &arena;
        CollisionBroadPhase* phase = CollisionBroadPhase::of(tagged);
        phase->setEnabled(broadPhase);
        phase->setMinimumIndexedEntities(0);
        for (int i = 0; i < count; ++i) {
            makeEntity(vec2(uniform(-1500.0f, 1500.0f), uniform(-1500.0f, 1500.0f)), true);
        }
        for (int i = 0; i < 3; ++i) {
            (new Pooled<GameEntity>(tagged, &components, vec2(0.0f), 0.0f))->addTag(kBystander);
        }
    }

    ~World() {
        Arena::active = &arena;
        const EntitySet& all = tagged.getEntities(0);
        while (!all.empty()) {
            delete *all.begin(); // every entity is a root
        }
    }

    // One frame as the game runs it: reset, the update pass over a copy, then the sweep of retired entities.
    void frame() {
        Arena::active = &arena;
        ++frameNumber;
        for (CollisionComponent* collider : components.getComponents<CollisionComponent>()) {
            collider->resetForFrame();
        }
        const auto view = components.getComponents<UpdatableComponent>();
        for (UpdatableComponent* component : std::vector<UpdatableComponent*>(view.begin(), view.end())) {
            component->update(kFrame);
        }
        const EntitySet& retired = tagged.getEntities(kRetired);
        for (GameEntity* entity : std::vector<GameEntity*>(retired.begin(), retired.end())) {
            if (!entity->isActive()) {
                delete entity;
            }
        }
    }

    std::vector<Hit> hits;
    TaggedEntityRegistry tagged;
    TypedComponentRegistry components{nullptr};

private:
    float uniform(float low, float high) { return std::uniform_real_distribution<float>(low, high)(random); }
    int roll(int sides) { return std::uniform_int_distribution<int>(0, sides - 1)(random); }
    vec2 jitter(float reach) { return vec2(uniform(-reach, reach), uniform(-reach, reach)); }
    const std::set<int>& anyTargets() {
        return kTargetSets[static_cast<std::size_t>(roll(static_cast<int>(kTargetSets.size())))];
    }

    // Small shots (twice as likely), ships, a mothership, an orb, a shockwave (grows from nothing), a long
    // beam, a rocket and a circle off the entity's centre.
    CollisionGeometry* makeShape(GameEntity& entity, int shape) {
        const float radii[] = {0.0f, 0.0f, 50.0f, 50.0f, 150.0f, 500.0f, 0.0f};
        switch (shape) {
        case 0:
        case 1:
            return new CircleCollisionGeometry(entity, uniform(5.0f, 15.0f));
        case 7:
            return new RectangleCollisionGeometry(entity, vec2(2000.0f, 0.0f), 0.0f, vec2(4000.0f, 100.0f));
        case 8:
            return new RectangleCollisionGeometry(entity, vec2(60.0f, 25.0f));
        case 9:
            return new CircleCollisionGeometry(entity, vec2(30.0f, 10.0f), 0.5f, 20.0f);
        default:
            return new CircleCollisionGeometry(entity, radii[shape]);
        }
    }

    GameEntity& makeEntity(const vec2& position, bool withMover) {
        constexpr int kShockwave = 6;
        auto* entity = new Pooled<GameEntity>(tagged, &components, position, uniform(-3.0f, 3.0f));
        for (int tags = roll(3); tags > 0; --tags) {
            entity->addTag(1 + roll(5));
        }
        const int shape = roll(10);
        const int priority = roll(4) == 0 ? 1500 : 2000;
        auto* collider = new Pooled<CollisionComponent>(*entity, makeShape(*entity, shape), anyTargets(),
                                                        callbackFor(*entity), priority);
        if (withMover) {
            addMover(*entity, *collider, shape == kShockwave);
        }
        return *entity;
    }

    // Moves the entity every frame, at a priority before, among or after the collision components; grows a
    // shockwave; now and then turns the entity.
    void addMover(GameEntity& entity, CollisionComponent& collider, bool grows) {
        const vec2 velocity = jitter(20.0f);
        const int priorities[] = {500, 2000, 2000, 2500};
        new Pooled<LambdaComponent>(
            entity,
            [this, &collider, velocity, grows](EntityComponent& self, float) {
                self.entity.setPosition(self.entity.getPosition() + velocity);
                if (grows) {
                    auto& ring = static_cast<CircleCollisionGeometry&>(*collider.geometry);
                    ring.radius = ring.radius >= 750.0f ? 0.0f : ring.radius + 60.0f;
                }
                if (roll(40) == 0) {
                    self.entity.setOrientation(self.entity.getOrientation() + 0.5f);
                }
            },
            priorities[roll(4)]);
    }

    CollisionCallback callbackFor(GameEntity& self) {
        return [this, &self](int tag, GameEntity& other, float) {
            hits.push_back({frameNumber, arena.slotOf(&self), tag, arena.slotOf(&other)});
            CollisionComponent& own = self.getComponent<CollisionComponent>();
            switch (roll(14)) {
            case 0:
                other.setPosition(other.getPosition() + jitter(300.0f));
                break;
            case 1:
                self.setPosition(self.getPosition() + jitter(300.0f));
                break;
            case 2:
                other.addTag(1 + roll(5));
                break;
            case 4:
                other.addTag(kRetired);
                [[fallthrough]];
            case 3:
                other.setActive(false);
                break;
            case 5:
                if (auto* circle = dynamic_cast<CircleCollisionGeometry*>(own.geometry.get())) {
                    circle->radius = circle->radius + 40.0f;
                }
                break;
            case 6: {
                // Spawned as a spawner does: made, then its updatable components run once, within this pass.
                const auto view = makeEntity(other.getPosition() + vec2(uniform(-50.0f, 50.0f), 0.0f), false)
                                      .getComponents<UpdatableComponent>();
                for (UpdatableComponent* component :
                     std::vector<UpdatableComponent*>(view.begin(), view.end())) {
                    component->update(kFrame);
                }
                break;
            }
            case 7:
                own.targetTags = &anyTargets();
                break;
            case 8:
                // Switches an entity of tag 2 back on (never a retired one: the sweep takes those).
                for (GameEntity* entity : tagged.getEntities(2)) {
                    if (!entity->isActive() && !entity->hasTag(kRetired)) {
                        entity->setActive(true);
                        break;
                    }
                }
                break;
            default:
                break;
            }
            return roll(3) == 0;
        };
    }

    Arena arena;
    std::mt19937 random;
    int frameNumber = 0;
};

// A hunter among many targets of one tag, on plain heap allocation.
class NearAndFar : public test::EntityTest {
protected:
    GameEntity& target(const vec2& position, bool withCollider = true) {
        GameEntity& entity = make(position);
        entity.addTag(5);
        if (withCollider) {
            new CollisionComponent(entity, 5.0f, 2000);
        }
        return entity;
    }

    CollisionComponent& hunter() {
        return *new CollisionComponent(
            make(), 10.0f, kFive,
            [this](int, GameEntity& other, float) {
                hitOrder.push_back(&other);
                return false;
            },
            2000);
    }

    // The hits of one pass and how it ended.
    std::string pass(CollisionComponent& collider, bool broadPhase) {
        CollisionBroadPhase::of(tagged)->setEnabled(broadPhase);
        collider.resetForFrame();
        hitOrder.clear();
        try {
            collider.update(kFrame);
        } catch (const std::runtime_error& error) {
            return error.what();
        }
        return "finished";
    }

    static inline const std::set<int> kFive{5};
    std::vector<GameEntity*> hitOrder;
};

TEST_F(NearAndFar, OnlyEntitiesNearEnoughToTouchAreLookedAt) {
    for (int i = 0; i < 100; ++i) {
        target(vec2(1000.0f + 30.0f * static_cast<float>(i), 0.0f));
    }
    GameEntity& near = target(vec2(14.0f, 0.0f));
    CollisionComponent& collider = hunter();
    EXPECT_EQ(pass(collider, true), "finished");
    EXPECT_EQ(hitOrder, std::vector<GameEntity*>{&near});
    EXPECT_EQ(collider.handledEntities.size(), 1u) << "the far ones were never looked at";
    EXPECT_EQ(pass(collider, false), "finished");
    EXPECT_EQ(hitOrder, std::vector<GameEntity*>{&near});
    EXPECT_EQ(collider.handledEntities.size(), 101u);
}

TEST_F(NearAndFar, ATargetWithoutCollisionComponentFailsBothPassesAfterTheSameHits) {
    for (int i = 0; i < 40; ++i) {
        target(vec2(static_cast<float>(i % 7), 0.0f));
        if (i == 20) {
            target(vec2(5000.0f, 0.0f), false);
        }
    }
    CollisionComponent& collider = hunter();
    const std::string full = pass(collider, false);
    const std::vector<GameEntity*> fullHits = hitOrder;
    EXPECT_EQ(full, "component was not found");
    EXPECT_EQ(pass(collider, true), full);
    EXPECT_EQ(hitOrder, fullHits);
}

// Cells there lie far beyond 32 bits: the pass must still end, and find only what touches.
TEST_F(NearAndFar, QueriesFarBeyondTheGridEndAndFindOnlyWhatTouches) {
    for (int i = 0; i < 20; ++i) {
        target(vec2(30.0f * static_cast<float>(i), 0.0f));
    }
    GameEntity& far = target(vec2(5e10f, 5e10f));
    CollisionComponent& collider = hunter();
    for (const vec2& at : {vec2(5e10f, 5e10f), vec2(-5e10f, 3e10f), vec2(2e10f, -4e10f), vec2(0.0f, 5e10f)}) {
        collider.entity.setPosition(at);
        EXPECT_EQ(pass(collider, true), "finished");
        EXPECT_EQ(hitOrder, at == far.getPosition() ? std::vector<GameEntity*>{&far} : std::vector<GameEntity*>{});
    }
}

class CollisionBroadPhaseEquivalence : public ::testing::TestWithParam<unsigned> {};

TEST_P(CollisionBroadPhaseEquivalence, RandomScenesCallTheSameCallbacksInTheSameOrder) {
    World full(GetParam(), false, 120);
    World near(GetParam(), true, 120);
    for (int frame = 0; frame < 25; ++frame) {
        full.frame();
        near.frame();
        ASSERT_EQ(full.hits, near.hits) << "frame " << frame;
    }
    // The scenes are only a test if they hit: at least some dozens of calls per seed.
    EXPECT_GT(full.hits.size(), 50u);
}

INSTANTIATE_TEST_SUITE_P(Seeds, CollisionBroadPhaseEquivalence, ::testing::Range(1u, 21u));

} // namespace
} // namespace kv
