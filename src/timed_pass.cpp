#include "timed_pass.h"

#include <cerrno>
#include <cstdio>

#include "platform/scratch_file.h"
#include "platform/system_error.h"

namespace {

// Makes transfer calls until `total_bytes` have been moved or a call moves
// nothing; the count is checked only after each call, so the last call asks
// for a whole block. Nothing else happens inside: this is the timed work.
template <typename transfer_call>
int64_t transfer_blocks(transfer_call transfer, int64_t total_bytes) {
  int64_t moved = 0;
  if (total_bytes <= 0) return moved;
  std::size_t count = 0;
  do {
    count = transfer();
    moved += static_cast<int64_t>(count);
  } while (moved < total_bytes && count != 0);
  return moved;
}

pass_result failed_at(pass_result result, pass_step step, int error_number, uint32_t system_error) {
  result.failed_step = step;
  result.error_number = error_number;
  result.system_error = error_number != 0 ? system_error : 0;
  return result;
}

// Why the last call failed: errno and the platform's own code.
struct call_error {
  int error_number;
  uint32_t system_error;
};
call_error last_error() {
  return call_error{errno, system_error_code()};
}

// Judges the timed section: a write that stopped short is a failure even
// without errno (a device may refuse silently); a read that stopped short
// without an error met the end of a file shorter than the one written; a
// sync that failed (sync_status not 0) failed the write.
pass_result judged(pass_result result, bool writing, int64_t total_bytes, bool stream_failed,
                   call_error transfer, int sync_status, call_error sync) {
  if (stream_failed || (writing && result.bytes_moved < total_bytes)) {
    return failed_at(result, pass_step::transfer,
                     transfer.error_number != 0 ? transfer.error_number : EIO,
                     transfer.system_error);
  }
  if (result.bytes_moved < total_bytes) return failed_at(result, pass_step::transfer, 0, 0);
  if (sync_status != 0) {
    return failed_at(result, pass_step::sync, sync.error_number != 0 ? sync.error_number : EIO,
                     sync.system_error);
  }
  return result;
}

}  // namespace

int32_t elapsed_between(uint32_t start, uint32_t end) {
  const uint32_t difference = end - start;  // modulo 2^32
  if (difference <= static_cast<uint32_t>(INT32_MAX)) return static_cast<int32_t>(difference);
  return static_cast<int32_t>(static_cast<int64_t>(difference) - (int64_t{1} << 32));
}

pass_result timed_pass(pass_kind kind, scratch_file* file, int32_t block_bytes, int64_t total_bytes,
                       bool to_device, buffer_pool* pool, tick_source ticks) {
  pass_result result{0, 0, pass_step::none, 0, 0};
  const bool writing = kind == pass_kind::write;

  system_error_clear();
  std::FILE* stream = scratch_file_stream(file, writing);
  if (stream == nullptr) return failed_at(result, pass_step::open, errno, system_error_code());

  const auto block = static_cast<std::size_t>(block_bytes);
  void* buffer = buffer_pool_take_zeroed(pool, block);
  if (buffer == nullptr) {
    const int error_number = errno;
    std::fclose(stream);
    return failed_at(result, pass_step::buffer, error_number, 0);
  }

  errno = 0;
  system_error_clear();
  const uint32_t start = ticks();
  if (writing) {
    // glibc's fwrite can go on returning whole counts after its write(2)
    // calls have started to fail (a full disk, a file-size limit), which
    // would grind through every remaining block. A stream in error counts
    // as a call that moved nothing, so the first failure ends the loop.
    result.bytes_moved = transfer_blocks(
        [=] {
          const std::size_t count = std::fwrite(buffer, 1, block, stream);
          return std::ferror(stream) != 0 ? 0 : count;
        },
        total_bytes);
  } else {
    result.bytes_moved =
        transfer_blocks([=] { return std::fread(buffer, 1, block, stream); }, total_bytes);
  }
  // The end reading comes right after the last call; but on the device a
  // write ends only when its data are there, after the flush and the sync.
  const bool syncing = writing && to_device;
  uint32_t end = syncing ? 0 : ticks();
  const call_error transfer_error = last_error();
  const bool stream_failed = std::ferror(stream) != 0;
  int sync_status = 0;
  call_error sync_error{0, 0};
  if (syncing) {
    if (!stream_failed && result.bytes_moved >= total_bytes) {
      system_error_clear();
      sync_status = scratch_file_sync(stream);
      sync_error = last_error();
    }
    end = ticks();
  }
  result.elapsed_ms = elapsed_between(start, end);
  result =
      judged(result, writing, total_bytes, stream_failed, transfer_error, sync_status, sync_error);

  buffer_pool_give_back(pool, buffer);
  // Closing the write stream flushes what stdio still holds; on a full disk
  // that flush is where the failure shows.
  system_error_clear();
  if (std::fclose(stream) != 0 && result.failed_step == pass_step::none) {
    result = failed_at(result, pass_step::close, errno, system_error_code());
  }
  // stdio counts the bytes it accepted; what matters is what reached the
  // file. After a failed write that is less, and is what gets reported. A
  // runtime whose close drops a failed last flush without an error (seen
  // with msvcrt under Wine) shows up here as a file shorter than its count.
  if (writing) {
    const int64_t file_bytes = scratch_file_bytes(file);
    if (file_bytes >= 0 && file_bytes < result.bytes_moved) {
      if (result.failed_step == pass_step::none) {
        result = failed_at(result, pass_step::close, 0, 0);
      }
      result.bytes_moved = file_bytes;
    }
  }
  return result;
}
