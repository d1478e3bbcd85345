#include "scratch_file.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>

namespace {

// The file to remove on an interrupt, or null while none is guarded. The
// console runs control handlers on a thread of their own, so the lock keeps
// creating or removing the file and arming or disarming the guard in one
// piece with respect to the handler.
SRWLOCK guard_lock = SRWLOCK_INIT;
const char* guarded_path = nullptr;

// Every console control event ends a console program: Ctrl-C, Ctrl-Break,
// a closed console window, the user logging off, the system shutting down.
// Each removes the guarded file, then ends the process with the status
// Windows gives an interrupted program. TerminateProcess rather than a
// return to the default handler: the main thread may hold the stream's
// lock mid-transfer, and exit-time stream flushing could wait on it forever.
BOOL WINAPI remove_and_end(DWORD /*event*/) {
  AcquireSRWLockExclusive(&guard_lock);
  if (guarded_path != nullptr) DeleteFileA(guarded_path);
  TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
  return TRUE;
}

int errno_for(DWORD error) {
  switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return EINVAL;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    default: return EIO;
  }
}

// Opens `path` through CreateFile so the handle allows deletion by the
// interrupt handler while the stream is open, then wraps it in a text
// stream with the C runtime's default buffering.
std::FILE* open_shared_stream(const char* path, DWORD access, DWORD disposition) {
  HANDLE handle = CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    errno = errno_for(GetLastError());
    return nullptr;
  }
  const bool writing = access == GENERIC_WRITE;
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle),
                                         (writing ? _O_WRONLY : _O_RDONLY) | _O_TEXT);
  if (descriptor == -1) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* stream = _fdopen(descriptor, writing ? "w" : "r");
  if (stream == nullptr) _close(descriptor);
  return stream;
}

}  // namespace

std::FILE* scratch_file_create(const char* path) {
  static const bool installed = SetConsoleCtrlHandler(remove_and_end, TRUE) != 0;
  (void)installed;
  AcquireSRWLockExclusive(&guard_lock);
  // CREATE_NEW fails when anything of that name exists.
  std::FILE* stream = open_shared_stream(path, GENERIC_WRITE, CREATE_NEW);
  if (stream != nullptr) guarded_path = path;
  ReleaseSRWLockExclusive(&guard_lock);
  return stream;
}

std::FILE* scratch_file_open_for_reading(const char* path) {
  return open_shared_stream(path, GENERIC_READ, OPEN_EXISTING);
}

int scratch_file_remove(const char* path) {
  AcquireSRWLockExclusive(&guard_lock);
  const int result = std::remove(path);
  const int saved_errno = errno;
  guarded_path = nullptr;
  ReleaseSRWLockExclusive(&guard_lock);
  errno = saved_errno;
  return result;
}
