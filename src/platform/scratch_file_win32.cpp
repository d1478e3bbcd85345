#include "scratch_file.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "console.h"
#include "system_error.h"

namespace {

// The file to remove on an interrupt, empty while none is guarded. The
// console runs control handlers on a thread of their own, so the lock keeps
// creating or removing the file and arming or disarming the guard in one
// piece with respect to the handler.
SRWLOCK guard_lock = SRWLOCK_INIT;
std::wstring guarded_path;

// Every console control event ends a console program: Ctrl-C, Ctrl-Break,
// a closed console window, the user logging off, the system shutting down.
// Each removes the guarded file, then ends the process with the status
// Windows gives an interrupted program. TerminateProcess rather than a
// return to the default handler: the main thread may hold the stream's
// lock mid-transfer, and exit-time stream flushing could wait on it forever.
BOOL WINAPI remove_and_end(DWORD /*event*/) {
  AcquireSRWLockExclusive(&guard_lock);
  if (!guarded_path.empty()) DeleteFileW(guarded_path.c_str());
  console_restore();
  TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
  return TRUE;
}

// The UTF-8 `path` as Windows names files, in UTF-16; through the wide
// calls a path is not held to MAX_PATH characters where Windows allows
// longer ones (the manifest says velodrive is long-path aware).
std::wstring wide_path(const char* path) {
  const int characters = MultiByteToWideChar(CP_UTF8, 0, path, -1, nullptr, 0);
  if (characters <= 1) return {};
  std::wstring converted(static_cast<std::size_t>(characters), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path, -1, converted.data(), characters);
  converted.pop_back();  // the terminating zero
  return converted;
}

// Whether `handle` is a regular file on a disk. A device name (NUL, CON,
// COM1, in any folder and with any extension where Windows says so), a
// console, a pipe or a \\.\ device path opens a character or pipe device
// whatever the creation disposition; a volume or a whole drive is a disk
// device, but no file system describes it as a file.
bool is_regular_disk_file(HANDLE handle) {
  if (GetFileType(handle) != FILE_TYPE_DISK) return false;
  BY_HANDLE_FILE_INFORMATION information{};
  if (GetFileInformationByHandle(handle, &information) == 0) return false;
  return (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

// Opens `path` through CreateFile so the handle allows deletion by the
// interrupt handler while the stream is open, then wraps it in a text
// stream with the C runtime's default buffering. Anything but a regular
// file on a disk is closed again untouched and refused as existing.
std::FILE* open_shared_stream(const std::wstring& path, DWORD access, DWORD disposition) {
  HANDLE handle =
      CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    system_error_record(GetLastError());
    return nullptr;
  }
  if (!is_regular_disk_file(handle)) {
    // Refused as a name that exists, as on Linux: no Windows error here.
    CloseHandle(handle);
    system_error_clear();
    errno = EEXIST;
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
  const std::wstring name = wide_path(path);
  AcquireSRWLockExclusive(&guard_lock);
  // CREATE_NEW fails when a file of that name exists.
  std::FILE* stream = open_shared_stream(name, GENERIC_WRITE, CREATE_NEW);
  if (stream != nullptr) guarded_path = name;
  const int saved_errno = errno;
  ReleaseSRWLockExclusive(&guard_lock);
  errno = saved_errno;
  return stream;
}

std::FILE* scratch_file_open_for_reading(const char* path) {
  return open_shared_stream(wide_path(path), GENERIC_READ, OPEN_EXISTING);
}

int64_t scratch_file_bytes(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA attributes{};
  if (GetFileAttributesExW(wide_path(path).c_str(), GetFileExInfoStandard, &attributes) == 0) {
    return -1;
  }
  return static_cast<int64_t>((static_cast<uint64_t>(attributes.nFileSizeHigh) << 32) |
                              attributes.nFileSizeLow);
}

int scratch_file_remove(const char* path) {
  const std::wstring name = wide_path(path);
  AcquireSRWLockExclusive(&guard_lock);
  const bool removed = DeleteFileW(name.c_str()) != 0;
  const DWORD error = GetLastError();
  guarded_path.clear();
  ReleaseSRWLockExclusive(&guard_lock);
  if (removed) return 0;
  system_error_record(error);
  return -1;
}
