#include "engine/core/TypedComponentRegistry.hpp"

#include <algorithm>
#include <stdexcept>

#include "engine/core/EntityComponent.hpp"

namespace kv {

bool ComponentComparator::operator()(const EntityComponent* a, const EntityComponent* b) const {
    if (a->priority != b->priority) {
        return a->priority < b->priority;
    }
    return a->creationNumber < b->creationNumber;
}

namespace {
// Changes logged beyond the size of a flat copy before the copy is dropped.
constexpr std::size_t kMaxLoggedChanges = 4096;
} // namespace

std::size_t nextComponentTypeId() {
    static std::size_t issued = 0;
    return issued++;
}

TypedComponentRegistry::TypedComponentRegistry(TypedComponentRegistry* parent) : parent(parent) {}

const EntityComponent* TypedComponentRegistry::findSingle(std::size_t typeId) const {
    const ComponentSet* set = findSet(typeId);
    if (set == nullptr || set->empty()) {
        throw std::runtime_error("component was not found");
    }
    if (set->size() > 1) {
        throw std::runtime_error("multiple components were found");
    }
    return set->begin()->component;
}

TypedComponentRegistry::ClassSet& TypedComponentRegistry::classSetFor(std::size_t typeId) {
    if (typeId >= sets.size()) {
        sets.resize(typeId + 1);
    }
    if (!sets[typeId]) {
        sets[typeId] = std::make_unique<ClassSet>(parent == nullptr);
    }
    return *sets[typeId];
}

TypedComponentRegistry::ClassSet::ClassSet(bool root)
    : pool(root ? std::make_unique<NodePool>() : nullptr),
      set(ComponentKeyOrder(), NodePoolAllocator<ComponentKey>(pool.get())), root(root) {}

void TypedComponentRegistry::ClassSet::insert(const ComponentKey& key) {
    const auto [position, inserted] = set.insert(key);
    if (!inserted || !root) {
        return;
    }
    positions.insert(key.component, position);
    if (flat) {
        flat->added.push_back(key);
    }
}

void TypedComponentRegistry::ClassSet::erase(const ComponentKey& key) {
    if (!root) {
        const auto found = set.find(key);
        if (found != set.end()) {
            set.erase(found);
        }
        return;
    }
    // A component's priority never changes while it is registered, so its address alone finds its key.
    const auto position = positions.take(key.component);
    if (!position) {
        return;
    }
    // extract rather than erase: erase would also find the next node, which nobody needs.
    set.extract(*position);
    if (flat) {
        flat->removed.push_back(key);
        // A copy asked for once and then no more would log changes for ever: let it go.
        if (flat->added.size() + flat->removed.size() > kMaxLoggedChanges + flat->ordered.size()) {
            flat.reset();
        }
    }
}

const std::vector<ComponentKey>& TypedComponentRegistry::ClassSet::orderedKeys() {
    if (!root) {
        walked.assign(set.begin(), set.end());
        return walked;
    }
    if (!flat) {
        flat = std::make_unique<FlatCopy>();
        flat->ordered.assign(set.begin(), set.end());
        return flat->ordered;
    }
    if (flat->added.empty() && flat->removed.empty()) {
        return flat->ordered;
    }
    const ComponentKeyOrder less;
    auto same = [&](const ComponentKey& a, const ComponentKey& b) { return !less(a, b) && !less(b, a); };
    std::sort(flat->added.begin(), flat->added.end(), less);
    std::sort(flat->removed.begin(), flat->removed.end(), less);
    // ordered + added - removed, as sorted sets (creation numbers make every key unique): a component made
    // and removed since the last call cancels out.
    std::vector<ComponentKey>& merged = flat->merged;
    merged.clear();
    merged.reserve(flat->ordered.size() + flat->added.size());
    std::size_t fromOrdered = 0;
    std::size_t fromAdded = 0;
    std::size_t fromRemoved = 0;
    while (fromOrdered < flat->ordered.size() || fromAdded < flat->added.size()) {
        const bool takeOrdered =
            fromAdded == flat->added.size() ||
            (fromOrdered < flat->ordered.size() && !less(flat->added[fromAdded], flat->ordered[fromOrdered]));
        const ComponentKey& next = takeOrdered ? flat->ordered[fromOrdered++] : flat->added[fromAdded++];
        if (fromRemoved < flat->removed.size() && same(flat->removed[fromRemoved], next)) {
            ++fromRemoved;
        } else {
            merged.push_back(next);
        }
    }
    flat->ordered.swap(merged);
    flat->added.clear();
    flat->removed.clear();
    return flat->ordered;
}

} // namespace kv
