#pragma once
// Fakes of the ports the settings, output naming and log code reaches.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/platform/Clock.h"
#include "core/platform/DataExchange.h"
#include "core/platform/ExecutableLocation.h"
#include "core/settings/ActivityLog.h"
#include "core/settings/AnsiPath.h"
#include "core/settings/OutputFileName.h"
#include "core/settings/ProfileStore.h"
#include "tests/unit/encoder/FakeDialog.h"

namespace mavrion::settings_fakes {

inline bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

inline std::string Trimmed(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// INI files kept as text, read and written the way the private-profile
// functions do: names match without regard to case, a missing file reads
// as empty, new keys go after the section's last key, lines end in CRLF.
class FakeProfileFiles : public ProfileStore {
 public:
  std::map<std::string, std::string> files;
  bool writable = true;
  std::map<std::string, std::size_t> bufferChars;  // per key, the last read's buffer size

  std::string GetString(const std::string& section, const std::string& key, const std::string& defaultValue,
                        std::size_t maxChars, const std::string& path) override {
    bufferChars[key] = maxChars;
    std::string value = defaultValue;
    auto file = files.find(path);
    if (file != files.end()) {
      std::vector<std::string> lines = Lines(file->second);
      int at = FindKey(lines, section, key);
      if (at >= 0) {
        const std::string& line = lines[static_cast<std::size_t>(at)];
        value = Trimmed(line.substr(line.find('=') + 1));
      }
    }
    return value.substr(0, maxChars == 0 ? 0 : std::min(value.size(), maxChars - 1));
  }

  bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& path) override {
    if (!writable) return false;
    std::vector<std::string> lines = Lines(files[path]);
    std::string entry = key + "=" + value;
    int at = FindKey(lines, section, key);
    if (at >= 0) {
      lines[static_cast<std::size_t>(at)] = entry;
    } else {
      int header = FindSection(lines, section);
      if (header < 0) {
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
      } else {
        std::size_t end = static_cast<std::size_t>(header) + 1;
        while (end < lines.size() && Trimmed(lines[end]).rfind("[", 0) != 0) ++end;
        while (end > static_cast<std::size_t>(header) + 1 && Trimmed(lines[end - 1]).empty()) --end;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(end), entry);
      }
    }
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    files[path] = text;
    return true;
  }

 private:
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      lines.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }
  static int FindSection(const std::vector<std::string>& lines, const std::string& section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (SameTextIgnoringCase(Trimmed(lines[i]), "[" + section + "]")) return static_cast<int>(i);
    }
    return -1;
  }
  static int FindKey(const std::vector<std::string>& lines, const std::string& section, const std::string& key) {
    int header = FindSection(lines, section);
    if (header < 0) return -1;
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < lines.size(); ++i) {
      std::string line = Trimmed(lines[i]);
      if (line.rfind("[", 0) == 0) break;
      std::size_t equals = line.find('=');
      if (equals != std::string::npos && SameTextIgnoringCase(Trimmed(line.substr(0, equals)), key))
        return static_cast<int>(i);
    }
    return -1;
  }
};

// The encoding engine's fake lists, also noting where each entry went.
class FakeDialogView : public encoder::fakes::FakeDialogView {
 public:
  struct Insert {
    int id, position;
    std::string text;
  };
  std::vector<Insert> inserts;
  void ComboInsert(int id, int position, const std::string& text) override {
    inserts.push_back({id, position, text});
    encoder::fakes::FakeDialogView::ComboInsert(id, position, text);
  }
};

using FakeBoxes = encoder::fakes::FakeMessageBoxes;

// Counts the exchanges.
class FakeExchange : public DataExchange {
 public:
  int refreshes = 0;
  int reads = 0;
  std::function<void()> onRead;  // what the controls hand back to the held values
  void RefreshControls() override { ++refreshes; }
  void ReadControls() override {
    ++reads;
    if (onRead) onRead();
  }
};

class FakeClock : public Clock {
 public:
  LocalTime now{2026, 3, 7, 14, 5, 9};
  std::deque<LocalTime> upcoming;  // answered first, one per reading
  int reads = 0;
  std::uint32_t TickCount() override { return 0; }
  LocalTime Now() override {
    ++reads;
    if (!upcoming.empty()) {
      now = upcoming.front();
      upcoming.pop_front();
    }
    return now;
  }
  void Sleep(std::uint32_t) override {}
};

class FakeExecutable : public ExecutableLocation {
 public:
  std::string path = "C:\\Programs\\Mavrion\\Mavrion.exe";
  std::string ExecutablePath() override { return path; }
};

class SingleByteCodePage : public AnsiCodePage {
 public:
  bool IsLeadByte(unsigned char) const override { return false; }
};

// Lead bytes as in code page 932 (Shift JIS); any byte may follow one.
class CodePage932 : public AnsiCodePage {
 public:
  bool IsLeadByte(unsigned char byte) const override {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
  }
};

class FakeSaveAs : public SaveAsDialog {
 public:
  SaveAsResult result = SaveAsResult::Cancelled;
  std::string name;
  std::vector<SaveAsRequest> requests;
  SaveAsResult Ask(const SaveAsRequest& request, std::string& chosen) override {
    requests.push_back(request);
    if (result == SaveAsResult::Chosen) chosen = name;
    return result;
  }
};

class FakeFiles : public FileAppender {
 public:
  std::map<std::string, std::string> files;
  bool writable = true;
  int appends = 0;
  bool Append(const std::string& path, const std::string& text) override {
    ++appends;
    if (!writable) return false;
    files[path] += text;
    return true;
  }
};

}  // namespace mavrion::settings_fakes
