// The operator levels of expressions, from the index suffix (tightest) to the
// conditional (loosest). Each binary level is a left-associative loop that
// stops, leaving the operator unconsumed, when the next item is not one of
// its operators or when it has no rule for the kind of the left value.
//
// Integer arithmetic wraps silently: it is done on uint32_t and converted
// back, so no overflow is ever undefined.

#include <cmath>
#include <cstring>
#include <limits>

#include "eval/eval_internal.h"

using namespace eval_detail;

namespace {

enum Op : uint8_t {
  opNone,
  opAnd,
  opOr,
  opAt,  // "@": or, in the high slot only
  opXor,
  opShl,
  opShr,
  opMul,
  opDiv,
  opMod,
  opAdd,
  opSub,
  opEq,
  opNe,
  opGt,
  opLt,
  opGe,
  opLe,
  opBang,  // binary "!": byte join
  opQuestion,
  opColon,
  opLBracket,
  opRBracket,
  opRange,  // ".."
};

// The operator named by the current item, if any.
Op CurrentOp(const TLexPos& p) {
  if (p.Item == I_Char) {
    const std::string_view t = p.ITxt;
    if (t.size() == 1) {
      switch (t[0]) {
        case '&':
          return opAnd;
        case '|':
          return opOr;
        case '@':
          return opAt;
        case '^':
          return opXor;
        case '*':
          return opMul;
        case '/':
          return opDiv;
        case '%':
          return opMod;
        case '+':
          return opAdd;
        case '-':
          return opSub;
        case '=':
          return opEq;
        case '>':
          return opGt;
        case '<':
          return opLt;
        case '!':
          return opBang;
        case '?':
          return opQuestion;
        case ':':
          return opColon;
        case '[':
          return opLBracket;
        case ']':
          return opRBracket;
        default:
          return opNone;
      }
    }
    if (t.size() == 2) {
      if (t == "<<") return opShl;
      if (t == ">>") return opShr;
      if (t == "==") return opEq;
      if (t == "<>" || t == "!=") return opNe;
      if (t == ">=") return opGe;
      if (t == "<=") return opLe;
      if (t == "..") return opRange;
    }
    return opNone;
  }
  if (p.Item == I_TokenN) {
    switch (p.ITokVal) {
      case tAND:
        return opAnd;
      case tOR:
        return opOr;
      case tXOR:
        return opXor;
      case tSHL:
        return opShl;
      case tSHR:
        return opShr;
      case tMOD:
        return opMod;
      default:
        return opNone;
    }
  }
  return opNone;
}

// The operator at the current item. Inside a "[[i..j]]" index the item after
// the closing "]]" (which the lexer swallows) ends every level, as a "]"
// would.
Op PeekOp(Assembly& a) {
  const TLexPos& p = Peek(a);
  if (p.FunctionBlockLevel < a.eval.blockFloor) return opNone;
  return CurrentOp(p);
}

int32_t Wrap(uint32_t v) { return static_cast<int32_t>(v); }
uint32_t U(int32_t v) { return static_cast<uint32_t>(v); }

bool HighPri(const Assembly& a) { return a.options.On(zoLogicOperatorsHighPri); }

// ---------------------------------------------------------------------------
// Level 1: the index suffix.

// Characters i..j (inclusive) of s, positions counted from base.
void Substring(TExpRes& r, int64_t i, int64_t j, int64_t base) {
  int64_t start = i - base;
  int64_t len = j - i + 1;
  const int64_t size = static_cast<int64_t>(r.Str.size());
  if (len <= 0) {
    r.Str.clear();
    return;
  }
  if (start < 0) start = 0;  // the length is kept
  if (start >= size) {
    r.Str.clear();
    return;
  }
  if (len > size - start) len = size - start;
  r.Str.erase(static_cast<size_t>(start + len));
  r.Str.erase(0, static_cast<size_t>(start));
}

// IEEE single precision of an extended float, rounded to nearest; values
// beyond the single range become infinities (as the hardware conversion
// gives) rather than an undefined conversion.
float ToSingle(long double f) {
  constexpr long double kMax = std::numeric_limits<float>::max();
  constexpr long double kOverflow = kMax + 0x1p103L;  // half a unit beyond the largest
  if (f >= kOverflow) return std::numeric_limits<float>::infinity();
  if (f <= -kOverflow) return -std::numeric_limits<float>::infinity();
  if (f > kMax) return std::numeric_limits<float>::max();
  if (f < -kMax) return -std::numeric_limits<float>::max();
  return static_cast<float>(f);
}

int32_t ByteOf(uint32_t v, int32_t i) {
  if (i < 0 || i > 3) return 0;
  return static_cast<int32_t>((v >> (8 * i)) & 0xFF);
}

// Reads "i" or "i .. j" and the closing "]" of a single-bracket index.
bool ReadBracketIndex(Assembly& a, int32_t& i, int32_t& j, bool allowRange) {
  i = EvalInteger(a);
  j = i;
  if (allowRange && PeekOp(a) == opRange) {
    LexNext(a);
    j = EvalInteger(a);
  }
  if (PeekOp(a) != opRBracket) {
    Fail(a, E_SyntaxError);
    return false;
  }
  LexNext(a);
  return true;
}

}  // namespace

namespace eval_detail {

void EvalIndexed(Assembly& a, TExpRes& r) { IndexSuffix(a, r, EvalPrimaryAt(a, r)); }

void IndexSuffix(Assembly& a, TExpRes& r, int32_t blockLevel) {
  switch (r.Sort) {
    case erString: {
      const TLexPos& p = Peek(a);
      if (p.FunctionBlockLevel > blockLevel) {
        // "[[i]]" or "[[i..j]]": the lexer has swallowed the "[[" on its way
        // to the index; positions always count from 0.
        const int32_t outerFloor = a.eval.blockFloor;
        a.eval.blockFloor = blockLevel + 1;
        int32_t i = EvalInteger(a);
        int32_t j = i;
        if (PeekOp(a) == opRange) {
          LexNext(a);
          j = EvalInteger(a);
        }
        a.eval.blockFloor = outerFloor;
        // The closing "]]" brought the level back. Adjacent closings of
        // nested indexes ("]]]]") are swallowed together, so an inner index
        // may find the level already below its own.
        if (Peek(a).FunctionBlockLevel > blockLevel) {
          Fail(a, E_SyntaxError);
          return;
        }
        Substring(r, i, j, 0);
        return;
      }
      if (CurrentOp(p) != opLBracket) return;
      LexNext(a);
      int32_t i, j;
      if (!ReadBracketIndex(a, i, j, true)) return;
      Substring(r, i, j, a.options.On(zoStringIndexFromZero) ? 0 : 1);
      return;
    }
    case erInteger: {
      if (PeekOp(a) != opLBracket) return;
      LexNext(a);
      int32_t i, j;
      if (!ReadBracketIndex(a, i, j, false)) return;
      SetInt(r, ByteOf(U(r.Int), i));
      return;
    }
    case erFloat: {
      if (PeekOp(a) != opLBracket) return;
      LexNext(a);
      int32_t i, j;
      if (!ReadBracketIndex(a, i, j, false)) return;
      const float single = ToSingle(r.Float);
      uint32_t bits;
      std::memcpy(&bits, &single, sizeof bits);
      SetInt(r, ByteOf(bits, i));
      return;
    }
    default:
      return;
  }
}

// ---------------------------------------------------------------------------
// Level 2: prefix operators, right-recursive.

void EvalUnary(Assembly& a, TExpRes& r) {
  const TLexPos& p = Peek(a);
  char op = 0;
  if (p.Item == I_Char && p.ITxt.size() == 1 &&
      (p.ITxt[0] == '-' || p.ITxt[0] == '+' || p.ITxt[0] == '!'))
    op = p.ITxt[0] == '!' ? 'N' : p.ITxt[0];
  else if (p.Item == I_TokenN && p.ITokVal == tNOT)
    op = 'N';
  else if (p.Item == I_TokenN && p.ITokVal == tINV)
    op = 'I';
  if (op == 0) {
    EvalIndexed(a, r);
    return;
  }
  LexNext(a);
  NestingGuard guard(a);
  if (!guard.ok()) {
    ResetValue(r);
    return;
  }
  EvalUnary(a, r);

  bool mismatch = false;
  switch (r.Sort) {
    case erInteger:
      if (op == '-')
        r.Int = Wrap(0u - U(r.Int));
      else if (op == 'I')
        r.Int = ~r.Int;
      else if (op == 'N')
        r.Int = r.Int == 0 ? 1 : 0;
      break;
    case erString:
      if (IsChar1(r) && (op == '-' || op == '+'))
        SetInt(r, op == '-' ? -Code(r) : Code(r));
      else
        mismatch = true;
      break;
    case erFloat:
      if (op == '-')
        r.Float = -r.Float;
      else if (op == 'I')
        mismatch = true;
      else if (op == 'N')
        SetInt(r, r.Float == 0.0L ? 1 : 0);
      break;
    default:  // no value: passed on for the caller's getter to report
      break;
  }
  if (mismatch) Fail(a, E_TypeMismatch);
}

}  // namespace eval_detail

namespace {

// The operator after a tail's last operand: a type mismatch met on the way
// is reported now, which skips the rest of the line, so the operator is
// looked at again.
Op EndTail(Assembly& a, Op op, bool mismatch) {
  if (!mismatch) return op;
  Fail(a, E_TypeMismatch);
  return PeekOp(a);
}

// A level evaluates its operand and hands back the operator that follows
// it, so the levels around it need not classify the same item again.
using LevelFn = Op (*)(Assembly&, TExpRes&);

// The prefix level as the operand of the binary levels.
Op UnaryOperand(Assembly& a, TExpRes& r) {
  EvalUnary(a, r);
  return PeekOp(a);
}

// ---------------------------------------------------------------------------
// Bitwise operators (level 3 in the high slot, level 7 in the low slot).

// Each level is the level above it for its left operand, then its tail: the
// loop over its own operators. The tails alone continue an expression whose
// first operand has been evaluated already (EvalConditional). A tail takes
// the operator after the left operand and returns the one after its last
// operand; one whose operators do not follow returns at once: most operands
// pass through every tail without one. An error reported on the way skips
// the rest of the line, so the operator is looked at again after one.
template <LevelFn Next>
Op BitwiseTail(Assembly& a, TExpRes& r, bool highSlot, Op op) {
  if (op != opAnd && op != opOr && op != opXor && !(op == opAt && highSlot)) return op;
  bool mismatch = false;
  TExpRes rhs;
  for (;;) {
    Op kind = op;
    if (kind == opAt) {
      if (!highSlot) break;
      kind = opOr;
    }
    if (kind != opAnd && kind != opOr && kind != opXor) break;
    if (r.Sort != erInteger && !IsChar1(r)) break;
    LexNext(a);
    op = Next(a, rhs);
    int32_t right;
    if (rhs.Sort == erInteger)
      right = rhs.Int;
    else if (IsChar1(rhs))
      right = Code(rhs);
    else {
      mismatch = true;
      continue;
    }
    const int32_t left = r.Sort == erInteger ? r.Int : Code(r);
    SetInt(r, kind == opAnd ? (left & right) : kind == opOr ? (left | right) : (left ^ right));
  }
  return EndTail(a, op, mismatch);
}

template <LevelFn Next>
Op BitwiseLoop(Assembly& a, TExpRes& r, bool highSlot) {
  const Op op = Next(a, r);
  return BitwiseTail<Next>(a, r, highSlot, op);
}

// ---------------------------------------------------------------------------
// Comparisons (level 7 in the low slot, level 3 in the high slot).

int CompareText(const std::string& x, const std::string& y) {
  const size_t n = x.size() < y.size() ? x.size() : y.size();
  for (size_t k = 0; k < n; ++k) {
    unsigned cx = static_cast<uint8_t>(x[k]);
    unsigned cy = static_cast<uint8_t>(y[k]);
    if (cx >= 'a' && cx <= 'z') cx -= 32;
    if (cy >= 'a' && cy <= 'z') cy -= 32;
    if (cx != cy) return cx < cy ? -1 : 1;
  }
  if (x.size() == y.size()) return 0;
  return x.size() < y.size() ? -1 : 1;
}

template <typename T>
int Order(T x, T y) {
  return x < y ? -1 : (y < x ? 1 : 0);
}

bool Holds(Op op, int order) {
  switch (op) {
    case opEq:
      return order == 0;
    case opNe:
      return order != 0;
    case opGt:
      return order > 0;
    case opLt:
      return order < 0;
    case opGe:
      return order >= 0;
    case opLe:
      return order <= 0;
    default:
      return false;
  }
}

// Ordering of two values, or false for a kind mismatch. Floats beside
// integers are rounded to 64 bits and compared exactly.
bool CompareValues(const TExpRes& l, const TExpRes& r, int& order) {
  if (l.Sort == erInteger) {
    if (r.Sort == erInteger) {
      order = Order(l.Int, r.Int);
      return true;
    }
    if (r.Sort == erFloat) {
      order = Order(static_cast<int64_t>(l.Int), FloatToInt64(r.Float));
      return true;
    }
    return false;
  }
  if (l.Sort == erFloat) {
    if (r.Sort == erInteger) {
      order = Order(FloatToInt64(l.Float), static_cast<int64_t>(r.Int));
      return true;
    }
    if (r.Sort == erFloat) {
      order = Order(l.Float, r.Float);
      return true;
    }
    return false;
  }
  if (l.Sort == erString && r.Sort == erString) {
    order = CompareText(l.Str, r.Str);
    return true;
  }
  return false;
}

template <LevelFn Next>
Op CompareTail(Assembly& a, TExpRes& r, Op op) {
  if (op < opEq || op > opLe) return op;
  bool mismatch = false;
  TExpRes rhs;
  for (;;) {
    const Op kind = op;
    if (kind < opEq || kind > opLe) break;
    if (r.Sort != erInteger && r.Sort != erString && r.Sort != erFloat) break;
    LexNext(a);
    op = Next(a, rhs);
    int order = 0;
    if (!CompareValues(r, rhs, order)) {
      mismatch = true;
      continue;
    }
    SetInt(r, Holds(kind, order) ? 1 : 0);
  }
  return EndTail(a, op, mismatch);
}

template <LevelFn Next>
Op CompareLoop(Assembly& a, TExpRes& r) {
  const Op op = Next(a, r);
  return CompareTail<Next>(a, r, op);
}

// ---------------------------------------------------------------------------
// Levels 3 and 7: the two slots that swap with zoLogicOperatorsHighPri.

Op Level3(Assembly& a, TExpRes& r) {
  if (HighPri(a)) return BitwiseLoop<UnaryOperand>(a, r, true);
  return CompareLoop<UnaryOperand>(a, r);
}

// ---------------------------------------------------------------------------
// Level 4: shifts, integer left operand only.

Op Level4Tail(Assembly& a, TExpRes& r, Op op) {
  if (op != opShl && op != opShr) return op;
  bool mismatch = false;
  TExpRes rhs;
  for (;;) {
    const Op kind = op;
    if (kind != opShl && kind != opShr) break;
    if (r.Sort != erInteger) break;
    LexNext(a);
    op = Level3(a, rhs);
    int32_t count;
    if (rhs.Sort == erInteger)
      count = rhs.Int;
    else if (IsChar1(rhs))
      count = Code(rhs);
    else if (rhs.Sort == erFloat)
      count = FloatToInt(rhs.Float);
    else {
      mismatch = true;
      continue;
    }
    count &= 31;
    r.Int = Wrap(kind == opShl ? U(r.Int) << count : U(r.Int) >> count);
  }
  return EndTail(a, op, mismatch);
}

Op Level4(Assembly& a, TExpRes& r) {
  const Op op = Level3(a, r);
  return Level4Tail(a, r, op);
}

// ---------------------------------------------------------------------------
// Level 5: multiplicative.

// Integer quotient and remainder truncated towards zero; the one overflowing
// case (the most negative value by -1) wraps.
int32_t IntDiv(int32_t x, int32_t y) { return y == -1 ? Wrap(0u - U(x)) : x / y; }
int32_t IntMod(int32_t x, int32_t y) { return y == -1 ? 0 : x % y; }

// Combines r (op) rhs. Returns false for a kind mismatch; sets divZero for a
// zero divisor (r is then left as it was, except that a float divisor makes
// an integer left value a float).
bool Multiply(Op op, TExpRes& r, const TExpRes& rhs, bool& divZero) {
  divZero = false;
  const bool rInt = rhs.Sort == erInteger;
  const bool rChar = IsChar1(rhs);
  const bool rFloat = rhs.Sort == erFloat;
  if (r.Sort == erInteger) {
    if (rInt || rChar) {
      const int32_t y = rInt ? rhs.Int : Code(rhs);
      if (op == opMul) {
        r.Int = Wrap(U(r.Int) * U(y));
      } else if (y == 0) {
        divZero = true;
      } else {
        r.Int = op == opDiv ? IntDiv(r.Int, y) : IntMod(r.Int, y);
      }
      return true;
    }
    if (rFloat && op != opMod) {
      const long double x = r.Int;
      if (op == opDiv && rhs.Float == 0.0L) {
        SetFloat(r, x);
        divZero = true;
      } else {
        SetFloat(r, op == opMul ? x * rhs.Float : x / rhs.Float);
      }
      return true;
    }
    return false;
  }
  if (IsChar1(r)) {  // only "*" reaches here
    const int32_t x = Code(r);
    if (rInt) {
      SetInt(r, Wrap(U(x) * U(rhs.Int)));
      return true;
    }
    if (rFloat) {
      SetFloat(r, x * rhs.Float);
      return true;
    }
    return false;
  }
  if (r.Sort == erFloat) {  // "*" and "/"
    if (rInt || rChar || rFloat) {
      const long double y =
          rFloat ? rhs.Float : static_cast<long double>(rInt ? rhs.Int : Code(rhs));
      if (op == opMul)
        r.Float *= y;
      else if (y == 0.0L)
        divZero = true;
      else
        r.Float /= y;
      return true;
    }
    return false;
  }
  return false;  // "*" after a string that is not one character long
}

Op Level5Tail(Assembly& a, TExpRes& r, Op op) {
  if (op != opMul && op != opDiv && op != opMod) return op;
  bool mismatch = false;
  TExpRes rhs;
  for (;;) {
    const Op kind = op;
    if (kind != opMul && kind != opDiv && kind != opMod) break;
    // Left kinds this level handles: "*" after anything with a value (a
    // string of other length than one is a mismatch), "/" after numbers,
    // "%" after integers.
    if (kind == opMul) {
      if (r.Sort == erError) break;
    } else if (kind == opDiv) {
      if (r.Sort != erInteger && r.Sort != erFloat) break;
    } else if (r.Sort != erInteger) {
      break;
    }
    LexNext(a);
    op = Level4(a, rhs);
    bool divZero = false;
    if (!Multiply(kind, r, rhs, divZero)) {
      mismatch = true;
    } else if (divZero) {
      Fail(a, E_DivideByZero);
      op = PeekOp(a);
    }
  }
  return EndTail(a, op, mismatch);
}

Op Level5(Assembly& a, TExpRes& r) {
  const Op op = Level4(a, r);
  return Level5Tail(a, r, op);
}

// ---------------------------------------------------------------------------
// Level 6: additive.

// Removes suffix from the end of s when s ends with it.
void RemoveSuffix(std::string& s, const std::string& suffix) {
  if (s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0)
    s.resize(s.size() - suffix.size());
}

bool Add(Op op, TExpRes& r, const TExpRes& rhs) {
  const bool sub = op == opSub;
  const bool rInt = rhs.Sort == erInteger;
  const bool rChar = IsChar1(rhs);
  const bool rFloat = rhs.Sort == erFloat;
  if (r.Sort == erInteger || r.Sort == erFloat || IsChar1(r)) {
    if (r.Sort == erString && rhs.Sort == erString) {
      // One-character string and a string.
      if (!sub)
        r.Str += rhs.Str;
      else if (rChar)
        SetInt(r, Code(r) - Code(rhs));
      else
        RemoveSuffix(r.Str, rhs.Str);
      return true;
    }
    if (r.Sort == erFloat || rFloat) {
      if (!rInt && !rChar && !rFloat) return false;
      const long double x = r.Sort == erFloat     ? r.Float
                            : r.Sort == erInteger ? static_cast<long double>(r.Int)
                                                  : static_cast<long double>(Code(r));
      const long double y =
          rFloat ? rhs.Float : static_cast<long double>(rInt ? rhs.Int : Code(rhs));
      SetFloat(r, sub ? x - y : x + y);
      return true;
    }
    if (r.Sort == erInteger && !rInt && !rChar) return false;
    if (r.Sort == erString && !rInt) return false;
    const int32_t x = r.Sort == erInteger ? r.Int : Code(r);
    const int32_t y = rInt ? rhs.Int : Code(rhs);
    SetInt(r, Wrap(sub ? U(x) - U(y) : U(x) + U(y)));
    return true;
  }
  if (r.Sort == erString) {  // a string of other length than one
    if (rhs.Sort != erString) return false;
    if (sub)
      RemoveSuffix(r.Str, rhs.Str);
    else
      r.Str += rhs.Str;
    return true;
  }
  return false;
}

Op Level6Tail(Assembly& a, TExpRes& r, Op op) {
  if (op != opAdd && op != opSub) return op;
  bool mismatch = false;
  TExpRes rhs;
  for (;;) {
    const Op kind = op;
    if (kind != opAdd && kind != opSub) break;
    if (r.Sort == erError) break;
    LexNext(a);
    op = Level5(a, rhs);
    // A string past the bound comes from a runaway generator; the error ends
    // the pass, since a loop around it would copy the long string each round.
    if (kind == opAdd && r.Sort == erString && rhs.Sort == erString &&
        r.Str.size() + rhs.Str.size() > kMaxStringLength) {
      a.eval.ExprParenDepth = 0;
      FatalError(a, E_OutOfResources);
      op = PeekOp(a);
      break;
    }
    if (!Add(kind, r, rhs)) mismatch = true;
  }
  return EndTail(a, op, mismatch);
}

Op Level6(Assembly& a, TExpRes& r) {
  const Op op = Level5(a, r);
  return Level6Tail(a, r, op);
}

Op Level7(Assembly& a, TExpRes& r) {
  if (HighPri(a)) return CompareLoop<Level6>(a, r);
  return BitwiseLoop<Level6>(a, r, false);
}

// ---------------------------------------------------------------------------
// Level 8: binary "!" joins bytes, integer left operand only.

Op Level8Tail(Assembly& a, TExpRes& r, Op op) {
  if (op != opBang) return op;
  bool mismatch = false;
  TExpRes rhs;
  for (;;) {
    if (op != opBang) break;
    if (r.Sort != erInteger) break;
    LexNext(a);
    op = Level7(a, rhs);
    if (rhs.Sort == erInteger)
      r.Int = Wrap(U(r.Int) * 256u + U(rhs.Int));
    else if (IsChar1(rhs))
      r.Int = Wrap((U(r.Int) << 8) | U(Code(rhs)));
    else if (rhs.Sort == erFloat)
      SetFloat(r, static_cast<long double>(Wrap(U(r.Int) << 8)) + rhs.Float);
    else
      mismatch = true;
  }
  return EndTail(a, op, mismatch);
}

}  // namespace

// ---------------------------------------------------------------------------
// Level 9: the conditional, right-associative. Both branches are always
// evaluated, so side effects in the branch not taken still happen.

void EvalConditional(Assembly& a, TExpRes& r) {
  NestingGuard guard(a);
  if (!guard.ok()) {
    ResetValue(r);
    return;
  }
  // Levels 8 down to 3 each evaluate the level above for their left operand
  // before looking for their own operators, so the first operand is the
  // unary level's, followed by every level's tail from 3 up to 8. Most
  // operands are one value: when no operator follows it, no tail has work.
  // The slots of levels 3 and 7 are chosen as Level7 and Level3 would on
  // entry, before anything is evaluated.
  const bool high = HighPri(a);
  // The item after the operand is looked at once; it changes only when a
  // tail consumes an operator.
  Op op;
  const TLexPos& first = Peek(a);
  if (first.Item == I_Integer) {
    // The commonest operand, a number, taken without passing through the
    // prefix and primary levels (which would do just this).
    const int32_t blockLevel = first.FunctionBlockLevel;
    ResetValue(r);
    r.Int = first.INumVal;
    LexNext(a);
    op = PeekOp(a);
    if (op == opLBracket) {
      IndexSuffix(a, r, blockLevel);
      op = PeekOp(a);
    }
  } else {
    EvalUnary(a, r);
    op = PeekOp(a);
  }
  if (op != opNone) {
    op = high ? BitwiseTail<UnaryOperand>(a, r, true, op) : CompareTail<UnaryOperand>(a, r, op);
    op = Level4Tail(a, r, op);
    op = Level5Tail(a, r, op);
    op = Level6Tail(a, r, op);
    op = high ? CompareTail<Level6>(a, r, op) : BitwiseTail<Level6>(a, r, false, op);
    op = Level8Tail(a, r, op);
  }
  if (op != opQuestion) return;
  LexNext(a);
  if (r.Sort != erInteger) {
    Fail(a, E_SyntaxError);
    return;
  }
  const bool condition = r.Int != 0;
  TExpRes discarded;
  EvalConditional(a, condition ? r : discarded);
  if (PeekOp(a) != opColon) {
    Fail(a, E_SyntaxError);
    return;
  }
  LexNext(a);
  EvalConditional(a, condition ? discarded : r);
}
