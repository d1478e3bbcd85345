#include "timed_pass.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/scratch_file.h"
#include "test_support.h"

namespace {

struct elapsed_case {
  uint32_t start;
  uint32_t end;
  int32_t expected;
};

TEST(ElapsedBetween, IsTheSignedDifferenceModulo2To32) {
  const elapsed_case cases[] = {
      {0, 0, 0},
      {100, 850, 750},
      {0xFFFFFF00u, 0x00000100u, 512},  // the counter wrapped between readings
      {0xFFFFFFFFu, 0, 1},
      {5, 4, -1},
      {0, 0x7FFFFFFFu, INT32_MAX},
      {0, 0x80000000u, INT32_MIN},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(elapsed_between(c.start, c.end), c.expected) << c.start << " to " << c.end;
  }
}

// A pool the size the run makes: two blocks.
struct pool_of_two_blocks {
  explicit pool_of_two_blocks(int32_t block_bytes)
      : pool(buffer_pool_create(2 * static_cast<std::size_t>(block_bytes),
                                2 * static_cast<std::size_t>(block_bytes))) {}
  ~pool_of_two_blocks() { buffer_pool_destroy(pool); }
  buffer_pool* pool;
};

std::uintmax_t file_size(const std::string& path) {
  return std::filesystem::file_size(path);
}

struct size_case {
  int32_t block_bytes;
  int64_t total_bytes;
  int64_t file_bytes;  // whole blocks: the last block may run past the total
};

TEST(TimedPass, WritesWholeBlocksAndReadsThemBack) {
  const size_case cases[] = {
      {3072, 1048576, 1050624},     // 342 blocks of 3 KiB
      {4096, 1048576, 1048576},     // 256 blocks, exact
      {2097152, 1048576, 2097152},  // one block larger than the total
      {1, 1000, 1000},              // one byte per call
  };
  for (const bool to_device : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE("block " + std::to_string(c.block_bytes) + ", total " +
                   std::to_string(c.total_bytes) + (to_device ? ", to the device" : ""));
      scratch_dir dir;
      const std::string path = dir.file("scratch.dat");
      pool_of_two_blocks pool(c.block_bytes);
      scratch_file* file = scratch_file_create(path.c_str());
      ASSERT_NE(file, nullptr);

      scripted_ticks::play({1000, 1250, 0xFFFFFFF0u, 0x0000000Fu});
      const pass_result written = timed_pass(pass_kind::write, file, c.block_bytes, c.total_bytes,
                                             to_device, pool.pool, scripted_ticks::next);
      EXPECT_EQ(written.failed_step, pass_step::none);
      EXPECT_EQ(written.bytes_moved, c.file_bytes);
      EXPECT_EQ(written.elapsed_ms, 250);
      EXPECT_EQ(file_size(path), static_cast<std::uintmax_t>(c.file_bytes));
      EXPECT_EQ(read_text_file(path), std::string(static_cast<std::size_t>(c.file_bytes), '\0'));

      if (to_device) scratch_file_drop_cache(file);
      const pass_result read = timed_pass(pass_kind::read, file, c.block_bytes, c.total_bytes,
                                          to_device, pool.pool, scripted_ticks::next);
      EXPECT_EQ(read.failed_step, pass_step::none);
      EXPECT_EQ(read.bytes_moved, c.file_bytes);
      EXPECT_EQ(read.elapsed_ms, 31);  // across the counter's wrap
      EXPECT_EQ(scripted_ticks::reads(), 4u) << "each pass reads the clock exactly twice";
      EXPECT_EQ(scratch_file_remove(file), scratch_removal::removed);
      EXPECT_TRUE(dir.entries().empty());
    }
  }
}

TEST(TimedPass, ReadOfAShortenedFileFailsAtItsEnd) {
  scratch_dir dir;
  const std::string path = dir.file("scratch.dat");
  pool_of_two_blocks pool(3072);
  scratch_file* file = scratch_file_create(path.c_str());
  ASSERT_NE(file, nullptr);
  scripted_ticks::play({0, 10, 20, 30});
  ASSERT_EQ(
      timed_pass(pass_kind::write, file, 3072, 1048576, false, pool.pool, scripted_ticks::next)
          .failed_step,
      pass_step::none);
  std::filesystem::resize_file(path, 524288);  // someone else shortens it

  const pass_result read =
      timed_pass(pass_kind::read, file, 3072, 1048576, false, pool.pool, scripted_ticks::next);
  EXPECT_EQ(read.failed_step, pass_step::transfer);
  EXPECT_EQ(read.error_number, 0);  // an end of file, not an I/O error
  EXPECT_EQ(read.bytes_moved, 524288);
  EXPECT_EQ(read.elapsed_ms, 10);
  EXPECT_EQ(scratch_file_remove(file), scratch_removal::removed);
}

// What stands at the scratch file's name before the run: the create must
// refuse it and leave it exactly as it was.
enum class occupant { regular_file, link_to_file, dangling_link, fifo, directory };

TEST(ScratchFile, NeverTakesOverAnExistingName) {
  const occupant occupants[] = {occupant::regular_file, occupant::directory,
#ifndef _WIN32
                                occupant::link_to_file, occupant::dangling_link, occupant::fifo
#endif
  };
  for (occupant kind : occupants) {
    SCOPED_TRACE("occupant " + std::to_string(static_cast<int>(kind)));
    scratch_dir dir;
    const std::string path = dir.file("taken");
    const std::string target = dir.file("target");
    switch (kind) {
      case occupant::regular_file: write_text_file(path, "precious"); break;
      case occupant::link_to_file:
        write_text_file(target, "precious");
        std::filesystem::create_symlink(target, path);
        break;
      case occupant::dangling_link: std::filesystem::create_symlink(target, path); break;
      case occupant::directory: std::filesystem::create_directory(path); break;
      case occupant::fifo:
#ifndef _WIN32
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
#endif
        break;
    }
    const auto before = dir.entries();

    errno = 0;
    EXPECT_EQ(scratch_file_create(path.c_str()), nullptr);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(dir.entries(), before) << "nothing created, nothing removed";
    if (kind == occupant::regular_file) {
      EXPECT_EQ(read_text_file(path), "precious");
    }
    if (kind == occupant::link_to_file) {
      EXPECT_EQ(read_text_file(target), "precious");
    }
  }
}

TEST(TimedPass, ReportsTheStepThatCouldNotStart) {
  scratch_dir dir;
  const std::string path = dir.file("scratch.dat");
  scripted_ticks::play({});
  scratch_file* file = scratch_file_create(path.c_str());
  ASSERT_NE(file, nullptr);

  pool_of_two_blocks small_pool(1024);  // cannot serve a 4096-byte block
  const pass_result no_buffer =
      timed_pass(pass_kind::write, file, 4096, 4096, false, small_pool.pool, scripted_ticks::next);
  EXPECT_EQ(no_buffer.failed_step, pass_step::buffer);
  EXPECT_EQ(no_buffer.error_number, ENOMEM);
  EXPECT_EQ(scripted_ticks::reads(), 0u) << "no timing without a stream and a buffer";
  EXPECT_EQ(scratch_file_remove(file), scratch_removal::removed);
}

}  // namespace
