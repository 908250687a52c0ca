// Counts the heap allocations the benchmarked code makes: the benchmark binary replaces the global
// operator new, and counts only on the thread that asked (audio and driver threads are left out).
#pragma once

#include <cstdint>

namespace kv::bench {

struct AllocationCount {
    std::uint64_t calls = 0;
    std::uint64_t bytes = 0;
};

// Starts counting (from zero) the operator new calls of the calling thread.
void startCountingAllocations();
// Stops counting and returns what was counted since the start.
AllocationCount stopCountingAllocations();

} // namespace kv::bench
