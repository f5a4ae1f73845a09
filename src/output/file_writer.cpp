#include "output/file_writer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "assembler/assembly.h"
#include "memtools/host_files.h"
#include "support/paths.h"

namespace {

void ReportFailure(Assembly& a, const std::string& path, int err) {
  PrintErr(a, " Output file \"" + path + "\" can't be written: " + std::strerror(err));
}

// The file a write to `path` should replace: a symbolic link is followed so
// that the linked file is updated instead of the link being replaced.
std::string WriteTarget(const std::string& path) { return FollowSymlink(path); }

std::string FolderOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool WriteAll(int fd, const char* data, size_t size, uint64_t offset) {
  while (size > 0) {
    ssize_t n = pwrite(fd, data, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

// Permission bits for the new file: those of the file it replaces, or what a
// freshly created file would get under the process's umask.
mode_t NewFileMode(const std::string& target) {
  struct stat st;
  if (stat(target.c_str(), &st) == 0) return st.st_mode & 07777;
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// A temporary file beside the target, open for writing. Returns -1 with errno
// set when it cannot be created.
int CreateTemporary(const std::string& target, std::string& tempName) {
  // Cut long names so that the temporary name stays within the name limit.
  tempName = FolderOf(target) + "/." + BaseOf(target).substr(0, 200) + ".XXXXXX";
  return mkstemp(tempName.data());
}

// Finishes a temporary file: permissions, close, rename over the target.
// Returns 0 or the errno of the failing step; the temporary file is removed
// on failure.
int Commit(int fd, const std::string& tempName, const std::string& target) {
  int err = 0;
  if (fchmod(fd, NewFileMode(target)) != 0) err = errno;
  if (close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && rename(tempName.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) unlink(tempName.c_str());
  return err;
}

int Abandon(int fd, const std::string& tempName) {
  int err = errno;
  close(fd);
  unlink(tempName.c_str());
  return err;
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// An existing target that is neither a regular file nor a folder: a device
// such as /dev/null, a named pipe or a socket (links followed). Such a file
// is written into, never replaced by a new regular file.
bool IsSpecialFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

// Writes `bytes` into the existing special file `path`. Returns 0 or errno.
int WriteIntoSpecialFile(const std::string& path, std::string_view bytes) {
  // The console lines printed so far come first when this is the terminal.
  std::fflush(nullptr);
  int fd = open(path.c_str(), O_WRONLY | O_NOCTTY);
  if (fd < 0) return errno;
  const char* data = bytes.data();
  size_t size = bytes.size();
  int err = 0;
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      err = n < 0 ? errno : EIO;
      break;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  if (close(fd) != 0 && err == 0) err = errno;
  return err;
}

// Holds back SIGINT, SIGTERM, SIGHUP and SIGQUIT while a temporary file
// exists: a signal that arrives meanwhile takes effect when the file has been
// renamed over its target or removed, so stopping a build (Ctrl+C, make
// killing its jobs) never leaves a temporary file or a half-written target.
class SignalShield {
 public:
  SignalShield() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&set, sig);
    sigprocmask(SIG_BLOCK, &set, &saved_);
  }
  ~SignalShield() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }
  SignalShield(const SignalShield&) = delete;
  SignalShield& operator=(const SignalShield&) = delete;

 private:
  sigset_t saved_;
};

bool SameFile(const struct stat& x, const std::string& path) {
  struct stat y;
  return stat(path.c_str(), &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

// Why `path` must not be replaced or patched by an output, or nullptr: it is
// one of the files this assembly read as source (the main file or an
// include), or the virtual CP/M drive that only OUTPUT_CPM writes into.
// Files are compared by device and inode, so another spelling or a link of
// the same file is caught too.
const char* ProtectedBecause(const Assembly& a, const std::string& path) {
  struct stat out;
  if (stat(path.c_str(), &out) != 0 || !S_ISREG(out.st_mode)) return nullptr;
  for (const TSource& s : a.sources.slots)
    if (s.loaded && s.exists && SameFile(out, s.FileName))
      return "it is a source file of this assembly";
  if (a.cpm.haveDrives && SameFile(out, ResolveImportName(a, a.cpm.drives)))
    return "it is the CP/M drive file";
  return nullptr;
}

// A slip of an output's file name must not destroy the user's work.
bool RefuseProtected(Assembly& a, const std::string& path) {
  const char* why = ProtectedBecause(a, path);
  if (!why) return false;
  PrintErr(a, " Output file \"" + path + "\" can't be written: " + why);
  return true;
}

}  // namespace

void CreateOutputFolder(const std::string& path) { CreateFolders(FolderOf(path)); }

bool SaveOutputFile(Assembly& a, const std::string& path, std::string_view bytes) {
  if (RefuseProtected(a, path)) return false;
  if (a.env.sandbox) return true;
  CreateOutputFolder(path);
  if (IsSpecialFile(path)) {
    if (int err = WriteIntoSpecialFile(path, bytes)) {
      ReportFailure(a, path, err);
      return false;
    }
    return true;
  }
  std::string target = WriteTarget(path);
  if (IsFolder(target)) {
    ReportFailure(a, path, EISDIR);
    return false;
  }
  SignalShield shield;
  std::string tempName;
  int fd = CreateTemporary(target, tempName);
  if (fd < 0) {
    ReportFailure(a, path, errno);
    return false;
  }
  if (!WriteAll(fd, bytes.data(), bytes.size(), 0)) {
    ReportFailure(a, path, Abandon(fd, tempName));
    return false;
  }
  if (int err = Commit(fd, tempName, target)) {
    ReportFailure(a, path, err);
    return false;
  }
  return true;
}

bool PatchOutputFile(Assembly& a, const std::string& path, uint64_t offset,
                     std::string_view bytes) {
  if (RefuseProtected(a, path)) return false;
  // The offset is a 32-bit value of the source: a negative one would place
  // the stretch 4 GiB into the file.
  if (offset > 0x7FFFFFFF) {
    PrintErr(a, " Output file \"" + path + "\" can't be written: the patch offset is negative");
    return false;
  }
  if (a.env.sandbox) return true;
  CreateOutputFolder(path);
  std::string target = WriteTarget(path);
  if (IsFolder(target)) {
    ReportFailure(a, path, EISDIR);
    return false;
  }
  // A device or pipe has no stretch to keep around the patch.
  if (IsSpecialFile(path)) {
    ReportFailure(a, path, ESPIPE);
    return false;
  }
  SignalShield shield;
  int in = open(target.c_str(), O_RDONLY);
  if (in < 0) {
    ReportFailure(a, path, errno);
    return false;
  }
  std::string tempName;
  int fd = CreateTemporary(target, tempName);
  if (fd < 0) {
    int err = errno;
    close(in);
    ReportFailure(a, path, err);
    return false;
  }
  // Copy the existing file, then write the stretch over the copy.
  char buf[65536];
  uint64_t copied = 0;
  for (;;) {
    ssize_t n = read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || (n > 0 && !WriteAll(fd, buf, static_cast<size_t>(n), copied))) {
      int err = Abandon(fd, tempName);
      close(in);
      ReportFailure(a, path, err);
      return false;
    }
    if (n == 0) break;
    copied += static_cast<uint64_t>(n);
  }
  close(in);
  if (!WriteAll(fd, bytes.data(), bytes.size(), offset)) {
    ReportFailure(a, path, Abandon(fd, tempName));
    return false;
  }
  if (int err = Commit(fd, tempName, target)) {
    ReportFailure(a, path, err);
    return false;
  }
  return true;
}

std::string JoinLinesCrLf(const std::vector<std::string>& lines) {
  size_t size = 0;
  for (const auto& l : lines) size += l.size() + 2;
  std::string out;
  out.reserve(size);
  for (const auto& l : lines) {
    out += l;
    out += "\r\n";
  }
  return out;
}
