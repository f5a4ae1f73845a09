#pragma once
// A fixture that evaluates one expression written as source text, through
// the real lexer and symbol table, and checks its value, its error and where
// it stopped.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "test_support.h"

namespace eval_test {

// Heap allocations made while countAllocations is set (eval_alloc_counter.cpp).
extern std::atomic<bool> countAllocations;
extern std::atomic<long> allocations;

// What an evaluation must give.
struct Expect {
  bool checkValue = true;
  TExpRes value;
  int error = 0;      // the one error reported (0: none)
  bool atEnd = true;  // the whole line was read
};

inline Expect Int(int32_t v) {
  Expect e;
  e.value.Int = v;
  return e;
}
inline Expect Str(std::string s) {
  Expect e;
  e.value.Sort = erString;
  e.value.Str = std::move(s);
  return e;
}
inline Expect Float(long double f) {
  Expect e;
  e.value.Sort = erFloat;
  e.value.Float = f;
  return e;
}
// The operator loop ended without a message, leaving the rest unread.
inline Expect Stops(Expect e) {
  e.atEnd = false;
  return e;
}
// An error; the value is checked only when given.
inline Expect Fails(int error) {
  Expect e;
  e.checkValue = false;
  e.error = error;
  e.atEnd = true;
  return e;
}
inline Expect Fails(int error, Expect value) {
  value.error = error;
  return value;
}
inline Expect Mismatch() { return Fails(E_TypeMismatch); }

class EvalFixture : public ::testing::Test {
 public:
  TestRun t;
  Assembly& a = *t.a;

  void SetUp() override {
    BuildKeywordTable(a.keywords);
    ClearSymbols(a);
    a.pass = PassState{};
    a.pass.pass = 2;
    a.pass.finalPass = true;  // errors are printed
    a.sources.slots[0].loaded = true;
    a.sources.slots[0].exists = true;
    a.sources.slots[0].ShortName = "t.asm";
    a.sources.slots[0].FileName = "/t.asm";
    a.diag.currentSource = 0;
    DefinePredefinedSymbols(a);
    Load({"1"});
    LexPeek(a);
    if (a.lex.pos.Item != I_Integer) GTEST_SKIP() << "the lexer is not in place yet";
  }

  void SetOption(OptionId id, int32_t v) { *a.options.shortcut[id] = v; }

  // Puts the lines into the source and starts reading it, as a new statement.
  void Load(const std::vector<std::string>& lines) {
    a.sources.slots[0].Lines = lines;
    a.lex.pos = TLexPos{};  // a fresh statement: no prefix, no expansion
    LexResetSource(a, 0);
    // Starting a source keeps the scope (an include does); a new test line
    // starts at the top level.
    a.lex.pos.ProcPrefix.clear();
    a.lex.pos.sLastMainLabel = "_global";
    a.lex.pos.pActiveMacro = 0;
    // Starting a source yields the end of the "line before" the first one.
    LexPeek(a);
    if (a.lex.pos.Item == I_EOL) LexNext(a);
    a.diag.currentLine = 1;
    a.diag.lastErrorLine = -1;
    a.pass.nErrors = 0;
    a.pass.nUndef = 0;
    t.console.err.clear();
    t.console.out.clear();
  }

  TExpRes Eval(const std::vector<std::string>& lines) {
    Load(lines);
    return EvalExpression(a);
  }

  int32_t IntegerOf(const std::string& text) {
    Load({text});
    return EvalInteger(a);
  }

  bool AtEnd() {
    LexPeek(a);
    return a.lex.pos.Item == I_EOL || a.lex.pos.Item == I_Null;
  }

  // Reads over the end of the current line and checks the first item of the
  // next one (an expression must not have consumed it).
  void ExpectNextLineStartsWith(const std::string& text) {
    LexPeek(a);
    ASSERT_EQ(a.lex.pos.Item, I_EOL);
    LexNext(a);
    LexPeek(a);
    EXPECT_EQ(a.lex.pos.Item == I_Integer ? std::to_string(a.lex.pos.INumVal)
                                          : std::string(a.lex.pos.ITxt),
              text);
  }

  // The one error line printed, or "".
  std::string ErrorLine() const { return t.console.err.empty() ? "" : t.console.err.front(); }

  void CheckLines(const std::vector<std::string>& lines, const Expect& e) {
    TExpRes r = Eval(lines);
    if (e.error == 0) {
      EXPECT_EQ(a.pass.nErrors, 0) << ErrorLine();
    } else {
      EXPECT_EQ(a.pass.nErrors, 1);
      const std::string line = ErrorLine();
      const std::string want = " : error: " + std::string(ErrorMessage(e.error));
      EXPECT_NE(line.find(want), std::string::npos) << "got: " << line << "\nwant: " << want;
    }
    if (e.checkValue) ExpectValue(r, e.value);
    EXPECT_EQ(AtEnd(), e.atEnd) << "stopped at item \"" << a.lex.pos.ITxt << "\"";
  }
  void Check(const std::string& text, const Expect& e) {
    CheckLines(std::vector<std::string>{text}, e);
  }

  static void ExpectValue(const TExpRes& r, const TExpRes& want) {
    ASSERT_EQ(static_cast<int>(r.Sort), static_cast<int>(want.Sort));
    switch (want.Sort) {
      case erInteger:
        EXPECT_EQ(r.Int, want.Int);
        break;
      case erString:
        EXPECT_EQ(r.Str, want.Str);
        break;
      case erFloat:
        EXPECT_EQ(r.Float, want.Float);
        break;
      default:
        break;
    }
  }
};

}  // namespace eval_test
