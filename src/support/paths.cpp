#include "support/paths.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

bool PathExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int64_t RegularFileSize(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

std::string CurrentFolder() {
  std::string buf(256, '\0');
  for (;;) {
    if (getcwd(buf.data(), buf.size())) return std::string(buf.c_str());
    if (errno != ERANGE || buf.size() >= (1u << 20)) return ".";
    buf.resize(buf.size() * 2);
  }
}

std::string LexicallyNormal(std::string_view path) {
  if (path.empty()) return {};
  const bool absolute = path.front() == '/';
  std::vector<std::string_view> steps;
  // Whether the result ends with a separator: after a "." or a removed
  // "name/..", or when the path itself ends with one after a name.
  bool trailingSlash = false;
  size_t i = 0;
  while (i < path.size()) {
    size_t end = path.find('/', i);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view step = path.substr(i, end - i);
    i = end + 1;
    if (step.empty()) continue;
    if (step == ".") {
      trailingSlash = true;
    } else if (step == "..") {
      if (!steps.empty() && steps.back() != "..") {
        steps.pop_back();
        // "../a/.." ends on "..", which keeps no separator.
        trailingSlash = steps.empty() || steps.back() != "..";
      } else if (!absolute) {
        steps.push_back(step);
        trailingSlash = false;  // a final ".." keeps no separator
      }
    } else {
      steps.push_back(step);
      trailingSlash = end < path.size();
    }
  }
  std::string out = absolute ? "/" : "";
  for (size_t k = 0; k < steps.size(); ++k) {
    if (k > 0) out += '/';
    out += steps[k];
  }
  if (steps.empty()) return absolute ? out : std::string(".");
  if (trailingSlash) out += '/';
  return out;
}

std::string FollowSymlink(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string out(real);
  free(real);
  return out;
}

void CreateFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string prefix = path.substr(0, slash);
    if (!prefix.empty() && !PathExists(prefix)) mkdir(prefix.c_str(), 0777);
    if (slash == std::string::npos) return;
  }
}

std::string ParentFolder(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string_view::npos) return {};
  return std::string(slash == 0 ? path.substr(0, 1) : path.substr(0, slash));
}

std::string ReadSymlink(const std::string& path) {
  std::string buf(PATH_MAX, '\0');
  const ssize_t n = readlink(path.c_str(), buf.data(), buf.size());
  if (n < 0 || static_cast<size_t>(n) >= buf.size()) return {};
  buf.resize(static_cast<size_t>(n));
  return buf;
}
