#pragma once
// Questions about host paths and files, answered with plain system calls:
// the C++ file-system library would bring its stream and locale code into
// the program, which a tiny run then pays for in pages mapped at start-up.

#include <cstdint>
#include <string>
#include <string_view>

// Whether anything exists at `path` (symbolic links followed).
bool PathExists(const std::string& path);
// Whether `path` is a regular file (symbolic links followed).
bool IsRegularFile(const std::string& path);
// The size of the regular file at `path`, or -1 when there is none.
int64_t RegularFileSize(const std::string& path);
// The current folder, or "." when it cannot be found.
std::string CurrentFolder();
// `path` with "." and "name/.." steps and repeated slashes removed, by the
// text alone: "a/./b/../c" gives "a/c", "a/b/.." gives "a/", "" stays "".
std::string LexicallyNormal(std::string_view path);
// The file a symbolic link at `path` finally names, or `path` itself when it
// is no link or the link leads nowhere.
std::string FollowSymlink(const std::string& path);
// Creates the folder `path` and any missing folders above it; failures are
// left for the write that follows to report.
void CreateFolders(const std::string& path);
// The folder part of `path`: "/usr/bin" for "/usr/bin/qas", "/" for "/qas",
// "" for a bare name.
std::string ParentFolder(std::string_view path);
// The target of the symbolic link `path`, or "" when it is none.
std::string ReadSymlink(const std::string& path);
