// REPEAT, WHILE, FOR, LOOP and REPT: trip counts and the values the loop
// variables take, zero-trip loops scanned to their closing keyword, nesting,
// and the errors for closing keywords with nothing open and for loops left
// open at the end of a pass.

#include "cond_test_support.h"

namespace {

const std::string kMissingClose = "Missing a closing ENDIF,UNTIL,WEND, or whatever...";

using CondLoop = CondRun;

TEST_F(CondLoop, LoopVariableCountsFromZero) {
  EXPECT_EQ(Run("s = 0\nLOOP 3, i\ns = s * 10 + i + 1\nLEND\n"), 0);
  EXPECT_EQ(Int("s"), 123);  // i took 0, 1, 2
  EXPECT_EQ(Int("i"), 2);
}

TEST_F(CondLoop, LoopOfZeroOrLessSkipsItsBodyAndNestedLoops) {
  EXPECT_EQ(Run("n = 0\n"
                "LOOP 0\n  LOOP 2\n  n = n + 1\n  LEND\n  n = n + 100\nLEND\n"
                "LOOP -1\n  n = n + 1000\nLEND\n"
                "n = n + 10000\n"),
            0);
  EXPECT_EQ(Int("n"), 10000);
}

TEST_F(CondLoop, NestedLoopsMultiply) {
  EXPECT_EQ(Run("n = 0\nLOOP 4\nLOOP 5\nn = n + 1\nLEND\nLEND\n"), 0);
  EXPECT_EQ(Int("n"), 20);
}

TEST_F(CondLoop, LendWithoutLoopIsMissingLoop) {
  EXPECT_EQ(Run("\nLEND\n"), 1);
  EXPECT_EQ(Errors(), std::vector<std::string>{At(2) + "Missing Loop"});
}

TEST_F(CondLoop, ForIntegerStepsUpAndDown) {
  EXPECT_EQ(Run("s = 0\nFOR i = 1 TO 10 STEP 3\ns = s * 100 + i\nNEXT\n"
                "t = 0\nFOR j := 10 TO 1 STEP -3\nt = t * 100 + j\nFEND\n"),
            0);
  EXPECT_EQ(Int("s"), 1040710);  // 1, 4, 7, 10
  EXPECT_EQ(Int("i"), 13);
  EXPECT_EQ(Int("t"), 10070401);  // 10, 7, 4, 1
}

TEST_F(CondLoop, ForThatCannotRunIsSkippedToItsNext) {
  EXPECT_EQ(Run("n = 0\n"
                "FOR i = 5 TO 1\n  n = n + 1\nNEXT\n"
                "FOR i = 1 TO 1 STEP 0\n  FOR k = 1 TO 3\n  n = n + 10\n  NEXT\nNEXT\n"
                "n = n + 100\n"),
            0);
  EXPECT_EQ(Int("n"), 100);
}

TEST_F(CondLoop, ForUpToTheLargestIntegerEnds) {
  EXPECT_EQ(Run("n = 0\nFOR i = $7FFFFFFE TO $7FFFFFFF\nn = n + 1\nNEXT\n"
                "FOR i = -$7FFFFFFF TO -$7FFFFFFF - 1 STEP -1\nn = n + 10\nNEXT\n"),
            0);
  EXPECT_EQ(Int("n"), 22);
}

TEST_F(CondLoop, ForWithFloatSteps) {
  EXPECT_EQ(Run("n = 0\nFOR f = 0 TO 1 STEP 0.25\nn = n + 1\nNEXT\n"
                "m = 0\nFOR g = 1 TO 0 STEP -0.5\nm = m + 1\nNEXT\n"),
            0);
  EXPECT_EQ(Int("n"), 5);
  EXPECT_EQ(Int("m"), 3);
  TExpRes f = Value("f");
  EXPECT_EQ(f.Sort, erFloat);
  EXPECT_EQ(f.Float, 1.25L);
}

TEST_F(CondLoop, ForOverStringPieces) {
  EXPECT_EQ(Run("t = \"\"\nn = 0\nFOR c = \"\" TO \"abc\"\nt = t + c\nn = n + 1\nNEXT\n"
                "u = \"\"\nFOR d = \"\" TO \"abcde\" STEP 2\nu = u + d + \",\"\nNEXT\n"),
            0);
  EXPECT_EQ(Int("n"), 3);
  EXPECT_EQ(Value("t").Str, "abc");
  EXPECT_EQ(Value("c").Sort, erString);
  EXPECT_EQ(Value("c").Str, "");  // left empty after the last piece
  EXPECT_EQ(Value("u").Str, "ab,cd,e,");
}

TEST_F(CondLoop, ForOverEmptyStringRunsZeroTimes) {
  EXPECT_EQ(Run("n = 0\nFOR c = \"\" TO \"\"\nn = n + 1\nNEXT\n"), 0);
  EXPECT_EQ(Int("n"), 0);
}

TEST_F(CondLoop, ForWithDottedVariable) {
  EXPECT_EQ(Run("lbl ORG 0\n@i = 0\nn = 0\nFOR lbl.i = 1 TO 3\nn = n + 1\nNEXT\n"), 0);
  EXPECT_EQ(Int("n"), 3);
  EXPECT_EQ(Int("lbl.i"), 4);
  EXPECT_EQ(FindSymbol(*r.a, "i", false), nullptr);
}

TEST_F(CondLoop, ForOverAConstantIsRefused) {
  EXPECT_EQ(Run("k EQU 5\nn = 0\nFOR k = 1 TO 3\nn = n + 1\nNEXT\n"), 1);
  EXPECT_EQ(Errors(), std::vector<std::string>{At(3) + "Syntax Error"});
  EXPECT_EQ(Int("n"), 0);
}

TEST_F(CondLoop, ForWithMixedStringAndNumberIsRefused) {
  EXPECT_EQ(Run("n = 0\nFOR i = \"\" TO 5\nn = n + 1\nNEXT\nFOR i = \"a\" TO \"bc\"\nNEXT\n"
                "FOR i = 1 5\nNEXT\n"),
            1);
  EXPECT_EQ(Errors(), (std::vector<std::string>{At(2) + "Syntax Error", At(5) + "Syntax Error",
                                                At(7) + "Syntax Error"}));
  EXPECT_EQ(Int("n"), 0);
}

TEST_F(CondLoop, NextWithoutForIsErrorTwoFortyWithNoText) {
  EXPECT_EQ(Run("NEXT\nFEND\n"), 1);
  EXPECT_EQ(Errors(), (std::vector<std::string>{At(1), At(2)}));
}

TEST_F(CondLoop, RepeatRunsAtLeastOnce) {
  EXPECT_EQ(Run("n = 0\nREPEAT\nn = n + 1\nUNTIL 1\n"
                "m = 0\nREPEAT\nm = m + 1\nUNTIL m >= 5\n"),
            0);
  EXPECT_EQ(Int("n"), 1);
  EXPECT_EQ(Int("m"), 5);
}

TEST_F(CondLoop, UntilWithoutRepeatIsMissingRepeat) {
  EXPECT_EQ(Run("UNTIL 1\n"), 1);
  EXPECT_EQ(Errors(), std::vector<std::string>{At(1) + "Missing Repeat"});
}

TEST_F(CondLoop, WhileReevaluatesItsConditionEachRound) {
  EXPECT_EQ(Run("n = 0\nWHILE n < 4\nn = n + 1\nWEND\n"
                "m = 0\nWHILE 0\n  WHILE 1\n  WEND\n  m = 1\nWEND\nm = m + 10\n"),
            0);
  EXPECT_EQ(Int("n"), 4);
  EXPECT_EQ(Int("m"), 10);
}

TEST_F(CondLoop, WendWithoutWhileIsMissingWhile) {
  EXPECT_EQ(Run("x = 1\nWEND\n"), 1);
  EXPECT_EQ(Errors(), std::vector<std::string>{At(2) + "Missing While"});
}

TEST_F(CondLoop, EndlessWhileEndsThePass) {
  EXPECT_EQ(Run("n = 0\nWHILE 1\nWEND\n"), 1);
  EXPECT_EQ(Errors(), std::vector<std::string>{At(3) + "Ran out of resources - endless loop?"});
}

TEST_F(CondLoop, WhileScanReachingTheEndIsFatalAtTheWhile) {
  EXPECT_EQ(Run("n = 0\nWHILE 0\nn = 1\n"), 1);
  EXPECT_EQ(Errors(), std::vector<std::string>{At(2) + kMissingClose});
}

TEST_F(CondLoop, ReptBodyEndsAtMend) {
  EXPECT_EQ(Run("n = 0\nREPT 3\nn = n + 1\nMEND\nREPT 0\nn = n + 10\nMEND\nn = n + 100\n"), 0);
  EXPECT_EQ(Int("n"), 103);
  EXPECT_TRUE(r.a->pass.otherAssembler);
}

TEST_F(CondLoop, NestedReptAndLoop) {
  EXPECT_EQ(Run("n = 0\nREPT 2\nLOOP 3\nREPT 2\nn = n + 1\nMEND\nLEND\nMEND\n"), 0);
  EXPECT_EQ(Int("n"), 12);
}

TEST_F(CondLoop, ThreeDeepMixingKinds) {
  EXPECT_EQ(Run("n = 0\n"
                "FOR i = 1 TO 3\n"
                "  LOOP 2, j\n"
                "    IF (i + j) & 1\n"
                "      n = n + 10\n"
                "    ELSE\n"
                "      SWITCH j\n"
                "      CASE 0\n"
                "        n = n + 1\n"
                "        ENDCASE\n"
                "      DEFAULT\n"
                "        k = 0\n"
                "        WHILE k < 2\n"
                "          k = k + 1\n"
                "          n = n + 50\n"
                "        WEND\n"
                "      ENDSWITCH\n"
                "    ENDIF\n"
                "  LEND\n"
                "NEXT\n"),
            0);
  // i=1: j=0 odd +10, j=1 even +100; i=2: j=0 even +1, j=1 odd +10;
  // i=3: j=0 odd +10, j=1 even +100.
  EXPECT_EQ(Int("n"), 231);
}

TEST_F(CondLoop, OpenLoopsAreReportedAtTheEndOfThePassInStackOrder) {
  EXPECT_EQ(Run("IF 1\n"
                "REPEAT\n"
                "FOR i = 1 TO 2\n"
                "LOOP 2\n"
                "WHILE 1\n"
                "x = 1\n"),
            1);
  EXPECT_EQ(Errors(), (std::vector<std::string>{At(2) + kMissingClose, At(5) + kMissingClose,
                                                At(4) + kMissingClose, At(3) + kMissingClose,
                                                At(1) + kMissingClose}));
}

TEST_F(CondLoop, LoopScanReachingTheEndIsFatalAtTheLoop) {
  EXPECT_EQ(Run("n = 0\n\nLOOP 0\nn = 1\n"), 1);
  EXPECT_EQ(Errors(), std::vector<std::string>{At(3) + kMissingClose});
}

TEST_F(CondLoop, TwoHundredFiftySixthOpenLoopIsRefused) {
  std::string src;
  for (int i = 0; i < 256; ++i) src += "LOOP 1\n";
  for (int i = 0; i < 255; ++i) src += "LEND\n";
  EXPECT_EQ(Run(src), 1);
  EXPECT_EQ(Errors(), std::vector<std::string>{At(256) + "Ran out of resources - endless loop?"});
}

}  // namespace
