// Timing helpers of the benchmark suite: a monotonic clock and order statistics of samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kv::bench {

// Nanoseconds on the monotonic clock, comparable between processes of the same boot.
std::int64_t nowNs();
// Nanoseconds of processor time used by the calling thread: unlike the clock, it does not count the time
// other processes of a busy machine hold the processor.
std::int64_t threadCpuNs();

struct Summary {
    double median = 0.0;
    double p99 = 0.0;
    double mean = 0.0;
    double max = 0.0;
    std::size_t count = 0;
};

// Nearest-rank percentiles of the samples (any unit); an empty list gives zeros.
Summary summarize(std::vector<double> samples);

double medianOf(std::vector<double> values);

} // namespace kv::bench
