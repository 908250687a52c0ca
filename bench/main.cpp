// The benchmark suite of the game and its engine: runs the benchmarks named on the command line (all by
// default) on the real game and prints a table of their figures.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench/Stats.hpp"
#include "bench/Suites.hpp"

namespace {

using kv::bench::Figures;
using kv::bench::Options;

const std::vector<std::pair<std::string, std::function<Figures(const Options&)>>> kSuites = {
    {"late", kv::bench::runLateGame},       {"scale", kv::bench::runScale},
    {"collision", kv::bench::runCollision}, {"render", kv::bench::runRender},
    {"screenshot", kv::bench::runScreenshot}, {"startup", kv::bench::runStartup},
    {"alloc", kv::bench::runAllocations},
};

void printUsage() {
    std::printf(
        "usage: vantor_bench [--quick] [--repeat N] [late|scale|collision|render|screenshot|startup|alloc]...\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--startup-child") == 0) {
        return kv::bench::startupChild(argv[2]);
    }
    Options options;
    options.self = argv[0];
    int repeats = 1;
    std::vector<std::string> chosen;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--quick") {
            options.quick = true;
        } else if (argument == "--repeat" && i + 1 < argc) {
            repeats = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--help") {
            printUsage();
            return 0;
        } else {
            chosen.push_back(argument);
        }
    }
    std::printf("%-28s %-36s %12s  %s\n", "benchmark", "figure", "value", "unit");
    for (const auto& [name, run] : kSuites) {
        if (!chosen.empty() && std::find(chosen.begin(), chosen.end(), name) == chosen.end()) {
            continue;
        }
        // Each figure is the median over the repeats of the suite.
        std::vector<Figures> results;
        for (int repeat = 0; repeat < repeats; ++repeat) {
            results.push_back(run(options));
        }
        for (std::size_t index = 0; index < results.front().size(); ++index) {
            std::vector<double> values;
            for (const Figures& figures : results) {
                values.push_back(figures[index].value);
            }
            const auto& figure = results.front()[index];
            std::printf("%-28s %-36s %12.4f  %s\n", figure.benchmark.c_str(), figure.metric.c_str(),
                        kv::bench::medianOf(values), figure.unit.c_str());
        }
        std::fflush(stdout);
    }
    return 0;
}
