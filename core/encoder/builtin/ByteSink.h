#pragma once
// Where the built-in encoder's file goes: bytes written at an offset, and a
// flush that hands everything written so far to the system, so that a
// recording whose program is killed keeps what was flushed.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace mavrion::encoder::builtin {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes size bytes at offset, growing the file as needed. False when the
  // bytes could not all be written (a full disk, a lost volume).
  virtual bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) = 0;
  virtual bool Flush() = 0;
  // Cuts the file to size bytes: what a failed write left beyond the part
  // that counts would make readers doubt the header's sizes.
  virtual bool Truncate(std::uint64_t size) = 0;
};

// A file in memory, for tests; capacity limits its size as a full disk would.
class MemorySink : public ByteSink {
 public:
  explicit MemorySink(std::size_t capacity = static_cast<std::size_t>(-1)) : capacity_(capacity) {}
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) override;
  bool Flush() override;
  bool Truncate(std::uint64_t size) override;
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  // The bytes as they stood at the last flush: what a killed program leaves.
  const std::vector<std::uint8_t>& Flushed() const { return flushed_; }

 private:
  std::size_t capacity_;
  std::vector<std::uint8_t> bytes_;
  std::vector<std::uint8_t> flushed_;
};

// A file on disk through the C library; created (or emptied) on Open.
class StdioFileSink : public ByteSink {
 public:
  StdioFileSink() = default;
  StdioFileSink(const StdioFileSink&) = delete;
  StdioFileSink& operator=(const StdioFileSink&) = delete;
  ~StdioFileSink() override;
  bool Open(const std::string& path);
  bool Close();
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) override;
  bool Flush() override;
  bool Truncate(std::uint64_t size) override;

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace mavrion::encoder::builtin
