#pragma once

#include <QElapsedTimer>
#include <algorithm>
#include <functional>
#include <vector>

// Wall-clock figures for the benchmarks, in milliseconds.
inline double timed(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}

// The fastest of a number of runs: the figure least disturbed by the machine.
inline double best(int runs, const std::function<void()>& work) {
    double fastest = 1e18;
    for (int i = 0; i < runs; ++i)
        fastest = std::min(fastest, timed(work));
    return fastest;
}

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

inline double fastest(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}
