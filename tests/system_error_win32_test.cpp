// The words a Windows user reads for the Windows errors a failing disk,
// card, USB stick or quota gives: Windows' own message (Wine's table words
// some of them more briefly than Windows), never the C runtime's
// "Permission denied" or "Invalid argument".
#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "platform/system_error.h"

TEST(SystemErrorText, TellsEachWindowsErrorInWindowsOwnWords) {
  struct error_case {
    uint32_t code;
    const char* wine;
    const char* windows;
  };
  const error_case cases[] = {
      {19, "Write protected.", "The media is write protected."},
      {21, "Not ready.", "The device is not ready."},
      {23, "CRC error.", "Data error (cyclic redundancy check)."},
      {27, "Sector not found.", "The drive cannot find the sector requested."},
      {29, "Write fault.", "The system cannot write to the specified device."},
      {30, "Read fault.", "The system cannot read from the specified device."},
      {31, "General failure.", "A device attached to the system is not functioning."},
      {112, "No space left on device", "No space left on device"},
      {223, "The file size exceeds the limit allowed and cannot be saved.",
       "The file size exceeds the limit allowed and cannot be saved."},
      {1117, "I/O device error.",
       "The request could not be performed because of an I/O device error."},
      {1167, "The device is not connected.", "The device is not connected."},
      {1295, "An operation failed because the storage quota was exceeded.",
       "An operation failed because the storage quota was exceeded."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("Windows error " + std::to_string(c.code));
    const std::string text = system_error_text(EIO, c.code);
    EXPECT_TRUE(text == c.wine || text == c.windows) << text;
  }
  // Without a Windows error, errno's words.
  EXPECT_EQ(std::string(system_error_text(EEXIST, 0)), "File exists");
}
