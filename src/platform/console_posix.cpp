#include "console.h"

// The arguments arrive as the bytes that were typed, and the terminal shows
// what is written as it is: nothing to do.
console_arguments console_start(int argc, char** argv) {
  return console_arguments{argc, argv};
}

void console_restore() {}
