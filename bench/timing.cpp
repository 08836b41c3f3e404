#include "timing.h"

#include <algorithm>

double Milliseconds(BenchClock::time_point from, BenchClock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double ClockStepMicroseconds() {
    double smallest = -1;
    for (int i = 0; i < 20; ++i) {
        const BenchClock::time_point start = BenchClock::now();
        BenchClock::time_point next = BenchClock::now();
        while (next == start) next = BenchClock::now();
        const double step = Milliseconds(start, next) * 1000;
        if (smallest < 0 || step < smallest) smallest = step;
    }
    return smallest;
}

double Samples::Median() const {
    if (values_.empty()) return -1;
    std::vector<double> sorted = values_;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t middle = sorted.size() / 2;
    return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

double Samples::Min() const {
    return values_.empty() ? -1 : *std::min_element(values_.begin(), values_.end());
}

double Samples::Max() const {
    return values_.empty() ? -1 : *std::max_element(values_.begin(), values_.end());
}
