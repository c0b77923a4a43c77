#include "core/settings/ActivityLog.h"

#include <cstdio>
#include <vector>

namespace mavrion {
namespace {

std::string FormatV(const char* format, std::va_list arguments) {
  std::va_list measuring;
  va_copy(measuring, arguments);
  int length = std::vsnprintf(nullptr, 0, format, measuring);
  va_end(measuring);
  if (length <= 0) return {};
  std::vector<char> text(static_cast<std::size_t>(length) + 1);
  std::vsnprintf(text.data(), text.size(), format, arguments);
  return std::string(text.data(), static_cast<std::size_t>(length));
}

}  // namespace

std::string ActivityLogPath(const std::string& executableDirectory, const LocalTime& now) {
  if (executableDirectory.empty()) return {};
  char name[96];
  std::snprintf(name, sizeof name, "\\%s-%04d%02d%02d.log", kActivityLogPrefix, now.year, now.month, now.day);
  std::string path = executableDirectory + name;
  if (path.size() > kMaxActivityLogPathChars) return {};
  return path;
}

std::string ActivityLogEntry(const LocalTime& now, const std::string& text) {
  char time[48];
  std::snprintf(time, sizeof time, "%02d:%02d:%02d ", now.hour, now.minute, now.second);
  return time + text;
}

ActivityLog::ActivityLog(Clock& clock, ExecutableLocation& executable, FileAppender& files,
                         const AnsiCodePage& codePage)
    : clock_(clock), executable_(executable), files_(files), codePage_(codePage) {}

void ActivityLog::WriteActivityLog(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  WriteActivityLogV(format, arguments);
  va_end(arguments);
}

void ActivityLog::WriteActivityLogV(const char* format, std::va_list arguments) {
  LocalTime now = clock_.Now();
  std::string path = ActivityLogPath(ExecutableDirectory(executable_, codePage_), now);
  if (path.empty()) return;
  files_.Append(path, ActivityLogEntry(now, FormatV(format, arguments)));
}

}  // namespace mavrion
