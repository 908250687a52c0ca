// Finds entities by integer tag; tag 0 lists every registered entity.
#pragma once

#include <map>
#include <set>

namespace kv {

class GameEntity;

// Address-ordered, so walks over a tag visit entities in ascending address order.
using EntitySet = std::set<GameEntity*>;

// Does not own entities; each entity registers in its constructor and leaves in its destructor.
// Every change is repeated in the parent registry, if any.
class TaggedEntityRegistry {
public:
    explicit TaggedEntityRegistry(TaggedEntityRegistry* parent = nullptr);
    TaggedEntityRegistry(const TaggedEntityRegistry&) = delete;
    TaggedEntityRegistry& operator=(const TaggedEntityRegistry&) = delete;

    void registerEntity(GameEntity& entity);
    void deregisterEntity(GameEntity& entity);
    void addTagToEntity(GameEntity& entity, int tag);
    void removeTagFromEntity(GameEntity& entity, int tag);

    // The live set of the tag (created empty when new); walk a copy if the walk may create or delete entities.
    EntitySet& getEntities(int tag);
    // A snapshot of the active entities of the tag.
    EntitySet getActiveEntities(int tag);
    // The one entity of the tag, active or not; throws when there is none or several.
    GameEntity& getEntity(int tag);

private:
    TaggedEntityRegistry* parent;
    std::map<int, EntitySet> entities;
};

} // namespace kv
