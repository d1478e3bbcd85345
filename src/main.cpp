// velodrive: how fast can this machine write a file and read it back
// through the standard library's buffered streams?

#include <cstdio>

#include "command_line.h"
#include "platform/console.h"
#include "platform/tick_counter.h"
#include "run_measurement.h"

int main(int argc, char* argv[]) {
  const console_arguments arguments = console_start(argc, argv);
  const auto request = parse_command_line(arguments.count, arguments.values, stderr);
  if (!request) return 1;
  return run_measurement(*request, tick_count_ms, stderr);
}
