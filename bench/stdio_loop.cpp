// The floor velodrive is measured against: the same calls with nothing around
// them. Writes <MiB> MiB of zero bytes to <file> with one fwrite per
// <block bytes>-byte block (fopen "w" ... fclose), reads it back with one
// fread per block (fopen "r" ... fclose), removes it, and prints the two
// speeds in MiB/s on standard output. Each pass takes a zero-filled block
// from calloc and frees it after its loop, as velodrive's buffer pool does:
// where the block lies changes the read figure severalfold. Only the loops
// are timed, with the monotonic clock in nanoseconds (on Windows, mingw-w64's
// winpthreads reads it from QueryPerformanceCounter). With "binary" after
// the block size the streams are opened "wb" and "rb": the same as text on
// POSIX systems, and on Windows streams that translate nothing, where the
// default text streams look at every byte. Used by compare.py, not
// installed.
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int64_t now_ns() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// One timed pass: returns MiB/s, or a negative value when a call failed.
double pass(const char* path, const char* mode, std::size_t block_bytes, int64_t total) {
  std::FILE* stream = std::fopen(path, mode);
  if (stream == nullptr) return -1;
  char* block = static_cast<char*>(std::calloc(1, block_bytes));
  if (block == nullptr) {
    std::fclose(stream);
    return -1;
  }
  const bool writing = mode[0] == 'w';
  int64_t moved = 0;
  const int64_t start = now_ns();
  while (moved < total) {
    const std::size_t count = writing ? std::fwrite(block, 1, block_bytes, stream)
                                      : std::fread(block, 1, block_bytes, stream);
    if (count != block_bytes) break;
    moved += static_cast<int64_t>(count);
  }
  const int64_t elapsed = now_ns() - start;
  std::free(block);
  if (std::fclose(stream) != 0 || moved < total) return -1;
  return static_cast<double>(total) / 1048576.0 / (static_cast<double>(elapsed) * 1e-9);
}

}  // namespace

int main(int argc, char** argv) {
  const bool binary = argc == 5 && std::strcmp(argv[4], "binary") == 0;
  if (argc != 4 && !binary) {
    std::fprintf(stderr, "usage: stdio_loop <file> <MiB> <block bytes> [binary]\n");
    return 2;
  }
  const int64_t total = std::atoll(argv[2]) * 1048576;
  const auto block_bytes = static_cast<std::size_t>(std::atoll(argv[3]));
  if (total <= 0 || block_bytes == 0) return 2;
  const double write = pass(argv[1], binary ? "wb" : "w", block_bytes, total);
  const double read = pass(argv[1], binary ? "rb" : "r", block_bytes, total);
  std::remove(argv[1]);
  if (write < 0 || read < 0) {
    std::perror(argv[1]);
    return 1;
  }
  std::printf("%.2f %.2f\n", write, read);
  return 0;
}
