#pragma once
// Host files read by the import directives and the CP/M drive: name
// resolution and plain reads. A file is opened, checked to be an ordinary
// file (a folder, a device or a pipe is refused, so nothing can block) and
// read at offsets in one call per stretch.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

struct Assembly;

// The name as written ("\" read as "/") when such a file or folder exists,
// else the same name placed in the main source file's folder (the
// assembler's own folder when there is no main source). Empty when neither
// exists.
std::string ResolveImportName(const Assembly& a, std::string_view name);

// An open host file; closed when it goes.
class HostFile {
 public:
  // Opens an existing ordinary file; on failure `error` says why ("is a
  // folder", "is not an ordinary file", or the system's reason).
  static std::optional<HostFile> Open(const std::string& path, bool writable, std::string& error);
  HostFile(HostFile&& other) noexcept;
  HostFile& operator=(HostFile&& other) noexcept;
  HostFile(const HostFile&) = delete;
  ~HostFile();

  uint64_t size() const { return size_; }
  // The whole stretch or false (past the end, or a system error).
  bool ReadAt(uint64_t offset, std::span<uint8_t> out) const;
  bool WriteAt(uint64_t offset, std::span<const uint8_t> in) const;

 private:
  HostFile(int fd, uint64_t size) : fd_(fd), size_(size) {}
  int fd_ = -1;
  uint64_t size_ = 0;
};
