#pragma once

#include <cstdint>

/**
 * @brief The one clock of every benchmark: CLOCK_MONOTONIC in nanoseconds.
 *
 * It is system-wide, so a time taken by a parent just before it starts a child can be
 * subtracted from a time the child reports.
 */
namespace BenchClock {
std::int64_t nowNs();
double toMs(std::int64_t ns);
} // namespace BenchClock
