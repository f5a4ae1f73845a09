#pragma once
// Expression evaluation over 32-bit integers, 80-bit floats and byte strings.
// Every entry point reads from the current lexer position and leaves the
// lexer just after the expression.

#include <cstdint>
#include <string>
#include <vector>

#include "common/types.h"

struct Assembly;

struct EvalState {
  std::string OperandLabelName;     // set by a leading [name]
  int32_t ExprParenDepth = 0;       // open "(" while evaluating
  std::vector<TExpRes> valueStack;  // ZPUSH / ZPOP, at most 256

  // Bookkeeping of the evaluator itself.
  int32_t nesting = 0;         // sub-expressions and prefix operators being evaluated
  int32_t entryDepth = 0;      // EvalExpression calls in progress
  int32_t blockFloor = 0;      // inside a "[[i]]" index: its "[[" level
  int32_t softErrorLine = -1;  // line of a reported error that did not skip the line
  std::string nameScratch;     // reused buffer for symbol names (keeps its capacity)
};

// Deepest nesting of sub-expressions (parentheses, prefix operators,
// conditionals) before the expression is refused; keeps the recursion far
// from the end of the machine stack on absurd input.
inline constexpr int32_t kMaxEvalNesting = 400;

// Longest string an expression may build (1 MiB). A source that doubles a
// string in a loop would otherwise exhaust the machine's memory; past this
// length the expression is refused with "Ran out of resources".
inline constexpr size_t kMaxStringLength = size_t{1} << 20;

TExpRes EvalExpression(Assembly& a);
// The same into a value supplied by the caller (no copy of the result).
void EvalExpression(Assembly& a, TExpRes& result);
// The conditional level alone: a complete expression without the leading
// [name] form (parenthesised operands, function arguments).
void EvalConditional(Assembly& a, TExpRes& result);
// One operand with its optional index suffix, as the prefix operators see it.
void EvalPrimary(Assembly& a, TExpRes& result);

int32_t EvalInteger(Assembly& a);
bool EvalBoolean(Assembly& a);
std::string EvalString(Assembly& a);
long double EvalFloat(Assembly& a);
int32_t EvalByteValue(Assembly& a);     // -128..255
int32_t EvalUnsignedByte(Assembly& a);  // 0..255
int32_t EvalWordValue(Assembly& a);     // -32768..65535
int32_t EvalBitIndex(Assembly& a);      // 0..7
// Out of range: flag set, result 0, no message.
int32_t EvalSignedByteFlag(Assembly& a, bool& outOfRange);  // -128..127
int32_t EvalOffsetFlag(Assembly& a, bool& outOfRange);      // -127..128
int32_t EvalWordFlag(Assembly& a, bool& outOfRange);        // -32768..65535

// Integer value of an evaluated result as EvalInteger takes it (reports the
// same errors).
int32_t IntegerOfResult(Assembly& a, const TExpRes& r);

// Float to integer: nearest, ties to even, low 32 bits of the 64-bit result.
// A value outside the 64-bit range (or not a number) gives 0.
int32_t FloatToInt(long double f);
// The 64-bit rounding behind FloatToInt; outside the range: INT64_MIN.
int64_t FloatToInt64(long double f);
