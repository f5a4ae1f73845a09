#pragma once
// Assembles a few instructions at $8000 and reads back the planted bytes,
// their marks and the console, for the Z80 encoder tests.

#include <cstdio>
#include <string>

#include "test_support.h"

struct Z80Run {
  TestRun r;
  int exit = -1;

  // Assembles the body at $8000 (each instruction on its own line, indented).
  explicit Z80Run(const std::string& body) { exit = r.Assemble(" ORG $8000\n" + body + "\n"); }

  // The bytes stored from $8000 up to the first cell nothing was stored in,
  // as upper-case hex pairs separated by blanks.
  std::string Hex() const {
    std::string s;
    for (int64_t addr = 0x8000; addr < 0x10000; ++addr) {
      const TMemCell& c = ReadImageCell(*r.a, addr);
      if (!c.Used) break;
      char buf[4];
      std::snprintf(buf, sizeof buf, "%02X", c.Value);
      if (!s.empty()) s += ' ';
      s += buf;
    }
    return s;
  }
  // The location counter after the run: the size of what a failing source
  // planted, as bytes are stored only by a clean final pass.
  int32_t PC() const { return CurSeg(*r.a).PC; }
  const TMemCell& Cell(int64_t addr) const { return ReadImageCell(*r.a, addr); }
  std::string Err() const { return r.Err(); }
  std::string Out() const { return r.Out(); }
  // The warning lines of standard output, each followed by a newline.
  std::string Warnings() const {
    std::string w;
    for (const auto& line : r.console.out)
      if (line.find(" : warning: ") != std::string::npos) w += line + "\n";
    return w;
  }
};

// The bytes of a clean assembly, or a message with the console when it failed.
inline std::string Z80Hex(const std::string& body) {
  Z80Run run(body);
  if (run.exit != 0) return "exit " + std::to_string(run.exit) + ": " + run.Err();
  return run.Hex();
}

// The first error line of a failing assembly ("" when it succeeded).
inline std::string Z80Error(const std::string& body) {
  Z80Run run(body);
  if (run.exit == 0) return "";
  std::string e = run.Err();
  return e.substr(0, e.find('\n'));
}
