// The millisecond tick counter the timed passes read.
#ifndef VELODRIVE_PLATFORM_TICK_COUNTER_H
#define VELODRIVE_PLATFORM_TICK_COUNTER_H

#include <cstdint>

// Milliseconds since an arbitrary start (system start where the platform
// says so), as an unsigned 32-bit count that wraps to 0 after 2^32 ms.
// Only differences of two readings mean anything.
uint32_t tick_count_ms();

// Where a run reads its ticks. The tool passes tick_count_ms; tests pass a
// scripted counter so that elapsed times and speeds are exact.
using tick_source = uint32_t (*)();

#endif
