#include "support/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "support/fresh_memory.h"

namespace {

std::string TooLarge(uint64_t limit) {
  return "is larger than " + std::to_string(limit >> 20) + " MiB";
}

}  // namespace

void FileBytesRelease::operator()(char* data) const { FreeForFilling(data, mapped); }

void FileBytes::Reserve(size_t n) {
  if (n <= capacity_) return;
  size_t mapped = 0;
  char* room = AllocateForFilling(n, mapped);
  if (!room) throw std::bad_alloc();
  std::unique_ptr<char[], FileBytesRelease> bigger(room, FileBytesRelease{mapped});
  if (size_ > 0) std::memcpy(bigger.get(), data_.get(), size_);
  data_ = std::move(bigger);
  capacity_ = n;
}

char* FileBytes::Extend(size_t n) {
  if (capacity_ - size_ < n) Reserve(std::max(size_ + n, capacity_ * 2));
  char* at = data_.get() + size_;
  size_ += n;
  return at;
}

void FileBytes::Append(const char* s, size_t n) {
  if (n > 0) std::memcpy(Extend(n), s, n);
}

std::string ReadInputFile(const std::string& path, FileBytes& bytes, uint64_t limit) {
  bytes.clear();
  int fd = open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return std::strerror(errno);
  struct stat st;
  if (fstat(fd, &st) != 0) {
    int err = errno;
    close(fd);
    return std::strerror(err);
  }
  if (S_ISDIR(st.st_mode)) {
    close(fd);
    return "is a folder";
  }
  if (S_ISREG(st.st_mode)) {
    if (static_cast<uint64_t>(st.st_size) > limit) {
      close(fd);
      return TooLarge(limit);
    }
    // Straight into the text: going through a buffer would touch more memory
    // (fresh pages are most of what reading a large source costs); the
    // text's pages are made present in one step before they are filled.
    const auto size = static_cast<size_t>(st.st_size);
    bytes.Reserve(size);
    char* to = bytes.Extend(size);
    size_t got = 0;
    while (got < size) {
      const ssize_t n = read(fd, to + got, size - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        const int err = errno;
        close(fd);
        bytes.clear();
        return std::strerror(err);
      }
      if (n == 0) break;
      got += static_cast<size_t>(n);
    }
    bytes.Truncate(got);
  }
  // Devices and pipes have no size, and a file may have grown: read until the
  // end or the limit.
  char buf[65536];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int err = errno;
      close(fd);
      bytes.clear();
      return std::strerror(err);
    }
    if (n == 0) break;
    if (bytes.size() + static_cast<uint64_t>(n) > limit) {
      close(fd);
      bytes.clear();
      return TooLarge(limit);
    }
    bytes.Append(buf, static_cast<size_t>(n));
  }
  close(fd);
  return "";
}

std::string ReadFileStart(const std::string& path, std::string& bytes, uint64_t limit) {
  bytes.clear();
  int fd = open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return std::strerror(errno);
  char buf[65536];
  while (bytes.size() < limit) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(sizeof buf, limit - bytes.size()));
    ssize_t n = read(fd, buf, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int err = errno;
      close(fd);
      return std::strerror(err);
    }
    if (n == 0) break;
    bytes.append(buf, static_cast<size_t>(n));
  }
  close(fd);
  return "";
}

bool CanOpenForReading(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  close(fd);
  return true;
}
