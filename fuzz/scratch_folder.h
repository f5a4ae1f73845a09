#pragma once
// The scratch folder of a fuzzer process: the whole-assembler targets write
// their main source and data files there and run the assembler inside it, so
// nothing the fuzzer names can reach a file outside.

#include <fcntl.h>
#include <ftw.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "assembler/assembly.h"

namespace scratch_detail {
// The folder's path for the removal at exit, which runs after the string
// below is gone.
inline char path[64];
inline int RemoveEntry(const char* p, const struct stat*, int, struct FTW*) {
  std::remove(p);
  return 0;
}
inline void RemoveFolder() {
  if (chdir("/") == 0) nftw(path, RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}
}  // namespace scratch_detail

// Made and entered on first use, removed at exit; one per process. It lies
// in memory (/dev/shm) where the system has such a folder: every input
// writes files there, and on a disk those writes were most of a run's time.
inline const std::string& Scratch() {
  static const std::string dir = [] {
    char inMemory[] = "/dev/shm/veld-fuzz-XXXXXX";
    char onDisk[] = "/tmp/veld-fuzz-XXXXXX";
    char* name = mkdtemp(inMemory);
    if (!name) name = mkdtemp(onDisk);
    if (!name) std::abort();
    if (chdir(name) != 0) std::abort();
    std::strncpy(scratch_detail::path, name, sizeof scratch_detail::path - 1);
    std::atexit(scratch_detail::RemoveFolder);
    // A source that includes /dev/stdin must not wait for a terminal.
    int null = open("/dev/null", O_RDONLY);
    if (null >= 0) dup2(null, 0);
    return std::string(name);
  }();
  return dir;
}

inline void WriteScratchFile(const std::string& name, std::string_view bytes) {
  std::FILE* f = std::fopen(name.c_str(), "wb");
  if (!f) std::abort();
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// Assembles a main source of the scratch folder in a fresh context,
// sandboxed (outputs built but not written, no command or file operation),
// with runaway bounds low enough that every input finishes in well under a
// second even with the sanitizers: the bounds are what is tested, not their
// size.
inline void AssembleSandboxed(const std::string& dir, const std::string& mainFile) {
  CapturingConsole console;
  FixedClock clock;
  Environment env{&console, &clock, [] { return 12345u; }, dir};
  env.sandbox = true;
  env.limits.loopTrips = 64;
  env.limits.passLoopRounds = 256;
  env.limits.runs = 3;
  env.limits.macroDepth = 16;
  env.limits.passStatements = 20000;
  auto a = std::make_unique<Assembly>(env);
  AssembleMain(*a, mainFile);
}
