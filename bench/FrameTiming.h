// Frame times for the benchmarks: a stopwatch in milliseconds and percentiles of what it measured.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

using TStopwatch = std::chrono::steady_clock;

// Milliseconds since start.
inline double Since(TStopwatch::time_point start)
{
    return std::chrono::duration<double, std::milli>(TStopwatch::now() - start).count();
}

// The value percent of the way up the sorted times (100: the largest).
inline double Percentile(std::vector<double> ms, int32_t percent)
{
    std::sort(ms.begin(), ms.end());
    return ms[std::min(ms.size() - 1, ms.size() * static_cast<size_t>(percent) / 100)];
}
