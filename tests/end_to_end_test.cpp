// Runs the real velodrive binary in a scratch directory and checks what a
// user sees: exit status, standard error, standard output, files left.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "test_support.h"

#ifndef VELODRIVE_BINARY
#error "VELODRIVE_BINARY must name the velodrive executable"
#endif
#ifndef VELODRIVE_FAULTY_FS
#error "VELODRIVE_FAULTY_FS must name faulty_fs.py"
#endif

namespace {

struct child_limits {
  rlim_t file_size = RLIM_INFINITY;  // RLIMIT_FSIZE, in bytes
  bool ignore_sigxfsz = false;
};

// The program under test: this build's velodrive, or the one VELODRIVE_EXE
// names, run through VELODRIVE_EMULATOR when that is set (the Windows
// build under Wine).
// The value of environment variable `name`, or null when unset or empty.
const char* setting(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

std::vector<std::string> velodrive_command() {
  std::vector<std::string> words;
  if (const char* emulator = setting("VELODRIVE_EMULATOR")) words.emplace_back(emulator);
  const char* exe = setting("VELODRIVE_EXE");
  words.emplace_back(exe != nullptr ? exe : VELODRIVE_BINARY);
  return words;
}

bool under_emulator() {
  return setting("VELODRIVE_EMULATOR") != nullptr;
}

// What the program printed, with Windows text-mode line ends ("\r\n")
// read as the "\n" they stand for.
std::string as_lines(std::string text) {
  if (!under_emulator()) return text;
  for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos;) text.erase(at, 1);
  return text;
}

// Starts velodrive in `dir` with standard output and standard error on the
// given descriptors. Every signal starts at its default action.
pid_t start_velodrive(const std::string& dir, const std::vector<std::string>& arguments,
                      int stdout_fd, int stderr_fd, child_limits limits = {}) {
  std::vector<std::string> words = velodrive_command();
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  sigset_t none;
  sigemptyset(&none);

  const pid_t pid = fork();
  if (pid != 0) return pid;
  // In the child: only async-signal-safe calls from here to exec.
  if (chdir(dir.c_str()) != 0) _exit(126);
  dup2(stdout_fd, STDOUT_FILENO);
  dup2(stderr_fd, STDERR_FILENO);
  for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
    signal(signal_number, SIG_DFL);
  }
  if (limits.ignore_sigxfsz) signal(SIGXFSZ, SIG_IGN);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  const rlimit file_size{limits.file_size, limits.file_size};
  setrlimit(RLIMIT_FSIZE, &file_size);
  // Signals that dump core by default must leave no core file behind.
  const rlimit no_core{0, 0};
  setrlimit(RLIMIT_CORE, &no_core);
  execv(argv[0], argv.data());
  _exit(127);
}

std::string read_descriptor(int fd) {
  std::string all;
  char chunk[4096];
  ssize_t got = 0;
  while ((got = read(fd, chunk, sizeof chunk)) > 0)
    all.append(chunk, static_cast<std::size_t>(got));
  return all;
}

struct outcome {
  int exit_status = -1;  // when it exited
  int signal = 0;        // when a signal ended it
  std::string standard_output;
  std::string standard_error;
};

outcome wait_for(pid_t pid) {
  outcome result;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

// Runs velodrive to its end and collects everything it printed.
outcome run_velodrive(const std::string& dir, const std::vector<std::string>& arguments,
                      child_limits limits = {}) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  outcome result = wait_for(start_velodrive(dir, arguments, fileno(out), fileno(err), limits));
  std::rewind(out);
  std::rewind(err);
  result.standard_output = as_lines(read_descriptor(fileno(out)));
  result.standard_error = as_lines(read_descriptor(fileno(err)));
  std::fclose(out);
  std::fclose(err);
  return result;
}

// Polls `ready` every few milliseconds for up to 30 seconds.
template <typename condition>
bool eventually(condition ready) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!ready()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

off_t size_of(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 ? status.st_size : -1;
}

// Whether process `pid` is asleep in a write to a full pipe: the kernel
// function it waits in (pipe_write, anon_pipe_write since Linux 6.x). Seen
// the same for a program that qemu-user runs.
bool blocked_writing_to_a_pipe(pid_t pid) {
  std::ifstream wchan("/proc/" + std::to_string(pid) + "/wchan");
  std::string waiting_in;
  std::getline(wchan, waiting_in);
  return waiting_in.find("pipe_write") != std::string::npos;
}

const char USAGE[] = "velodrive [-b <block size (KiB)>] <file> <file size (MiB)>\n";
const char* SPEED = "([0-9]+\\.[0-9]{2}|inf)Mb/sec\n";

struct refusal_case {
  std::vector<std::string> arguments;
  std::string message;
};

// Names a user can type: plain ASCII, Cyrillic, CJK, an emoji.
const char* const NAMES[] = {"scratch.dat", "Тест.dat", "测试.dat", "😀.dat"};

TEST(EndToEnd, RefusalsPrintOneLineAndCreateNothing) {
  std::vector<refusal_case> cases = {
      {{}, USAGE},
      {{"scratch.dat"}, USAGE},
      {{"-b", "64", "scratch.dat"}, USAGE},
      {{"-b", "2049", "scratch.dat", "10"}, "2098176 are you mad!!\n"},
      {{"-b", "0", "scratch.dat", "10"}, "0 are you mad!!\n"},
      {{"scratch.dat", "0"}, "velodrive: the file size must be at least 1 MiB, not \"0\"\n"},
  };
  // Names that open something other than a regular file on a disk are
  // refused before anything is written: DOS device names (with any
  // extension, as Windows 10 and earlier read them), \\.\ and GLOBALROOT
  // device paths, a volume, a whole drive; on Linux, device files.
  const std::vector<std::string> devices =
      under_emulator() ? std::vector<std::string>{"NUL",        "nul.txt",
                                                  "\\\\.\\NUL", "\\\\?\\GLOBALROOT\\Device\\Null",
                                                  "\\\\.\\C:",  "\\\\.\\PhysicalDrive0"}
                       : std::vector<std::string>{"/dev/null", "/dev/zero"};
  for (const auto& device : devices) {
    cases.push_back(
        {{"-b", "64", device, "4"}, "velodrive: cannot create " + device + ": File exists\n"});
  }
  // Wine reports a name too long for the file system as not found.
  if (!under_emulator()) {
    const std::string too_long(300, 'n');
    cases.push_back(
        {{too_long, "1"}, "velodrive: cannot create " + too_long + ": File name too long\n"});
  }
  for (const auto& c : cases) {
    std::string shown;
    for (const auto& argument : c.arguments) shown += " [" + argument + "]";
    SCOPED_TRACE("arguments:" + shown);
    scratch_dir dir;
    const outcome result = run_velodrive(dir.path(), c.arguments);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.standard_error, c.message);
    EXPECT_EQ(result.standard_output, "");
    EXPECT_TRUE(dir.entries().empty());
  }
}

// Runs velodrive -b <kib> <name> <mib>, which must succeed with both report
// lines and leave nothing behind. The folders `name` names must exist.
void expect_a_clean_run(const std::string& kib, const std::string& mib,
                        const std::string& name = "scratch.dat") {
  SCOPED_TRACE(name);
  scratch_dir dir;
  std::filesystem::create_directories(std::filesystem::u8path(dir.file(name)).parent_path());
  const auto before = dir.entries();
  const outcome result = run_velodrive(dir.path(), {"-b", kib, name, mib});
  EXPECT_EQ(result.exit_status, 0);
  const std::string block = "Block Size : " + std::to_string(std::stoll(kib) * 1024);
  EXPECT_TRUE(std::regex_match(result.standard_error, std::regex(block + ", Write Speed: " + SPEED +
                                                                 block + ", Read Speed: " + SPEED)))
      << result.standard_error;
  EXPECT_EQ(result.standard_output, "");
  EXPECT_EQ(dir.entries(), before);
}

TEST(EndToEnd, ARunPrintsTwoLinesAndLeavesNothingBehind) {
  for (const char* name : NAMES) expect_a_clean_run("64", "4", name);
  // 314 characters, past Windows' old 260-character limit on paths.
  const std::string folder(100, 'f');
  expect_a_clean_run("64", "4", folder + "/" + folder + "/" + folder + "/scratch.dat");
}

// For the 32-bit builds: byte counts and a file size past 32 bits
// (4200 MiB), through a 32-bit program and its C library.
TEST(EndToEnd, ARunPastFourGiBPrintsTwoLinesAndLeavesNothingBehind) {
  expect_a_clean_run("2048", "4200");
}

TEST(EndToEnd, AnExistingFileIsNeitherOverwrittenNorRemoved) {
  for (const std::string name : NAMES) {
    scratch_dir dir;
    write_text_file(dir.file(name), "a user's data");
    const outcome result = run_velodrive(dir.path(), {name, "1"});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.standard_error, "velodrive: cannot create " + name + ": File exists\n");
    EXPECT_EQ(read_text_file(dir.file(name)), "a user's data");
  }
}

// The faulty file system (faulty_fs.py) mounted on a scratch folder while
// this lives: in it a file fails past its first MiB by its name, through
// the kernel, as a failing device, an exhausted quota or a full disk does.
// With a `log`, the kernel caches its files as a disk's, and every read and
// sync that reaches it is logged there (see faulty_fs.py).
class faulty_mount {
 public:
  explicit faulty_mount(const std::string& log = "") {
    const std::string backing = dir_.file("backing");
    mkdir(backing.c_str(), 0755);
    mkdir(path().c_str(), 0755);
    pid_ = fork();
    if (pid_ == 0) {
      if (log.empty()) {
        execl(VELODRIVE_FAULTY_FS, VELODRIVE_FAULTY_FS, backing.c_str(), path().c_str(), nullptr);
      } else {
        execl(VELODRIVE_FAULTY_FS, VELODRIVE_FAULTY_FS, backing.c_str(), path().c_str(),
              log.c_str(), nullptr);
      }
      _exit(127);
    }
    struct stat folder {};
    stat(dir_.path().c_str(), &folder);
    mounted_ =
        eventually([&] {
          struct stat mount_point {};
          return waitpid(pid_, nullptr, WNOHANG) != 0 ||
                 (stat(path().c_str(), &mount_point) == 0 && mount_point.st_dev != folder.st_dev);
        }) &&
        waitpid(pid_, nullptr, WNOHANG) == 0;
  }
  ~faulty_mount() {
    // On SIGTERM the file system unmounts itself and ends.
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  faulty_mount(const faulty_mount&) = delete;
  faulty_mount& operator=(const faulty_mount&) = delete;

  bool mounted() const { return mounted_; }
  std::string path() const { return dir_.file("mount"); }

 private:
  scratch_dir dir_;
  pid_t pid_ = -1;
  bool mounted_ = false;
};

struct failure_case {
  std::vector<std::string> arguments;
  child_limits limits;
  bool on_faulty_fs;           // in the faulty file system, which fails by the file's name
  const char* message;         // the failure line up to its reason
  const char* reason;          // as Linux gives it
  const char* windows_reason;  // as the Windows program tells what Wine says
};

TEST(EndToEnd, AFullDiskFailsTheRunWithoutASpeed) {
  // A file-size limit stands in for a full disk. Whether or not SIGXFSZ is
  // ignored on entry, and whether stdio passes the blocks straight through
  // (64 KiB), buffers them (4 KiB) or still holds the last of them when the
  // loop ends (1 KiB blocks, the limit 4 KiB short of the file), the write
  // must fail cleanly, at the close if need be. And faults through the
  // kernel, each named in the Windows error behind it: a device that fails
  // a write or a read, an exhausted quota, a full disk. Wine drops an
  // error that a close reports, which the size check then catches.
  const char* FILE_TOO_LARGE = "File too large";
  const failure_case cases[] = {
      {{"-b", "64", "scratch.dat", "4"},
       {1048576, true},
       false,
       "velodrive: writing scratch.dat failed after 1048576 of 4194304 bytes: ",
       FILE_TOO_LARGE,
       "General failure."},
      {{"-b", "64", "scratch.dat", "4"},
       {1048576, false},
       false,
       "velodrive: writing scratch.dat failed after 1048576 of 4194304 bytes: ",
       FILE_TOO_LARGE,
       nullptr},
      {{"scratch.dat", "100000"},
       {1048576, true},
       false,
       "velodrive: writing scratch.dat failed after 1048576 of 104857600000 bytes: ",
       FILE_TOO_LARGE,
       "General failure."},
      {{"-b", "1", "scratch.dat", "1"},
       {1044480, true},
       false,
       "velodrive: closing scratch.dat after writing 1044480 bytes failed: ",
       FILE_TOO_LARGE,
       "the file holds fewer bytes than were written"},
      {{"-b", "64", "write-eio.dat", "4"},
       {},
       true,
       "velodrive: writing write-eio.dat failed after 1048576 of 4194304 bytes: ",
       "Input/output error",
       "Not ready."},
      {{"-b", "64", "read-eio.dat", "4"},
       {},
       true,
       "velodrive: reading read-eio.dat failed after 1048576 of 4194304 bytes: ",
       "Input/output error",
       "Not ready."},
      {{"-b", "64", "quota.dat", "4"},
       {},
       true,
       "velodrive: writing quota.dat failed after 1048576 of 4194304 bytes: ",
       "Disk quota exceeded",
       "General failure."},
      {{"-b", "64", "full.dat", "4"},
       {},
       true,
       "velodrive: writing full.dat failed after 1048576 of 4194304 bytes: ",
       "No space left on device",
       "No space left on device"},
      // In the device mode, data the device cannot take after they left
      // the stream: the write fails.
      {{"--sync", "-b", "64", "sync-eio.dat", "4"},
       {},
       true,
       "velodrive: syncing sync-eio.dat after writing 4194304 bytes failed: ",
       "Input/output error",
       "Not ready."},
  };
  const faulty_mount faulty;
  for (const auto& c : cases) {
    // Windows has no SIGXFSZ to ignore: under Wine it would end the emulator.
    if (under_emulator() && c.windows_reason == nullptr) continue;
    SCOPED_TRACE(c.arguments[c.arguments.size() - 2] + " " + c.arguments.back() +
                 (c.limits.ignore_sigxfsz ? ", SIGXFSZ ignored" : ""));
    if (c.on_faulty_fs && !faulty.mounted()) {
      ADD_FAILURE() << "the faulty file system did not mount: install python3-fusepy";
      continue;
    }
    scratch_dir dir;
    const std::string where = c.on_faulty_fs ? faulty.path() : dir.path();
    const outcome result = run_velodrive(where, c.arguments, c.limits);
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.exit_status, 1);
    // A failed read comes after the write line.
    std::string expected = c.message;
    expected += under_emulator() ? c.windows_reason : c.reason;
    expected += "\n";
    const std::string& printed = result.standard_error;
    const std::size_t last_line = printed.rfind('\n', printed.size() - 2);
    EXPECT_EQ(printed.substr(last_line == std::string::npos ? 0 : last_line + 1), expected)
        << printed;
    const bool reading = expected.find("reading") != std::string::npos;
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), reading ? 2 : 1) << printed;
    EXPECT_TRUE(dir.entries().empty());
    EXPECT_TRUE(std::filesystem::is_empty(faulty.path()));
  }
}

// A velodrive run held still between its two passes: its standard error is
// a pipe filled to the brim, so writing the write line blocks until the
// test drains the pipe. By then the write pass has closed its file and
// checked its size; a closed file alone is too early a sign, as the size
// check comes after the close.
struct paused_run {
  pid_t pid = -1;
  int read_end = -1;
  std::string filler;

  paused_run(const scratch_dir& dir, const std::vector<std::string>& arguments,
             const std::string& path, off_t file_bytes) {
    int ends[2];
    if (pipe(ends) != 0) return;
    fcntl(ends[1], F_SETPIPE_SZ, 4096);
    fcntl(ends[1], F_SETFL, O_NONBLOCK);
    const std::string chunk(512, '#');
    ssize_t put = 0;
    while ((put = write(ends[1], chunk.data(), chunk.size())) > 0) filler.append(chunk, 0, put);
    while (write(ends[1], "#", 1) == 1) filler += '#';  // the last few bytes of room
    fcntl(ends[1], F_SETFL, 0);
    const int null_out = open("/dev/null", O_WRONLY);
    pid = start_velodrive(dir.path(), arguments, null_out, ends[1]);
    close(null_out);
    close(ends[1]);
    read_end = ends[0];
    const bool written =
        eventually([&] { return size_of(path) == file_bytes && blocked_writing_to_a_pipe(pid); });
    EXPECT_TRUE(written) << "the write pass never finished";
  }

  // Lets the run go on and collects how it ended and what it printed.
  outcome finish() {
    const std::string printed = read_descriptor(read_end);
    outcome result = wait_for(pid);
    result.standard_error = after_filler(printed);
    return result;
  }

  // Ends the run with a signal while it is held still. The pipe is drained
  // only once the signal's handler has removed the file, so the run cannot
  // slip past its write line; an emulator may still print as it ends.
  outcome end_by(int signal_number, const scratch_dir& dir) {
    kill(pid, signal_number);
    EXPECT_TRUE(eventually([&] { return dir.entries().empty(); }));
    const std::string printed = read_descriptor(read_end);
    outcome result = wait_for(pid);
    result.standard_error = after_filler(printed);
    return result;
  }

  ~paused_run() {
    if (read_end >= 0) close(read_end);
  }

 private:
  std::string after_filler(const std::string& printed) const {
    EXPECT_EQ(printed.compare(0, filler.size(), filler), 0);
    return as_lines(printed.substr(std::min(filler.size(), printed.size())));
  }
};

// Reads and syncs of `name` that reached the counting file system, from
// its log, after the first `skip` bytes of the log.
struct reached {
  int64_t read_bytes = 0;
  int syncs = 0;
};
reached what_reached(const std::string& log, std::size_t skip, const std::string& name) {
  reached counted;
  std::istringstream lines(read_text_file(log).substr(skip));
  std::string what;
  std::string file;
  while (lines >> what >> file) {
    int64_t bytes = 0;
    if (what == "read") lines >> bytes;
    if (file != name) continue;
    counted.read_bytes += bytes;
    if (what == "sync") ++counted.syncs;
  }
  return counted;
}

// A folder on tmpfs, removed with what it holds when the test ends.
struct memory_folder {
  std::string path;
  memory_folder() {
    char pattern[] = "/dev/shm/velodrive-test-XXXXXX";
    if (mkdtemp(pattern) != nullptr) path = pattern;
  }
  ~memory_folder() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
};

TEST(EndToEnd, TheDeviceModeMeasuresTheDeviceNotTheCache) {
  // Through a file system the kernel caches as a disk's: in the device mode
  // every byte of the read pass and a sync reach it; without it the read
  // is served from the cache. On tmpfs the mode says that it cannot help.
  // Under Wine only the sync is the Windows program's to show: emptying
  // the cache is Windows' file system's work, which Wine does not model
  // (and its reads reach this file system whole even without the mode).
  struct mode_case {
    std::vector<std::string> arguments;
    bool on_tmpfs;
    bool to_device;
    const char* notice;  // the line after the report, if any
  };
  const mode_case cases[] = {
      {{"-b", "64", "counted.dat", "8"}, false, false, ""},
      {{"--sync", "-b", "64", "counted.dat", "8"}, false, true, ""},
      {{"--sync", "counted.dat", "8"}, false, true, ""},
      {{"--sync", "-b", "64", "counted.dat", "8"},
       true,
       true,
       "velodrive: counted.dat is on tmpfs, which keeps files in memory: the read speed is "
       "memory's\n"},
  };
  const int64_t TOTAL = 8 << 20;
  scratch_dir logs;
  const std::string log = logs.file("reached.log");
  write_text_file(log, "");
  const faulty_mount counting(log);
  ASSERT_TRUE(counting.mounted())
      << "the counting file system did not mount: install python3-fusepy";
  for (const auto& c : cases) {
    std::string shown;
    for (const auto& argument : c.arguments) shown += " " + argument;
    SCOPED_TRACE(shown + (c.on_tmpfs ? ", on tmpfs" : ""));
    if (c.on_tmpfs && under_emulator()) continue;
    const memory_folder tmpfs;
    const std::size_t logged = read_text_file(log).size();
    const outcome result = run_velodrive(c.on_tmpfs ? tmpfs.path : counting.path(), c.arguments);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_TRUE(std::regex_match(
        result.standard_error,
        std::regex(std::string(".*Write Speed: ") + SPEED + ".*Read Speed: " + SPEED + c.notice)))
        << result.standard_error;
    if (c.on_tmpfs) continue;
    EXPECT_TRUE(std::filesystem::is_empty(counting.path()));
    const reached counted = what_reached(log, logged, "counted.dat");
    EXPECT_EQ(counted.syncs >= 1, c.to_device) << counted.syncs << " syncs";
    if (under_emulator()) continue;
    if (c.to_device) {
      EXPECT_GE(counted.read_bytes, TOTAL);
    } else {
      EXPECT_LT(counted.read_bytes, TOTAL);
    }
  }
}

TEST(EndToEnd, AFileShortenedBetweenThePassesFailsTheRead) {
  scratch_dir dir;
  const std::string path = dir.file("scratch.dat");
  paused_run run(dir, {"-b", "64", "scratch.dat", "4"}, path, 4194304);
  ASSERT_EQ(truncate(path.c_str(), 2097152), 0);
  const outcome result = run.finish();
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_TRUE(std::regex_match(
      result.standard_error,
      std::regex(std::string("Block Size : 65536, Write Speed: ") + SPEED +
                 "velodrive: reading scratch.dat failed after 2097152 of 4194304 bytes: "
                 "the file is shorter than the one written\n")))
      << result.standard_error;
  EXPECT_TRUE(dir.entries().empty());
}

// Sends `signal_number` to a run in the middle of its write pass: a file
// that would take minutes to write, with a file-size limit as a backstop
// should the signal go astray.
outcome interrupt_while_writing(const scratch_dir& dir, int signal_number,
                                const std::string& name = "scratch.dat") {
  const std::string path = dir.file(name);
  std::FILE* err = std::tmpfile();
  const pid_t writer = start_velodrive(dir.path(), {"-b", "64", name, "1000000"}, fileno(err),
                                       fileno(err), child_limits{1U << 30, true});
  EXPECT_TRUE(eventually([&] { return size_of(path) > 0; }));
  kill(writer, signal_number);
  const outcome result = wait_for(writer);
  std::fclose(err);
  return result;
}

TEST(EndToEnd, AnInterruptRemovesTheFileAndEndsByThatSignal) {
  // Keys, kill, timers and limits, crashes (these dump core by default) and
  // a real-time signal.
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM, SIGXCPU, SIGSEGV,
                            SIGABRT, SIGRTMIN + 1}) {
    SCOPED_TRACE(strsignal(signal_number));

    scratch_dir dir;
    const outcome during_write = interrupt_while_writing(dir, signal_number);
    EXPECT_EQ(during_write.signal, signal_number);
    EXPECT_TRUE(dir.entries().empty());

    // Between the passes, with the whole file written.
    paused_run run(dir, {"-b", "64", "scratch.dat", "4"}, dir.file("scratch.dat"), 4194304);
    const outcome between_passes = run.end_by(signal_number, dir);
    EXPECT_EQ(between_passes.signal, signal_number);
    // Nothing of velodrive's; qemu-user says when a signal that dumps core
    // ends the program it runs, core file or not.
    EXPECT_TRUE(std::regex_match(between_passes.standard_error,
                                 std::regex("(qemu: uncaught target signal [0-9]+ .*\n)?")))
        << between_passes.standard_error;
    EXPECT_TRUE(dir.entries().empty());
  }
}

// What someone with write access to the folder puts in place of the run's
// folder or file while the run stands between its passes: a link to
// another folder holding a file of the same name, another file renamed
// over it, a link to another file, a FIFO. On Windows nobody can move the
// folder while the run holds it; under Wine the Linux side can, and the
// Windows program then finds its name no longer reaches its file, and
// leaves both alone.
enum class swap { folder_for_link, file_for_file, file_for_link, file_for_fifo };

TEST(EndToEnd, WhatIsSwappedInDuringTheRunIsNeverReadNorRemoved) {
  for (const swap kind :
       {swap::folder_for_link, swap::file_for_file, swap::file_for_link, swap::file_for_fifo}) {
    // Each run goes on to its end, or a signal ends it after the swap.
    for (const int signal_number : {0, SIGTERM}) {
      SCOPED_TRACE("swap " + std::to_string(static_cast<int>(kind)) + ", signal " +
                   std::to_string(signal_number));
      scratch_dir dir;
      const std::string sub = dir.file("sub");
      const std::string mine = dir.file("sub/scratch.dat");
      const std::string other = dir.file("other/scratch.dat");
      std::filesystem::create_directories(sub);
      std::filesystem::create_directories(dir.file("other"));
      write_text_file(other, "precious");
      paused_run run(dir, {"-b", "64", "sub/scratch.dat", "4"}, mine, 4194304);

      switch (kind) {
        case swap::folder_for_link:
          ASSERT_EQ(rename(sub.c_str(), dir.file("sub.moved").c_str()), 0);
          std::filesystem::create_directory_symlink(dir.file("other"), sub);
          break;
        case swap::file_for_file:
          write_text_file(mine + ".new", "precious");
          ASSERT_EQ(rename((mine + ".new").c_str(), mine.c_str()), 0);
          break;
        case swap::file_for_link:
          ASSERT_EQ(unlink(mine.c_str()), 0);
          std::filesystem::create_symlink(other, mine);
          break;
        case swap::file_for_fifo:
          ASSERT_EQ(unlink(mine.c_str()), 0);
          ASSERT_EQ(mkfifo(mine.c_str(), 0600), 0);
          break;
      }
      if (signal_number != 0) kill(run.pid, signal_number);
      const outcome result = run.finish();
      const bool folder_followed = kind == swap::folder_for_link && !under_emulator();

      if (signal_number != 0) {
        EXPECT_EQ(result.signal, signal_number);
      } else {
        // The run measured its own file: its figures stand.
        const std::string lines = std::string("Block Size : 65536, Write Speed: ") + SPEED +
                                  "Block Size : 65536, Read Speed: " + SPEED;
        // Wine cannot open a FIFO by name at all, so the Windows program
        // can tell only that the name does not lead to its file.
        const std::string replaced =
            kind == swap::file_for_fifo && under_emulator()
                ? "velodrive: cannot remove sub/scratch\\.dat: [^\n]*\n"
                : "velodrive: cannot remove sub/scratch\\.dat: it was replaced during the run\n";
        EXPECT_EQ(result.exit_status, 0);
        EXPECT_TRUE(std::regex_match(result.standard_error,
                                     std::regex(lines + (folder_followed ? "" : replaced))))
            << result.standard_error;
      }
      EXPECT_EQ(read_text_file(other), "precious");
      switch (kind) {
        case swap::folder_for_link:
          // Its own file went from the folder it was made in (Wine ends a
          // Windows program on SIGTERM without a word to it).
          EXPECT_TRUE(std::filesystem::is_symlink(sub));
          if (folder_followed) {
            EXPECT_TRUE(std::filesystem::is_empty(dir.file("sub.moved")));
          }
          break;
        case swap::file_for_file: EXPECT_EQ(read_text_file(mine), "precious"); break;
        case swap::file_for_link: EXPECT_TRUE(std::filesystem::is_symlink(mine)); break;
        case swap::file_for_fifo: EXPECT_TRUE(std::filesystem::is_fifo(mine)); break;
      }
    }
  }
}

TEST(EndToEnd, AReaderThatGoesAwayStillLeavesNoFile) {
  // Standard error on a pipe nobody reads any more, as in "2>&1 | head -1"
  // once head has gone: the write line raises SIGPIPE.
  scratch_dir dir;
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  close(ends[0]);
  const pid_t pid = start_velodrive(dir.path(), {"-b", "64", "scratch.dat", "4"}, ends[1], ends[1]);
  close(ends[1]);
  const outcome result = wait_for(pid);
  EXPECT_EQ(result.signal, SIGPIPE);
  EXPECT_TRUE(dir.entries().empty());
}

// On Windows, Ctrl-C reaches the program as a console control event; Wine
// turns a SIGINT into one. The file must go, and the run must end with
// STATUS_CONTROL_C_EXIT, of which a Linux parent sees the low 8 bits.
TEST(EndToEnd, AnInterruptOnWindowsRemovesTheFile) {
  if (!under_emulator()) GTEST_SKIP() << "for the Windows build under Wine";
  for (const std::string name : NAMES) {
    SCOPED_TRACE(name);
    scratch_dir dir;
    const outcome result = interrupt_while_writing(dir, SIGINT, name);
    EXPECT_EQ(result.exit_status, 0xC000013A & 0xFF);
    // Windows removes a name deleted while the file is still open when its
    // last handle closes, which the process's end does; under Wine the
    // wineserver does that a moment after the process has gone.
    EXPECT_TRUE(eventually([&] { return dir.entries().empty(); }));
  }
}

}  // namespace
