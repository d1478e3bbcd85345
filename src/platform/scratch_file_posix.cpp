#include "scratch_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

// The handle holds the folder the file was made in (an O_PATH descriptor,
// which needs no read permission on the folder) and the file itself, open
// for reading and writing from the create to the removal, so that its
// inode cannot be given to another file while the run lasts. Streams are
// duplicates of that descriptor; the removal looks the name up in the held
// folder and unlinks it only while it still names this inode.
struct scratch_file {
  int folder;      // O_PATH descriptor of the folder the file was made in
  int descriptor;  // the file, read and write
  dev_t device;    // the file's identity
  ino_t inode;
  char* name;  // the file's name within `folder`; malloc'ed
};

namespace {

// The file to remove on an interrupt, or null while none is guarded.
// Written with every signal blocked, read by the handler.
scratch_file* volatile guarded = nullptr;

// Whether the file's name in its folder still names the file this run
// created: 1 when it does; 0 when it names nothing (the file was moved
// away) or something else (another file, a link, a FIFO); -1, with errno
// set, when that cannot be told. Async-signal-safe.
int still_named(const scratch_file* file) {
  struct stat status {};
  if (fstatat(file->folder, file->name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENOENT ? 0 : -1;
  }
  return status.st_dev == file->device && status.st_ino == file->inode ? 1 : 0;
}

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
  const scratch_file* file = guarded;
  if (file != nullptr && still_named(file) == 1) unlinkat(file->folder, file->name, 0);
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

// Closes what `file` holds and frees it, keeping errno.
void release(scratch_file* file) {
  const int saved_errno = errno;
  if (file->descriptor >= 0) close(file->descriptor);
  if (file->folder >= 0) close(file->folder);
  std::free(file->name);
  std::free(file);
  errno = saved_errno;
}

// Opens the folder `path` names a file in, and returns the file's name
// within it: the part after the last slash. A path that ends in a slash
// names no file in a folder; it is kept whole, relative to the working
// directory, so that creating it fails as it would by its full name.
int open_folder(const char* path, const char** name) {
  const char* slash = std::strrchr(path, '/');
  if (slash == nullptr || slash[1] == '\0') {
    *name = path;
    return open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
  *name = slash + 1;
  const std::size_t folder_length = slash == path ? 1 : static_cast<std::size_t>(slash - path);
  std::vector<char> folder(path, path + folder_length);
  folder.push_back('\0');
  return open(folder.data(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// File system types (statfs f_type) whose cached data a dropped cache does
// not reach, with their names.
struct known_file_system {
  uint32_t magic;
  cache_kind kind;   // cppcheck-suppress unusedStructMember
  const char* name;  // cppcheck-suppress unusedStructMember
};
constexpr std::array<known_file_system, 14> UNCACHABLE_FILE_SYSTEMS{{
    {0x01021994, cache_kind::memory_file_system, "tmpfs"},
    {0x858458F6, cache_kind::memory_file_system, "ramfs"},
    {0x2FC12FC1, cache_kind::own_cache, "ZFS"},
    {0x6969, cache_kind::network, "NFS"},
    {0x517B, cache_kind::network, "SMB"},
    {0xFF534D42, cache_kind::network, "CIFS"},
    {0xFE534D42, cache_kind::network, "SMB2"},
    {0x01021997, cache_kind::network, "9P"},
    {0x73757245, cache_kind::network, "Coda"},
    {0x5346414F, cache_kind::network, "AFS"},
    {0x6B414653, cache_kind::network, "AFS"},
    {0x47504653, cache_kind::network, "GPFS"},
    {0x0BD00BD0, cache_kind::network, "Lustre"},
    {0x00C36400, cache_kind::network, "Ceph"},
}};

// Bytes of the file's `size` that the page cache holds, read through a
// mapping of the file window by window; -1 when it cannot be told.
int64_t cached_bytes_of(int descriptor, int64_t size) {
  const int64_t page = sysconf(_SC_PAGESIZE);
  if (page <= 0) return -1;
  constexpr int64_t WINDOW_BYTES = int64_t{64} << 20;  // a multiple of any page size
  std::vector<unsigned char> resident(static_cast<std::size_t>(WINDOW_BYTES / page));
  int64_t cached = 0;
  for (int64_t offset = 0; offset < size; offset += WINDOW_BYTES) {
    const auto length = static_cast<std::size_t>(std::min(WINDOW_BYTES, size - offset));
    void* mapped = mmap(nullptr, length, PROT_READ, MAP_SHARED, descriptor, offset);
    if (mapped == MAP_FAILED) return -1;
    const int status = mincore(mapped, length, resident.data());
    munmap(mapped, length);
    if (status != 0) return -1;
    // The last page of the file counts for the bytes it holds.
    for (int64_t at = 0; at * page < static_cast<int64_t>(length); ++at) {
      if ((resident[static_cast<std::size_t>(at)] & 1) != 0) {
        cached += std::min(page, size - offset - at * page);
      }
    }
  }
  return cached;
}

}  // namespace

scratch_file* scratch_file_create(const char* path) {
  install_handlers_once();
  auto* file = static_cast<scratch_file*>(std::calloc(1, sizeof(scratch_file)));
  if (file == nullptr) return nullptr;
  file->descriptor = -1;
  const char* name = nullptr;
  file->folder = open_folder(path, &name);
  file->name = file->folder >= 0 ? strdup(name) : nullptr;
  if (file->name == nullptr) {
    release(file);
    return nullptr;
  }
  const bool created = with_signals_blocked([file] {
    // O_EXCL refuses any name that exists, a symbolic link (even a dangling
    // one) or a device file included.
    file->descriptor =
        openat(file->folder, file->name, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    struct stat status {};
    if (file->descriptor < 0 || fstat(file->descriptor, &status) != 0) return false;
    file->device = status.st_dev;
    file->inode = status.st_ino;
    guarded = file;
    return true;
  });
  if (!created) {
    // A file made whose identity could not be read (an fstat of a
    // descriptor just opened, which hardly fails) goes again at once.
    if (file->descriptor >= 0) unlinkat(file->folder, file->name, 0);
    release(file);
    return nullptr;
  }
  return file;
}

std::FILE* scratch_file_stream(scratch_file* file, bool for_writing) {
  const int copy = fcntl(file->descriptor, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return nullptr;
  // The copy shares the file's offset with the handle's descriptor.
  std::FILE* stream = nullptr;
  if (lseek(copy, 0, SEEK_SET) == 0) stream = fdopen(copy, for_writing ? "w" : "r");
  if (stream == nullptr) {
    const int saved_errno = errno;
    close(copy);
    errno = saved_errno;
  }
  return stream;
}

int scratch_file_sync(std::FILE* stream) {
  if (std::fflush(stream) != 0) return -1;
  return fdatasync(fileno(stream));
}

void scratch_file_drop_cache(scratch_file* file) {
  // Clean pages only: the sync before has made them all clean.
  posix_fadvise(file->descriptor, 0, 0, POSIX_FADV_DONTNEED);
}

cache_state scratch_file_cache_state(scratch_file* file) {
  struct statfs file_system {};
  if (fstatfs(file->descriptor, &file_system) == 0) {
    const auto magic = static_cast<uint32_t>(file_system.f_type);
    const auto* known =
        std::find_if(UNCACHABLE_FILE_SYSTEMS.begin(), UNCACHABLE_FILE_SYSTEMS.end(),
                     [magic](const known_file_system& entry) { return entry.magic == magic; });
    if (known != UNCACHABLE_FILE_SYSTEMS.end()) return cache_state{known->kind, known->name, 0};
  }
  const int64_t cached = cached_bytes_of(file->descriptor, scratch_file_bytes(file));
  if (cached > 0) return cache_state{cache_kind::partly_cached, nullptr, cached};
  return cache_state{cache_kind::none, nullptr, 0};
}

int64_t scratch_file_bytes(scratch_file* file) {
  struct stat status {};
  return fstat(file->descriptor, &status) == 0 ? static_cast<int64_t>(status.st_size) : -1;
}

scratch_removal scratch_file_remove(scratch_file* file) {
  const scratch_removal outcome = with_signals_blocked([file] {
    guarded = nullptr;
    switch (still_named(file)) {
      case 1:
        return unlinkat(file->folder, file->name, 0) == 0 ? scratch_removal::removed
                                                          : scratch_removal::failed;
      case 0: return scratch_removal::replaced;
      default: return scratch_removal::failed;
    }
  });
  release(file);
  return outcome;
}
