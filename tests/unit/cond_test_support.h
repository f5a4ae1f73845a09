#pragma once
// Helpers for the conditional and loop tests: assemble a source, read the
// values its variables were left with, and list the error lines.

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "test_support.h"

struct CondRun : ::testing::Test {
  TestRun r;

  int Run(const std::string& src) { return r.Assemble(src); }

  int32_t Int(const std::string& name) {
    TRec* s = FindSymbol(*r.a, name, false);
    if (!s) {
      ADD_FAILURE() << "no symbol " << name;
      return INT32_MIN;
    }
    EXPECT_EQ(s->Val.Sort, erInteger) << name;
    return s->Val.Int;
  }

  TExpRes Value(const std::string& name) {
    TRec* s = FindSymbol(*r.a, name, false);
    if (!s) {
      ADD_FAILURE() << "no symbol " << name;
      return {};
    }
    return s->Val;
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
