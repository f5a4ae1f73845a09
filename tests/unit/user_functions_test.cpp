// FUNCTION bodies run at assembly time: values, references, control flow,
// recursion limits and PRINT.

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

int32_t ValueOf(TestRun& r, const std::string& name) {
  TRec* s = FindSymbol(*r.a, name, false);
  EXPECT_NE(s, nullptr) << name;
  return s ? s->Val.Int() : -1;
}

std::string Fn(const std::string& header, const std::string& body) {
  return "[[\nFUNCTION " + header + "\n{\n" + body + "\n}\n]]\n";
}

TEST(UserFunctions, ValueParametersAndArgumentCount) {
  TestRun r;
  EXPECT_EQ(r.Assemble(Fn("plus(x, y)", "result = x + y") + "x EQU plus(2, 3)\n"), 0) << r.Err();
  EXPECT_EQ(ValueOf(r, "x"), 5);
  TestRun bad;
  EXPECT_EQ(
      bad.Assemble(Fn("plus(x, y)", "result = x + y") + "x EQU plus(2)\ny EQU plus(2, 3, 4)\n"), 1);
  std::vector<std::string> want = {"main.asm:    7  : error: Syntax Error",
                                   "main.asm:    8  : error: Syntax Error"};
  ASSERT_GE(bad.console.err.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(bad.console.err.begin(), bad.console.err.begin() + 2), want);
}

TEST(UserFunctions, ReturnEndsTheBody) {
  TestRun r;
  EXPECT_EQ(r.Assemble(Fn("seven()", "RETURN 7\nresult = 1") + "x EQU seven()\n"), 0) << r.Err();
  EXPECT_EQ(ValueOf(r, "x"), 7);
}

TEST(UserFunctions, NoResultIsNoValue) {
  TestRun r;
  EXPECT_EQ(r.Assemble(Fn("none(x)", "y = x") + " ORG none(1)\n"), 1);
  EXPECT_EQ(r.console.err.front(), "main.asm:    7  : error: Integer Expected");
}

TEST(UserFunctions, ReferenceParameterChangesTheVariable) {
  TestRun r;
  EXPECT_EQ(r.Assemble("vv = 1\n" + Fn("bumpv(VAR q)", "q = q + 1") + " bumpv(vv)\n bumpv(vv)\n"),
            0)
      << r.Err();
  EXPECT_EQ(ValueOf(r, "vv"), 3);
}

TEST(UserFunctions, RecursionToDepth100) {
  std::string depth = Fn("depth(n)", "IF n <= 1 RETURN 1 ELSE RETURN 1 + depth(n - 1)");
  TestRun r;
  EXPECT_EQ(r.Assemble(depth + "x EQU depth(100)\n"), 0) << r.Err();
  EXPECT_EQ(ValueOf(r, "x"), 100);
  TestRun over;
  EXPECT_EQ(over.Assemble(depth + "x EQU depth(101)\n"), 1);
  EXPECT_EQ(over.console.err.front(),
            "main.asm:    4  : error: Ran out of resources - endless loop?");
  TestRun fact;
  EXPECT_EQ(fact.Assemble(Fn("fact(n)", "IF n <= 1 RETURN 1\nRETURN n * fact(n - 1)") +
                          "x EQU fact(10)\n"),
            0)
      << fact.Err();
  EXPECT_EQ(ValueOf(fact, "x"), 3628800);
}

TEST(UserFunctions, RepeatRunsOnceWhileMayNotRun) {
  TestRun r;
  EXPECT_EQ(r.Assemble(Fn("rep(n)", "k = 0\nREPEAT\n k = k + 1\nUNTIL k >= n\nresult = k") +
                       Fn("wh(n)", "k = 0\nWHILE k < n\n k = k + 1\nresult = k") +
                       "ra EQU rep(0)\nrb EQU rep(4)\nwa EQU wh(0)\nwb EQU wh(5)\n"),
            0)
      << r.Err();
  EXPECT_EQ(ValueOf(r, "ra"), 1);
  EXPECT_EQ(ValueOf(r, "rb"), 4);
  EXPECT_EQ(ValueOf(r, "wa"), 0);
  EXPECT_EQ(ValueOf(r, "wb"), 5);
}

TEST(UserFunctions, EndlessLoopIsStopped) {
  TestRun r;
  EXPECT_EQ(r.Assemble(Fn("spin()", "WHILE 1\n result = 1") + "x EQU spin()\n"), 1);
  EXPECT_EQ(r.console.err.front(), "main.asm:    5  : error: Ran out of resources - endless loop?");
}

TEST(UserFunctions, PrintOnlyInTheFinalPass) {
  TestRun r;
  // An item without a value (a function that never sets result) replaces
  // the text built so far; later items are appended to "[error]".
  EXPECT_EQ(r.Assemble(Fn("none()", "k = 1") +
                       Fn("pp()",
                          "PRINT 1, \"ab\", 2\nPRINTHEX 255\nPRINT 1, none(), 3\n"
                          "IF 0 PRINT \"no\" ELSE PRINT \"yes\"\nresult = 0") +
                       "x EQU pp()\n"),
            0)
      << r.Err();
  std::vector<std::string> printed;
  for (const auto& l : r.console.out)
    if (l.rfind("Assembl", 0) != 0) printed.push_back(l);
  EXPECT_EQ(printed, (std::vector<std::string>{"1 ab2 ", "000000FF ", "[error]3 ", "yes"}));
}

// An error in a body is reported once, against the body's own line (an
// out-of-place ELSE included); the calling statement adds no second report.
TEST(UserFunctions, BodyErrorIsReportedOnceAtItsLine) {
  TestRun r;
  EXPECT_EQ(r.Assemble(Fn("bad()", "result = 4\nELSE") + " DB bad(), 7\n LD A, bad() : NOP\n"), 1);
  std::vector<std::string> errors;
  for (const auto& l : r.console.err)
    if (l.find(" : error: ") != std::string::npos) errors.push_back(l);
  EXPECT_EQ(errors, (std::vector<std::string>{"main.asm:    5  : error: Syntax Error"}));
}

TEST(UserFunctions, StaticBindsAGlobalVariable) {
  TestRun r;
  EXPECT_EQ(r.Assemble("counter = 10\n" +
                       Fn("bump()", "STATIC counter\ncounter = counter + 1\nresult = counter") +
                       "first EQU bump()\nsecond EQU bump()\n"),
            0)
      << r.Err();
  EXPECT_EQ(ValueOf(r, "first"), 11);
  EXPECT_EQ(ValueOf(r, "second"), 12);
}

}  // namespace
