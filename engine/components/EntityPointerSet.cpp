#include "engine/components/EntityPointerSet.hpp"

#include <algorithm>

#include "engine/core/PointerMap.hpp"

namespace kv {

namespace {
constexpr std::size_t kInitialSlots = 16;
} // namespace

std::size_t EntityPointerSet::slotOf(const GameEntity* entity) const {
    return addressSlot(entity, slots.size() - 1);
}

bool EntityPointerSet::insert(GameEntity* entity) {
    if (count(entity) != 0) {
        return false;
    }
    if (inlineCount < kInlineCapacity) {
        inlineItems[inlineCount++] = entity;
    } else {
        tableInsert(entity);
    }
    return true;
}

std::size_t EntityPointerSet::count(const GameEntity* entity) const {
    for (std::size_t i = 0; i < inlineCount; ++i) {
        if (inlineItems[i] == entity) {
            return 1;
        }
    }
    return tableContains(entity) ? 1 : 0;
}

bool EntityPointerSet::tableContains(const GameEntity* entity) const {
    if (used == 0 || entity == nullptr) {
        return false;
    }
    for (std::size_t slot = slotOf(entity);; slot = (slot + 1) & (slots.size() - 1)) {
        if (slots[slot] == entity) {
            return true;
        }
        if (slots[slot] == nullptr) {
            return false;
        }
    }
}

void EntityPointerSet::tableInsert(GameEntity* entity) {
    // At most half full, so probes stay short and a free slot always exists.
    if (2 * (used + 1) > slots.size()) {
        grow();
    }
    std::size_t slot = slotOf(entity);
    while (slots[slot] != nullptr) {
        slot = (slot + 1) & (slots.size() - 1);
    }
    slots[slot] = entity;
    ++used;
}

void EntityPointerSet::clear() {
    inlineCount = 0;
    if (used != 0) {
        std::fill(slots.begin(), slots.end(), nullptr);
        used = 0;
    }
}

void EntityPointerSet::grow() {
    std::vector<GameEntity*> old(std::max(kInitialSlots, 2 * slots.size()), nullptr);
    old.swap(slots);
    used = 0;
    for (GameEntity* entity : old) {
        if (entity != nullptr) {
            tableInsert(entity);
        }
    }
}

} // namespace kv
