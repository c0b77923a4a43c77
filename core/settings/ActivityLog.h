#pragma once
// The activity log: one plain-text file per local day beside the executable,
// "Screen-YYYYMMDD.log", for failures that are not shown to the user.
#include <cstdarg>
#include <cstddef>
#include <string>

#include "core/platform/Clock.h"
#include "core/platform/ExecutableLocation.h"
#include "core/settings/AnsiPath.h"

namespace mavrion {

// Appends text to a file, opening it for appending in text mode (creating
// it when missing, without sharing restrictions) and closing it again, so
// the text has reached the file when the call returns.
class FileAppender {
 public:
  virtual ~FileAppender() = default;
  // Answers false when the file could not be opened or written.
  virtual bool Append(const std::string& path, const std::string& text) = 0;
};

inline constexpr const char* kActivityLogPrefix = "Screen";

// The log path, with its terminator, must fit 263 bytes; a longer one is
// refused rather than shortened into another place.
inline constexpr std::size_t kMaxActivityLogPathChars = 262;

// "<directory>\Screen-YYYYMMDD.log" for the day of now; "" when the
// directory is unknown or the path would be longer than the limit.
std::string ActivityLogPath(const std::string& executableDirectory, const LocalTime& now);

// "hh:mm:ss " followed by text: no line end is added.
std::string ActivityLogEntry(const LocalTime& now, const std::string& text);

class ActivityLog {
 public:
  ActivityLog(Clock& clock, ExecutableLocation& executable, FileAppender& files, const AnsiCodePage& codePage);

  // Formats the entry printf-style and appends it to today's file. One
  // reading of the clock gives both the file's date and the entry's time.
  // A file that cannot be written loses the entry silently.
  void WriteActivityLog(const char* format, ...);
  void WriteActivityLogV(const char* format, std::va_list arguments);

 private:
  Clock& clock_;
  ExecutableLocation& executable_;
  FileAppender& files_;
  const AnsiCodePage& codePage_;
};

}  // namespace mavrion
