#pragma once
// Assembles sources in-process: writes them to a scratch folder, runs the
// assembler with a capturing console and keeps the context for inspection.

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "assembler/assembly.h"

struct TestRun {
  CapturingConsole console;
  FixedClock clock;
  std::unique_ptr<Assembly> a;
  std::filesystem::path dir;
  int exitCode = -1;

  TestRun();
  ~TestRun();
  // Writes the files, then assembles the first one named main.asm.
  int Assemble(const std::string& mainSource,
               const std::map<std::string, std::string>& otherFiles = {});
  std::string Out() const;  // stdout lines joined with "\n"
  std::string Err() const;
  std::string ReadFile(const std::string& name) const;
};
