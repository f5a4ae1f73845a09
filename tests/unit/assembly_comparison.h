#pragma once
// Assembling one source two ways that must not differ in anything it ends
// with: each pass's statement, error, undefined and redefinition counts and
// PC, everything printed, the exit code and the 64K image. The ways differ
// by a switch of the environment that only changes how the work is done.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "assembler/assembly.h"

namespace comparison {

struct PassEnd {
  int32_t pass, statements, errors, undefs, redefs, pc;
  bool operator==(const PassEnd&) const = default;
};

struct Outcome {
  std::vector<PassEnd> passes;
  std::vector<std::string> out, err;
  int exitCode = -1;
  std::array<uint8_t, 0x10000> image{};
  size_t settledLines = 0;  // lines known to only move PC, after the pass that knew most
  size_t keptItems = 0;     // items kept for reading again, at the end of the pass that kept most
};

inline size_t SettledLines(const Assembly& a) {
  size_t n = 0;
  for (const TSource& s : a.sources.slots)
    for (size_t i = 0; i < s.Lines.size(); ++i) n += (s.Lines.Settled(i) & 0x1F) != 0;
  return n;
}

inline Outcome AssembleRecorded(const std::filesystem::path& file,
                                const std::function<void(Environment&)>& configure) {
  CapturingConsole console;
  FixedClock clock;
  Environment env{&console, &clock, [] { return 12345u; }, "/opt/veld"};
  env.sandbox = true;  // the sources are read, nothing is written
  configure(env);
  Assembly a(env);
  Outcome o;
  a.runPass = [&o](Assembly& x) {
    RunPass(x);
    const PassState& p = x.pass;
    o.passes.push_back({p.pass, p.statementCount, p.nErrors, p.nUndef, p.nRedef, CurSeg(x).PC});
    o.settledLines = std::max(o.settledLines, SettledLines(x));
    o.keptItems = std::max(o.keptItems, x.lex.items.size());
  };
  o.exitCode = AssembleMain(a, file.string());
  o.out = console.out;
  o.err = console.err;
  ReadImageBytes(a, 0, o.image);
  return o;
}

// Assembles the file both ways and expects the same outcome; returns both.
inline std::pair<Outcome, Outcome> ExpectSameBothWays(
    const std::filesystem::path& file, const std::function<void(Environment&)>& first,
    const std::function<void(Environment&)>& second) {
  SCOPED_TRACE(file.string());
  std::pair<Outcome, Outcome> both{AssembleRecorded(file, first), AssembleRecorded(file, second)};
  const Outcome& x = both.first;
  const Outcome& y = both.second;
  EXPECT_EQ(x.passes.size(), y.passes.size());
  if (x.passes.size() == y.passes.size()) {
    for (size_t i = 0; i < x.passes.size(); ++i) {
      SCOPED_TRACE("pass " + std::to_string(x.passes[i].pass));
      EXPECT_EQ(x.passes[i].statements, y.passes[i].statements);
      EXPECT_EQ(x.passes[i], y.passes[i]);
    }
  }
  EXPECT_EQ(x.out, y.out);
  EXPECT_EQ(x.err, y.err);
  EXPECT_EQ(x.exitCode, y.exitCode);
  EXPECT_TRUE(x.image == y.image);
  return both;
}

// Calls f with every .asm file of the test cases and the examples; returns
// how many there were.
inline int ForEachCaseSource(const std::function<void(const std::filesystem::path&)>& f) {
  namespace fs = std::filesystem;
  int sources = 0;
  for (const char* root : {"../cases", "../../examples"}) {
    if (!fs::is_directory(root)) continue;
    for (const auto& dir : fs::directory_iterator(root)) {
      if (!dir.is_directory()) continue;
      for (const auto& file : fs::directory_iterator(dir.path())) {
        if (file.path().extension() != ".asm") continue;
        f(file.path());
        ++sources;
      }
    }
  }
  return sources;
}

}  // namespace comparison
