// Helpers shared by the benchmarks.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#ifdef __linux__
#include <sys/prctl.h>
#endif

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

inline double mean(const std::vector<double>& values)
{
    double sum = 0;
    for (double value : values)
        sum += value;
    return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

// Back to the timer slack the process started with (tightenPause undone).
inline void defaultPause()
{
#ifdef __linux__
    prctl(PR_SET_TIMERSLACK, 0UL, 0UL, 0UL, 0UL);
#endif
}
