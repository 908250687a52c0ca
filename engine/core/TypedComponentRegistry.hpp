// Finds components by the class they registered under; registries chain to a parent (entity -> game).
#pragma once

#include <cassert>
#include <cstddef>
#include <iterator>
#include <map>
#include <set>
#include <typeindex>
#include <typeinfo>

namespace kv {

class EntityComponent;

// Ascending priority, ties broken by address: two distinct components never compare equal.
struct ComponentComparator {
    bool operator()(const EntityComponent* a, const EntityComponent* b) const;
};

using ComponentSet = std::set<EntityComponent*, ComponentComparator>;

// A typed, read-only view of a live ComponentSet; iteration yields T*. Walk a copy (toVector) when the
// walk may create or destroy components.
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
        T* operator*() const { return static_cast<T*>(*it); }
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

// Does not own components: each one removes itself in its destructor.
class TypedComponentRegistry {
public:
    explicit TypedComponentRegistry(TypedComponentRegistry* parent);
    TypedComponentRegistry(const TypedComponentRegistry&) = delete;
    TypedComponentRegistry& operator=(const TypedComponentRegistry&) = delete;

    // Files the component under class T (the template argument, not its dynamic type), here and up the chain.
    template <typename T>
    void registerComponent(T& component) {
        components[std::type_index(typeid(T))].insert(&component);
        if (parent != nullptr) {
            parent->registerComponent<T>(component);
        }
    }

    // Stops at the first registry that never knew class T.
    template <typename T>
    void deregisterComponent(T& component) {
        auto found = components.find(std::type_index(typeid(T)));
        if (found == components.end()) {
            return;
        }
        found->second.erase(&component);
        if (parent != nullptr) {
            parent->deregisterComponent<T>(component);
        }
    }

    // The one component of class T in this registry only; throws when there is none or several.
    template <typename T>
    T& getComponent() const {
        const EntityComponent* found = findSingle(std::type_index(typeid(T)));
        // Registration under T guarantees the dynamic type.
        assert(dynamic_cast<const T*>(found) != nullptr);
        return *static_cast<T*>(const_cast<EntityComponent*>(found));
    }

    // The live set registered under T, in priority order; an unknown class leaves an empty key behind.
    template <typename T>
    ComponentSetView<T> getComponents() {
        return ComponentSetView<T>(components[std::type_index(typeid(T))]);
    }

    // The raw set registered under T (created empty when the class is new).
    template <typename T>
    const ComponentSet& getComponentSet() {
        return components[std::type_index(typeid(T))];
    }

    TypedComponentRegistry* getParent() const { return parent; }

private:
    const EntityComponent* findSingle(std::type_index type) const;

    TypedComponentRegistry* parent;
    std::map<std::type_index, ComponentSet> components;
};

} // namespace kv
