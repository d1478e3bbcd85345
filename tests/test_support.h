// Helpers shared by the tests: a scratch directory that cleans up after
// itself, a scripted tick counter, and capture of a run's messages.
#ifndef VELODRIVE_TESTS_TEST_SUPPORT_H
#define VELODRIVE_TESTS_TEST_SUPPORT_H

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// A fresh directory under the system's temporary directory, removed with
// everything in it when the test ends.
class scratch_dir {
 public:
  scratch_dir() {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      const auto candidate = base / ("velodrive-test-" + std::to_string(random()));
      std::error_code error;
      if (std::filesystem::create_directory(candidate, error)) path_ = candidate.string();
    }
    if (path_.empty()) ADD_FAILURE() << "cannot make a scratch directory under " << base;
  }
  ~scratch_dir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  scratch_dir(const scratch_dir&) = delete;
  scratch_dir& operator=(const scratch_dir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

  // Names of everything in the directory, symbolic links included.
  std::set<std::string> entries() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

 private:
  std::string path_;
};

inline void write_text_file(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline std::string read_text_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A tick counter that plays back a script of readings, so elapsed times are
// exact. Reading past the end of the script fails the test.
struct scripted_ticks {
  static std::vector<uint32_t>& readings() {
    static std::vector<uint32_t> script;
    return script;
  }
  static std::size_t& reads() {
    static std::size_t count = 0;
    return count;
  }
  static void play(std::initializer_list<uint32_t> script) {
    readings() = script;
    reads() = 0;
  }
  static uint32_t next() {
    if (reads() >= readings().size()) {
      ADD_FAILURE() << "tick counter read more often than scripted";
      return 0;
    }
    return readings()[reads()++];
  }
};

// Collects what a function writes to its messages stream.
class captured_messages {
 public:
  captured_messages() : stream_(std::tmpfile()) {}
  ~captured_messages() {
    if (stream_ != nullptr) std::fclose(stream_);
  }
  captured_messages(const captured_messages&) = delete;
  captured_messages& operator=(const captured_messages&) = delete;

  std::FILE* stream() const { return stream_; }
  std::string text() const {
    std::fflush(stream_);
    std::rewind(stream_);
    std::string all;
    char chunk[512];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, stream_)) > 0) all.append(chunk, got);
    return all;
  }

 private:
  std::FILE* stream_;
};

#endif
