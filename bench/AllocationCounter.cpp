#include "bench/AllocationCounter.hpp"

#include <cstdlib>
#include <new>

namespace kv::bench {

namespace {
thread_local bool counting = false;
thread_local AllocationCount counted;

void* allocate(std::size_t size) {
    if (counting) {
        ++counted.calls;
        counted.bytes += size;
    }
    // operator new must return a unique pointer even for zero bytes.
    void* memory = std::malloc(size == 0 ? 1 : size);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    return memory;
}

void* allocateAligned(std::size_t size, std::align_val_t alignment) {
    if (counting) {
        ++counted.calls;
        counted.bytes += size;
    }
    const auto align = static_cast<std::size_t>(alignment);
    // aligned_alloc wants a size that is a multiple of the alignment.
    const std::size_t rounded = (size + align - 1) / align * align;
    void* memory = std::aligned_alloc(align, rounded == 0 ? align : rounded);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    return memory;
}
} // namespace

void startCountingAllocations() {
    counted = AllocationCount{};
    counting = true;
}

AllocationCount stopCountingAllocations() {
    counting = false;
    return counted;
}

} // namespace kv::bench

using kv::bench::allocate;
using kv::bench::allocateAligned;

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return allocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return allocateAligned(size, alignment);
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::align_val_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::align_val_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept {
    std::free(memory);
}
