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
  std::string OperandLabelName;  // set by a leading [name]
  int32_t ExprParenDepth = 0;    // open "(" while evaluating
  std::vector<TExpRes> valueStack;  // ZPUSH / ZPOP, at most 256
};

TExpRes EvalExpression(Assembly& a);
int32_t EvalInteger(Assembly& a);
bool EvalBoolean(Assembly& a);
std::string EvalString(Assembly& a);
long double EvalFloat(Assembly& a);
int32_t EvalByteValue(Assembly& a);      // -128..255
int32_t EvalUnsignedByte(Assembly& a);   // 0..255
int32_t EvalWordValue(Assembly& a);      // -32768..65535
int32_t EvalBitIndex(Assembly& a);       // 0..7
// Out of range: flag set, result 0, no message.
int32_t EvalSignedByteFlag(Assembly& a, bool& outOfRange);  // -128..127
int32_t EvalOffsetFlag(Assembly& a, bool& outOfRange);      // -127..128
int32_t EvalWordFlag(Assembly& a, bool& outOfRange);        // -32768..65535

// Float to integer: nearest, ties to even, low 32 bits of the 64-bit result.
int32_t FloatToInt(long double f);
