// Feeds arbitrary argument vectors to parse_command_line and checks every
// outcome against a plain model of the decision, and every argument's
// number against a plain reading of the digits.
//
// Input: the arguments after the program name, separated by NUL bytes.

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "command_line.h"

namespace {

// The number `text` stands for: blanks, a sign, digits; saturated to the
// 32-bit range by the count of significant digits rather than arithmetic.
int64_t reference_value(const std::string& text) {
  std::size_t at = 0;
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])) != 0) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  std::string digits;
  while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) != 0) {
    digits += text[at++];
  }
  digits.erase(0, digits.find_first_not_of('0'));
  if (digits.empty()) return 0;
  const int64_t magnitude =
      digits.size() > 10 ? INT64_MAX : std::strtoll(digits.c_str(), nullptr, 10);
  if (negative) return magnitude > 2147483648 ? INT32_MIN : -magnitude;
  return magnitude > INT32_MAX ? INT32_MAX : magnitude;
}

void check(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::vector<std::string> words;
  const char* text = reinterpret_cast<const char*>(data);
  for (std::size_t start = 0; start <= size && words.size() < 8;) {
    const void* found = std::memchr(text + start, '\0', size - start);
    const std::size_t end = found != nullptr ? static_cast<const char*>(found) - text : size;
    words.emplace_back(text + start, end - start);
    start = end + 1;
  }
  if (size == 0) words.clear();

  for (const std::string& word : words) {
    check(numeric_text_value(word.c_str()) == reference_value(word), "numeric text rule");
  }

  std::vector<const char*> argv{"velodrive"};
  for (const std::string& word : words) argv.push_back(word.c_str());
  char* printed = nullptr;
  std::size_t printed_size = 0;
  std::FILE* messages = open_memstream(&printed, &printed_size);
  const auto request = parse_command_line(static_cast<int>(argv.size()), argv.data(), messages);
  std::fclose(messages);
  const std::string message(printed, printed_size);
  std::free(printed);

  // The model: what the command line must decide. The device flag counts
  // only as the first of three or more words; the rest then decide alone.
  const bool to_device = words.size() >= 3 && words[0] == "--sync";
  const std::size_t first = to_device ? 1 : 0;
  const std::size_t n = words.size() - first;
  const std::string usage = "velodrive [-b <block size (KiB)>] <file> <file size (MiB)>\n";
  if (n < 2 || (n > 2 && (words[first] != "-b" || n == 3))) {
    check(!request && message == usage, "usage line");
  } else if (n == 2) {
    check(request && request->path == argv[first + 1] && request->size_text == argv[first + 2] &&
              request->block_bytes == DEFAULT_BLOCK_BYTES && request->to_device == to_device &&
              message.empty(),
          "short form");
  } else {
    const int64_t block_bytes = reference_value(words[first + 1]) * 1024;
    if (block_bytes < 1 || block_bytes > MAX_BLOCK_BYTES) {
      check(!request && message == std::to_string(block_bytes) + " are you mad!!\n",
            "limit message carries the KiB count times 1024");
    } else {
      check(request && request->path == argv[first + 3] && request->size_text == argv[first + 4] &&
                request->block_bytes == block_bytes && request->to_device == to_device &&
                message.empty(),
            "long form");
    }
  }
  check(!request || (request->block_bytes >= 1 && request->block_bytes <= MAX_BLOCK_BYTES),
        "accepted block size within 1 .. 2 MiB");
  return 0;
}
