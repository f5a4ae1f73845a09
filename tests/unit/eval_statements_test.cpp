// Expressions inside real statements, assembled from source end to end:
// the operator and operand rules hold in VELDASSERT, EQU, ZPUSH and the data
// directives, across passes and with options set by the source.

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

class EvalStatementsTest : public ::testing::Test {
 public:
  TestRun t;

  void SetUp() override {
    // The whole path needs the lexer; without it nothing can be read.
    TestRun probe;
    probe.Assemble(" VELDASSERT 0\n");
    if (probe.exitCode == 0) GTEST_SKIP() << "the lexer is not in place yet";
  }

  // Assembles the source; every assertion in it must hold.
  void ExpectClean(const std::string& source) {
    EXPECT_EQ(t.Assemble(source), 0) << t.Err();
    EXPECT_EQ(t.Err().find("error"), std::string::npos) << t.Err();
  }
};

TEST_F(EvalStatementsTest, OperatorRulesHoldInAssertions) {
  ExpectClean(
      " VELDASSERT 2 + 3 * 4 = 14\n"
      " VELDASSERT (2 + 3) * 4 = 20\n"
      " VELDASSERT 1 << 4 + 1 = 17\n"
      " VELDASSERT $0F & $F0 = 0\n"
      " VELDASSERT -7 / 2 = -3\n"
      " VELDASSERT -7 % 2 = -1\n"
      " VELDASSERT -16 >> 1 = 2147483640\n"
      " VELDASSERT 1 << 33 = 2\n"
      " VELDASSERT \"A\" + 1 = 66\n"
      " VELDASSERT \"file.asm\" - \".asm\" = \"file\"\n"
      " VELDASSERT \"abc\" = \"ABC\"\n"
      " VELDASSERT \"ab\" < \"abc\"\n"
      " VELDASSERT 2.5 = 2\n"
      " VELDASSERT 3.5 = 4\n"
      " VELDASSERT -2.5 = -2\n"
      " VELDASSERT $12345678[3] = $12\n"
      " VELDASSERT \"HELLO\"[1] = \"H\"\n"
      " VELDASSERT \"HELLO\"[[1..2]] = \"EL\"\n"
      " VELDASSERT $12 ! $34 = $1234\n"
      " VELDASSERT (1 ? 2 : 0 ? 3 : 4) = 2\n"
      " VELDASSERT NOT 0.0\n"
      " VELDASSERT INV 0 = -1\n");
}

TEST_F(EvalStatementsTest, AFailingAssertionIsReported) {
  EXPECT_EQ(t.Assemble(" nop\n VELDASSERT 1 + 1 = 3\n"), 1);
  EXPECT_NE(t.Err().find("main.asm:    2  : error: "), std::string::npos) << t.Err();
}

TEST_F(EvalStatementsTest, OptionsSetInTheSourceApplyFromTheNextExpression) {
  ExpectClean(
      " VELDASSERT (1 = 1 + 1) = 0\n"
      "zoLogicOperatorsHighPri = 0\n"
      " VELDASSERT (1 = 1 + 1) = 2\n"
      " VELDASSERT ($0F & $F0 = 0) = 0\n"
      " VELDASSERT \"HELLO\"[1] = \"H\"\n"
      "zoStringIndexFromZero = 1\n"
      " VELDASSERT \"HELLO\"[1] = \"E\"\n"
      " VELDASSERT \"HELLO\"[[1..2]] = \"EL\"\n");
}

TEST_F(EvalStatementsTest, ForwardReferencesSettleInLaterPasses) {
  ExpectClean(
      " VELDASSERT later = 5\n"
      " VELDASSERT later * 2 + 1 = 11\n"
      "later EQU 5\n");
}

TEST_F(EvalStatementsTest, AnUndefinedNameIsReportedWithItsName) {
  EXPECT_EQ(t.Assemble(" nop\n db nowhere + 1\n"), 1);
  EXPECT_NE(t.Err().find("main.asm:    2  : error: Label Not Found : \"nowhere\""),
            std::string::npos)
      << t.Err();
}

TEST_F(EvalStatementsTest, ValueStackThroughZPush) {
  ExpectClean(
      " ZPUSH 1, \"two\"\n"
      " VELDASSERT ZPOP = \"two\"\n"
      " VELDASSERT ZPOP = 1\n");
  TestRun empty;
  EXPECT_EQ(empty.Assemble(" db ZPOP\n"), 1);
  EXPECT_NE(empty.Err().find("Out of stack resource"), std::string::npos) << empty.Err();
}

TEST_F(EvalStatementsTest, ParenthesesContinueOverLines) {
  ExpectClean(
      " VELDASSERT (1 +\n"
      "   2) = 3\n"
      " VELDASSERT 1\n");
}

TEST_F(EvalStatementsTest, ScopedNames) {
  ExpectClean(
      "x EQU 1\n"
      "draw PROC\n"
      "x EQU 2\n"
      " VELDASSERT x = 2\n"
      " VELDASSERT ::x = 1\n"
      " VELDASSERT ^^x = 1\n"
      " VELDASSERT DEF x\n"
      " PEND\n"
      " VELDASSERT x = 1\n"
      " VELDASSERT draw.x = 2\n"
      " VELDASSERT LABEL(\"draw.\" + \"x\") = 2\n");
}

TEST_F(EvalStatementsTest, LocationCounters) {
  ExpectClean(
      " ORG $8000\n"
      "start nop\n"
      " VELDASSERT $ = $8001\n"
      " VELDASSERT start = $8000\n"
      " VELDASSERT ENABLED start\n");
}

}  // namespace
