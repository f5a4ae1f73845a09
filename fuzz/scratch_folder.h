#pragma once
// The scratch folder of a fuzzer process: the whole-assembler targets write
// their main source and data files there and run the assembler inside it, so
// nothing the fuzzer names can reach a file outside.

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "assembler/assembly.h"

// Made and entered on first use; one per process.
inline const std::string& Scratch() {
  static const std::string dir = [] {
    char name[] = "/tmp/veld-fuzz-XXXXXX";
    if (!mkdtemp(name)) std::abort();
    if (chdir(name) != 0) std::abort();
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
  env.limits.loopTrips = 256;
  env.limits.passLoopRounds = 2048;
  env.limits.runs = 3;
  auto a = std::make_unique<Assembly>(env);
  AssembleMain(*a, mainFile);
}
