// The scratch file's life on disk: made new by the write pass, never taken
// over from someone else, and removed again even when the run is interrupted.
#ifndef VELODRIVE_PLATFORM_SCRATCH_FILE_H
#define VELODRIVE_PLATFORM_SCRATCH_FILE_H

#include <cstdint>
#include <cstdio>

// Paths are UTF-8 text where the platform names files otherwise (Windows),
// and the bytes as typed elsewhere.

// Creates `path` as a new, empty file and opens it for writing as a text
// stream with default buffering. Fails (null, errno EEXIST) when anything
// of that name exists already, a dangling symbolic link included, so an
// existing file is never truncated and a planted link is never followed;
// and so too when the name opens anything but a regular file on a disk (a
// device, a console, a pipe, a volume), which is then neither written to
// nor removed.
// From its creation until scratch_file_remove, the file is guarded: every
// signal that would end the process (Ctrl-C, Ctrl-\, kill, a hang-up, a
// broken pipe, a timer or CPU limit, a crash), and on Windows every
// console control event, removes it before the process ends that way.
// `path` must stay valid until scratch_file_remove.
std::FILE* scratch_file_create(const char* path);

// Opens the scratch file for reading as a text stream with default
// buffering, in a way that still lets an interrupt remove it.
std::FILE* scratch_file_open_for_reading(const char* path);

// The size of the file at `path` in bytes, or -1 when it cannot be told.
int64_t scratch_file_bytes(const char* path);

// Removes the file scratch_file_create made and ends its guard. Returns 0,
// or -1 with errno set when the file could not be removed.
int scratch_file_remove(const char* path);

#endif
