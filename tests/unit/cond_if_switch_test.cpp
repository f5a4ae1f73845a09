// IF and SWITCH: which text is assembled, how the skipped text is read
// (nesting, comments, function bodies, statement starts), and the errors for
// misplaced or missing keywords with the lines they are reported against.

#include "cond_test_support.h"

namespace {

const std::string kMissingClose = "Missing a closing ENDIF,UNTIL,WEND, or whatever...";

using CondIf = CondRun;

TEST_F(CondIf, FalseTakesElseTrueTakesFirstBranch) {
  EXPECT_EQ(Run("x = 0\nIF 0\nx = 1\nELSE\nx = 2\nENDIF\n"), 0);
  EXPECT_EQ(Int("x"), 2);
}

TEST_F(CondIf, TrueConditionSkipsElse) {
  EXPECT_EQ(Run("x = 0\nIF 7\nx = 1\nELSE\nx = 2\nENDIF\n"), 0);
  EXPECT_EQ(Int("x"), 1);
}

TEST_F(CondIf, FirstTrueOfElseIfChainIsTaken) {
  EXPECT_EQ(Run("x = 0\n"
                "IF 0\nx = 1\n"
                "ELSEIF 0\nx = 2\n"
                "ELIF 1\nx = 3\n"
                "ELSEIF 1\nx = 4\n"
                "ELSE\nx = 5\n"
                "ENDIF\n"),
            0);
  EXPECT_EQ(Int("x"), 3);
}

TEST_F(CondIf, NoBranchTakenAssemblesNothing) {
  EXPECT_EQ(Run("x = 0\nIF 0\nx = 1\nELIF 0\nx = 2\nENDIF\nx = x + 10\n"), 0);
  EXPECT_EQ(Int("x"), 10);
}

TEST_F(CondIf, ElseOfAnIfNestedInSkippedTextDoesNotEndTheScan) {
  EXPECT_EQ(Run("x = 0\n"
                "IF 0\n"
                "  IF 1\n  x = 1\n  ELSE\n  x = 2\n  ENDIF\n"
                "  x = 3\n"
                "ELSE\n"
                "  x = x + 4\n"
                "ENDIF\n"),
            0);
  EXPECT_EQ(Int("x"), 4);
}

TEST_F(CondIf, InnerFalseIfInsideTakenBranch) {
  EXPECT_EQ(Run("x = 0\n"
                "IF 1\n"
                "  IF 0\n  x = 1\n  ELSE\n  x = 2\n  ENDIF\n"
                "ELSE\n"
                "  x = 3\n"
                "ENDIF\n"),
            0);
  EXPECT_EQ(Int("x"), 2);
}

TEST_F(CondIf, KeywordsOnOneLineSeparatedByColons) {
  EXPECT_EQ(Run("x = 0\nIF 0 : x = 1 : ELSE : x = 2 : ENDIF : x = x + 10\n"), 0);
  EXPECT_EQ(Int("x"), 12);
}

TEST_F(CondIf, LabelInFrontOfEndifStillClosesSkippedText) {
  EXPECT_EQ(Run("x = 0\nIF 0\nx = 1\nhere ENDIF\nx = x + 5\n"), 0);
  EXPECT_EQ(Int("x"), 5);
}

TEST_F(CondIf, BlockCommentInSkippedTextIsSteppedOverWhole) {
  EXPECT_EQ(Run("x = 0\nIF 0\n/* ENDIF\n ELSE */\nx = 1\nELSE\nx = 2\nENDIF\n"), 0);
  EXPECT_EQ(Int("x"), 2);
  EXPECT_TRUE(Errors().empty());
}

TEST_F(CondIf, FunctionBodyInSkippedTextDoesNotCountItsIfs) {
  // The function's IF and WHILE have no closing keywords of their own.
  EXPECT_EQ(Run("x = 0\n"
                "IF 0\n"
                "[[\n"
                "FUNCTION ff(a)\n"
                "BEGIN\n"
                "  IF a > 1 RETURN 1\n"
                "  WHILE 0 RETURN 2\n"
                "END\n"
                "]]\n"
                "x = 1\n"
                "ELSE\n"
                "x = 2\n"
                "ENDIF\n"),
            0);
  EXPECT_EQ(Int("x"), 2);
}

TEST_F(CondIf, SkippedTextGivesNoWarnings) {
  EXPECT_EQ(Run(" ORG $8000\n IF 0\n DB 017\n ENDIF\n"), 0);
  EXPECT_EQ(r.Out().find("warning"), std::string::npos) << r.Out();
  TestRun taken;
  EXPECT_EQ(taken.Assemble(" ORG $8000\n IF 1\n DB 017\n ENDIF\n"), 0);
  EXPECT_NE(taken.Out().find("main.asm:    3  : warning: The leading-zero"), std::string::npos)
      << taken.Out();
}

TEST_F(CondIf, SkippedTextInAMacroIsNotSubstituted) {
  // Substituted, the parameter would put an ENDIF at the start of a statement
  // and end the skipped part early.
  EXPECT_EQ(Run("m1 MACRO(val)\n IF 0\n val\n DB 1\n ENDIF\n DB 2\n MEND\n"
                " ORG $8000\n m1(ENDIF)\nafter:\n"),
            0);
  EXPECT_TRUE(Errors().empty()) << r.Err();
  EXPECT_EQ(ReadImageByte(*r.a, 0x8000), 2);
  EXPECT_EQ(Int("after"), 0x8001);
}

TEST_F(CondIf, SecondElseAfterFalseIfIsReportedAndSkipsToEndif) {
  EXPECT_EQ(Run("x = 0\nIF 0\nx = 1\nELSE\nx = 2\nELSE\nx = 3\nENDIF\n"), 1);
  EXPECT_EQ(Int("x"), 2);
  EXPECT_EQ(Errors(), std::vector<std::string>{At(6) + "Syntax Error"});
}

TEST_F(CondIf, SecondElseAfterTrueIfResumesAfterIt) {
  EXPECT_EQ(Run("x = 0\nIF 1\nx = 1\nELSE\nx = 2\nELSE\nx = x + 3\nENDIF\n"), 1);
  EXPECT_EQ(Int("x"), 4);
  EXPECT_EQ(Errors(), std::vector<std::string>{At(6) + "Syntax Error"});
}

TEST_F(CondIf, ElseIfAfterElseIsReported) {
  EXPECT_EQ(Run("IF 1\nELSE\nELSEIF 1\nENDIF\n"), 1);
  EXPECT_EQ(Errors(), std::vector<std::string>{At(3) + "Syntax Error"});
}

TEST_F(CondIf, ClosingKeywordsWithoutIfAreMissingIf) {
  EXPECT_EQ(Run("ELSE\nENDIF\nELSEIF 1\nELIF 0\n"), 1);
  EXPECT_EQ(Errors(), (std::vector<std::string>{At(1) + "Missing If", At(2) + "Missing If",
                                                At(3) + "Missing If", At(4) + "Missing If"}));
}

TEST_F(CondIf, FalseIfWithoutEndifStopsThePassAtTheIf) {
  EXPECT_EQ(Run("x = 1\nIF 0\nx = 2\n\n"), 1);
  EXPECT_EQ(Errors(), std::vector<std::string>{At(2) + kMissingClose});
}

TEST_F(CondIf, TrueIfWithoutEndifIsReportedAtTheEndOfThePass) {
  EXPECT_EQ(Run("x = 1\nIF 1\nx = 2\n"), 1);
  EXPECT_EQ(Errors(), std::vector<std::string>{At(2) + kMissingClose});
  EXPECT_EQ(Int("x"), 2);
}

TEST_F(CondIf, TwoHundredFiftyFiveNestedIfsAreTheLimit) {
  std::string ok, over;
  for (int i = 0; i < 255; ++i) ok += "IF 1\n";
  over = ok + "IF 1\n";
  std::string closes;
  for (int i = 0; i < 255; ++i) closes += "ENDIF\n";
  EXPECT_EQ(Run(ok + closes), 0);
  TestRun r2;
  EXPECT_EQ(r2.Assemble(over + closes), 1);
  bool found = false;
  for (const std::string& l : r2.console.err)
    found |= l == At(256) + "Ran out of resources - endless loop?";
  EXPECT_TRUE(found) << r2.Err();
}

using CondSwitch = CondRun;

TEST_F(CondSwitch, RangeAndListItemsMatch) {
  EXPECT_EQ(Run("x = 0\nSWITCH 3\nCASE 1 .. 5\nx = 1\nENDCASE\nDEFAULT\nx = 2\nENDSWITCH\n"
                "y = 0\nSWITCH 3\nCASE 7, 1, 3\ny = 1\nENDCASE\nDEFAULT\ny = 2\nENDSWITCH\n"
                "zz = 0\nSWITCH 6\nCASE 1..5\nzz = 1\nENDCASE\nDEFAULT\nzz = 2\nENDSWITCH\n"),
            0);
  EXPECT_EQ(Int("x"), 1);
  EXPECT_EQ(Int("y"), 1);
  EXPECT_EQ(Int("zz"), 2);
}

TEST_F(CondSwitch, CasesFallThroughUntilEndcase) {
  EXPECT_EQ(Run("x = 0\nSWITCH 3\n"
                "CASE 3\nx = x + 1\n"
                "CASE 4\nx = x + 10\nENDCASE\n"
                "CASE 5\nx = x + 100\n"
                "DEFAULT\nx = x + 1000\n"
                "ENDSWITCH\nx = x + 10000\n"),
            0);
  EXPECT_EQ(Int("x"), 10011);
}

TEST_F(CondSwitch, FirstMatchingCaseWins) {
  EXPECT_EQ(Run("x = 0\nSWITCH 2\nCASE 1\nx = 1\nENDCASE\nCASE 2\nx = 2\nENDCASE\n"
                "CASE 0..9\nx = 3\nENDSWITCH\n"),
            0);
  EXPECT_EQ(Int("x"), 2);
}

TEST_F(CondSwitch, NoMatchNoDefaultClosesTheSwitch) {
  EXPECT_EQ(Run("x = 0\nSWITCH 7\nCASE 1\nx = 1\nENDSWITCH\nCASE 2\n"), 1);
  EXPECT_EQ(Int("x"), 0);
  EXPECT_EQ(Errors(), std::vector<std::string>{At(6) + "Syntax Error"});
}

TEST_F(CondSwitch, CaseOfAnotherKindIsSwitchTypeMismatch) {
  EXPECT_EQ(Run("SWITCH 3\nCASE \"a\"\nENDSWITCH\n"), 1);
  EXPECT_EQ(Errors(), std::vector<std::string>{At(2) + "Switch Type Mismatch"});
}

TEST_F(CondSwitch, StringsMatchExactlyAndStringRangesAreRefused) {
  EXPECT_EQ(Run("x = 0\nSWITCH \"ab\"\nCASE \"AB\"\nx = 1\nENDCASE\nCASE \"a\", \"ab\"\nx = 2\n"
                "ENDSWITCH\n"),
            0);
  EXPECT_EQ(Int("x"), 2);
  TestRun r2;
  EXPECT_EQ(r2.Assemble("SWITCH \"b\"\nCASE \"a\" .. \"cc\"\nENDSWITCH\n"), 1);
  EXPECT_NE(r2.Err().find(At(2) + "Switch Type Mismatch"), std::string::npos) << r2.Err();
}

TEST_F(CondSwitch, FloatValuesCompareAsFloats) {
  EXPECT_EQ(Run("x = 0\nSWITCH 2.5\nCASE 1.0\nx = 1\nENDCASE\nCASE 2.0 .. 3.0\nx = 2\n"
                "ENDSWITCH\n"),
            0);
  EXPECT_EQ(Int("x"), 2);
  TestRun r2;
  EXPECT_EQ(r2.Assemble("SWITCH 2.5\nCASE 2\nENDSWITCH\n"), 1);
  EXPECT_NE(r2.Err().find(At(2) + "Switch Type Mismatch"), std::string::npos) << r2.Err();
}

TEST_F(CondSwitch, NestedSwitchInSkippedCaseIsCountedWhole) {
  EXPECT_EQ(Run("x = 0\nSWITCH 2\n"
                "CASE 1\n  SWITCH 2\n  CASE 2\n  x = 5\n  ENDSWITCH\n"
                "CASE 2\n  SWITCH 9\n  CASE 1\n  x = 7\n  ENDCASE\n  ENDSWITCH\n"
                "x = x + 2\nENDCASE\n"
                "CASE 2\nx = 100\n"
                "ENDSWITCH\n"),
            0);
  EXPECT_EQ(Int("x"), 2);
}

TEST_F(CondSwitch, MisplacedCaseKeywordsAreSyntaxErrors) {
  EXPECT_EQ(Run("CASE 1\nDEFAULT\nENDCASE\nENDSWITCH\n"), 1);
  EXPECT_EQ(Errors(), (std::vector<std::string>{At(1) + "Syntax Error", At(2) + "Syntax Error",
                                                At(3) + "Syntax Error", At(4) + "Syntax Error"}));
}

TEST_F(CondSwitch, EndcaseReachingTheEndOfSourceIsASyntaxError) {
  EXPECT_EQ(Run("SWITCH 1\nCASE 1\nENDCASE\nnop_label:\n"), 1);
  EXPECT_EQ(Errors(), std::vector<std::string>{At(3) + "Syntax Error"});
}

TEST_F(CondSwitch, SwitchWithoutEndswitchIsReportedAtTheEndOfThePass) {
  EXPECT_EQ(Run("x = 0\nSWITCH 1\nCASE 1\nx = 1\n"), 1);
  EXPECT_EQ(Errors(), std::vector<std::string>{At(2) + kMissingClose});
}

TEST_F(CondSwitch, SwitchScanReachingTheEndOfSourceIsFatal) {
  EXPECT_EQ(Run("x = 0\nSWITCH 4\nCASE 1\nx = 1\n"), 1);
  EXPECT_EQ(Errors(), std::vector<std::string>{At(2) + kMissingClose});
}

}  // namespace
