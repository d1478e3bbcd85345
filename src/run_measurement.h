// One measurement run: write pass, write line, read pass, read line, and
// the scratch file removed again.
#ifndef VELODRIVE_RUN_MEASUREMENT_H
#define VELODRIVE_RUN_MEASUREMENT_H

#include <cstdint>
#include <cstdio>

#include "command_line.h"
#include "platform/tick_counter.h"

// Speed of a pass in MiB per second (2^20 bytes per second): `total_bytes`
// over `elapsed_ms`, in double precision and in a fixed order of operations
// so the printed figures are the same on every platform. A zero interval
// gives an infinite speed.
double throughput(double total_bytes, int32_t elapsed_ms);

// Runs the measurement `request` asks for, reading `ticks` for the timings
// and writing the report lines and any error line to `messages`. Returns
// the exit status: 0 after both lines were printed, 1 when the run could
// not be made or a pass failed (the file this run created is removed then
// too, and no line is printed for the failed pass).
int run_measurement(const run_request& request, tick_source ticks, std::FILE* messages);

#endif
