// Finds components by the class they registered under; registries chain to a parent (entity -> game).
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <typeinfo>
#include <vector>

#include "engine/core/EntityComponent.hpp"

namespace kv {

// Ascending priority, ties broken by creation number: two distinct components never compare equal, and
// the order is the same in every run.
struct ComponentComparator {
    bool operator()(const EntityComponent* a, const EntityComponent* b) const;
};

// The components registered under one class, in walk order (ComponentComparator's), as one run of entries
// per priority, each run in creation order. Components of a priority nearly always register in creation
// order, so adding one appends to its run; removing one blanks its entry, found by binary search, and the
// blanks are squeezed out in bulk. Nothing is a tree: in a set of hundreds of thousands, the rebalancing
// of a tree after each removal missed the caches at every level.
class ComponentSet {
public:
    struct Entry {
        std::uint64_t creationNumber; // kept when blanked, so that a run stays sorted
        EntityComponent* component;   // null once removed
    };
    struct Run {
        int priority;
        std::vector<Entry> entries;
        std::size_t blanks = 0;
        std::size_t firstBlank = kNoBlank; // no later than the first blank entry
    };
    static constexpr std::size_t kNoBlank = SIZE_MAX;
    // The cursor's run past every run: it stays the end when runs are added later.
    static constexpr std::size_t kPastTheRuns = SIZE_MAX;

    // A place in a walk, with the key of the entry there: a walk whose entries moved under it (squeezed, or
    // shifted by a component registered out of order) finds its place again by key, so that it goes on
    // as a walk over an ordered tree would.
    struct Cursor {
        std::size_t run = kPastTheRuns;
        std::size_t entry = 0;
        std::uint64_t layout = 0;
        int priority = 0;
        std::uint64_t creationNumber = 0;
    };

    // Adding a component already present changes nothing.
    void insert(EntityComponent& component);
    // Removing a component that is absent changes nothing.
    void erase(const EntityComponent& component);

    std::size_t size() const { return live; }
    bool empty() const { return live == 0; }
    // The first component in walk order; the set must not be empty.
    EntityComponent* front() const;

    // At the first live entry, or the end.
    Cursor first() const;
    // To the next live entry after the cursor's key, or the end.
    void advance(Cursor& cursor) const;
    bool atEnd(const Cursor& cursor) const { return cursor.run >= byPriority.size(); }
    EntityComponent* at(const Cursor& cursor) const {
        return byPriority[cursor.run].entries[cursor.entry].component;
    }

    // Replaces the contents of `out` with the components in walk order, squeezing the blanks out of the
    // runs as it goes (it reads every entry anyway).
    template <typename T>
    void copyInto(std::vector<T*>& out) {
        out.resize(live);
        std::size_t copied = 0;
        for (Run& run : byPriority) {
            std::size_t kept = 0;
            for (const Entry& entry : run.entries) {
                if (entry.component != nullptr) {
                    run.entries[kept++] = entry;
                    out[copied++] = static_cast<T*>(entry.component);
                }
            }
            run.entries.resize(kept);
            run.blanks = 0;
            run.firstBlank = kNoBlank;
        }
        ++layout;
    }

private:
    std::size_t runIndex(int priority) const; // where a run of this priority is or would go
    Run* findRun(int priority);
    void squeeze(Run& run);
    // From the cursor's place on, to the first live entry, noting its key.
    void settle(Cursor& cursor) const;

    std::vector<Run> byPriority;
    std::size_t live = 0;
    std::uint64_t layout = 0; // raised whenever entries move to other places
};

// A typed, read-only view of a live ComponentSet; iteration yields T*. Like a walk over an ordered tree, a
// walk sees none of the components removed before it reaches them and each one added after its place;
// still, walk a copy (copyComponents) when the walk may create or destroy components, which is cheaper.
template <typename T>
class ComponentSetView {
public:
    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T*;
        using difference_type = std::ptrdiff_t;
        using pointer = T* const*;
        using reference = T*;

        iterator() = default;
        iterator(const ComponentSet* set, const ComponentSet::Cursor& cursor) : set(set), cursor(cursor) {}
        T* operator*() const { return static_cast<T*>(set->at(cursor)); }
        iterator& operator++() {
            set->advance(cursor);
            return *this;
        }
        iterator operator++(int) {
            iterator old = *this;
            ++*this;
            return old;
        }
        // Every place past the last run is the end: a run added during a walk does not strand it.
        bool operator==(const iterator& other) const {
            if (atEnd() || other.atEnd()) {
                return atEnd() == other.atEnd();
            }
            return cursor.run == other.cursor.run && cursor.entry == other.cursor.entry;
        }

    private:
        bool atEnd() const { return set == nullptr || set->atEnd(cursor); }

        const ComponentSet* set = nullptr;
        ComponentSet::Cursor cursor;
    };

    explicit ComponentSetView(const ComponentSet& set) : set(&set) {}
    iterator begin() const { return iterator(set, set->first()); }
    iterator end() const { return iterator(set, ComponentSet::Cursor{}); }
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
        setFor(componentTypeId<T>()).insert(component);
        if (parent != nullptr) {
            parent->registerComponent<T>(component);
        }
    }

    // Stops at the first registry that never knew class T.
    template <typename T>
    void deregisterComponent(T& component) {
        ComponentSet* set = findSet(componentTypeId<T>());
        if (set == nullptr) {
            return;
        }
        set->erase(component);
        if (parent != nullptr) {
            parent->deregisterComponent<T>(component);
        }
    }

    // The one component of class T in this registry only; throws when there is none or several, naming T.
    template <typename T>
    T& getComponent() const {
        const EntityComponent* found = findSingle(componentTypeId<T>(), typeid(T));
        // Registration under T guarantees the dynamic type.
        assert(dynamic_cast<const T*>(found) != nullptr);
        return *static_cast<T*>(const_cast<EntityComponent*>(found));
    }

    // The live set registered under T, in priority order; an unknown class leaves an empty set behind.
    template <typename T>
    ComponentSetView<T> getComponents() {
        return ComponentSetView<T>(setFor(componentTypeId<T>()));
    }

    // The set registered under T (created empty when the class is new).
    template <typename T>
    const ComponentSet& getComponentSet() {
        return setFor(componentTypeId<T>());
    }

    // Replaces the contents of `out` with the components registered under T, in priority order: the copy a
    // walk needs when it may create or destroy components. An unknown class leaves an empty set behind.
    template <typename T>
    void copyComponents(std::vector<T*>& out) {
        setFor(componentTypeId<T>()).copyInto(out);
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
    const EntityComponent* findSingle(std::size_t typeId, const std::type_info& type) const;

    // Null for a class this registry never knew.
    ComponentSet* findSet(std::size_t typeId) const {
        return typeId < sets.size() ? sets[typeId].get() : nullptr;
    }
    ComponentSet& setFor(std::size_t typeId);

    TypedComponentRegistry* parent;
    std::uint64_t created = 0; // components numbered so far, used without parent only
    // Indexed by componentTypeId; null where the class never registered here. Each set is allocated on its
    // own, so views of it stay valid while other classes are added.
    std::vector<std::unique_ptr<ComponentSet>> sets;
};

} // namespace kv
