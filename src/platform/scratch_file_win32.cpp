#include "scratch_file.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "console.h"
#include "system_error.h"

// The handle holds the file, and the folder it was made in without
// sharing it for deletion, so that nobody can move that folder (or any
// folder above it) and put a junction in its place while the run lasts.
// The file itself is shared for reading, writing and deletion, as a file
// opened by the C runtime is, so that other programs can still open it;
// whoever may can therefore rename or replace it. Streams are duplicates of
// the file's handle. The file is removed through a handle opened from the
// held one, after a check that its name still reaches it.
struct scratch_file {
  HANDLE file;
  HANDLE folder;  // INVALID_HANDLE_VALUE where the folder could not be held
  DWORD volume;   // the file's identity: volume serial number and file index
  DWORD index_high;
  DWORD index_low;
  std::wstring name;  // the path as created, for the check before removal
};

namespace {

// The file to remove on a console control event, null while none is
// guarded. The console runs control handlers on a thread of their own, so
// the lock keeps creating or removing the file and arming or disarming the
// guard in one piece with respect to the handler.
SRWLOCK guard_lock = SRWLOCK_INIT;
scratch_file* guarded = nullptr;

// Whether `file`'s name still reaches the file itself: 1 when it does, 0
// when it reaches nothing or something else, -1 (with the Windows error
// recorded) when that cannot be told. Opens for attributes only, which no
// sharing mode refuses, and follows no link or junction at the end.
int still_named(const scratch_file* file) {
  HANDLE named =
      CreateFileW(file->name.c_str(), FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (named == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return 0;
    system_error_record(error);
    return -1;
  }
  BY_HANDLE_FILE_INFORMATION information{};
  const bool told = GetFileInformationByHandle(named, &information) != 0;
  const DWORD error = GetLastError();
  CloseHandle(named);
  if (!told) {
    system_error_record(error);
    return -1;
  }
  return information.dwVolumeSerialNumber == file->volume &&
                 information.nFileIndexHigh == file->index_high &&
                 information.nFileIndexLow == file->index_low
             ? 1
             : 0;
}

// Marks the file for deletion through a handle with delete access opened
// from the held one (no name looked up): Windows removes it when the last
// handle to it closes. Recorded as the Windows error when it cannot be.
bool delete_through_handle(const scratch_file* file) {
  HANDLE deleter =
      ReOpenFile(file->file, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0);
  FILE_DISPOSITION_INFO disposition{TRUE};
  const bool marked = deleter != INVALID_HANDLE_VALUE &&
                      SetFileInformationByHandle(deleter, FileDispositionInfo, &disposition,
                                                 sizeof disposition) != 0;
  if (!marked) system_error_record(GetLastError());
  if (deleter != INVALID_HANDLE_VALUE) CloseHandle(deleter);
  return marked;
}

// Every console control event ends a console program: Ctrl-C, Ctrl-Break,
// a closed console window, the user logging off, the system shutting down.
// Each removes the guarded file, then ends the process with the status
// Windows gives an interrupted program. TerminateProcess rather than a
// return to the default handler: the main thread may hold the stream's
// lock mid-transfer, and exit-time stream flushing could wait on it forever.
BOOL WINAPI remove_and_end(DWORD /*event*/) {
  AcquireSRWLockExclusive(&guard_lock);
  if (guarded != nullptr && still_named(guarded) == 1) delete_through_handle(guarded);
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

// The folder `path` names a file in: what stands before its last separator,
// else the working directory.
std::wstring folder_of(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return L".";
  return path.substr(0, separator + 1);
}

// Whether `handle` is a regular file on a disk. A device name (NUL, CON,
// COM1, in any folder and with any extension where Windows says so), a
// console, a pipe or a \\.\ device path opens a character or pipe device
// whatever the creation disposition; a volume or a whole drive is a disk
// device, but no file system describes it as a file.
bool is_regular_disk_file(HANDLE handle, BY_HANDLE_FILE_INFORMATION* information) {
  if (GetFileType(handle) != FILE_TYPE_DISK) return false;
  if (GetFileInformationByHandle(handle, information) == 0) return false;
  return (information->dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

void release(scratch_file* file) {
  if (file->file != INVALID_HANDLE_VALUE) CloseHandle(file->file);
  if (file->folder != INVALID_HANDLE_VALUE) CloseHandle(file->folder);
  delete file;
}

}  // namespace

scratch_file* scratch_file_create(const char* path) {
  static const bool installed = SetConsoleCtrlHandler(remove_and_end, TRUE) != 0;
  (void)installed;
  auto* file =
      new scratch_file{INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE, 0, 0, 0, wide_path(path)};
  // Held with list access, which records the sharing mode; without delete
  // sharing nobody can move the folder while the file in it is measured.
  // A folder the user may write to but not list is not held: the file
  // still is.
  file->folder = CreateFileW(folder_of(file->name).c_str(), FILE_LIST_DIRECTORY,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  AcquireSRWLockExclusive(&guard_lock);
  // CREATE_NEW fails when a file of that name exists.
  file->file = CreateFileW(file->name.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  bool created = file->file != INVALID_HANDLE_VALUE;
  if (!created) system_error_record(GetLastError());
  BY_HANDLE_FILE_INFORMATION information{};
  if (created && !is_regular_disk_file(file->file, &information)) {
    // Refused as a name that exists, as on Linux: no Windows error here.
    // Nothing was created, so nothing is removed.
    created = false;
    system_error_clear();
    errno = EEXIST;
  }
  if (created) {
    file->volume = information.dwVolumeSerialNumber;
    file->index_high = information.nFileIndexHigh;
    file->index_low = information.nFileIndexLow;
    guarded = file;
  }
  const int saved_errno = errno;
  ReleaseSRWLockExclusive(&guard_lock);
  if (!created) {
    release(file);
    errno = saved_errno;
    return nullptr;
  }
  return file;
}

std::FILE* scratch_file_stream(scratch_file* file, bool for_writing) {
  HANDLE copy = nullptr;
  if (DuplicateHandle(GetCurrentProcess(), file->file, GetCurrentProcess(), &copy, 0, FALSE,
                      DUPLICATE_SAME_ACCESS) == 0) {
    system_error_record(GetLastError());
    return nullptr;
  }
  // The copy shares the file's position with the handle.
  if (SetFilePointerEx(copy, LARGE_INTEGER{}, nullptr, FILE_BEGIN) == 0) {
    system_error_record(GetLastError());
    CloseHandle(copy);
    return nullptr;
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(copy),
                                         (for_writing ? _O_WRONLY : _O_RDONLY) | _O_TEXT);
  if (descriptor == -1) {
    CloseHandle(copy);
    return nullptr;
  }
  std::FILE* stream = _fdopen(descriptor, for_writing ? "w" : "r");
  if (stream == nullptr) _close(descriptor);
  return stream;
}

int scratch_file_sync(std::FILE* stream) {
  if (std::fflush(stream) != 0) return -1;
  // The C runtime hands out the stream's Windows handle as an integer.
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  auto* const handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  if (FlushFileBuffers(handle) != 0) return 0;
  system_error_record(GetLastError());
  return -1;
}

void scratch_file_drop_cache(scratch_file* file) {
  // Opening a file without buffering makes the file system write out and
  // purge what its cache holds of that file, as the cache and the device
  // could not otherwise be kept in step. ReOpenFile opens the file the
  // handle holds, not whatever its name reaches by now, and needs no
  // administrator's rights, unlike emptying the whole system's cache.
  HANDLE unbuffered =
      ReOpenFile(file->file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                 FILE_FLAG_NO_BUFFERING);
  if (unbuffered != INVALID_HANDLE_VALUE) CloseHandle(unbuffered);
}

cache_state scratch_file_cache_state(scratch_file* file) {
  // A file on a share: the server's cache may answer the read.
  FILE_REMOTE_PROTOCOL_INFO remote{};
  if (GetFileInformationByHandleEx(file->file, FileRemoteProtocolInfo, &remote, sizeof remote) !=
      0) {
    return cache_state{cache_kind::network, "a network share", 0};
  }
  return cache_state{cache_kind::none, nullptr, 0};
}

int64_t scratch_file_bytes(scratch_file* file) {
  LARGE_INTEGER size{};
  return GetFileSizeEx(file->file, &size) != 0 ? static_cast<int64_t>(size.QuadPart) : -1;
}

scratch_removal scratch_file_remove(scratch_file* file) {
  AcquireSRWLockExclusive(&guard_lock);
  guarded = nullptr;
  scratch_removal outcome = scratch_removal::failed;
  switch (still_named(file)) {
    case 1:
      if (delete_through_handle(file)) outcome = scratch_removal::removed;
      break;
    case 0: outcome = scratch_removal::replaced; break;
    default: break;
  }
  const int saved_errno = errno;
  ReleaseSRWLockExclusive(&guard_lock);
  release(file);
  errno = saved_errno;
  return outcome;
}
