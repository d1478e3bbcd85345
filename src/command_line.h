// Reading the command line: the short form "<file> <MiB>" and the long form
// "-b <KiB> <file> <MiB>", either after DEVICE_FLAG, and the two refusals
// (usage line, block limit).
#ifndef VELODRIVE_COMMAND_LINE_H
#define VELODRIVE_COMMAND_LINE_H

#include <cstdint>
#include <cstdio>
#include <optional>

// Block size of the short form, in bytes.
constexpr int32_t DEFAULT_BLOCK_BYTES = 4096;
// Largest block size the long form accepts, in bytes (2 MiB, itself accepted).
constexpr int32_t MAX_BLOCK_BYTES = 2097152;
// Asks for figures from the device rather than the file cache. Taken only
// as the first of three or more arguments, where nothing else would be.
constexpr const char* DEVICE_FLAG = "--sync";

// An accepted command line. The texts point into the argument vector, which
// outlives the run; nothing here owns memory.
struct run_request {
  const char* path;       // scratch file name, exactly as typed
  const char* size_text;  // file size in MiB, still as typed
  int32_t block_bytes;    // bytes per transfer call, 1 .. MAX_BLOCK_BYTES
  bool to_device;         // the write is synced and the read comes from the device
};

// The number a text stands for, read the way atol reads it: leading white
// space, one optional sign, then decimal digits up to the first non-digit;
// no digits reads as 0. The result is 32-bit on every platform: values out
// of range saturate at INT32_MAX or INT32_MIN instead of wrapping.
int32_t numeric_text_value(const char* text);

// Decides what the command line asks for. argv[0] is never read. On refusal
// the usage line or the limit message has been written to `messages` and
// the caller ends with exit status 1.
std::optional<run_request> parse_command_line(int argc, const char* const* argv,
                                              std::FILE* messages);

#endif
