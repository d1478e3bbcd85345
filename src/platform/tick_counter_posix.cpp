#include "tick_counter.h"

#include <ctime>

uint32_t tick_count_ms() {
  // The monotonic clock never steps backwards when the wall clock is set.
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const uint64_t ms =
      static_cast<uint64_t>(now.tv_sec) * 1000U + static_cast<uint64_t>(now.tv_nsec) / 1000000U;
  return static_cast<uint32_t>(ms);  // keep the low 32 bits: wraps like a 32-bit counter
}
