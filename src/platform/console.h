// The console side of the process: the arguments it was started with, and
// standard error as a console shows it.
#ifndef VELODRIVE_PLATFORM_CONSOLE_H
#define VELODRIVE_PLATFORM_CONSOLE_H

// The arguments, values[0] the program, count of them in all. The texts
// live until the process ends; nothing here is to be freed.
struct console_arguments {
  int count;
  const char* const* values;
};

// The arguments exactly as typed, as UTF-8 text on every platform. On
// Windows the C runtime's argv holds them in the ANSI code page, where any
// character outside it (Cyrillic on a Western system, CJK, emoji) has
// turned into "?", so they are read again in UTF-16. On a Windows console
// standard error is also made to show UTF-8 text, until console_restore.
// Call once, first thing.
console_arguments console_start(int argc, char** argv);

// Gives the console back its own output code page. Safe from any thread,
// and more than once; runs by itself at a normal exit.
void console_restore();

#endif
