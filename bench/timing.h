// Plain wall-clock timing for the benchmark: the standard steady clock (on
// Windows it reads QueryPerformanceCounter), samples of repeated runs and
// their medians.
#ifndef ZELQ_BENCH_TIMING_H
#define ZELQ_BENCH_TIMING_H

#include <chrono>
#include <cstddef>
#include <vector>

using BenchClock = std::chrono::steady_clock;

// Milliseconds from one reading to another.
double Milliseconds(BenchClock::time_point from, BenchClock::time_point to);

// The smallest step between two different readings, in microseconds.
double ClockStepMicroseconds();

// The times of one operation's runs, in milliseconds.
class Samples {
public:
    void Add(double milliseconds) { values_.push_back(milliseconds); }
    std::size_t Count() const { return values_.size(); }
    // Each is negative when there are no samples.
    double Median() const;
    double Min() const;
    double Max() const;

private:
    std::vector<double> values_;
};

#endif  // ZELQ_BENCH_TIMING_H
