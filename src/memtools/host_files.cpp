#include "memtools/host_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "assembler/assembly.h"
#include "support/paths.h"

namespace {

std::string MainFolder(const Assembly& a) {
  const TSource& main = a.sources.slots[0];
  if (main.loaded && main.exists) {
    auto slash = main.FileName.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : main.FileName.substr(0, slash);
  }
  return a.env.exeDir.empty() ? std::string(".") : a.env.exeDir;
}

bool Exists(const std::string& path) { return !path.empty() && PathExists(path); }

}  // namespace

std::string ResolveImportName(const Assembly& a, std::string_view nameIn) {
  std::string name(nameIn);
  for (char& c : name)
    if (c == '\\') c = '/';
  if (Exists(name)) return name;
  std::string folder = MainFolder(a);
  if (folder.back() != '/') folder += '/';
  std::string beside = folder + name;
  return Exists(beside) ? beside : std::string();
}

std::optional<HostFile> HostFile::Open(const std::string& path, bool writable, std::string& error) {
  // Non-blocking, so that a named pipe cannot hold the open; it is refused
  // below like every other file that is not an ordinary one.
  int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = errno == EISDIR ? "is a folder" : std::strerror(errno);
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = S_ISDIR(st.st_mode) ? "is a folder" : "is not an ordinary file";
    ::close(fd);
    return std::nullopt;
  }
  return HostFile(fd, static_cast<uint64_t>(st.st_size));
}

HostFile::HostFile(HostFile&& other) noexcept : fd_(other.fd_), size_(other.size_) {
  other.fd_ = -1;
}

HostFile& HostFile::operator=(HostFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    size_ = other.size_;
    other.fd_ = -1;
  }
  return *this;
}

HostFile::~HostFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool HostFile::ReadAt(uint64_t offset, std::span<uint8_t> out) const {
  if (offset > size_ || out.size() > size_ - offset) return false;
  size_t done = 0;
  while (done < out.size()) {
    ssize_t n =
        ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool HostFile::WriteAt(uint64_t offset, std::span<const uint8_t> in) const {
  if (offset > size_ || in.size() > size_ - offset) return false;
  size_t done = 0;
  while (done < in.size()) {
    ssize_t n =
        ::pwrite(fd_, in.data() + done, in.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}
