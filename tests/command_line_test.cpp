#include "command_line.h"

#include <climits>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

struct numeric_case {
  const char* text;
  int32_t expected;
};

TEST(NumericText, ReadsLikeAtolWithA32BitSaturatingResult) {
  const numeric_case cases[] = {
      {"100", 100},
      {"  16", 16},
      {"\t\n\v\f\r 7", 7},
      {"+5", 5},
      {"-5", -5},
      {"64k", 64},
      {"1x", 1},
      {"0x10", 0},
      {"abc", 0},
      {"", 0},
      {"- 5", 0},
      {"+-5", 0},
      {"--5", 0},
      {"000000000000000000000012", 12},
      {"2147483647", INT32_MAX},
      {"2147483648", INT32_MAX},
      {"99999999999999999999999999", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"-2147483649", INT32_MIN},
      {"-99999999999999999999999999", INT32_MIN},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(numeric_text_value(c.text), c.expected) << "text \"" << c.text << "\"";
  }
}

const char USAGE[] = "velodrive [-b <block size (KiB)>] <file> <file size (MiB)>\n";

struct parse_case {
  std::vector<const char*> arguments;  // after the program name
  const char* message;                 // null when the command line is accepted
  const char* path;
  const char* size_text;
  int32_t block_bytes;
  bool to_device = false;
};

TEST(ParseCommandLine, DecidesBetweenUsageLimitAndRun) {
  const parse_case cases[] = {
      {{}, USAGE, nullptr, nullptr, 0},
      {{"f"}, USAGE, nullptr, nullptr, 0},
      {{"f", "10"}, nullptr, "f", "10", 4096},
      {{"-b", "64"}, nullptr, "-b", "64", 4096},  // short form: "-b" is a file name
      {{"f", "abc"}, nullptr, "f", "abc", 4096},  // the size is read later
      {{"f", "10", "extra"}, USAGE, nullptr, nullptr, 0},
      {{"-b", "64", "f"}, USAGE, nullptr, nullptr, 0},
      {{"x", "64", "f", "10"}, USAGE, nullptr, nullptr, 0},
      {{"-B", "64", "f", "10"}, USAGE, nullptr, nullptr, 0},
      {{"-b8", "64", "f", "10"}, USAGE, nullptr, nullptr, 0},
      {{"--b", "64", "f", "10"}, USAGE, nullptr, nullptr, 0},
      {{"-b", "1", "f", "10"}, nullptr, "f", "10", 1024},
      {{"-b", "64", "scratch.dat", "100"}, nullptr, "scratch.dat", "100", 65536},
      {{"-b", "2048", "f", "10"}, nullptr, "f", "10", 2097152},
      {{"-b", "8", "f", "10", "extra", "more"}, nullptr, "f", "10", 8192},
      {{"-b", "1x", "f", "10"}, nullptr, "f", "10", 1024},
      {{"-b", "  16", "f", "10"}, nullptr, "f", "10", 16384},
      {{"-b", "2049", "f", "10"}, "2098176 are you mad!!\n", nullptr, nullptr, 0},
      {{"-b", "4096", "f", "10"}, "4194304 are you mad!!\n", nullptr, nullptr, 0},
      {{"-b", "2097152", "f", "1"}, "2147483648 are you mad!!\n", nullptr, nullptr, 0},
      {{"-b", "99999999999", "f", "1"}, "2199023254528 are you mad!!\n", nullptr, nullptr, 0},
      {{"-b", "0", "f", "10"}, "0 are you mad!!\n", nullptr, nullptr, 0},
      {{"-b", "abc", "f", "10"}, "0 are you mad!!\n", nullptr, nullptr, 0},
      {{"-b", "-1", "f", "10"}, "-1024 are you mad!!\n", nullptr, nullptr, 0},
      {{"-b", "-99999999999", "f", "1"}, "-2199023255552 are you mad!!\n", nullptr, nullptr, 0},
      // The device flag, only first and followed by either form.
      {{"--sync", "f", "10"}, nullptr, "f", "10", 4096, true},
      {{"--sync", "-b", "64", "f", "10"}, nullptr, "f", "10", 65536, true},
      {{"--sync", "-b", "8", "f", "10", "extra"}, nullptr, "f", "10", 8192, true},
      {{"--sync", "-b", "64"}, nullptr, "-b", "64", 4096, true},  // short form after the flag
      {{"--sync", "-b", "2049", "f", "10"}, "2098176 are you mad!!\n", nullptr, nullptr, 0},
      {{"--sync", "-b", "64", "f"}, USAGE, nullptr, nullptr, 0},
      {{"--sync", "f", "10", "extra"}, USAGE, nullptr, nullptr, 0},
      {{"--sync", "--sync", "f", "10"}, USAGE, nullptr, nullptr, 0},
      {{"--SYNC", "f", "10"}, USAGE, nullptr, nullptr, 0},
      // Everywhere else it is what it was before: a name, or ignored.
      {{"--sync"}, USAGE, nullptr, nullptr, 0},
      {{"--sync", "100"}, nullptr, "--sync", "100", 4096},
      {{"-b", "64", "--sync", "8"}, nullptr, "--sync", "8", 65536},
      {{"-b", "64", "f", "8", "--sync"}, nullptr, "f", "8", 65536},
  };
  for (const auto& c : cases) {
    std::vector<const char*> argv{"velodrive"};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    std::string shown;
    for (const char* argument : c.arguments) shown += std::string(" [") + argument + "]";
    SCOPED_TRACE("arguments:" + shown);

    captured_messages messages;
    const auto request =
        parse_command_line(static_cast<int>(argv.size()), argv.data(), messages.stream());
    if (c.message != nullptr) {
      EXPECT_FALSE(request.has_value());
      EXPECT_EQ(messages.text(), c.message);
    } else {
      ASSERT_TRUE(request.has_value());
      EXPECT_STREQ(request->path, c.path);
      EXPECT_STREQ(request->size_text, c.size_text);
      EXPECT_EQ(request->block_bytes, c.block_bytes);
      EXPECT_EQ(request->to_device, c.to_device);
      EXPECT_EQ(messages.text(), "");
    }
  }
}

}  // namespace
