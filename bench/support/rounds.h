#pragma once
// Timing in rounds for the benchmarks: every round times every kind of work back to back, the
// baseline first, so that a ratio compares work done within the same few milliseconds and a
// machine that is busy for a while slows the baseline and the work alike. Medians over the
// rounds are reported.

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace bench {

// One kind of work, timed as the mean of `calls` calls in each round.
struct Work {
    const char* name;
    std::function<void()> run;
    int calls;
    std::vector<double> times = {};   // microseconds per call, one per round
    std::vector<double> ratios = {};  // to the first work (the baseline) of the same round
};

inline double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The value below which the share `p` (0 to 1) of the values lies, by the nearest rank.
inline double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

inline void Measure(std::vector<Work>& works, int rounds) {
    for (Work& work : works)
        work.run();  // warm every cache once
    for (int round = 0; round < rounds; ++round) {
        for (Work& work : works) {
            const auto start = std::chrono::steady_clock::now();
            for (int call = 0; call < work.calls; ++call)
                work.run();
            const auto end = std::chrono::steady_clock::now();
            work.times.push_back(std::chrono::duration<double, std::micro>(end - start).count() /
                                 work.calls);
        }
        for (Work& work : works)
            work.ratios.push_back(work.times.back() / works.front().times.back());
    }
}

}  // namespace bench
