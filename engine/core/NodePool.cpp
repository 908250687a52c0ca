#include "engine/core/NodePool.hpp"

#include <algorithm>
#include <cassert>
#include <cstddef>

namespace kv {

namespace {
// Chunks double from the first to the largest size, so that a small set costs little and a big one
// allocates rarely.
constexpr std::size_t kFirstChunkBlocks = 16;
constexpr std::size_t kLargestChunkBlocks = 4096;
} // namespace

void* NodePool::allocate(std::size_t size) {
    if (blockSize == 0) {
        // Room for the free-list link, rounded to the alignment of any node.
        const std::size_t alignment = alignof(std::max_align_t);
        blockSize = (std::max(size, sizeof(FreeBlock)) + alignment - 1) / alignment * alignment;
    }
    assert(size <= blockSize);
    if (freeBlocks != nullptr) {
        FreeBlock* block = freeBlocks;
        freeBlocks = block->next;
        return block;
    }
    if (next == end) {
        const std::size_t blocks =
            std::min(kLargestChunkBlocks, kFirstChunkBlocks << std::min<std::size_t>(chunks.size(), 16));
        chunks.push_back(std::make_unique_for_overwrite<std::byte[]>(blockSize * blocks));
        next = chunks.back().get();
        end = next + blockSize * blocks;
    }
    void* block = next;
    next += blockSize;
    return block;
}

void NodePool::deallocate(void* block) noexcept {
    auto* freed = static_cast<FreeBlock*>(block);
    freed->next = freeBlocks;
    freeBlocks = freed;
}

} // namespace kv
