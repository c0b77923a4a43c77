#include "core/encoder/builtin/ByteSink.h"

#include <cstring>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace mavrion::encoder::builtin {

bool MemorySink::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
  if (offset > capacity_ || size > capacity_ - offset) {
    // A full disk takes what fits, then refuses.
    if (offset < capacity_) {
      std::size_t fits = static_cast<std::size_t>(capacity_ - offset);
      if (bytes_.size() < capacity_) bytes_.resize(capacity_);
      std::memcpy(bytes_.data() + offset, data, fits);
    }
    return false;
  }
  std::size_t end = static_cast<std::size_t>(offset) + size;
  if (bytes_.size() < end) bytes_.resize(end);
  if (size != 0) std::memcpy(bytes_.data() + offset, data, size);
  return true;
}

bool MemorySink::Flush() {
  flushed_ = bytes_;
  return true;
}

bool MemorySink::Truncate(std::uint64_t size) {
  if (size < bytes_.size()) bytes_.resize(static_cast<std::size_t>(size));
  return true;
}

StdioFileSink::~StdioFileSink() { Close(); }

bool StdioFileSink::Open(const std::string& path) {
  Close();
  file_ = std::fopen(path.c_str(), "w+b");
  return file_ != nullptr;
}

bool StdioFileSink::Close() {
  if (!file_) return true;
  bool ok = std::fclose(file_) == 0;
  file_ = nullptr;
  return ok;
}

namespace {

// Files beyond 2 GB need the 64-bit seek, which the two C libraries name
// differently.
bool SeekTo(std::FILE* file, std::uint64_t offset) {
#if defined(_WIN32)
  return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

}  // namespace

bool StdioFileSink::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
  if (!file_ || !SeekTo(file_, offset)) return false;
  return std::fwrite(data, 1, size, file_) == size;
}

bool StdioFileSink::Flush() { return file_ && std::fflush(file_) == 0; }

bool StdioFileSink::Truncate(std::uint64_t size) {
  if (!file_ || std::fflush(file_) != 0) return false;
#if defined(_WIN32)
  return _chsize_s(_fileno(file_), static_cast<long long>(size)) == 0;
#else
  return ftruncate(fileno(file_), static_cast<off_t>(size)) == 0;
#endif
}

}  // namespace mavrion::encoder::builtin
