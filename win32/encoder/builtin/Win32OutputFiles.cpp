#include "win32/encoder/builtin/Win32OutputFiles.h"

#include <windows.h>

#include <new>

namespace mavrion::win32 {
namespace {

class Win32FileSink : public encoder::builtin::OutputSink {
 public:
  explicit Win32FileSink(HANDLE file) : file_(file) {}
  Win32FileSink(const Win32FileSink&) = delete;
  Win32FileSink& operator=(const Win32FileSink&) = delete;
  ~Win32FileSink() override { Close(); }

  bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
    const auto* bytes = static_cast<const char*>(data);
    while (size != 0) {
      if (file_ == INVALID_HANDLE_VALUE) return false;
      // A positioned write on a handle opened for plain (not overlapped)
      // use: the call returns once the system has the bytes.
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>(offset);
      at.OffsetHigh = static_cast<DWORD>(offset >> 32);
      DWORD written = 0;
      if (!WriteFile(file_, bytes, static_cast<DWORD>(size), &written, &at) || written == 0) return false;
      bytes += written;
      offset += written;
      size -= written;
    }
    return true;
  }

  // WriteFile has handed everything to the system already; forcing it onto
  // the disk would only slow the recording down.
  bool Flush() override { return file_ != INVALID_HANDLE_VALUE; }

  bool Truncate(std::uint64_t size) override {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(size);
    return file_ != INVALID_HANDLE_VALUE && SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) &&
           SetEndOfFile(file_);
  }

  bool Close() override {
    if (file_ == INVALID_HANDLE_VALUE) return true;
    const bool closed = CloseHandle(file_) != 0;
    file_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE file_;
};

HResult FromWin32(DWORD error) {
  return error == 0 ? kE_FAIL : static_cast<HResult>((error & 0xFFFFu) | 0x80070000u);
}

}  // namespace

bool Win32OutputFiles::CanCreate(const std::string& path) {
  if (path.empty()) return false;
  char full[MAX_PATH];
  char* name = nullptr;
  const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, &name);
  if (length == 0 || length >= MAX_PATH || name == nullptr || *name == '\0') return false;
  const DWORD self = GetFileAttributesA(full);
  if (self != INVALID_FILE_ATTRIBUTES && (self & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  const std::string folder(full, name);
  const DWORD parent = GetFileAttributesA(folder.c_str());
  return parent != INVALID_FILE_ATTRIBUTES && (parent & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::unique_ptr<encoder::builtin::OutputSink> Win32OutputFiles::Create(const std::string& path, HResult* failure) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *failure = FromWin32(GetLastError());
    return nullptr;
  }
  auto sink = std::unique_ptr<Win32FileSink>(new (std::nothrow) Win32FileSink(file));
  if (!sink) {
    CloseHandle(file);
    *failure = kE_OUTOFMEMORY;
  }
  return sink;
}

}  // namespace mavrion::win32
