// qas: assembles the one source file named on the command line.

#include <filesystem>
#include <random>
#include <string>

#include "assembler/assembly.h"

namespace {

std::string ExecutableDir() {
  std::error_code ec;
  auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : p.parent_path().string();
}

}  // namespace

int main(int argc, char** argv) {
  StdConsole console;
  SystemClock clock;
  std::random_device rd;
  Environment env{&console, &clock, [&rd] { return static_cast<uint32_t>(rd()); }, ExecutableDir()};
  Assembly a(env);
  if (argc < 2) {
    console.Out("Veld (command line) Z80 assembler... Version 4.01 TEST 6 Feb 2020");
    console.Out("Usage: Veld expects only one parameter - the first source file");
    console.Out("e.g. \"QAS test.asm\"");
    console.Err("No file specified");
    return 1;
  }
  return AssembleMain(a, argv[1]);
}
