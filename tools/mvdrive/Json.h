// A small JSON writer shared by mvdrive.exe and mvprobe.dll: both answer one
// JSON object per line, which the Python test bench reads.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace mv {

// ANSI text in the system code page to a JSON string; non-ASCII characters
// are written as \u escapes so the reader needs no code page.
inline std::string Quote(const std::string& ansi) {
  std::string out = "\"";
  int count = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(count), L'\0');
  if (count > 0) {
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], count);
  }
  for (wchar_t c : wide) {
    if (c == L'"' || c == L'\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7f) {
      out += static_cast<char>(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      out += escape;
    }
  }
  return out + "\"";
}

// Builds one JSON object field by field: Object o; o.Add("a", 1); o.Text().
class Object {
 public:
  Object& Raw(const char* key, const std::string& json) {
    body_ += body_.empty() ? "" : ",";
    body_ += Quote(key) + ":" + json;
    return *this;
  }
  Object& Add(const char* key, const std::string& text) { return Raw(key, Quote(text)); }
  Object& Add(const char* key, const char* text) { return Raw(key, Quote(text)); }
  Object& Add(const char* key, bool value) { return Raw(key, value ? "true" : "false"); }
  Object& Add(const char* key, long long value) { return Raw(key, std::to_string(value)); }
  Object& Add(const char* key, int value) { return Add(key, static_cast<long long>(value)); }
  Object& Add(const char* key, unsigned long value) { return Add(key, static_cast<long long>(value)); }
  Object& Add(const char* key, unsigned value) { return Add(key, static_cast<long long>(value)); }
  Object& Add(const char* key, HWND hwnd) {
    return Add(key, static_cast<long long>(reinterpret_cast<UINT_PTR>(hwnd)));
  }
  std::string Text() const { return "{" + body_ + "}"; }

 private:
  std::string body_;
};

// Builds a JSON array from already written elements.
class Array {
 public:
  Array& Raw(const std::string& json) {
    body_ += body_.empty() ? "" : ",";
    body_ += json;
    return *this;
  }
  Array& Add(const std::string& text) { return Raw(Quote(text)); }
  std::string Text() const { return "[" + body_ + "]"; }

 private:
  std::string body_;
};

inline std::string Error(const std::string& message) {
  return Object().Add("ok", false).Add("error", message).Text();
}

}  // namespace mv
