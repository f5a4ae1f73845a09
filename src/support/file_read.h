#pragma once
// Reading whole input files (sources, includes, imported binaries, pictures)
// with a size bound, so that a device such as /dev/zero, a pipe that never
// ends or a multi-gigabyte file gives a clear error instead of exhausting
// memory or hanging.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Largest input file read whole: far above any real source or binary.
inline constexpr uint64_t kMaxInputFileBytes = 128u << 20;

// How the room of FileBytes is given back (support/fresh_memory.h).
struct FileBytesRelease {
  size_t mapped = 0;
  void operator()(char* data) const;
};

// The bytes of a file. Unlike a string, room made for them is not cleared
// first: a large source is written once, by the read, not twice. The room is
// made present before it is filled, in huge pages when large.
class FileBytes {
 public:
  FileBytes() = default;
  explicit FileBytes(std::string_view s) { Append(s.data(), s.size()); }
  char* data() { return data_.get(); }
  const char* data() const { return data_.get(); }
  size_t size() const { return size_; }
  size_t capacity() const { return capacity_; }
  bool empty() const { return size_ == 0; }
  std::string_view view() const { return {data_.get(), size_}; }
  // Room for n bytes in all; the bytes held are kept.
  void Reserve(size_t n);
  // n new bytes, not yet set, after those held.
  char* Extend(size_t n);
  void Append(const char* s, size_t n);
  // Keeps the first n bytes (n at most the size).
  void Truncate(size_t n) { size_ = n < size_ ? n : size_; }
  void clear() {
    data_.reset();
    size_ = capacity_ = 0;
  }

 private:
  std::unique_ptr<char[], FileBytesRelease> data_;
  size_t size_ = 0, capacity_ = 0;
};

// Reads the file `path` into `bytes`. Returns "" on success, or why the file
// could not be read: the system's reason, "is a folder", or "is larger than
// 128 MiB". At most `limit` bytes are ever held.
std::string ReadInputFile(const std::string& path, FileBytes& bytes,
                          uint64_t limit = kMaxInputFileBytes);

// Reads at most `limit` bytes from the start of the file `path` into `bytes`
// (a longer file is cut, not refused). Returns "" on success or the system's
// reason.
std::string ReadFileStart(const std::string& path, std::string& bytes, uint64_t limit);

// Whether the file `path` can be opened for reading.
bool CanOpenForReading(const std::string& path);
