#include "command_line.h"

#include <cinttypes>
#include <cstring>

namespace {

const char* const USAGE_LINE = "velodrive [-b <block size (KiB)>] <file> <file size (MiB)>\n";

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::nullopt_t refuse_with_usage(std::FILE* messages) {
  std::fputs(USAGE_LINE, messages);
  return std::nullopt;
}

}  // namespace

int32_t numeric_text_value(const char* text) {
  while (is_space(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = (*text++ == '-');
  // Accumulate the magnitude in 64 bits and stop growing it once it is past
  // what either sign can hold, so long digit strings cannot overflow.
  const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
  int64_t magnitude = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    if (magnitude <= limit) magnitude = magnitude * 10 + (*text - '0');
  }
  if (magnitude > limit) magnitude = limit;
  return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

namespace {

// The short or the long form, in `arguments` words after argv[0].
std::optional<run_request> parse_forms(int arguments, const char* const* argv, bool to_device,
                                       std::FILE* messages) {
  if (arguments < 2) return refuse_with_usage(messages);
  if (arguments == 2) return run_request{argv[1], argv[2], DEFAULT_BLOCK_BYTES, to_device};

  if (std::strcmp(argv[1], "-b") != 0 || arguments == 3) return refuse_with_usage(messages);

  // KiB to bytes in 64 bits: the saturated KiB count times 1024 always fits,
  // so the limit message shows the true byte count. Zero and negative sizes
  // are refused the same way, since such a run would move no data at all.
  const int64_t block_bytes = static_cast<int64_t>(numeric_text_value(argv[2])) * 1024;
  if (block_bytes > MAX_BLOCK_BYTES || block_bytes <= 0) {
    std::fprintf(messages, "%" PRId64 " are you mad!!\n", block_bytes);
    return std::nullopt;
  }
  return run_request{argv[3], argv[4], static_cast<int32_t>(block_bytes), to_device};
}

}  // namespace

std::optional<run_request> parse_command_line(int argc, const char* const* argv,
                                              std::FILE* messages) {
  const int arguments = argc - 1;
  // Two arguments are always the short form, even when the first is the
  // flag; three or more starting with anything but "-b" were refused
  // before the flag existed, so the flag takes nothing from anyone there.
  if (arguments >= 3 && std::strcmp(argv[1], DEVICE_FLAG) == 0) {
    return parse_forms(arguments - 1, argv + 1, true, messages);
  }
  return parse_forms(arguments, argv, false, messages);
}
