#include "console.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

// The C runtime's own splitting of the command line, in UTF-16 (msvcrt
// exports it; mingw-w64's headers do not declare it). The same rules as for
// argv, without wildcard expansion, as argv has none either. The name is
// msvcrt's, reserved identifier or not. The runtime reads new_mode.
extern "C" {
struct runtime_startup_info {
  int new_mode;  // cppcheck-suppress unusedStructMember
};
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,readability-identifier-naming)
__declspec(dllimport) int __cdecl __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** environment,
                                                 int expand_wildcards,
                                                 runtime_startup_info* startup_info);
}

namespace {

// The console's output code page as console_start found it; 0 when it was
// left alone (standard error is not a console).
volatile UINT original_code_page = 0;

std::string utf8_from(const wchar_t* text) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return {};
  std::string converted(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, converted.data(), bytes, nullptr, nullptr);
  converted.pop_back();  // the terminating zero
  return converted;
}

void restore_at_exit() {
  console_restore();
}

}  // namespace

console_arguments console_start(int argc, char** argv) {
  static std::vector<std::string> texts;
  static std::vector<const char*> values;
  int count = 0;
  wchar_t** wide = nullptr;
  wchar_t** environment = nullptr;
  runtime_startup_info startup_info{0};
  if (__wgetmainargs(&count, &wide, &environment, 0, &startup_info) != 0 || wide == nullptr) {
    return console_arguments{argc, argv};
  }
  texts.reserve(static_cast<std::size_t>(count));
  values.reserve(static_cast<std::size_t>(count) + 1);
  for (int i = 0; i < count; ++i) texts.push_back(utf8_from(wide[i]));
  for (const std::string& text : texts) {
    values.push_back(text.c_str());  // cppcheck-suppress useStlAlgorithm
  }
  values.push_back(nullptr);

  // A console shows the bytes it is given in its output code page, which
  // is seldom UTF-8; the tool's messages carry the file name in UTF-8.
  DWORD mode = 0;
  const UINT code_page = GetConsoleOutputCP();
  if (GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0 && code_page != CP_UTF8 &&
      SetConsoleOutputCP(CP_UTF8) != 0) {
    original_code_page = code_page;
    std::atexit(restore_at_exit);
  }
  return console_arguments{count, values.data()};
}

void console_restore() {
  const UINT code_page = original_code_page;
  if (code_page != 0) SetConsoleOutputCP(code_page);
}
