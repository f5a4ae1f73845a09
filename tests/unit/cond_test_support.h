#pragma once
// Helpers for the conditional and loop tests: assemble a source, read the
// values its variables were left with, and list the error lines.

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "test_support.h"

struct CondRun : ::testing::Test {
  TestRun r;
  // The symbols as the last pass left them (the run clears the table).
  std::map<std::string, TRec> symbols;

  CondRun() { Watch(r); }

  // Until the lexer and the evaluator are in place nothing can be assembled.
  void SetUp() override {
    static const bool ready = [] {
      TestRun probe;
      int32_t seen = 0;
      probe.a->runPass = [&seen](Assembly& a) {
        RunPass(a);
        if (TRec* s = FindSymbol(a, "x", false)) seen = s->Val.Int();
      };
      probe.Assemble("x = 5\n");
      return seen == 5;
    }();
    if (!ready) GTEST_SKIP() << "the lexer and the evaluator are not in place yet";
  }

  void Watch(TestRun& run) {
    run.a->runPass = [this](Assembly& a) {
      RunPass(a);
      symbols.clear();
      for (TRec* s : a.symbols.storage) symbols[std::string(s->Name())] = *s;
    };
  }

  int Run(const std::string& src) { return r.Assemble(src); }

  bool Has(const std::string& name) const { return symbols.count(name) > 0; }

  int32_t Int(const std::string& name) {
    auto it = symbols.find(name);
    if (it == symbols.end()) {
      ADD_FAILURE() << "no symbol " << name;
      return INT32_MIN;
    }
    EXPECT_EQ(it->second.Val.Sort(), erInteger) << name;
    return it->second.Val.Int();
  }

  TExpRes Value(const std::string& name) {
    auto it = symbols.find(name);
    if (it == symbols.end()) {
      ADD_FAILURE() << "no symbol " << name;
      return {};
    }
    return it->second.Val.Get();
  }

  std::vector<std::string> Errors() const {
    std::vector<std::string> out;
    for (const std::string& l : r.console.err)
      if (l.find(" : error: ") != std::string::npos) out.push_back(l);
    return out;
  }

  // The start of an error line reported against a line of main.asm.
  static std::string At(int line) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "main.asm:%5d  : error: ", line);
    return buf;
  }
};
