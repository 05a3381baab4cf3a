// Timing for the benchmarks on a shared machine.
#pragma once

#include <algorithm>
#include <ctime>
#include <functional>

namespace bench {

// The processor time of the best of `runs` runs of `body` (user and system,
// this process alone), so that other work on the machine does not count.
inline double bestProcessorTime(int runs, const std::function<void()>& body) {
    double bestSeconds = 1e30;
    for (int i = 0; i < runs; ++i) {
        timespec start{}, end{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
        body();
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
        const double seconds = static_cast<double>(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9;
        bestSeconds = std::min(bestSeconds, seconds);
    }
    return bestSeconds;
}

}  // namespace bench
