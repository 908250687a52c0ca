// Fixed-size blocks carved from large chunks, for the nodes of one big ordered set. Nodes allocated one
// after the other sit side by side, so walking the set touches memory in order instead of hopping across
// the heap, and a set that grows and shrinks reuses its blocks instead of calling the allocator.
#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

namespace kv {

// Serves blocks of the size of its first request; never returns memory before it is destroyed. Must
// outlive every block it handed out.
class NodePool {
public:
    NodePool() = default;
    NodePool(const NodePool&) = delete;
    NodePool& operator=(const NodePool&) = delete;

    void* allocate(std::size_t size);
    void deallocate(void* block) noexcept;

private:
    struct FreeBlock {
        FreeBlock* next;
    };

    std::size_t blockSize = 0;
    std::vector<std::unique_ptr<std::byte[]>> chunks;
    std::byte* next = nullptr;
    std::byte* end = nullptr;
    FreeBlock* freeBlocks = nullptr;
};

// Allocates single nodes from a NodePool and everything else (or everything, without a pool) from the
// heap. A copy of a container gets no pool: it may outlive the pool's owner.
template <typename T>
class NodePoolAllocator {
public:
    using value_type = T;
    using propagate_on_container_copy_assignment = std::false_type;
    using propagate_on_container_move_assignment = std::false_type;
    using propagate_on_container_swap = std::false_type;
    using is_always_equal = std::false_type;

    NodePoolAllocator() noexcept = default;
    explicit NodePoolAllocator(NodePool* pool) noexcept : pool(pool) {}
    template <typename U>
    NodePoolAllocator(const NodePoolAllocator<U>& other) noexcept : pool(other.pool) {}

    T* allocate(std::size_t count) {
        if (pool != nullptr && count == 1) {
            return static_cast<T*>(pool->allocate(sizeof(T)));
        }
        return std::allocator<T>().allocate(count);
    }

    void deallocate(T* block, std::size_t count) noexcept {
        if (pool != nullptr && count == 1) {
            pool->deallocate(block);
        } else {
            std::allocator<T>().deallocate(block, count);
        }
    }

    NodePoolAllocator select_on_container_copy_construction() const { return NodePoolAllocator(); }

    template <typename U>

    bool operator==(const NodePoolAllocator<U>& other) const noexcept {
        return pool == other.pool;
    }

    NodePool* pool = nullptr;
};

} // namespace kv
