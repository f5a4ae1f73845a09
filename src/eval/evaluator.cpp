// Entry points of the evaluator: the leading [name] form, the typed getters
// and their range checks, and float-to-integer rounding.

#include "eval/evaluator.h"

#include <cmath>
#include <cstdint>
#include <utility>

#include "eval/eval_internal.h"

using namespace eval_detail;

int64_t FloatToInt64(long double f) {
  // The range of a 64-bit integer is [-2^63, 2^63); anything else (and NaN)
  // has no 64-bit value, like the x87 "integer indefinite".
  constexpr long double kTwo63 = 9223372036854775808.0L;
  if (!(f >= -kTwo63 && f < kTwo63)) return INT64_MIN;
  const long double r = std::nearbyintl(f);  // the default mode: nearest, ties to even
  if (!(r >= -kTwo63 && r < kTwo63)) return INT64_MIN;
  return static_cast<int64_t>(r);
}

int32_t FloatToInt(long double f) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(FloatToInt64(f))));
}

namespace {

// The leading [name], [::name] or [^^...name] of an operand: names a label
// that the instruction handlers define at the operand's address. Returns
// false when an error stopped the expression.
bool ReadOperandLabel(Assembly& a) {
  LexNext(a);  // "["
  const TLexPos* p = &Peek(a);
  std::string name;
  if (p->Item == I_Char && p->ITxt == "::") {
    LexNext(a);
    p = &Peek(a);
    if (p->Item != I_Ident) {
      Fail(a, E_SyntaxError);
      return false;
    }
    name = p->ITxt;
  } else if (p->Item == I_Char && p->ITxt == "^^") {
    int32_t steps = 0;
    while (ItemIsChar(Peek(a), "^^")) {
      ++steps;
      LexNext(a);
    }
    // Each "^^" leaves one open procedure; with none left to leave there is
    // no outer scope to name (a single "^^" at the outermost level included).
    if (steps > ProcDepth(a)) {
      Fail(a, E_NestingError);
      return false;
    }
    const int32_t level = ProcDepth(a) + 1 - steps;
    p = &Peek(a);
    if (p->Item != I_Ident) {
      Fail(a, E_SyntaxError);
      return false;
    }
    name = ProcPrefixAtLevel(a, level);
    name += p->ITxt;
  } else if (p->Item == I_Ident) {
    name = a.lex.pos.ProcPrefix;
    name += p->ITxt;
  } else {
    Fail(a, E_SyntaxError);
    return false;
  }
  LexNext(a);  // the identifier
  if (!ItemIsChar(Peek(a), "]")) {
    Fail(a, E_SyntaxError);
    return false;
  }
  LexNext(a);
  a.eval.OperandLabelName = std::move(name);
  return true;
}

// The commonest expression: one number (the item `p`), followed on its line
// by what no operator can be: a ",", a ")", or the end of the statement's
// line outside parentheses. It is taken as the operator levels would take it
// (the same value, the same items read, the item after it looked at),
// without passing through them. Not where the text is an argument or alias
// body being read: there the next item may come from elsewhere.
bool LoneNumber(Assembly& a, const TLexPos& p, TExpRes& result) {
  if (!a.lex.paramStack.empty() || !a.lex.aliasStack.empty() || a.eval.nesting >= kMaxEvalNesting)
    return false;
  const std::string_view text = p.lTxt;
  size_t i = static_cast<size_t>(p.LPos - 1);
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < text.size() && text[i] != ',' && text[i] != ')') {
    if (text[i] != ';' || a.eval.ExprParenDepth > 0) return false;
  } else if (i >= text.size() && a.eval.ExprParenDepth > 0) {
    return false;
  }
  // An expression inside another one leaves the outer operand label alone.
  if (a.eval.entryDepth == 0) a.eval.OperandLabelName.clear();
  ResetValue(result);
  result.Int = p.INumVal;
  LexNext(a);
  Peek(a);
  return true;
}

}  // namespace

void EvalExpression(Assembly& a, TExpRes& result) {
  const TLexPos& first = Peek(a);
  if (first.Item == I_Integer && LoneNumber(a, first, result)) return;
  // An expression evaluated inside another one (a function argument, an
  // index, the lexer's keyword builder) must not lose the operand label of
  // the outer expression, which the handler reads after the whole operand.
  std::string outerLabel;
  const bool nested = a.eval.entryDepth > 0;
  if (nested) outerLabel.swap(a.eval.OperandLabelName);
  ++a.eval.entryDepth;

  a.eval.OperandLabelName.clear();
  ResetValue(result);
  if (!ItemIsChar(first, "[") || ReadOperandLabel(a)) EvalConditional(a, result);

  --a.eval.entryDepth;
  if (nested) a.eval.OperandLabelName.swap(outerLabel);
}

TExpRes EvalExpression(Assembly& a) {
  TExpRes r;
  EvalExpression(a, r);
  return r;
}

int32_t IntegerOfResult(Assembly& a, const TExpRes& r) {
  switch (r.Sort) {
    case erInteger:
      return r.Int;
    case erString:
      if (r.Str.size() == 1) return Code(r);
      Fail(a, E_SyntaxError);
      return 0;
    case erFloat:
      return FloatToInt(r.Float);
    default:
      Fail(a, E_IntegerExpected);
      return 0;
  }
}

int32_t EvalInteger(Assembly& a) {
  TExpRes r;
  EvalExpression(a, r);
  return IntegerOfResult(a, r);
}

bool EvalBoolean(Assembly& a) { return EvalInteger(a) != 0; }

std::string EvalString(Assembly& a) {
  TExpRes r;
  EvalExpression(a, r);
  if (r.Sort != erString) {
    Fail(a, E_SyntaxError);
    return {};
  }
  return std::move(r.Str);
}

long double EvalFloat(Assembly& a) {
  TExpRes r;
  EvalExpression(a, r);
  if (r.Sort == erFloat) return r.Float;
  if (r.Sort == erInteger) return r.Int;
  Fail(a, E_SyntaxError);
  return 0.0L;
}

namespace {

int32_t Checked(Assembly& a, int32_t lo, int32_t hi) {
  const int32_t v = EvalInteger(a);
  if (v < lo || v > hi) {
    Fail(a, E_RangeError);
    return 0;
  }
  return v;
}

int32_t Flagged(Assembly& a, int32_t lo, int32_t hi, bool& outOfRange) {
  const int32_t v = EvalInteger(a);
  outOfRange = v < lo || v > hi;
  return outOfRange ? 0 : v;
}

}  // namespace

int32_t EvalByteValue(Assembly& a) { return Checked(a, -128, 255); }
int32_t EvalUnsignedByte(Assembly& a) { return Checked(a, 0, 255); }
int32_t EvalWordValue(Assembly& a) { return Checked(a, -32768, 65535); }
int32_t EvalBitIndex(Assembly& a) { return Checked(a, 0, 7); }
int32_t EvalSignedByteFlag(Assembly& a, bool& f) { return Flagged(a, -128, 127, f); }
int32_t EvalOffsetFlag(Assembly& a, bool& f) { return Flagged(a, -127, 128, f); }
int32_t EvalWordFlag(Assembly& a, bool& f) { return Flagged(a, -32768, 65535, f); }
