// Why a step failed, in the platform's own terms. The C library's errno
// says it on POSIX. On Windows the Windows error behind a failure says more
// than errno can: the C runtime turns the Windows errors it does not know
// (a device that is not ready, a CRC error, a lost USB stick, an exhausted
// quota, a file too large for the file system) into EACCES or EINVAL.
#ifndef VELODRIVE_PLATFORM_SYSTEM_ERROR_H
#define VELODRIVE_PLATFORM_SYSTEM_ERROR_H

#include <cstdint>

// Forgets the platform code of earlier failures, so that system_error_code
// tells only of calls made after this one.
void system_error_clear();

// The platform's own code for the last call that failed since
// system_error_clear: on Windows the Windows error, which the C runtime's
// stream calls leave in _doserrno and the tool's own calls record through
// system_error_record. 0 where the platform has nothing beyond errno (always
// on POSIX, and on Windows where the C runtime failed on its own).
uint32_t system_error_code();

// Records `code`, the platform's own code for a call of the tool's that just
// failed, for system_error_code, and sets errno to the nearest C error.
void system_error_record(uint32_t code);

// The words for a failure: for a platform `code` (not 0) the platform's own
// message for it, in the user's language where the platform has one; else
// strerror(error_number). The text lives until the next call.
const char* system_error_text(int error_number, uint32_t code);

#endif
