#include "engine/core/TypedComponentRegistry.hpp"

#include <functional>
#include <stdexcept>

#include "engine/core/EntityComponent.hpp"

namespace kv {

bool ComponentComparator::operator()(const EntityComponent* a, const EntityComponent* b) const {
    if (a->priority != b->priority) {
        return a->priority < b->priority;
    }
    return std::less<const EntityComponent*>()(a, b);
}

TypedComponentRegistry::TypedComponentRegistry(TypedComponentRegistry* parent) : parent(parent) {}

const EntityComponent* TypedComponentRegistry::findSingle(std::type_index type) const {
    auto found = components.find(type);
    if (found == components.end() || found->second.empty()) {
        throw std::runtime_error("component was not found");
    }
    if (found->second.size() > 1) {
        throw std::runtime_error("multiple components were found");
    }
    return *found->second.begin();
}

} // namespace kv
