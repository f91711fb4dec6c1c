// Frame times for the benchmarks: a stopwatch in milliseconds and percentiles of what it measured.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <vector>

using TStopwatch = std::chrono::steady_clock;

// Milliseconds since start.
inline double Since(TStopwatch::time_point start)
{
    return std::chrono::duration<double, std::milli>(TStopwatch::now() - start).count();
}

// Processor milliseconds all the process's threads (the software renderer's too) have taken: on a
// machine shared with other work a steadier measure than the wall clock.
inline double ProcessorMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1.0e6;
}

// The value percent of the way up the sorted times (100: the largest).
inline double Percentile(std::vector<double> ms, int32_t percent)
{
    std::sort(ms.begin(), ms.end());
    return ms[std::min(ms.size() - 1, ms.size() * static_cast<size_t>(percent) / 100)];
}
