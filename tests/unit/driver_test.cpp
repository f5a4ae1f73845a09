// The pass loop's stop rules, the console format and the run loop, driven
// through scripted passes so each rule is exercised in isolation.

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

// Puts the pass counters of a scripted pass in place, the way the real
// statement loop leaves them.
void SetCounts(Assembly& a, int errors, int redef, int undef, int statements) {
  a.pass.nErrors = errors;
  a.pass.nRedef = redef;
  a.pass.nUndef = undef;
  a.pass.statementCount = statements;
}

TEST(TimeString, TwelveHourClockWithDayAndMonthNames) {
  std::tm t{};
  t.tm_year = 126, t.tm_mon = 11, t.tm_mday = 8, t.tm_wday = 2, t.tm_hour = 21, t.tm_min = 5;
  EXPECT_EQ(FormatTimeString(t), "09:05 pm Tue 8/Dec/2026");
  t.tm_hour = 0, t.tm_min = 0;
  EXPECT_EQ(FormatTimeString(t), "12:00 am Tue 8/Dec/2026");
  t.tm_hour = 12, t.tm_mday = 31, t.tm_mon = 0, t.tm_wday = 0;
  EXPECT_EQ(FormatTimeString(t), "12:00 pm Sun 31/Jan/2026");
}

struct PassLog {
  std::vector<int> passes;
};

TEST(PassLoop, CleanSourceStopsAfterPassTwoAndSucceeds) {
  TestRun r;
  PassLog log;
  r.a->runPass = [&](Assembly& a) {
    log.passes.push_back(a.pass.pass);
    SetCounts(a, 0, 0, 0, 10);
  };
  EXPECT_EQ(r.Assemble("\n"), 0);
  EXPECT_EQ(log.passes, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(r.a->pass.clean);
  EXPECT_EQ(r.console.err.back(), "nErrors = 0 nRedef = 0 nUndef = 0");
  ASSERT_FALSE(r.console.out.empty());
  EXPECT_EQ(r.console.out.back(), "Assembled: " + (r.dir / "main.asm").string());
}

TEST(PassLoop, ForwardReferenceResolvedInPassTwoEndsLoopThere) {
  TestRun r;
  int last = 0;
  r.a->runPass = [&](Assembly& a) {
    last = a.pass.pass;
    SetCounts(a, 0, 0, a.pass.pass == 1 ? 3 : 0, 10);
  };
  EXPECT_EQ(r.Assemble("\n"), 0);
  EXPECT_EQ(last, 3);
}

TEST(PassLoop, StatementCountFlippingEveryPassStopsAfterPass201) {
  TestRun r;
  int last = 0;
  r.a->runPass = [&](Assembly& a) {
    last = a.pass.pass;
    SetCounts(a, 0, 0, 1, a.pass.pass % 2 ? 10 : 11);
  };
  EXPECT_EQ(r.Assemble("\n"), 1);
  EXPECT_EQ(last, 202);  // passes 1..201, then the final pass
  EXPECT_EQ(r.console.err.front(), "nErrors = 0 nRedef = 0 nUndef = 1");
}

TEST(PassLoop, TwentyOneStalledPassesStop) {
  TestRun r;
  int last = 0;
  bool realignAllowedAtEnd = true;
  r.a->runPass = [&](Assembly& a) {
    last = a.pass.pass;
    realignAllowedAtEnd = a.pass.realignAllowed;
    SetCounts(a, 0, 0, 2, 10);
  };
  EXPECT_EQ(r.Assemble("\n"), 1);
  // Pass 2 progresses (its count differs from the initial 0); passes 3..23
  // stall; the stall count passes 20 after pass 23; pass 24 is the final one.
  EXPECT_EQ(last, 24);
  EXPECT_FALSE(realignAllowedAtEnd);
}

TEST(PassLoop, ErrorsWithoutProgressStopAtOnce) {
  TestRun r;
  int last = 0;
  r.a->runPass = [&](Assembly& a) {
    last = a.pass.pass;
    SetCounts(a, 1, 0, 0, 10);
  };
  EXPECT_EQ(r.Assemble("\n"), 1);
  EXPECT_EQ(last, 4);
  EXPECT_FALSE(r.a->pass.clean);
}

TEST(PassLoop, FallingUndefinedCountIsProgress) {
  TestRun r;
  int last = 0;
  r.a->runPass = [&](Assembly& a) {
    last = a.pass.pass;
    // Same statement count every pass, but one fewer undefined name each time.
    SetCounts(a, 0, 0, std::max(0, 30 - a.pass.pass), 10);
  };
  EXPECT_EQ(r.Assemble("\n"), 0);
  EXPECT_EQ(last, 31);
}

TEST(PassLoop, ForcedPassRepeatsEvenWhenClean) {
  TestRun r;
  int last = 0;
  r.a->runPass = [&](Assembly& a) {
    last = a.pass.pass;
    SetCounts(a, 0, 0, 0, 10);
    a.pass.forcePass = a.pass.pass < 4;
  };
  EXPECT_EQ(r.Assemble("\n"), 0);
  EXPECT_EQ(last, 5);
}

TEST(Diagnostics, ErrorsPrintOnlyInFinalPassOncePerLine) {
  TestRun r;
  r.a->runPass = [&](Assembly& a) {
    SetCounts(a, 0, 0, 0, 10);
    a.diag.lastErrorLine = -1;
    a.diag.currentSource = 0;
    a.diag.currentLine = 7;
    ReportErrorText(a, E_SyntaxError, "", false);
    ReportErrorText(a, E_RangeError, "", false);  // same line: neither counted nor printed
    a.diag.currentLine = 123456;
    ReportErrorText(a, E_LabelNotFound, " : \"foo\"", false);
  };
  EXPECT_EQ(r.Assemble("\n"), 1);
  std::vector<std::string> want = {
      "main.asm:    7  : error: Syntax Error",
      "main.asm:123456  : error: Label Not Found : \"foo\"",
      "nErrors = 2 nRedef = 0 nUndef = 0",
  };
  EXPECT_EQ(r.console.err, want);
}

TEST(Diagnostics, FatalErrorInPassOnePrintsAtOnceAndAborts) {
  TestRun r;
  int passes = 0;
  r.a->runPass = [&](Assembly& a) {
    ++passes;
    SetCounts(a, 0, 0, 0, 10);
    a.pass.abort = false;
    a.diag.lastErrorLine = -1;
    a.diag.currentLine = 3;
    FatalError(a, E_SegmentFatal);
  };
  EXPECT_EQ(r.Assemble("\n"), 1);
  EXPECT_EQ(passes, 1);
  std::vector<std::string> want = {
      "main.asm:    3  : error: Fatal error in segment statement, can't continue", "ABORTED!"};
  EXPECT_EQ(r.console.err, want);
}

TEST(Diagnostics, WarningsOnlyWhileClean) {
  TestRun r;
  r.a->runPass = [&](Assembly& a) {
    SetCounts(a, 0, 0, 0, 10);
    a.diag.currentSource = 0;
    Warning(a, 12, "careful");
    Warning(a, 0, "continued");
  };
  EXPECT_EQ(r.Assemble("\n"), 0);
  std::vector<std::string> want = {"Assembling: main.asm", "main.asm:   12  : warning: careful",
                                   "main.asm:    0  : warning: continued",
                                   "Assembled: " + (r.dir / "main.asm").string()};
  EXPECT_EQ(r.console.out, want);
}

TEST(RunLoop, MultipassRepeatsWholeRuns) {
  TestRun r;
  std::vector<int> counters;
  r.a->runPass = [&](Assembly& a) {
    SetCounts(a, 0, 0, 0, 1);
    a.run.runLimit = 3;
    if (a.pass.pass == 1) counters.push_back(a.run.runCounter);
  };
  EXPECT_EQ(r.Assemble("\n"), 0);
  EXPECT_EQ(counters, (std::vector<int>{0, 1, 2}));
  std::string name = (r.dir / "main.asm").string();
  std::vector<std::string> want = {"Assembling: main.asm", "Assembled: " + name,
                                   "Assembling: main.asm", "Assembled: " + name + " (Multipass 1)",
                                   "Assembling: main.asm", "Assembled: " + name + " (Multipass 2)"};
  EXPECT_EQ(r.console.out, want);
}

TEST(RunLoop, FailingRunEndsMultipass) {
  TestRun r;
  int runs = 0;
  r.a->runPass = [&](Assembly& a) {
    if (a.pass.pass == 1) ++runs;
    SetCounts(a, 0, 0, 1, 1);
    a.run.runLimit = 3;
  };
  EXPECT_EQ(r.Assemble("\n"), 1);
  EXPECT_EQ(runs, 1);
}

TEST(CommandLine, FolderIsNotASourceFile) {
  TestRun r;
  EXPECT_EQ(AssembleMain(*r.a, r.dir.string()), 1);
  EXPECT_EQ(r.console.err,
            std::vector<std::string>{" Source file \"" + r.dir.string() + "\" not found"});
}

}  // namespace
