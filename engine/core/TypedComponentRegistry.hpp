// Finds components by the class they registered under; registries chain to a parent (entity -> game).
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <set>
#include <vector>

#include "engine/core/EntityComponent.hpp"
#include "engine/core/NodePool.hpp"
#include "engine/core/PointerMap.hpp"

namespace kv {

// Ascending priority, ties broken by creation number: two distinct components never compare equal, and
// the order is the same in every run.
struct ComponentComparator {
    bool operator()(const EntityComponent* a, const EntityComponent* b) const;
};

// A component as a registry files it: with its priority beside it, so that keeping the set in order never
// has to read the component itself (a cache miss per tree level in a large set).
struct ComponentKey {
    int priority;
    std::uint64_t creationNumber;
    EntityComponent* component;
};

// The order of ComponentComparator, on keys.
struct ComponentKeyOrder {
    bool operator()(const ComponentKey& a, const ComponentKey& b) const {
        if (a.priority != b.priority) {
            return a.priority < b.priority;
        }
        return a.creationNumber < b.creationNumber;
    }
};

// The sets of a registry without parent (the game-wide one, where they grow large) keep their nodes in a
// pool each; an entity's own sets use the heap.
using ComponentSet = std::set<ComponentKey, ComponentKeyOrder, NodePoolAllocator<ComponentKey>>;

// A typed, read-only view of a live ComponentSet; iteration yields T*. Walk a copy (copyComponents) when
// the walk may create or destroy components.
template <typename T>
class ComponentSetView {
public:
    class iterator {
    public:
        using iterator_category = std::bidirectional_iterator_tag;
        using value_type = T*;
        using difference_type = std::ptrdiff_t;
        using pointer = T* const*;
        using reference = T*;

        iterator() = default;
        explicit iterator(ComponentSet::const_iterator it) : it(it) {}
        T* operator*() const { return static_cast<T*>(it->component); }
        iterator& operator++() {
            ++it;
            return *this;
        }
        iterator operator++(int) {
            iterator old = *this;
            ++it;
            return old;
        }
        iterator& operator--() {
            --it;
            return *this;
        }
        bool operator==(const iterator& other) const = default;

    private:
        ComponentSet::const_iterator it;
    };

    explicit ComponentSetView(const ComponentSet& set) : set(&set) {}
    iterator begin() const { return iterator(set->begin()); }
    iterator end() const { return iterator(set->end()); }
    std::size_t size() const { return set->size(); }
    bool empty() const { return set->empty(); }

private:
    const ComponentSet* set;
};

// A small dense number for each class that components register under, handed out on first use. Registries
// keep their sets in a vector indexed by it, so a look-up costs an index instead of a search over classes.
std::size_t nextComponentTypeId();

template <typename T>
std::size_t componentTypeId() {
    static const std::size_t id = nextComponentTypeId();
    return id;
}

// Does not own components: each one removes itself in its destructor.
class TypedComponentRegistry {
public:
    explicit TypedComponentRegistry(TypedComponentRegistry* parent);
    TypedComponentRegistry(const TypedComponentRegistry&) = delete;
    TypedComponentRegistry& operator=(const TypedComponentRegistry&) = delete;

    // Files the component under class T (the template argument, not its dynamic type), here and up the chain.
    template <typename T>
    void registerComponent(T& component) {
        classSetFor(componentTypeId<T>()).insert(keyOf(component));
        if (parent != nullptr) {
            parent->registerComponent<T>(component);
        }
    }

    // Stops at the first registry that never knew class T.
    template <typename T>
    void deregisterComponent(T& component) {
        ClassSet* classSet = findClassSet(componentTypeId<T>());
        if (classSet == nullptr) {
            return;
        }
        classSet->erase(keyOf(component));
        if (parent != nullptr) {
            parent->deregisterComponent<T>(component);
        }
    }

    // The one component of class T in this registry only; throws when there is none or several.
    template <typename T>
    T& getComponent() const {
        const EntityComponent* found = findSingle(componentTypeId<T>());
        // Registration under T guarantees the dynamic type.
        assert(dynamic_cast<const T*>(found) != nullptr);
        return *static_cast<T*>(const_cast<EntityComponent*>(found));
    }

    // The live set registered under T, in priority order; an unknown class leaves an empty set behind.
    template <typename T>
    ComponentSetView<T> getComponents() {
        return ComponentSetView<T>(setFor(componentTypeId<T>()));
    }

    // The raw set registered under T (created empty when the class is new).
    template <typename T>
    const ComponentSet& getComponentSet() {
        return setFor(componentTypeId<T>());
    }

    // Replaces the contents of `out` with the components registered under T, in priority order: the copy a
    // walk needs when it may create or destroy components. An unknown class leaves an empty set behind.
    // A registry without parent keeps such a copy of each class it was asked for and brings it up to date
    // from the changes since the last call, instead of walking the whole set again.
    template <typename T>
    void copyComponents(std::vector<T*>& out) {
        const std::vector<ComponentKey>& keys = classSetFor(componentTypeId<T>()).orderedKeys();
        out.resize(keys.size());
        for (std::size_t i = 0; i < keys.size(); ++i) {
            out[i] = static_cast<T*>(keys[i].component);
        }
    }

    // Components registered under T here, without creating anything: 0 for a class never seen.
    template <typename T>
    std::size_t countComponents() const {
        const ComponentSet* set = findSet(componentTypeId<T>());
        return set == nullptr ? 0 : set->size();
    }

    TypedComponentRegistry* getParent() const { return parent; }

    // The next number of the counter at the top of the chain, which every component of the chain draws from.
    std::uint64_t takeCreationNumber() { return parent != nullptr ? parent->takeCreationNumber() : created++; }

private:
    // The components of one class. In a registry without parent, where sets grow large, the set takes its
    // nodes from a pool and an index of its nodes by component spares removals the search; and a flat,
    // ordered copy of it is kept once someone asked for one: changes are logged and merged into it when it
    // is next asked for.
    class ClassSet {
    public:
        explicit ClassSet(bool root);
        ClassSet(const ClassSet&) = delete;
        ClassSet& operator=(const ClassSet&) = delete;

        void insert(const ComponentKey& key);
        void erase(const ComponentKey& key);
        const std::vector<ComponentKey>& orderedKeys();

        std::unique_ptr<NodePool> pool; // before set, which returns its nodes to it when destroyed
        ComponentSet set;

    private:
        struct FlatCopy {
            std::vector<ComponentKey> ordered;
            std::vector<ComponentKey> added;   // since ordered was last brought up to date
            std::vector<ComponentKey> removed; // likewise; each was in ordered or added
            std::vector<ComponentKey> merged;  // scratch, kept for its storage
        };

        bool root;
        // Root registries only: where each component sits in the set, so that removing it needs no search.
        PointerMap<EntityComponent, ComponentSet::const_iterator> positions;
        std::unique_ptr<FlatCopy> flat;
        std::vector<ComponentKey> walked; // the copy of a registry that keeps no flat copy
    };

    static ComponentKey keyOf(EntityComponent& component) {
        return ComponentKey{component.priority, component.creationNumber, &component};
    }
    const EntityComponent* findSingle(std::size_t typeId) const;

    // Null for a class this registry never knew.
    ClassSet* findClassSet(std::size_t typeId) const {
        return typeId < sets.size() ? sets[typeId].get() : nullptr;
    }
    ComponentSet* findSet(std::size_t typeId) const {
        ClassSet* classSet = findClassSet(typeId);
        return classSet == nullptr ? nullptr : &classSet->set;
    }
    ClassSet& classSetFor(std::size_t typeId);
    ComponentSet& setFor(std::size_t typeId) { return classSetFor(typeId).set; }

    TypedComponentRegistry* parent;
    std::uint64_t created = 0; // components numbered so far, used without parent only
    // Indexed by componentTypeId; null where the class never registered here. Each set is allocated on its
    // own, so views of it stay valid while other classes are added.
    std::vector<std::unique_ptr<ClassSet>> sets;
};

} // namespace kv
