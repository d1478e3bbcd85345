#include "system_error.h"

#include <cerrno>
#include <cstring>

// errno says everything here: there is no code beyond it.

void system_error_clear() {}

uint32_t system_error_code() {
  return 0;
}

void system_error_record(uint32_t code) {
  errno = static_cast<int>(code);
}

const char* system_error_text(int error_number, uint32_t /*code*/) {
  return std::strerror(error_number);
}
