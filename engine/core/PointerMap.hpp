// A hash map from object addresses to small values (set iterators, say): constant-time look-up and
// removal, with its storage kept when entries go, so that steady use allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace kv {

// The home slot of an object's address in a table of a power-of-two size (slotMask: the size less one).
// Heap blocks are 16-byte aligned, so the low bits carry nothing and go first; the multiplier, 2^64 over
// the golden ratio, spreads what is left over the table.
inline std::size_t addressSlot(const void* address, std::size_t slotMask) {
    constexpr int kAlignmentBits = 4;
    constexpr std::uint64_t kGoldenRatio = 0x9E3779B97F4A7C15ull;
    const auto bits = reinterpret_cast<std::uintptr_t>(address) >> kAlignmentBits;
    return static_cast<std::size_t>((bits * kGoldenRatio) >> 32) & slotMask;
}

// Open addressing with linear probing; removal shifts later entries back instead of leaving tombstones.
template <typename Key, typename Value>
class PointerMap {
public:
    // Replaces the value of a key already present.
    void insert(const Key* key, const Value& value) {
        if (2 * (used + 1) > slots.size()) {
            grow();
        }
        std::size_t slot = home(key);
        while (slots[slot].key != nullptr && slots[slot].key != key) {
            slot = (slot + 1) & mask();
        }
        if (slots[slot].key == nullptr) {
            ++used;
        }
        slots[slot] = Slot{key, value};
    }

    // Removes the key and returns its value; nothing when absent.
    std::optional<Value> take(const Key* key) {
        if (used == 0) {
            return std::nullopt;
        }
        std::size_t slot = home(key);
        while (slots[slot].key != key) {
            if (slots[slot].key == nullptr) {
                return std::nullopt;
            }
            slot = (slot + 1) & mask();
        }
        const Value value = slots[slot].value;
        // Backward shift: move up each later entry of the run that may sit at or before the hole.
        std::size_t hole = slot;
        for (std::size_t next = (hole + 1) & mask(); slots[next].key != nullptr; next = (next + 1) & mask()) {
            const std::size_t wanted = home(slots[next].key);
            if (((next - wanted) & mask()) >= ((next - hole) & mask())) {
                slots[hole] = slots[next];
                hole = next;
            }
        }
        slots[hole] = Slot{};
        --used;
        return value;
    }

    std::size_t size() const { return used; }

private:
    struct Slot {
        const Key* key = nullptr;
        Value value{};
    };

    std::size_t mask() const { return slots.size() - 1; }

    std::size_t home(const Key* key) const { return addressSlot(key, mask()); }

    void grow() {
        constexpr std::size_t kInitialSlots = 16;
        std::vector<Slot> old(slots.empty() ? kInitialSlots : 2 * slots.size());
        old.swap(slots);
        used = 0;
        for (const Slot& slot : old) {
            if (slot.key != nullptr) {
                insert(slot.key, slot.value);
            }
        }
    }

    std::vector<Slot> slots;
    std::size_t used = 0;
};

} // namespace kv
