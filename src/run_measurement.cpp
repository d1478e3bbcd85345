#include "run_measurement.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>

#include "platform/buffer_pool.h"
#include "platform/scratch_file.h"
#include "platform/system_error.h"
#include "timed_pass.h"

namespace {

// Prints the pass's report line, or the one line that says why it failed.
// Returns whether the pass succeeded.
bool report_pass(pass_kind kind, const run_request& request, scratch_file* file,
                 int64_t total_bytes, double total_real, buffer_pool* pool, tick_source ticks,
                 std::FILE* messages) {
  const pass_result result =
      timed_pass(kind, file, request.block_bytes, total_bytes, request.to_device, pool, ticks);
  const bool writing = kind == pass_kind::write;
  const char* verb = writing ? "writing" : "reading";
  const char* reason = system_error_text(result.error_number, result.system_error);

  switch (result.failed_step) {
    case pass_step::none:
      std::fprintf(messages,
                   writing ? "Block Size : %d, Write Speed: %.2fMb/sec\n"
                           : "Block Size : %d, Read Speed: %.2fMb/sec\n",
                   request.block_bytes, throughput(total_real, result.elapsed_ms));
      break;
    case pass_step::open:
      std::fprintf(messages, "velodrive: cannot %s %s: %s\n",
                   writing ? "create" : "open for reading", request.path, reason);
      break;
    case pass_step::buffer:
      std::fprintf(messages, "velodrive: cannot get a %d-byte buffer for %s %s: %s\n",
                   request.block_bytes, verb, request.path, reason);
      break;
    case pass_step::transfer:
      if (result.error_number == 0) reason = "the file is shorter than the one written";
      std::fprintf(messages, "velodrive: %s %s failed after %" PRId64 " of %" PRId64 " bytes: %s\n",
                   verb, request.path, result.bytes_moved, total_bytes, reason);
      break;
    case pass_step::sync:
      std::fprintf(messages, "velodrive: syncing %s after writing %" PRId64 " bytes failed: %s\n",
                   request.path, result.bytes_moved, reason);
      break;
    case pass_step::close:
      if (result.error_number == 0) reason = "the file holds fewer bytes than were written";
      std::fprintf(messages, "velodrive: closing %s after %s %" PRId64 " bytes failed: %s\n",
                   request.path, verb, result.bytes_moved, reason);
      break;
  }
  return result.failed_step == pass_step::none;
}

// One line after the report where the read may have come from memory in
// spite of the device mode; nothing where it came from the device.
void report_cache(const cache_state& cache, const run_request& request, int64_t total_bytes,
                  std::FILE* messages) {
  const char* why = nullptr;  // what the file system means for the read
  switch (cache.kind) {
    case cache_kind::none: return;
    case cache_kind::partly_cached:
      std::fprintf(messages,
                   "velodrive: %" PRId64 " of %" PRId64
                   " bytes of %s were still cached when the read began: the read speed is partly "
                   "memory's\n",
                   cache.cached_bytes, total_bytes, request.path);
      return;
    case cache_kind::memory_file_system:
      why = "which keeps files in memory: the read speed is memory's";
      break;
    case cache_kind::own_cache:
      why = "whose own cache velodrive cannot empty: the read speed may be memory's";
      break;
    case cache_kind::network:
      why = "a network file system: the server's cache may have served the read";
      break;
  }
  std::fprintf(messages, "velodrive: %s is on %s, %s\n", request.path, cache.file_system, why);
}

}  // namespace

double throughput(double total_bytes, int32_t elapsed_ms) {
  const double seconds = static_cast<double>(elapsed_ms) * 0.001;
  const double bytes_per_second = total_bytes / seconds;
  return bytes_per_second * 9.5367431640625e-07;  // 2^-20: bytes to MiB
}

int run_measurement(const run_request& request, tick_source ticks, std::FILE* messages) {
  // A size of 0 or less would "measure" a file that was never written.
  const int32_t size_mib = numeric_text_value(request.size_text);
  if (size_mib < 1) {
    std::fprintf(messages, "velodrive: the file size must be at least 1 MiB, not \"%s\"\n",
                 request.size_text);
    return 1;
  }

  // Room for two blocks, though a pass holds only one at a time.
  const std::size_t pool_bytes = 2 * static_cast<std::size_t>(request.block_bytes);
  buffer_pool* pool = buffer_pool_create(pool_bytes, pool_bytes);
  if (pool == nullptr) {
    std::fprintf(messages, "velodrive: cannot create a buffer pool of %zu bytes for %s: %s\n",
                 pool_bytes, request.path, std::strerror(errno));
    return 1;
  }

  system_error_clear();
  scratch_file* file = scratch_file_create(request.path);
  if (file == nullptr) {
    std::fprintf(messages, "velodrive: cannot create %s: %s\n", request.path,
                 system_error_text(errno, system_error_code()));
    buffer_pool_destroy(pool);
    return 1;
  }

  // 64-bit totals: any MiB count the command line can express is honoured.
  const int64_t total_bytes = static_cast<int64_t>(size_mib) * 1048576;
  const auto total_real = static_cast<double>(total_bytes);

  bool succeeded =
      report_pass(pass_kind::write, request, file, total_bytes, total_real, pool, ticks, messages);
  if (succeeded) {
    // In the device mode the read must find nothing of the file in memory;
    // what is left there is told once the read line stands.
    cache_state cache{cache_kind::none, nullptr, 0};
    if (request.to_device) {
      scratch_file_drop_cache(file);
      cache = scratch_file_cache_state(file);
    }
    succeeded =
        report_pass(pass_kind::read, request, file, total_bytes, total_real, pool, ticks, messages);
    if (succeeded) report_cache(cache, request, total_bytes, messages);
  }

  system_error_clear();
  switch (scratch_file_remove(file)) {
    case scratch_removal::removed: break;
    case scratch_removal::replaced:
      std::fprintf(messages, "velodrive: cannot remove %s: it was replaced during the run\n",
                   request.path);
      break;
    case scratch_removal::failed:
      std::fprintf(messages, "velodrive: cannot remove %s: %s\n", request.path,
                   system_error_text(errno, system_error_code()));
      break;
  }
  buffer_pool_destroy(pool);
  return succeeded ? 0 : 1;
}
