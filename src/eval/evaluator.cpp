#include "eval/evaluator.h"

#include <cmath>

#include "assembler/assembly.h"

TExpRes EvalExpression(Assembly&) { return {}; }
int32_t EvalInteger(Assembly&) { return 0; }
bool EvalBoolean(Assembly&) { return false; }
std::string EvalString(Assembly&) { return {}; }
long double EvalFloat(Assembly&) { return 0; }
int32_t EvalByteValue(Assembly&) { return 0; }
int32_t EvalUnsignedByte(Assembly&) { return 0; }
int32_t EvalWordValue(Assembly&) { return 0; }
int32_t EvalBitIndex(Assembly&) { return 0; }
int32_t EvalSignedByteFlag(Assembly&, bool& f) {
  f = false;
  return 0;
}
int32_t EvalOffsetFlag(Assembly&, bool& f) {
  f = false;
  return 0;
}
int32_t EvalWordFlag(Assembly&, bool& f) {
  f = false;
  return 0;
}
int32_t FloatToInt(long double f) {
  return static_cast<int32_t>(static_cast<int64_t>(std::nearbyintl(f)));
}
