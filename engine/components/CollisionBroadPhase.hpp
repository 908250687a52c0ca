// The broad phase of collision: for a collision component with one target tag, the entities of that tag
// near enough to touch it, so that the pass tests those instead of every entity of the tag.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <vector>

#include "engine/core/TaggedEntityRegistry.hpp"

namespace kv {

class CollisionComponent;
class CollisionGeometry;
class GameEntity;

// One per TaggedEntityRegistry, kept as its attachment. For each target tag it keeps an index of the
// tag's entities in a hierarchy of hashed grids (cell sizes doubling from 16 world units, each shape in the
// level whose cells are at least its diameter), rebuilt whenever the registry's revision counters or a
// shape measure say that something it was built from has changed.
//
// Exactness: a pass through the broad phase calls the callbacks with the same arguments in the same order
// as the full walk over the tag's live set. The full walk visits entities in ascending creation order; the
// broad phase visits, in the same order, those whose bounding circle reaches the component's
// (the shape tests can only succeed for them) and every entity that lacks exactly one CollisionComponent
// (the full walk reports those). Skipping the others changes nothing but handledEntities. After each visit
// it checks the revision counters: once a callback has tagged, moved or reshaped anything, it rebuilds
// and continues with the entities above the last one visited, as the live walk would.
class CollisionBroadPhase : public TaggedEntityRegistry::Attachment {
public:
    // The registry's broad phase, made on first use; null when the registry holds another attachment.
    static CollisionBroadPhase* of(TaggedEntityRegistry& registry);

    explicit CollisionBroadPhase(TaggedEntityRegistry& registry);

    // The component's pass over the tag (see above).
    void visitNear(CollisionComponent& component, int tag, float dt);

    // Switched off, every pass walks every entity of its tag: the reference the broad phase must match.
    void setEnabled(bool on) { enabled = on; }
    bool isEnabled() const { return enabled; }
    // Tags with fewer entities are walked whole: there the index costs more than it saves.
    void setMinimumIndexedEntities(std::size_t count) { minimumIndexed = count; }

    static constexpr std::size_t kDefaultMinimumIndexedEntities = 16;

private:
    // Where an entity stands in the index.
    struct Entry {
        GameEntity* entity;
        const CollisionGeometry* geometry; // null when the entity lacks exactly one CollisionComponent
        float x;                           // bounding circle, world units
        float y;
        float radius;
        std::int32_t cellX;
        std::int32_t cellY;
        std::int32_t level; // grid level, or kEveryQuery
    };

    struct Stamp {
        std::uint64_t tag = 0;
        std::uint64_t placement = 0;
        std::uint64_t shape = 0;
        bool operator==(const Stamp&) const = default;
    };

    struct TagIndex {
        const EntitySet* members = nullptr;
        const std::uint64_t* revision = nullptr;
        bool built = false;
        Stamp builtAt;
        std::vector<Entry> entries;            // ascending creation order of the entities
        std::vector<std::uint32_t> everyQuery; // entries returned by every query
        std::vector<std::uint32_t>
            bucketStart; // hashed cells: bucket b holds bucketItems[start[b], start[b+1])
        std::vector<std::uint32_t> bucketItems;
        std::uint32_t bucketMask = 0;
        std::vector<std::uint32_t> levelSize; // entries per level
        std::vector<float> levelRadius;       // largest radius per level, world units
    };

    // Per nesting depth: a callback may run another component's pass (a spawn), which needs its own lists.
    struct Scratch {
        std::vector<std::uint32_t> found;
        std::vector<GameEntity*> candidates;
    };

    TagIndex& indexOf(int tag);
    Stamp stampOf(const TagIndex& index) const;
    // Re-reads the members when the tag changed, then every shape's bounds, and sorts them into cells.
    void rebuild(TagIndex& index);
    // Entities of the index made after creation number `after` (all when none) that the bounds may touch,
    // ascending.
    void collect(const TagIndex& index, float x, float y, float radius, std::optional<std::uint64_t> after,
                 Scratch& scratch) const;

    TaggedEntityRegistry& registry;
    bool enabled = true;
    std::size_t minimumIndexed = kDefaultMinimumIndexedEntities;
    std::map<int, TagIndex> indexes;
    std::deque<Scratch> scratches; // a deque, so that deeper passes never move a shallower one's lists
    std::size_t depth = 0;
};

} // namespace kv
