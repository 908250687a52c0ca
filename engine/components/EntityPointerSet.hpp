// A set of entity pointers for per-frame bookkeeping: constant-time insert and look-up, and clear() keeps
// its storage, so a set refilled every frame allocates nothing once it has grown to its working size.
#pragma once

#include <cstddef>
#include <vector>

namespace kv {

class GameEntity;

// Not ordered. The first few entities sit in the object itself (most sets hold one or two), the rest in an
// open-addressing table over a power-of-two number of slots.
class EntityPointerSet {
public:
    // True when the entity was not in the set yet.
    bool insert(GameEntity* entity);
    std::size_t count(const GameEntity* entity) const;
    bool empty() const { return size() == 0; }
    std::size_t size() const { return inlineCount + used; }
    void clear();

private:
    static constexpr std::size_t kInlineCapacity = 2;

    bool tableContains(const GameEntity* entity) const;
    void tableInsert(GameEntity* entity);
    std::size_t slotOf(const GameEntity* entity) const;
    void grow();

    GameEntity* inlineItems[kInlineCapacity] = {};
    std::size_t inlineCount = 0;
    // nullptr marks a free slot (a set never holds null).
    std::vector<GameEntity*> slots;
    std::size_t used = 0;
};

} // namespace kv
