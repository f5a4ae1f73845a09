// Float functions, rounding and absolute values.

#include <cmath>

#include "eval/builtin_library.h"

bool ApplyFloatFunction(TToken fn, long double x, long double& out) {
  // A host floating-point exception (an invalid operation, a division by
  // zero or an overflow) always shows as a NaN or an infinity here, so the
  // check on the result is the whole of the exception handling.
  switch (fn) {
    case tFLT:
      out = x;
      break;
    case tSIN:
      out = std::sin(x);
      break;
    case tCOS:
      out = std::cos(x);
      break;
    case tTAN:
      out = std::tan(x);
      break;
    case tASIN:
      out = std::asin(x);
      break;
    case tACOS:
      out = std::acos(x);
      break;
    case tATAN:
      out = std::atan(x);
      break;
    case tLOG:
      out = std::log10(x);
      break;
    case tLN:
      out = std::log(x);
      break;
    case tEXP:
      out = std::exp(x);
      break;
    case tSQRT:
      out = std::sqrt(x);
      break;
    case tINT:
      out = std::trunc(x);
      break;
    case tFRAC:
      out = x - std::trunc(x);
      break;
    default:
      return false;
  }
  return std::isfinite(x) && std::isfinite(out);
}

bool RoundFloatToInt(long double x, int32_t& out) {
  out = 0;
  if (!std::isfinite(x)) return false;
  // Ties to even without depending on the rounding mode: the fraction of an
  // 80-bit float is exact, so a tie is seen exactly.
  long double whole = std::trunc(x);
  long double frac = x - whole;
  long double r = whole;
  if (frac > 0.5L || (frac == 0.5L && std::fmod(whole, 2.0L) != 0.0L))
    r = whole + 1.0L;
  else if (frac < -0.5L || (frac == -0.5L && std::fmod(whole, 2.0L) != 0.0L))
    r = whole - 1.0L;
  constexpr long double kTwo63 = 9223372036854775808.0L;
  if (r < -kTwo63 || r >= kTwo63) return false;
  out = static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(r)));
  return true;
}

int32_t AbsInt(int32_t v) {
  return v < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(v)) : v;
}
