// Replaces the global operator new of the replay executable with an allocator that hands out ever higher
// addresses and never reuses memory. The registries break priority ties by address, so with the system
// allocator the update order of equal-priority components depends on the heap's history (driver and window
// system allocations included) and a replay may differ between runs; here address order is creation order.
// Memory is never returned, which a replay of a few minutes of play can afford.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>

#include <sys/mman.h>

namespace {

constexpr std::size_t kChunkBytes = std::size_t{256} << 20; // address space reserved at a time
constexpr std::size_t kMinimumAlignment = 16;

std::mutex heapMutex;
char* next = nullptr;
char* end = nullptr;

void* allocate(std::size_t size, std::size_t alignment) {
    alignment = alignment < kMinimumAlignment ? kMinimumAlignment : alignment;
    size = size == 0 ? 1 : size;
    std::lock_guard<std::mutex> lock(heapMutex);
    auto aligned = [&] {
        const auto address = reinterpret_cast<std::uintptr_t>(next);
        return reinterpret_cast<char*>((address + alignment - 1) & ~(std::uintptr_t{alignment} - 1));
    };
    if (next == nullptr || aligned() + size > end) {
        const std::size_t bytes = size + alignment > kChunkBytes ? size + alignment : kChunkBytes;
        // Reserved lazily: only the pages touched become resident.
        void* chunk = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (chunk == MAP_FAILED) {
            throw std::bad_alloc();
        }
        next = static_cast<char*>(chunk);
        end = next + bytes;
    }
    char* block = aligned();
    next = block + size;
    return block;
}

} // namespace

void* operator new(std::size_t size) { return allocate(size, kMinimumAlignment); }
void* operator new[](std::size_t size) { return allocate(size, kMinimumAlignment); }
void* operator new(std::size_t size, std::align_val_t alignment) {
    return allocate(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return allocate(size, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size, kMinimumAlignment);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size, kMinimumAlignment);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void*) noexcept {}
void operator delete[](void*) noexcept {}
void operator delete(void*, std::size_t) noexcept {}
void operator delete[](void*, std::size_t) noexcept {}
void operator delete(void*, std::align_val_t) noexcept {}
void operator delete[](void*, std::align_val_t) noexcept {}
void operator delete(void*, std::size_t, std::align_val_t) noexcept {}
void operator delete[](void*, std::size_t, std::align_val_t) noexcept {}
void operator delete(void*, const std::nothrow_t&) noexcept {}
void operator delete[](void*, const std::nothrow_t&) noexcept {}
