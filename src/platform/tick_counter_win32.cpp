#include "tick_counter.h"

#include <windows.h>

uint32_t tick_count_ms() {
  // Milliseconds since the system started; wraps after about 49.7 days.
  return GetTickCount();
}
