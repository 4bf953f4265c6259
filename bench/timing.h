// Repeated timing with untimed set-up between runs; the median is what the
// tables print.
#ifndef FOLVEK_BENCH_TIMING_H
#define FOLVEK_BENCH_TIMING_H

#include <algorithm>
#include <chrono>
#include <vector>

namespace bench {

struct Timing {
    double median_ms = 0.0;
    double min_ms = 0.0;
    int runs = 0;
};

// Runs `reset` (untimed) and `work` (timed) at least `min_runs` times and
// until `min_seconds` of timed work have passed, at most `max_runs` times.
template <typename Reset, typename Work>
Timing Measure(Reset reset, Work work, int min_runs, double min_seconds, int max_runs = 1000) {
    std::vector<double> ms;
    double total = 0.0;
    while (static_cast<int>(ms.size()) < max_runs &&
           (static_cast<int>(ms.size()) < min_runs || total < min_seconds)) {
        reset();
        const auto start = std::chrono::steady_clock::now();
        work();
        const auto end = std::chrono::steady_clock::now();
        const double seconds = std::chrono::duration<double>(end - start).count();
        total += seconds;
        ms.push_back(seconds * 1000.0);
    }
    std::sort(ms.begin(), ms.end());
    Timing t;
    t.runs = static_cast<int>(ms.size());
    t.min_ms = ms.front();
    t.median_ms = ms[ms.size() / 2];
    return t;
}

}  // namespace bench

#endif
