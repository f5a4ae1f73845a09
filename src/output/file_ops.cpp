#include "output/file_ops.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "assembler/assembly.h"
#include "output/output_defs.h"

namespace {

// Most of a failing command's output that is kept to be shown.
constexpr size_t kMaxShownOutput = 64 * 1024;

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

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

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Gives the finished file `temp` the name `to` unless `to` exists. Where the
// file system cannot refuse to replace in one step, a hard link does the
// same; a file system without hard links gets a check before the rename.
bool PlaceWithoutReplacing(const std::string& temp, const std::string& to) {
  if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
  if (link(temp.c_str(), to.c_str()) == 0) {
    unlink(temp.c_str());
    return true;
  }
  if (errno != EPERM && errno != ENOTSUP) return false;
  if (Exists(to)) return false;
  return rename(temp.c_str(), to.c_str()) == 0;
}

// Copies the regular file `from` (links followed) into a temporary file
// beside `to` and gives it that name only when complete; the copy keeps the
// permission bits of the original.
bool CopyContents(const std::string& from, const std::string& to) {
  if (Exists(to)) return false;
  int in = open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (in < 0) return false;
  struct stat st;
  // Devices, pipes and folders are not files to copy (reading one may never end).
  if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(in);
    return false;
  }
  std::string temp = FolderOf(to) + "/." + BaseOf(to).substr(0, 200) + ".XXXXXX";
  int out = mkostemp(temp.data(), O_CLOEXEC);
  if (out < 0) {
    close(in);
    return false;
  }
  bool ok = true;
  char buf[65536];
  for (;;) {
    ssize_t n = read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || (n > 0 && !WriteAll(out, buf, static_cast<size_t>(n)))) ok = false;
    if (n <= 0) break;
  }
  close(in);
  if (fchmod(out, st.st_mode & 07777) != 0) ok = false;
  if (close(out) != 0) ok = false;
  if (ok && PlaceWithoutReplacing(temp, to)) return true;
  unlink(temp.c_str());
  return false;
}

bool MoveWithoutReplacing(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno == EXDEV) {
    // Another file system: copy, then delete the original. When the original
    // cannot be deleted the copy is taken back, so the move leaves things as
    // they were.
    if (!CopyContents(from, to)) return false;
    if (unlink(from.c_str()) == 0) return true;
    unlink(to.c_str());
    return false;
  }
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
  if (!Exists(from) || Exists(to)) return false;
  return rename(from.c_str(), to.c_str()) == 0;
}

// Marks every descriptor above standard error close-on-exec (in the child).
void CloseOtherDescriptorsAtExec() {
  if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0) return;
  long limit = sysconf(_SC_OPEN_MAX);
  if (limit < 0 || limit > 65536) limit = 65536;
  for (int fd = 3; fd < limit; ++fd) fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// Sends errno to the parent and ends the child before the shell ran.
[[noreturn]] void ChildFailed(int report) {
  int err = errno;
  (void)!write(report, &err, sizeof err);
  _exit(127);
}

// The child's side of a start: folder, descriptors, signals, then the shell.
// A failure before the shell runs is sent to the parent through `report`.
[[noreturn]] void RunChild(const TFILE_Def& d, int output, int report) {
  if (chdir(d.Directory.c_str()) != 0) ChildFailed(report);
  if (dup2(output, STDOUT_FILENO) < 0 || dup2(output, STDERR_FILENO) < 0) ChildFailed(report);
  CloseOtherDescriptorsAtExec();
  signal(SIGPIPE, SIG_DFL);
  execl("/bin/sh", "sh", "-c", d.FileName.c_str(), static_cast<char*>(nullptr));
  ChildFailed(report);
}

struct Started {
  pid_t pid = -1;
  int output = -1;  // read end of the output pipe; -1 when not captured
};

// Starts the command; its output goes to a pipe when it is waited for, and
// is discarded otherwise (nobody would read it, and a full pipe would stop
// the command). Returns a pid of -1 when the command could not be started.
Started Start(const TFILE_Def& d, bool wait) {
  Started s;
  int out[2] = {-1, -1};
  int report[2];
  if (wait) {
    if (pipe2(out, O_CLOEXEC) != 0) return s;
  } else {
    out[1] = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (out[1] < 0) return s;
  }
  if (pipe2(report, O_CLOEXEC) != 0) {
    if (out[0] >= 0) close(out[0]);
    close(out[1]);
    return s;
  }
  // Lines printed so far must not reach the command's output twice.
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    if (out[0] >= 0) close(out[0]);
    close(report[0]);
    RunChild(d, out[1], report[1]);
  }
  close(out[1]);
  close(report[1]);
  int err = 0;
  bool failed = pid < 0;
  if (!failed) {
    ssize_t n;
    do n = read(report[0], &err, sizeof err);
    while (n < 0 && errno == EINTR);
    failed = n > 0;
    if (failed) {
      int status;
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
    }
  }
  close(report[0]);
  if (failed) {
    if (out[0] >= 0) close(out[0]);
    return s;
  }
  s.pid = pid;
  s.output = out[0];
  return s;
}

// Reads the command's output to its end, keeping the first part of it.
std::string Drain(int fd) {
  std::string kept;
  size_t dropped = 0;
  char buf[4096];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    size_t take = std::min(static_cast<size_t>(n), kMaxShownOutput - kept.size());
    kept.append(buf, take);
    dropped += static_cast<size_t>(n) - take;
  }
  if (dropped > 0) kept += "\n[" + std::to_string(dropped) + " more bytes of output not shown]";
  return kept;
}

void ShowOutput(Assembly& a, std::string_view text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    PrintOut(a, line);
    start = end + 1;
  }
}

}  // namespace

bool CopyHostFile(Assembly& a, const std::string& from, const std::string& to) {
  if (CopyContents(from, to)) return true;
  PrintErr(a, "CopyFile failed " + Quote(from) + " to " + Quote(to));
  return false;
}

bool MoveHostFile(Assembly& a, const std::string& from, const std::string& to) {
  if (MoveWithoutReplacing(from, to)) return true;
  PrintErr(a, "MoveFile failed " + Quote(from) + " to " + Quote(to));
  return false;
}

bool DeleteHostFile(Assembly& a, const std::string& name) {
  if (unlink(name.c_str()) == 0) return true;
  PrintErr(a, "DeleteFile failed " + Quote(name));
  return false;
}

bool InvokeCommand(Assembly& a, const TFILE_Def& d) {
  bool wait = d.Start == 1;
  Started s = Start(d, wait);
  if (s.pid < 0) {
    PrintErr(a, "Unable to invoke [" + d.FileName + "]");
    return false;
  }
  if (!wait) return true;
  std::string output = Drain(s.output);
  close(s.output);
  int status = 0;
  while (waitpid(s.pid, &status, 0) < 0) {
    if (errno != EINTR) return true;
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  std::string how = WIFEXITED(status) ? "exited with status " + std::to_string(WEXITSTATUS(status))
                                      : "was ended by signal " + std::to_string(WTERMSIG(status));
  PrintOut(a, "Warning: invoked command [" + d.FileName + "] " + how);
  ShowOutput(a, output);
  return false;
}
