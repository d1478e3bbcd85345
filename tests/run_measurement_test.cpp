#include "run_measurement.h"

#include <cmath>
#include <cstdio>

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

std::string two_decimals(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

struct speed_case {
  int64_t mib;
  int32_t elapsed_ms;
  const char* printed;
};

TEST(Throughput, GivesTheWorkedFiguresDigitForDigit) {
  const speed_case cases[] = {
      {64, 500, "128.00"}, {100, 750, "133.33"}, {10, 333, "30.03"},      {1, 15, "66.67"},
      {1, 16, "62.50"},    {512, 999, "512.51"}, {4096, 1000, "4096.00"},  // a total past 2 GiB
      {1, 0, "inf"},                                                       // both readings equal
  };
  for (const auto& c : cases) {
    const double total = static_cast<double>(c.mib * 1048576);
    EXPECT_EQ(two_decimals(throughput(total, c.elapsed_ms)), c.printed)
        << c.mib << " MiB in " << c.elapsed_ms << " ms";
  }
  // The operations run in a fixed order: milliseconds to seconds, bytes over
  // seconds, then to MiB. Dividing by the milliseconds first, or converting
  // to MiB first, gives 19.607843137254903 here.
  EXPECT_EQ(throughput(1048576.0, 51), 19.6078431372549);
}

struct run_fixture {
  scratch_dir dir;
  std::string path = dir.file("scratch.dat");
  captured_messages messages;

  int run(const char* size_text, int32_t block_bytes) {
    const run_request request{path.c_str(), size_text, block_bytes, false};
    return run_measurement(request, scripted_ticks::next, messages.stream());
  }
};

TEST(RunMeasurement, PrintsBothLinesAndRemovesTheFile) {
  run_fixture fixture;
  // Write: 15 ms. Read: 16 ms, with the counter wrapping in between.
  scripted_ticks::play({1000, 1015, 0xFFFFFFF8u, 0x00000008u});
  EXPECT_EQ(fixture.run("1", 3072), 0);
  EXPECT_EQ(fixture.messages.text(),
            "Block Size : 3072, Write Speed: 66.67Mb/sec\n"
            "Block Size : 3072, Read Speed: 62.50Mb/sec\n");
  EXPECT_TRUE(fixture.dir.entries().empty());
}

TEST(RunMeasurement, RefusesASizeBelowOneMiBBeforeCreatingAnything) {
  for (const char* size_text : {"0", "-1", "abc", "", "-2147483648"}) {
    run_fixture fixture;
    scripted_ticks::play({});
    EXPECT_EQ(fixture.run(size_text, 4096), 1) << size_text;
    EXPECT_EQ(fixture.messages.text(), "velodrive: the file size must be at least 1 MiB, not \"" +
                                           std::string(size_text) + "\"\n");
    EXPECT_TRUE(fixture.dir.entries().empty());
  }
}

}  // namespace
