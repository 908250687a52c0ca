// The benchmarks of the suite. Each runs the real game (or, for the start-up, the real program start) and
// returns its figures; main prints them.
#pragma once

#include <string>
#include <vector>

namespace kv::bench {

struct Figure {
    std::string benchmark;
    std::string metric;
    double value;
    std::string unit;
};

using Figures = std::vector<Figure>;

struct Options {
    // Fewer frames and runs: a smoke test of the suite, not a measurement.
    bool quick = false;
    // This program's own path, to start it again for the start-up measurement.
    std::string self;
};

Figures runLateGame(const Options& options);
Figures runScale(const Options& options);
Figures runCollision(const Options& options);
Figures runRender(const Options& options);
Figures runScreenshot(const Options& options);
Figures runStartup(const Options& options);
Figures runAllocations(const Options& options);

// The child side of runStartup: the program's own start in the given working directory, ended after the
// first frame; prints its time stamps.
int startupChild(const std::string& workingDirectory);

} // namespace kv::bench
