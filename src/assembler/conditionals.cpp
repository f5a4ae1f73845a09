// The scanner over untaken text, the per-pass reset and the end-of-pass
// report of constructs left open.

#include "assembler/conditionals.h"

#include <algorithm>

#include "assembler/cond_scan.h"

namespace {

bool IsAny(TToken t, std::initializer_list<TToken> set) {
  return std::find(set.begin(), set.end(), t) != set.end();
}

}  // namespace

SkipScan::SkipScan(Assembly& a, const TLexPos& opening, OnEnd onEnd)
    : a_(a), opening_(opening), onEnd_(onEnd) {}

SkipScan::~SkipScan() { a_.lex.SkippingFlag = false; }

bool SkipScan::NextKeyword() {
  a_.lex.SkippingFlag = true;
  for (;;) {
    LexPeek(a_);
    const TLexPos& p = a_.lex.pos;
    switch (p.Item) {
      case I_Null:
        return Fail();
      case I_EOL:
        atStart_ = true;
        break;
      case I_TokenN:
        if (atStart_) {
          if (p.ITokVal != tFUNCTION) return true;
          LexNext(a_);
          if (!SkipFunctionBody()) return false;
          continue;
        }
        break;
      case I_Ident:
        break;  // a label: the keyword after it still starts the statement
      case I_Char:
        if (p.ITxt == ":") {
          atStart_ = true;
        } else if (p.ITxt == "/*") {
          if (!SkipComment()) return false;
          continue;
        } else if (p.ITxt != "@" && p.ITxt != "::" && p.ITxt != "^^") {
          atStart_ = false;
        }
        break;
      default:
        atStart_ = false;
        break;
    }
    LexNext(a_);
  }
}

void SkipScan::Consume() {
  LexNext(a_);
  atStart_ = false;
}

void SkipScan::ConsumeWithError(int n) {
  a_.diag.currentLine = a_.lex.pos.ILine;
  a_.diag.currentSource = a_.lex.pos.cSourceListPos;
  Consume();
  ReportError(a_, n);
}

void SkipScan::ConsumeAndEvaluate() {
  a_.diag.currentLine = a_.lex.pos.ILine;
  a_.diag.currentSource = a_.lex.pos.cSourceListPos;
  Consume();
  a_.lex.SkippingFlag = false;
}

// Nested "/*" ... "*/", starting at the current "/*".
bool SkipScan::SkipComment() {
  int32_t depth = 0;
  for (;;) {
    LexPeek(a_);
    const TLexPos& p = a_.lex.pos;
    if (p.Item == I_Null) return Fail();
    if (ItemIsChar(p, "/*")) ++depth;
    if (ItemIsChar(p, "*/")) --depth;
    LexNext(a_);
    if (depth == 0) return true;
  }
}

// FUNCTION name ( params ), then after any line ends a body in BEGIN ... END
// or "{" ... "}". The body's own IF, WHILE and ELSE are function statements,
// not assembler ones, so they must not be counted.
bool SkipScan::SkipFunctionBody() {
  atStart_ = false;
  for (;;) {  // up to the ")" that closes the parameters, on this line
    LexPeek(a_);
    const TLexPos& p = a_.lex.pos;
    if (p.Item == I_Null) return Fail();
    if (p.Item == I_EOL) return true;  // no parameter list: nothing more to step over
    bool close = ItemIsChar(p, ")");
    LexNext(a_);
    if (close) break;
  }
  for (;;) {
    LexPeek(a_);
    if (a_.lex.pos.Item == I_Null) return Fail();
    if (a_.lex.pos.Item != I_EOL) break;
    atStart_ = true;
    LexNext(a_);
  }
  auto opens = [](const TLexPos& p) { return ItemIsToken(p, tBEGIN) || ItemIsChar(p, "{"); };
  auto closes = [](const TLexPos& p) { return ItemIsToken(p, tEND) || ItemIsChar(p, "}"); };
  if (!opens(a_.lex.pos)) return true;
  int32_t depth = 0;
  for (;;) {
    LexPeek(a_);
    const TLexPos& p = a_.lex.pos;
    if (p.Item == I_Null) return Fail();
    if (opens(p)) ++depth;
    if (closes(p)) --depth;
    LexNext(a_);
    if (depth == 0) break;
  }
  atStart_ = false;
  return true;
}

bool SkipScan::Fail() {
  a_.lex.SkippingFlag = false;
  a_.diag.currentLine = opening_.ILine;
  a_.diag.currentSource = opening_.cSourceListPos;
  if (onEnd_ == OnEnd::Fatal) {
    LexRestore(a_, opening_, false);
    FatalError(a_, E_MissingClose);
  } else {
    ReportError(a_, E_SyntaxError);
  }
  return false;
}

bool ScanToClose(Assembly& a, const TLexPos& opening, std::initializer_list<TToken> openers,
                 std::initializer_list<TToken> closers, std::initializer_list<TToken> finals) {
  SkipScan scan(a, opening);
  int32_t depth = 0;
  while (scan.NextKeyword()) {
    TToken t = a.lex.pos.ITokVal;
    scan.Consume();
    if (IsAny(t, openers)) {
      ++depth;
    } else if (IsAny(t, closers)) {
      if (depth > 0)
        --depth;
      else if (IsAny(t, finals))
        return true;
    }
  }
  return false;
}

TConstructOrigin OriginHere(const Assembly& a) {
  TConstructOrigin o;
  o.line = a.lex.pos.ILine;
  o.source = a.lex.pos.cSourceListPos;
  o.macroDepth = a.lex.pos.pActiveMacro;
  o.includeDepth = a.sources.includeStack.size();
  return o;
}

void RegisterConditionals(DispatchTable& t) {
  RegisterIfSwitch(t);
  RegisterLoops(t);
}

void ResetConditionals(Assembly& a) { a.cond = CondState{}; }

void CheckOpenConstructs(Assembly& a) {
  auto report = [&](int32_t line, int32_t source) {
    a.diag.currentLine = line;
    a.diag.currentSource = source;
    ReportErrorText(a, E_MissingClose, "", false);
  };
  const CondState& s = a.cond;
  for (const TRepeatEntry& e : s.repeats) report(e.origin.line, e.origin.source);
  for (const TWhileEntry& e : s.whiles) report(e.origin.line, e.origin.source);
  for (const TLoopEntry& e : s.loops) report(e.origin.line, e.origin.source);
  for (const TForEntry& e : s.fors) report(e.origin.line, e.origin.source);
  for (const TIfLevel& e : s.ifs) report(e.line, e.source);
  // A SWITCH whose taken case runs to the end of the source is as unclosed
  // as an IF; it would otherwise pass in silence.
  for (const TSwitchLevel& e : s.switches) report(e.line, e.source);
}
