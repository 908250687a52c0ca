// Finds entities by integer tag; tag 0 lists every registered entity.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "engine/core/NodePool.hpp"
#include "engine/core/PointerMap.hpp"

namespace kv {

class GameEntity;

// Ascending creation number (GameEntity::getCreationNumber): walks over a tag visit entities in the order
// they were made, the same in every run. A set can also be asked by creation number, which stays safe when
// the entity it was taken from may have been deleted since (a walk over a copy that deletes as it goes).
struct EntityCreationOrder {
    using is_transparent = void;
    bool operator()(const GameEntity* a, const GameEntity* b) const;
    bool operator()(const GameEntity* a, std::uint64_t b) const;
    bool operator()(std::uint64_t a, const GameEntity* b) const;
};

// The registry's own sets keep their nodes in a pool each; sets made elsewhere use the heap.
using EntitySet = std::set<GameEntity*, EntityCreationOrder, NodePoolAllocator<GameEntity*>>;

// Owns its tag sets and its attachment, not the entities it files: each entity registers in its constructor
// and leaves in its destructor, and whoever made a root entity deletes it. The one exception is the
// end-of-frame sweep: deleteInactiveEntities deletes the switched-off entities of a tag, with their
// subtrees, when it is called. Every change is repeated in the parent registry, if any.
//
// Counters of change let caches built over the registry (the collision broad phase) tell whether they are
// still current: one per tag, raised whenever the tag's set or one of its members' components changes, and
// one for the placement of any entity.
class TaggedEntityRegistry {
public:
    // Derived data that another layer keeps for a registry; owned by it and destroyed with it.
    class Attachment {
    public:
        virtual ~Attachment() = default;
    };

    explicit TaggedEntityRegistry(TaggedEntityRegistry* parent = nullptr);
    TaggedEntityRegistry(const TaggedEntityRegistry&) = delete;
    TaggedEntityRegistry& operator=(const TaggedEntityRegistry&) = delete;
    ~TaggedEntityRegistry();

    void registerEntity(GameEntity& entity);
    void deregisterEntity(GameEntity& entity);
    void addTagToEntity(GameEntity& entity, int tag);
    void removeTagFromEntity(GameEntity& entity, int tag);

    // The live set of the tag (created empty when new); walk a copy if the walk may create or delete
    // entities. Read-only: the registry alone files entities.
    const EntitySet& getEntities(int tag);
    // A snapshot of the active entities of the tag.
    EntitySet getActiveEntities(int tag);
    // Whether the tag has an active entity now; the same answer as !getActiveEntities(tag).empty() (and it
    // creates the tag likewise), without building a set.
    bool hasActiveEntity(int tag);
    // The one entity of the tag, active or not; throws when there is none or several.
    GameEntity& getEntity(int tag);
    // Deletes every switched-off entity of the tag, with its descendants: the end-of-frame sweep of
    // entities retired during the frame. Safe when deleting one takes others of the tag with it.
    void deleteInactiveEntities(int tag);

    // Raised whenever the set of the tag changes (created at 0 for a new tag). The reference stays valid as
    // long as the registry: tags are never removed.
    const std::uint64_t& getTagRevision(int tag);
    // Raised whenever any entity of the registry is moved or turned.
    std::uint64_t getPlacementRevision() const { return placementRevision; }
    // Called by GameEntity whenever its position or orientation is set.
    void notePlacementChange() {
        ++placementRevision;
        if (parent != nullptr) {
            parent->notePlacementChange();
        }
    }
    // Raises the revision of every tag the entity is filed under: its components changed in a way that
    // caches keyed by tag must see.
    void noteMemberChange(GameEntity& entity);

    // The next number of the counter at the top of the chain, which every entity of the chain draws from.
    std::uint64_t takeCreationNumber() { return parent != nullptr ? parent->takeCreationNumber() : created++; }

    Attachment* getAttachment() const { return attachment.get(); }
    void setAttachment(std::unique_ptr<Attachment> newAttachment);

private:
    // The entities of one tag, with an index of their nodes, so that removing one needs no search.
    struct Tag {
        Tag() : members(EntityCreationOrder(), NodePoolAllocator<GameEntity*>(&pool)) {}
        Tag(const Tag&) = delete;
        Tag& operator=(const Tag&) = delete;

        void insert(GameEntity& entity);
        void erase(GameEntity& entity);

        NodePool pool; // before members, which return their nodes to it when destroyed
        EntitySet members;
        PointerMap<GameEntity, EntitySet::const_iterator> positions;
        std::uint64_t revision = 0;
    };

    TaggedEntityRegistry* parent;
    std::map<int, Tag> entities;
    std::uint64_t placementRevision = 0;
    std::uint64_t created = 0; // entities numbered so far, used without parent only
    std::unique_ptr<Attachment> attachment;
    std::vector<std::uint64_t> sweepNumbers; // kept between sweeps, so that a steady sweep allocates nothing
};

} // namespace kv
