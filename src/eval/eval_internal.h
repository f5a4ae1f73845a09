#pragma once
// Helpers shared by the operator levels and the primary.

#include <cstdint>
#include <string_view>

#include "assembler/assembly.h"

namespace eval_detail {

// Peeks the next item. Inside parentheses the lexer reads on over line ends;
// once an error has skipped the rest of the statement's line that must stop,
// or the unfinished expression would swallow the following lines.
inline const TLexPos& Peek(Assembly& a) {
  if (a.eval.ExprParenDepth > 0 && a.diag.lastErrorLine == a.diag.currentLine &&
      a.eval.softErrorLine != a.diag.currentLine)
    a.eval.ExprParenDepth = 0;
  LexPeek(a);
  return a.lex.pos;
}

// Reports an error of the expression. The report skips the rest of the line;
// the parenthesis count is dropped first so that nothing reads on over the
// line end looking for the rest of an expression that has been abandoned.
inline void Fail(Assembly& a, int error) {
  a.eval.ExprParenDepth = 0;
  ReportError(a, error);
}

inline bool IsChar1(const TExpRes& v) { return v.Sort == erString && v.Str.size() == 1; }
inline int32_t Code(const TExpRes& v) { return static_cast<uint8_t>(v.Str[0]); }

// A fresh operand: the integer 0 with an empty text and a zero float.
inline void ResetValue(TExpRes& r) {
  r.Sort = erInteger;
  r.Int = 0;
  r.Float = 0.0L;
  r.Str.clear();
}

inline void SetInt(TExpRes& r, int32_t v) {
  r.Sort = erInteger;
  r.Int = v;
  r.Str.clear();
}

inline void SetFloat(TExpRes& r, long double v) {
  r.Sort = erFloat;
  r.Float = v;
  r.Str.clear();
}

// Counts one level of recursion; refuses (with an error) beyond the limit.
class NestingGuard {
 public:
  explicit NestingGuard(Assembly& a) : a_(a) {
    ok_ = ++a_.eval.nesting <= kMaxEvalNesting;
    if (!ok_) Fail(a_, E_OutOfResources);
  }
  ~NestingGuard() { --a_.eval.nesting; }
  NestingGuard(const NestingGuard&) = delete;
  NestingGuard& operator=(const NestingGuard&) = delete;
  bool ok() const { return ok_; }

 private:
  Assembly& a_;
  bool ok_;
};

// Level 2 (prefix operators) and below; used by the primary's callers.
void EvalUnary(Assembly& a, TExpRes& r);
// Primary and index suffix (level 1).
void EvalIndexed(Assembly& a, TExpRes& r);
// The index suffix after a primary read at the given "[[" level.
void IndexSuffix(Assembly& a, TExpRes& r, int32_t blockLevel);
// The primary alone; returns the "[[" nesting level in force at its start so
// the index suffix can tell a following "[[" (which the lexer swallows).
int32_t EvalPrimaryAt(Assembly& a, TExpRes& r);

}  // namespace eval_detail
