#include "scratch_file.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

namespace {

// The file to remove on an interrupt, or null while none is guarded.
// Written with every signal blocked, read by the handler.
const char* volatile guarded_path = nullptr;

// Whether the guard takes `signal_number` over: every signal whose default
// action ends the process and that a handler can catch, the real-time ones
// and the crashes (SIGSEGV, SIGBUS, SIGABRT, ...) included, and SIGPIPE,
// which printing a line raises when standard error is a pipe whose reader
// has gone (velodrive ... 2>&1 | head -1). Left alone are the two that
// cannot be caught, those whose default is to ignore, stop or continue, and
// SIGXFSZ, which the tool ignores instead (see below).
bool ends_the_process(int signal_number) {
  switch (signal_number) {
    case SIGKILL:
    case SIGSTOP:
    case SIGCHLD:
    case SIGCONT:
    case SIGURG:
    case SIGWINCH:
    case SIGTSTP:
    case SIGTTIN:
    case SIGTTOU:
    case SIGXFSZ: return false;
    default: return true;
  }
}

// Removes the guarded file, then lets the signal end the process as it
// would have without us: the parent sees the same signal, and a core dump
// where that signal's default makes one. The re-raised signal stays
// blocked until the handler returns. Only async-signal-safe calls.
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
  sigfillset(&action.sa_mask);
  // The signals are numbered 1 to NSIG - 1. Some of them the C library or
  // an emulator keeps for itself and refuses; those are skipped.
  for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
    if (!ends_the_process(signal_number)) continue;
    struct sigaction previous {};
    if (sigaction(signal_number, nullptr, &previous) != 0) continue;
    // A signal ignored on entry (nohup, a background job) stays ignored.
    if (previous.sa_handler == SIG_IGN) continue;
    sigaction(signal_number, &action, nullptr);
  }
}

// Runs `step` with every signal held back, so that creating or removing
// the file and arming or disarming its guard happen as one step.
template <typename step_function>
auto with_signals_blocked(step_function step) {
  sigset_t blocked;
  sigfillset(&blocked);
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
  return with_signals_blocked([path] {
    // "x": O_CREAT | O_EXCL, which also refuses a symbolic link of that name.
    std::FILE* stream = std::fopen(path, "wx");
    if (stream != nullptr) guarded_path = path;
    return stream;
  });
}

std::FILE* scratch_file_open_for_reading(const char* path) {
  return std::fopen(path, "r");
}

int64_t scratch_file_bytes(const char* path) {
  struct stat status {};
  return stat(path, &status) == 0 ? static_cast<int64_t>(status.st_size) : -1;
}

int scratch_file_remove(const char* path) {
  return with_signals_blocked([path] {
    const int result = std::remove(path);
    guarded_path = nullptr;
    return result;
  });
}
