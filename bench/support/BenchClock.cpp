#include "BenchClock.h"

#include <time.h>

std::int64_t BenchClock::nowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

double BenchClock::toMs(std::int64_t ns)
{
    return static_cast<double>(ns) / 1e6;
}
