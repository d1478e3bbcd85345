// The scratch file's life on disk: made new by the run, never taken over
// from someone else, and removed again even when the run is interrupted.
// One handle owns the file from its creation to its removal. After the
// create no step looks the file's name up again: every stream, size, sync
// and removal goes through the handle, so that a folder or file swapped in
// under the same name during the run is never read, written or removed.
#ifndef VELODRIVE_PLATFORM_SCRATCH_FILE_H
#define VELODRIVE_PLATFORM_SCRATCH_FILE_H

#include <cstdint>
#include <cstdio>

// Paths are UTF-8 text where the platform names files otherwise (Windows),
// and the bytes as typed elsewhere.

struct scratch_file;  // opaque; one per run

// Creates `path` as a new, empty regular file and returns the handle that
// owns it until scratch_file_remove. Fails (null, errno EEXIST) when
// anything of that name exists already, a dangling symbolic link included,
// so an existing file is never truncated and a planted link is never
// followed; and so too when the name opens anything but a regular file on
// a disk (a device, a console, a pipe, a volume), which is then neither
// written to nor removed. Other failures: null with errno (and the
// platform's code, see system_error_code) set.
// From its creation until scratch_file_remove, the file is guarded: every
// signal that would end the process (Ctrl-C, Ctrl-\, kill, a hang-up, a
// broken pipe, a timer or CPU limit, a crash), and on Windows every
// console control event, removes it before the process ends that way.
scratch_file* scratch_file_create(const char* path);

// A new text stream on the file with default buffering, positioned at its
// first byte: for writing, or for reading. The caller closes it with
// fclose; the file itself stays open in the handle. Null, with errno set,
// when no stream can be made.
std::FILE* scratch_file_stream(scratch_file* file, bool for_writing);

// Hands what `stream` (a write stream on the scratch file) still holds to
// the system and waits until the file's data are on the device, as
// fdatasync or FlushFileBuffers does. Returns 0, or -1 with errno (and the
// platform's code) set when the data may not have reached the device.
int scratch_file_sync(std::FILE* stream);

// Asks the system to forget what it caches of the file's data, so that
// the next read comes from the device. Call after scratch_file_sync, with
// no stream on the file open. Where the system declines nothing is said
// here: scratch_file_cache_state tells what is left.
void scratch_file_drop_cache(scratch_file* file);

// What could still serve a read of the file from memory rather than from
// the device.
enum class cache_kind {
  none,                // nothing known: the read goes to the device
  partly_cached,       // cached_bytes of the file are still in the cache
  memory_file_system,  // the file system keeps files in memory (tmpfs)
  own_cache,           // the file system has a cache of its own (ZFS's ARC)
  network,             // a network file system: the server caches too
};
struct cache_state {
  cache_kind kind;
  const char* file_system;  // its name for the file-system kinds, else null; static text
  int64_t cached_bytes;     // for partly_cached, in bytes; else 0
};
cache_state scratch_file_cache_state(scratch_file* file);

// The file's size in bytes, or -1 when it cannot be told.
int64_t scratch_file_bytes(scratch_file* file);

enum class scratch_removal {
  removed,   // the file is gone
  replaced,  // its name no longer names it: someone moved or replaced it,
             // and whatever stands there now was left alone
  failed,    // errno (and the platform's code) say why
};

// Removes the file, where its name in the folder it was made in still
// names it, ends its guard and frees the handle, whatever the outcome.
// Every stream on the file must have been closed.
scratch_removal scratch_file_remove(scratch_file* file);

#endif
