// Expression operators: every cell of the type tables, precedence in both
// settings of zoLogicOperatorsHighPri, rounding, shifts, indexing and the
// conditional. Expectations follow the operator rules, worked out by hand.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "eval_test_support.h"

namespace {

using eval_test::EvalFixture;
using eval_test::Expect;
using eval_test::Fails;
using eval_test::Float;
using eval_test::Int;
using eval_test::Mismatch;
using eval_test::Stops;
using eval_test::Str;

class EvalOperatorsTest : public EvalFixture {};

// Each row: source text and what it must give.
struct Row {
  const char* text;
  Expect expect;
};

void Walk(EvalFixture& f, const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    f.Check(row.text, row.expect);
  }
}

TEST_F(EvalOperatorsTest, PrefixOperators) {
  Walk(*this, {
                  {"-5", Int(-5)},
                  {"-\"A\"", Int(-65)},
                  {"-\"AB\"", Mismatch()},
                  {"-1.5", Float(-1.5L)},
                  {"+5", Int(5)},
                  {"+\"A\"", Int(65)},
                  {"+\"AB\"", Mismatch()},
                  {"+1.5", Float(1.5L)},
                  {"INV 0", Int(-1)},
                  {"inv 5", Int(-6)},
                  {"INV \"A\"", Mismatch()},
                  {"INV \"AB\"", Mismatch()},
                  {"INV 1.5", Mismatch()},
                  {"NOT 0", Int(1)},
                  {"NOT 7", Int(0)},
                  {"!0", Int(1)},
                  {"!-3", Int(0)},
                  {"NOT \"A\"", Mismatch()},
                  {"!\"AB\"", Mismatch()},
                  {"NOT 0.0", Int(1)},
                  {"NOT 0.5", Int(0)},
                  {"- - 3", Int(3)},
                  {"-INV 0", Int(1)},
                  {"NOT NOT 9", Int(1)},
                  {"-2147483648", Int(std::numeric_limits<int32_t>::min())},
              });
}

TEST_F(EvalOperatorsTest, BitwiseOperatorsInBothSlots) {
  const std::vector<Row> common = {
      {"12 & 10", Int(8)},
      {"12 AND 10", Int(8)},
      {"12 | 3", Int(15)},
      {"12 OR 3", Int(15)},
      {"12 ^ 10", Int(6)},
      {"12 XOR 10", Int(6)},
      {"12 xor 10", Int(6)},
      {"$FF & \"A\"", Int(65)},
      {"1 & 1.0", Mismatch()},
      {"1 | \"AB\"", Mismatch()},
      {"\"A\" | 1", Int(65)},
      {"\"A\" | \" \"", Int(97)},
      {"\"A\" & 1.5", Mismatch()},
      {"\"A\" & \"BC\"", Mismatch()},
      {"1.5 & 1", Stops(Float(1.5L))},
      {"\"AB\" | 1", Stops(Str("AB"))},
      {"-1 & $FFFF", Int(0xFFFF)},
      {"1 | 2 | 4 ^ 1", Int(6)},
  };
  SetOption(zoLogicOperatorsHighPri, 1);
  Walk(*this, common);
  Check("12 @ 3", Int(15));
  SetOption(zoLogicOperatorsHighPri, 0);
  Walk(*this, common);
  // "@" is an "or" only in the high slot.
  Check("12 @ 3", Stops(Int(12)));
}

TEST_F(EvalOperatorsTest, Shifts) {
  Walk(*this, {
                  {"1 << 4", Int(16)},
                  {"1 SHL 4", Int(16)},
                  {"256 >> 4", Int(16)},
                  {"256 shr 4", Int(16)},
                  {"-16 >> 1", Int(2147483640)},
                  {"-1 >> 28", Int(15)},
                  {"1 << 33", Int(2)},
                  {"1 << 32", Int(1)},
                  {"3 << 31", Int(std::numeric_limits<int32_t>::min())},
                  {"1 << \"A\"", Int(2)},  // 65 AND 31 = 1
                  {"1 << 2.5", Int(4)},    // the count rounds to 2
                  {"1 << 3.5", Int(16)},
                  {"1 << \"AB\"", Mismatch()},
                  {"1.5 << 1", Stops(Float(1.5L))},
                  {"\"A\" << 1", Stops(Str("A"))},
                  {"1 << 4 + 1", Int(17)},
                  {"1 << (4 + 1)", Int(32)},
                  {"1 << 2 << 3", Int(32)},
              });
}

TEST_F(EvalOperatorsTest, MultiplicativeTable) {
  Walk(*this, {
                  // integer left
                  {"6 * 7", Int(42)},
                  {"6 * \"A\"", Int(390)},
                  {"6 * \"AB\"", Mismatch()},
                  {"6 * 1.5", Float(9.0L)},
                  {"7 / 2", Int(3)},
                  {"-7 / 2", Int(-3)},
                  {"7 / -2", Int(-3)},
                  {"130 / \"A\"", Int(2)},
                  {"7 / \"AB\"", Mismatch()},
                  {"7 / 2.0", Float(3.5L)},
                  {"-7 % 2", Int(-1)},
                  {"7 % -2", Int(1)},
                  {"7 MOD 3", Int(1)},
                  {"131 % \"A\"", Int(1)},
                  {"7 % \"AB\"", Mismatch()},
                  {"7 % 2.0", Mismatch()},
                  // one-character string left: only "*" applies
                  {"\"A\" * 2", Int(130)},
                  {"\"A\" * \"A\"", Mismatch()},
                  {"\"A\" * \"AB\"", Mismatch()},
                  {"\"A\" * 1.5", Float(97.5L)},
                  {"\"A\" / 2", Stops(Str("A"))},
                  {"\"A\" % 2", Stops(Str("A"))},
                  // other strings
                  {"\"AB\" * 2", Mismatch()},
                  {"\"\" * 2", Mismatch()},
                  {"\"AB\" / 2", Stops(Str("AB"))},
                  {"\"AB\" MOD 2", Stops(Str("AB"))},
                  // float left
                  {"1.5 * 2", Float(3.0L)},
                  {"1.5 * \"A\"", Float(97.5L)},
                  {"1.5 * \"AB\"", Mismatch()},
                  {"1.5 * 2.0", Float(3.0L)},
                  {"3.0 / 2", Float(1.5L)},
                  {"130.0 / \"A\"", Float(2.0L)},
                  {"1.5 / \"AB\"", Mismatch()},
                  {"3.0 / 1.5", Float(2.0L)},
                  {"1.5 % 2", Stops(Float(1.5L))},
                  // wrapping and the one overflowing quotient
                  {"65536 * 65536", Int(0)},
                  {"65537 * 65537", Int(131073)},
                  {"-2147483648 / -1", Int(std::numeric_limits<int32_t>::min())},
                  {"-2147483648 % -1", Int(0)},
                  {"2 * 3 / 4 * 5", Int(5)},
              });
}

TEST_F(EvalOperatorsTest, DivideByZeroKeepsTheLeftValue) {
  Walk(*this, {
                  {"7 / 0", Fails(E_DivideByZero, Int(7))},
                  {"7 % 0", Fails(E_DivideByZero, Int(7))},
                  {"7 MOD 0", Fails(E_DivideByZero, Int(7))},
                  {"7 / 0.0", Fails(E_DivideByZero, Float(7.0L))},
                  {"1.5 / 0", Fails(E_DivideByZero, Float(1.5L))},
                  {"1.5 / 0.0", Fails(E_DivideByZero, Float(1.5L))},
              });
}

TEST_F(EvalOperatorsTest, AdditiveTable) {
  Walk(*this, {
                  // integer left
                  {"1 + 2", Int(3)},
                  {"1 + \"A\"", Int(66)},
                  {"1 + \"AB\"", Mismatch()},
                  {"1 + 0.5", Float(1.5L)},
                  {"1 - 2", Int(-1)},
                  {"1 - \"A\"", Int(-64)},
                  {"1 - \"AB\"", Mismatch()},
                  {"1 - 0.5", Float(0.5L)},
                  {"2147483647 + 1", Int(std::numeric_limits<int32_t>::min())},
                  {"-2147483648 - 1", Int(2147483647)},
                  // one-character string left
                  {"\"A\" + 1", Int(66)},
                  {"\"A\" + \"B\"", Str("AB")},
                  {"\"A\" + \"BC\"", Str("ABC")},
                  {"\"A\" + 0.5", Float(65.5L)},
                  {"\"A\" - 1", Int(64)},
                  {"\"B\" - \"A\"", Int(1)},
                  {"\"A\" - \"A\"", Int(0)},
                  {"\"A\" - \"BA\"", Str("A")},
                  {"\"A\" - \"\"", Str("A")},
                  {"\"A\" - 0.5", Float(64.5L)},
                  // longer (or empty) string left
                  {"\"AB\" + 1", Mismatch()},
                  {"\"AB\" + \"C\"", Str("ABC")},
                  {"\"AB\" + \"CD\"", Str("ABCD")},
                  {"\"\" + \"A\"", Str("A")},
                  {"\"AB\" + 1.5", Mismatch()},
                  {"\"AB\" - 1", Mismatch()},
                  {"\"AB\" - \"B\"", Str("A")},
                  {"\"AB\" - \"A\"", Str("AB")},
                  {"\"file.asm\" - \".asm\"", Str("file")},
                  {"\"file.asm\" - \".ASM\"", Str("file.asm")},
                  {"\"AB\" - \"AB\"", Str("")},
                  {"\"AB\" - \"XAB\"", Str("AB")},
                  {"\"AB\" - 1.5", Mismatch()},
                  // float left
                  {"1.5 + 1", Float(2.5L)},
                  {"1.5 + \"A\"", Float(66.5L)},
                  {"1.5 + \"AB\"", Mismatch()},
                  {"1.5 + 1.5", Float(3.0L)},
                  {"1.5 - 1", Float(0.5L)},
                  {"1.5 - \"AB\"", Mismatch()},
                  {"\"a\" + \"b\" + \"c\"", Str("abc")},
                  {"10 - 3 - 2", Int(5)},
              });
}

TEST_F(EvalOperatorsTest, ComparisonsInBothSlots) {
  const std::vector<Row> rows = {
      {"1 = 1", Int(1)},
      {"1 == 2", Int(0)},
      {"1 <> 2", Int(1)},
      {"1 != 1", Int(0)},
      {"2 > 1", Int(1)},
      {"1 < 2", Int(1)},
      {"2 >= 2", Int(1)},
      {"3 <= 2", Int(0)},
      {"-1 < 1", Int(1)},
      {"-1 > $7FFFFFFF", Int(0)},
      // a float beside an integer is rounded, ties to even
      {"2.5 = 2", Int(1)},
      {"3.5 = 4", Int(1)},
      {"-2.5 = -2", Int(1)},
      {"2 = 2.5", Int(1)},
      {"1 < 1.4", Int(0)},
      {"1 < 1.6", Int(1)},
      {"1.5 < 2.5", Int(1)},
      {"1.5 = 1.5", Int(1)},
      {"2.5 > 2.4", Int(1)},
      // strings, letters compared without case
      {"\"abc\" = \"ABC\"", Int(1)},
      {"\"abc\" < \"abd\"", Int(1)},
      {"\"ab\" < \"abc\"", Int(1)},
      {"\"abc\" > \"ab\"", Int(1)},
      {"\"b\" > \"A\"", Int(1)},
      {"\"[\" > \"a\"", Int(1)},
      {"\"\" = \"\"", Int(1)},
      {"\"x\" <> \"X\"", Int(0)},
      // strings never meet numbers
      {"\"A\" = 65", Mismatch()},
      {"65 = \"A\"", Mismatch()},
      {"1.5 = \"A\"", Mismatch()},
      {"\"abc\" = 1.5", Mismatch()},
      // chains are left associative
      {"1 < 2 < 3", Int(1)},
      {"3 > 2 > 1", Int(0)},
  };
  SetOption(zoLogicOperatorsHighPri, 1);
  Walk(*this, rows);
  SetOption(zoLogicOperatorsHighPri, 0);
  Walk(*this, rows);
}

TEST_F(EvalOperatorsTest, ByteJoin) {
  Walk(*this, {
                  {"$12 ! $34", Int(0x1234)},
                  {"$12 ! \"4\"", Int(0x1234)},
                  {"$12 ! 0.5", Float(4608.5L)},
                  {"$12 ! \"AB\"", Mismatch()},
                  {"1 ! 2 ! 3", Int(0x10203)},
                  {"$12 ! $345", Int(0x1545)},
                  {"\"A\" ! 1", Stops(Str("A"))},
                  {"1.5 ! 1", Stops(Float(1.5L))},
                  {"!0 ! 1", Int(0x101)},
              });
}

TEST_F(EvalOperatorsTest, PrecedenceWithLogicOperatorsHigh) {
  SetOption(zoLogicOperatorsHighPri, 1);
  Walk(*this, {
                  {"2 + 3 * 4", Int(14)},
                  {"(2 + 3) * 4", Int(20)},
                  {"$0F & $F0 = 0", Int(1)},
                  {"1 | 2 + 1", Int(4)},  // (1 | 2) + 1
                  {"6 & 3 * 2", Int(4)},  // (6 & 3) * 2
                  {"1 = 1 + 1", Int(0)},  // 1 = (1 + 1)
                  {"1 + 1 = 2", Int(1)},
                  {"1 << 2 | 1", Int(8)},  // 1 << (2 | 1)
                  {"NOT 1 + 1", Int(1)},   // (NOT 1) + 1
                  {"-2 * 3", Int(-6)},
                  {"1 ! 2 = 2", Int(0x101)},  // 1 ! (2 = 2)
                  {"1 ! 2 ? 3 : 4", Int(3)},
                  {"2 * 3 + 4 * 5", Int(26)},
              });
}

TEST_F(EvalOperatorsTest, PrecedenceWithLogicOperatorsLow) {
  SetOption(zoLogicOperatorsHighPri, 0);
  Walk(*this, {
                  {"2 + 3 * 4", Int(14)},
                  {"$0F & $F0 = 0", Int(0)},  // $0F & ($F0 = 0)
                  {"1 | 2 + 1", Int(3)},      // 1 | (2 + 1)
                  {"6 & 3 * 2", Int(6)},      // 6 & (3 * 2)
                  {"1 = 1 + 1", Int(2)},      // (1 = 1) + 1
                  {"2 < 3 * 2", Int(2)},      // (2 < 3) * 2
                  {"1 << 2 | 1", Int(5)},     // (1 << 2) | 1
                  {"1 ! 2 & 3", Int(0x102)},  // 1 ! (2 & 3)
                  {"NOT 1 = 0", Int(1)},      // (NOT 1) = 0
              });
}

TEST_F(EvalOperatorsTest, OptionIsReadAtEveryExpression) {
  SetOption(zoLogicOperatorsHighPri, 1);
  Check("1 = 1 + 1", Int(0));
  SetOption(zoLogicOperatorsHighPri, 0);
  Check("1 = 1 + 1", Int(2));
  SetOption(zoLogicOperatorsHighPri, 1);
  Check("1 = 1 + 1", Int(0));
}

TEST_F(EvalOperatorsTest, Conditional) {
  Walk(*this, {
                  {"1 ? 10 : 20", Int(10)},
                  {"0 ? 10 : 20", Int(20)},
                  {"1 ? 2 : 0 ? 3 : 4", Int(2)},
                  {"0 ? 2 : 0 ? 3 : 4", Int(4)},
                  {"0 ? 2 : 1 ? 3 : 4", Int(3)},
                  {"1 ? 0 ? 5 : 6 : 7", Int(6)},
                  {"2 > 1 ? \"yes\" : \"no\"", Str("yes")},
                  {"0 ? 1 : 2.5", Float(2.5L)},
                  {"\"A\" ? 1 : 2", Fails(E_SyntaxError)},
                  {"1.0 ? 1 : 2", Fails(E_SyntaxError)},
                  {"1 ? 2", Fails(E_SyntaxError)},
                  {"1 ? 2 , 3", Fails(E_SyntaxError)},
              });
}

TEST_F(EvalOperatorsTest, BothBranchesOfAConditionalAreEvaluated) {
  a.eval.valueStack.assign(2, TExpRes{});
  a.eval.valueStack[0].Int = 11;
  a.eval.valueStack[1].Int = 22;
  Check("1 ? 5 : ZPOP", Int(5));
  ASSERT_EQ(a.eval.valueStack.size(), 1u);
  Check("0 ? ZPOP : 6", Int(6));
  EXPECT_TRUE(a.eval.valueStack.empty());
}

TEST_F(EvalOperatorsTest, TypeMismatchIsReportedAfterItsLoop) {
  // The mismatch of "*" waits for the end of the multiplicative loop, so the
  // division by zero later in the same loop is the error of the line.
  Check("2 * \"ab\" / 0", Fails(E_DivideByZero));
  Check("2 * \"ab\" / 2", Fails(E_TypeMismatch, Int(1)));
  // Only one error for a line.
  Check("1 + \"ab\" + \"cd\"", Fails(E_TypeMismatch));
  EXPECT_EQ(a.pass.nErrors, 1);
}

TEST_F(EvalOperatorsTest, FloatToIntegerRoundsTiesToEven) {
  EXPECT_EQ(FloatToInt(2.5L), 2);
  EXPECT_EQ(FloatToInt(3.5L), 4);
  EXPECT_EQ(FloatToInt(-2.5L), -2);
  EXPECT_EQ(FloatToInt(-3.5L), -4);
  EXPECT_EQ(FloatToInt(0.5L), 0);
  EXPECT_EQ(FloatToInt(1.5L), 2);
  EXPECT_EQ(FloatToInt(2.4999L), 2);
  EXPECT_EQ(FloatToInt(-0.7L), -1);
  // The low 32 bits of the 64-bit result.
  EXPECT_EQ(FloatToInt(4294967296.0L + 5.0L), 5);
  EXPECT_EQ(FloatToInt(2147483648.0L), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(FloatToInt(-4294967297.0L), -1);
  // Nothing fits 64 bits: no value, 0 (and no undefined behaviour).
  EXPECT_EQ(FloatToInt(1e30L), 0);
  EXPECT_EQ(FloatToInt(-1e30L), 0);
  EXPECT_EQ(FloatToInt(std::numeric_limits<long double>::quiet_NaN()), 0);
  EXPECT_EQ(FloatToInt(std::numeric_limits<long double>::infinity()), 0);
  EXPECT_EQ(FloatToInt64(9007199254740993.0L), 9007199254740993LL);  // needs 64-bit mantissa

  EXPECT_EQ(IntegerOf("2.5"), 2);
  EXPECT_EQ(IntegerOf("3.5"), 4);
  EXPECT_EQ(IntegerOf("-2.5"), -2);
  EXPECT_EQ(IntegerOf("0.5 + 2"), 2);
}

TEST_F(EvalOperatorsTest, StringIndexBothModes) {
  SetOption(zoStringIndexFromZero, 0);
  Walk(*this, {
                  {"\"HELLO\"[1]", Str("H")},
                  {"\"HELLO\"[2..3]", Str("EL")},
                  {"\"HELLO\"[0..1]", Str("HE")},  // a start before the first keeps the length
                  {"\"HELLO\"[-1..1]", Str("HEL")},
                  {"\"HELLO\"[4..9]", Str("LO")},
                  {"\"HELLO\"[3..2]", Str("")},
                  {"\"HELLO\"[6]", Str("")},
                  {"\"HELLO\"[5]", Str("O")},
                  {"\"HELLO\"[1+1]", Str("E")},
                  {"\"HELLO\"[[1..2]]", Str("EL")},
                  {"\"HELLO\"[[0]]", Str("H")},
                  {"\"HELLO\"[1", Fails(E_SyntaxError)},
                  {"\"HELLO\"[[1", Fails(E_SyntaxError)},
                  {"\"HELLO\"[2] + \"X\"", Str("EX")},
                  // the index ends at "]]" though the lexer swallows it
                  {"\"HELLO\"[[1]] + \"X\"", Str("EX")},
                  {"\"HELLO\"[[1..2]] = \"el\"", Int(1)},
                  {"\"HELLO\"[[1..1+1]] + \"X\"", Str("ELX")},
                  {"\"HELLO\"[[(1)]] ! 1", Stops(Str("E"))},
                  // nested double-bracket indexes close together
                  {"\"HELLO\"[[\"ABC\"[[1]] - \"A\"]]", Str("E")},
                  {"\"HELLO\"[[\"ABC\"[[1]] - \"A\"..4]] + \"X\"", Str("ELLOX")},
                  {"\"HELLO\"[[\"ABC\"[[1]] - \"A\"", Fails(E_SyntaxError)},
                  {"\"HELLO\"[[\"ABC\"[[1]] - \"A\"]", Fails(E_SyntaxError)},
                  {"-\"HELLO\"[2]", Int(-'E')},
              });
  SetOption(zoStringIndexFromZero, 1);
  Walk(*this, {
                  {"\"HELLO\"[1]", Str("E")},
                  {"\"HELLO\"[0]", Str("H")},
                  {"\"HELLO\"[1..2]", Str("EL")},
                  {"\"HELLO\"[[1..2]]", Str("EL")},
                  {"\"HELLO\"[4..9]", Str("O")},
              });
}

TEST_F(EvalOperatorsTest, NumberIndex) {
  Walk(*this, {
                  {"$12345678[0]", Int(0x78)},
                  {"$12345678[1]", Int(0x56)},
                  {"$12345678[3]", Int(0x12)},
                  {"$12345678[4]", Int(0)},
                  {"$12345678[5]", Int(0)},
                  {"$12345678[-1]", Int(0)},
                  {"-$100[1]", Int(-1)},  // the prefix applies after the index
                  {"(-1)[3]", Int(255)},
                  {"$1234[1..2]", Fails(E_SyntaxError)},
                  {"$1234[1", Fails(E_SyntaxError)},
                  // IEEE single 1.0 is $3F800000, -2.0 is $C0000000
                  {"1.0[3]", Int(0x3F)},
                  {"1.0[2]", Int(0x80)},
                  {"1.0[0]", Int(0)},
                  {"(-2.0)[3]", Int(0xC0)},
                  {"0.5[3]", Int(0x3F)},
                  {"1.0[4]", Int(0)},
                  // beyond the single range: infinity, $7F800000
                  {"(65536.0 * 65536.0 * 65536.0 * 65536.0 * 65536.0 * 65536.0 * 65536.0 * "
                   "65536.0 * 65536.0)[3]",
                   Int(0x7F)},
                  {"(65536.0 * 65536.0 * 65536.0 * 65536.0 * 65536.0 * 65536.0 * 65536.0 * "
                   "65536.0 * 65536.0)[2]",
                   Int(0x80)},
              });
}

TEST_F(EvalOperatorsTest, ParenthesesSpanLines) {
  CheckLines({"(1 +", "2)"}, Int(3));
  CheckLines({"(1", ")"}, Int(1));
  CheckLines({"(1", ", 2)"}, Fails(E_SyntaxError));
  CheckLines({"1 +", "2"}, Fails(E_SyntaxError));
}

TEST_F(EvalOperatorsTest, AnErrorInsideParenthesesDoesNotReadOnIntoTheNextLine) {
  // The lexer must still be on the first line: the expression stopped there.
  CheckLines({"(1 / 0 +", "2)", "3"}, Fails(E_DivideByZero));
  ExpectNextLineStartsWith("2");
  EXPECT_EQ(a.eval.ExprParenDepth, 0);
}

TEST_F(EvalOperatorsTest, AbsurdNestingIsRefusedNotCrashed) {
  std::string deep(kMaxEvalNesting * 3, '(');
  deep += "1";
  deep += std::string(kMaxEvalNesting * 3, ')');
  Check(deep, Fails(E_OutOfResources));
  EXPECT_EQ(a.eval.nesting, 0);
  EXPECT_EQ(a.eval.ExprParenDepth, 0);
  std::string minus(kMaxEvalNesting * 3, '-');
  Check(minus + "1", Fails(E_OutOfResources));
  // Reasonable depth is fine.
  std::string ok = std::string(100, '(') + "7" + std::string(100, ')');
  Check(ok, Int(7));
  Check(std::string(101, '-') + "1", Int(-1));
}

}  // namespace
