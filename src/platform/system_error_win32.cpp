#include "system_error.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The C error that means exactly what Windows error `error` means, or 0
// where there is none. Their texts are the ones the tool prints on every
// platform (a name that exists, a full disk), so a script reads the same
// words on Windows and Linux; every other Windows error is told in Windows'
// own words.
int errno_twin(DWORD error) {
  switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_INVALID_PARAMETER: return EINVAL;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    default: return 0;
  }
}

// ERROR_DISK_QUOTA_EXCEEDED, which mingw-w64's headers do not define.
constexpr DWORD DISK_QUOTA_EXCEEDED = 1295;

// Windows' own words for errors a file transfer can meet whose message a
// system may lack (Wine has none for these), else null.
const char* text_of_our_own(DWORD error) {
  switch (error) {
    case ERROR_FILE_TOO_LARGE:
      return "The file size exceeds the limit allowed and cannot be saved.";
    case DISK_QUOTA_EXCEEDED: return "An operation failed because the storage quota was exceeded.";
    default: return nullptr;
  }
}

}  // namespace

void system_error_clear() {
  _doserrno = 0;
}

uint32_t system_error_code() {
  return static_cast<uint32_t>(_doserrno);
}

void system_error_record(uint32_t code) {
  _doserrno = static_cast<unsigned long>(code);
  const int twin = errno_twin(code);
  errno = twin != 0 ? twin : EIO;
}

const char* system_error_text(int error_number, uint32_t code) {
  if (code == 0) return std::strerror(error_number);
  if (const int twin = errno_twin(code)) return std::strerror(twin);

  // Windows' message for the error, in the user's language (as the console
  // shows UTF-8, in UTF-8), on one line: the table's texts end in a line
  // break, and a few span two lines.
  static std::string text;
  wchar_t* message = nullptr;
  const DWORD characters = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
  text.clear();
  if (characters != 0 && message != nullptr) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, message, static_cast<int>(characters),
                                          nullptr, 0, nullptr, nullptr);
    if (bytes > 0) {
      text.resize(static_cast<std::size_t>(bytes));
      WideCharToMultiByte(CP_UTF8, 0, message, static_cast<int>(characters), text.data(), bytes,
                          nullptr, nullptr);
    }
  }
  if (message != nullptr) LocalFree(message);
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  std::replace(text.begin(), text.end(), '\n', ' ');
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (text.empty()) {
    const char* own = text_of_our_own(code);
    text = own != nullptr ? own : "Windows error " + std::to_string(code);
  }
  return text.c_str();
}
