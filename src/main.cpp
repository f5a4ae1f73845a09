// qas: assembles the one source file named on the command line
// ("--version" and "--help" are answered without assembling).

#include <sys/random.h>

#include <chrono>
#include <exception>
#include <new>
#include <string>

#include "assembler/assembly.h"
#include "driver/command_line.h"
#include "support/fresh_memory.h"
#include "support/paths.h"

#ifndef VELD_VERSION
#define VELD_VERSION "unknown"
#endif

namespace {

// A fresh seed for a run's random numbers, straight from the kernel (one
// system call; a random-device object would first probe the processor).
uint32_t FreshSeed() {
  uint32_t v = 0;
  if (getrandom(&v, sizeof v, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof v)) return v;
  const auto t = std::chrono::steady_clock::now().time_since_epoch().count();
  return static_cast<uint32_t>(t ^ (t >> 32));
}

std::string ExecutableDir() { return ParentFolder(ReadSymlink("/proc/self/exe")); }

}  // namespace

int main(int argc, char** argv) {
  PrepareProcessMemory(argv);
  StdConsole console;
  if (argc >= 2) {
    const InfoRequest request = InfoRequestOf(argv[1]);
    if (request != InfoRequest::None) {
      for (const std::string& line : InfoLines(request, VELD_VERSION)) console.Out(line);
      return 0;
    }
  }
  SystemClock clock;
  Environment env{&console, &clock, FreshSeed, ExecutableDir()};
  Assembly a(env);
  if (argc < 2) {
    console.Out("Veld (command line) Z80 assembler... Version 4.01 TEST 6 Feb 2020");
    console.Out("Usage: Veld expects only one parameter - the first source file");
    console.Out("e.g. \"QAS test.asm\"");
    console.Err("No file specified");
    return 1;
  }
  // Nothing the source does should get this far, but if it does the user
  // gets one line and a failing exit code rather than an abort.
  try {
    return AssembleMain(a, argv[1]);
  } catch (const std::bad_alloc&) {
    console.Err("Ran out of resources - endless loop? (out of memory)");
  } catch (const std::exception& e) {
    console.Err(std::string("Internal Error! Veld has screwed up :( ") + e.what());
  }
  return 1;
}
