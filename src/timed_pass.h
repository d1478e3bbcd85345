// One timed pass over the scratch file: the write pass fills it with zero
// bytes one block per call, the read pass reads it back the same way.
#ifndef VELODRIVE_TIMED_PASS_H
#define VELODRIVE_TIMED_PASS_H

#include <cstdint>

#include "platform/buffer_pool.h"
#include "platform/scratch_file.h"
#include "platform/tick_counter.h"

enum class pass_kind { write, read };

// The step at which a pass stopped short; none when it moved its total.
// sync: the write's data could not be put on the device (device mode).
enum class pass_step { none, open, buffer, transfer, sync, close };

struct pass_result {
  int32_t elapsed_ms;     // end tick minus start tick, in milliseconds
  int64_t bytes_moved;    // sum of the counts the transfer calls returned
  pass_step failed_step;  // pass_step::none on success
  int error_number;       // errno of the failed step; 0 when a read met an
                          // early end of file or the written file came up short
  uint32_t system_error;  // the platform's own code for the failed step where
                          // it has one beyond errno (system_error_code), else 0
};

// Milliseconds from `start` to `end`, two readings of a 32-bit counter:
// their difference modulo 2^32 read as a signed 32-bit value, which is
// right across one wrap of the counter.
int32_t elapsed_between(uint32_t start, uint32_t end);

// Runs one pass over the scratch `file`, moving `total_bytes` (rounded up
// to whole blocks) in calls of `block_bytes` through a new stdio stream on
// it with default buffering, from its first byte. The buffer comes
// zero-filled from `pool` and goes back to it before the stream is closed.
// Only the transfer calls lie between the two readings of `ticks`; with
// `to_device`, a write pass's timed section also holds the flush of the
// stream and the sync of the file, so that it ends only once the data are
// on the device.
pass_result timed_pass(pass_kind kind, scratch_file* file, int32_t block_bytes, int64_t total_bytes,
                       bool to_device, buffer_pool* pool, tick_source ticks);

#endif
