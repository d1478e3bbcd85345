#include "scratch_file.h"

#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <initializer_list>

namespace {

// The file to remove on an interrupt, or null while none is guarded.
// Written with the interrupts blocked, read by the handler.
const char* volatile guarded_path = nullptr;

sigset_t interrupt_signals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  sigaddset(&set, SIGPIPE);
  return set;
}

// Removes the guarded file, then lets the signal end the process as it
// would have without us, so the shell sees the usual 128 + signal status.
// The re-raised signal stays blocked until the handler returns.
extern "C" void remove_and_end(int signal_number) {
  const char* path = guarded_path;
  if (path != nullptr) unlink(path);
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

void install_handlers_once() {
  static bool installed = false;
  if (installed) return;
  installed = true;

  // Under a file-size limit a write past it should fail with EFBIG, which
  // the run reports and cleans up after, instead of killing the process
  // with a partial file left behind.
  std::signal(SIGXFSZ, SIG_IGN);

  struct sigaction action {};
  action.sa_handler = remove_and_end;
  action.sa_mask = interrupt_signals();
  // SIGPIPE too: with standard error on a pipe whose reader has gone
  // (velodrive ... 2>&1 | head -1), printing a report line raises it.
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    struct sigaction previous {};
    sigaction(signal_number, nullptr, &previous);
    // A signal ignored on entry (nohup, a background job) stays ignored.
    if (previous.sa_handler == SIG_IGN) continue;
    sigaction(signal_number, &action, nullptr);
  }
}

// Runs `step` with the interrupts held back, so that creating or removing
// the file and arming or disarming its guard happen as one step.
template <typename step_function>
auto with_interrupts_blocked(step_function step) {
  const sigset_t blocked = interrupt_signals();
  sigset_t previous;
  sigprocmask(SIG_BLOCK, &blocked, &previous);
  auto result = step();
  const int saved_errno = errno;
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  errno = saved_errno;
  return result;
}

}  // namespace

std::FILE* scratch_file_create(const char* path) {
  install_handlers_once();
  return with_interrupts_blocked([path] {
    // "x": O_CREAT | O_EXCL, which also refuses a symbolic link of that name.
    std::FILE* stream = std::fopen(path, "wx");
    if (stream != nullptr) guarded_path = path;
    return stream;
  });
}

std::FILE* scratch_file_open_for_reading(const char* path) {
  return std::fopen(path, "r");
}

int scratch_file_remove(const char* path) {
  return with_interrupts_blocked([path] {
    const int result = std::remove(path);
    guarded_path = nullptr;
    return result;
  });
}
