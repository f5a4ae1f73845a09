#include "assembler/statement_loop.h"

#include "assembler/assembly.h"
#include "assembler/z80_common.h"

namespace {

// Everything a pass starts from: counters, segments, stacks, scopes, the
// predefined symbols and options, the random generator.
void ResetForPass(Assembly& a) {
  PassState& p = a.pass;
  p.forcePass = p.compressSeen = p.abort = false;
  if (p.clean) ClearImage(a);
  p.nErrors = p.nUndef = p.nRedef = 0;
  a.diag.lastErrorLine = -1;
  a.diag.currentLine = 0;
  a.diag.currentSource = 0;
  p.statementCount = 0;

  PlacementState& pl = a.placement;
  pl.segments[0] = TSegmentEntry{};
  pl.current = 0;
  pl.structStack.clear();
  pl.inStruct = false;
  pl.malignStack.clear();
  pl.malignCounter = 0;
  if (p.pass == 1) {
    pl.userSegments = 0;
    pl.malignDecisions.clear();
  }
  ResetNextMap(a);
  a.image.profiling = false;

  StartLineSkipPass(a.lineSkip, !p.finalPass && a.env.stepOverSettledLines);

  StatementState& s = a.stmt;
  s.PendingLabel = nullptr;
  s.ColonSeen = s.localLabel = s.endFlag = false;
  s.dataFollowsPrev = std::move(s.dataFollows);
  s.dataFollows.clear();

  ClearFileDefs(a);
  ResetConditionals(a);
  ResetMacros(a);
  ResetUserFunctions(a);
  a.eval.valueStack.clear();
  a.eval.ExprParenDepth = 0;
  a.lex.radixActive = false;
  a.lex.radix = 10;
  a.lex.SkippingFlag = false;
  a.lex.paramStack.clear();
  a.lex.aliasStack.clear();
  a.lex.aliasExpansionOff = false;

  a.sources.includeStack.clear();
  a.sources.includeStack.push_back(TSourceRef{0, {}});
  a.lex.pos = TLexPos{};
  LexResetSource(a, 0);
  a.lex.pos.ProcPrefix.clear();
  a.lex.pos.sLastMainLabel = "_global";
  a.lex.pos.sLastRawLabel = "_global";

  DefinePredefinedSymbols(a);
  a.random.Seed(p.runSeed);
}

void DefineLabelHere(Assembly& a, TRec* r) { DefineAddress(a, r, CurSeg(a).PC); }

void OnEndOfLine(Assembly& a) {
  StatementState& s = a.stmt;
  if (s.PendingLabel) {
    if (s.ColonSeen || a.options.On(zoAllowFloatingLabels))
      DefineLabelHere(a, s.PendingLabel);
    else
      ReportError(a, E_SyntaxError);
  }
  s.PendingLabel = nullptr;
  s.ColonSeen = false;
  s.localLabel = false;
  LexNext(a);
  if (a.lineSkip.stepping && AtLineStart(a.lex.pos)) StepOverSettledLines(a);
}

// A keyword without a statement of its own may call a user function of
// that name: f(2, 3) at the start of a statement.
bool CallsKeywordNamedFunction(Assembly& a) {
  if (!AtKeywordNamedCall(a)) return false;
  const std::string_view name = a.lex.pos.ITxt;
  LexNext(a);
  DefinePendingLabelAtPC(a);
  InvokeByName(a, name);
  return true;
}

void OnIdentifier(Assembly& a);

// A register or condition name followed by "=", ":=" or DEFL names a
// variable (v = 1): there it cannot be an operand, and the evaluator reads
// such variables back.
bool NamesKeywordVariable(Assembly& a) {
  const TToken t = a.lex.pos.ITokVal;
  if (a.stmt.PendingLabel || (kTokenReg[t] == zrNone && kTokenCond[t] < 0)) return false;
  const TLexPos next = LexPeekFollowing(a);
  return ItemIsChar(next, "=") || ItemIsChar(next, ":=") || ItemIsToken(next, tDEFL);
}

void OnKeyword(Assembly& a) {
  TToken t = a.lex.pos.ITokVal;
  StatementHandler h = a.dispatch.handler[t];
  if (!h && CallsKeywordNamedFunction(a)) return;
  if (!h && NamesKeywordVariable(a)) {
    OnIdentifier(a);
    return;
  }
  if (!a.dispatch.takesLabel[t] && a.stmt.PendingLabel) {
    a.lex.pos.sLastMainLabel = a.lex.pos.sLastRawLabel;
    DefinePendingLabelAtPC(a);
  }
  if (!h) {
    ReportError(a, E_SyntaxError);
    return;
  }
  h(a, t);
}

void OnIdentifier(Assembly& a) {
  // Item texts stay valid after the item is consumed.
  const std::string_view name = a.lex.pos.ITxt;
  LexNext(a);
  LexPeek(a);
  StatementState& s = a.stmt;
  if (ItemIsChar(a.lex.pos, "(")) {
    DefinePendingLabelAtPC(a);
    s.localLabel = false;
    InvokeByName(a, name);
    return;
  }
  if (s.PendingLabel) {
    ReportError(a, E_SyntaxError);
    return;
  }
  // The full name is composed in a buffer kept from statement to statement:
  // names inside macro expansions carry a long scope prefix.
  std::string& full = s.nameScratch;
  if (s.localLabel) {
    full.assign(a.lex.pos.sLastMainLabel.str()).append(".").append(name);
  } else {
    full.assign(a.lex.pos.ProcPrefix.str()).append(name);
    a.lex.pos.sLastRawLabel = full;
  }
  s.PendingLabel = FindOrCreateSymbol(a, full);
  s.localLabel = false;
}

// Runs LABEL or VARIABLE with an empty prefix (the global scope).
void RunGlobalScoped(Assembly& a) {
  TToken t = a.lex.pos.ITokVal;
  std::string saved = std::move(a.lex.pos.ProcPrefix);
  a.lex.pos.ProcPrefix.clear();
  if (a.dispatch.handler[t])
    a.dispatch.handler[t](a, t);
  else
    ReportError(a, E_SyntaxError);
  if (a.lex.pos.ProcPrefix.empty()) a.lex.pos.ProcPrefix = std::move(saved);
}

bool IsLabelOrVariable(const TLexPos& p) {
  return ItemIsToken(p, tLABEL) || ItemIsToken(p, tVARIABLE);
}

void SetPendingNamed(Assembly& a, const std::string& full) {
  if (a.stmt.PendingLabel) {
    ReportError(a, E_SyntaxError);
    return;
  }
  a.lex.pos.sLastRawLabel = full;
  a.stmt.PendingLabel = FindOrCreateSymbol(a, full);
}

// "::" name: a global label; "::" LABEL/VARIABLE: that statement, globally.
void OnGlobalScope(Assembly& a) {
  LexNext(a);
  LexPeek(a);
  if (a.lex.pos.Item == I_Ident) {
    const std::string name(a.lex.pos.ITxt);
    LexNext(a);
    SetPendingNamed(a, name);
  } else if (IsLabelOrVariable(a.lex.pos)) {
    RunGlobalScoped(a);
  } else {
    ReportError(a, E_SyntaxError);
  }
}

// "^^" ... name: a label in an enclosing procedure scope.
void OnOuterScope(Assembly& a) {
  int32_t steps = 0;
  while (ItemIsChar(a.lex.pos, "^^")) {
    ++steps;
    LexNext(a);
    LexPeek(a);
  }
  if (a.lex.pos.Item == I_Ident) {
    // Each "^^" leaves one open procedure; there is nothing to leave at the
    // outermost level.
    if (steps > ProcDepth(a)) {
      ReportError(a, E_NestingError);
      return;
    }
    const int32_t level = ProcDepth(a) + 1 - steps;
    std::string full = ProcPrefixAtLevel(a, level);
    full += a.lex.pos.ITxt;
    LexNext(a);
    SetPendingNamed(a, full);
  } else if (IsLabelOrVariable(a.lex.pos)) {
    RunGlobalScoped(a);
  } else {
    ReportError(a, E_SyntaxError);
  }
}

// Nested block comment: items are dropped until the "/*" count returns to 0.
void OnBlockComment(Assembly& a) {
  int depth = 0;
  a.lex.SkippingFlag = true;
  for (;;) {
    LexPeek(a);
    const TLexPos& p = a.lex.pos;
    if (p.Item == I_Null) break;
    if (ItemIsChar(p, "/*")) ++depth;
    if (ItemIsChar(p, "*/")) --depth;
    LexNext(a);
    if (depth == 0) break;
  }
  a.lex.SkippingFlag = false;
  if (depth > 0) ReportError(a, E_MissingBlockComment);
}

void RunHandlerOf(Assembly& a, TToken t) {
  StatementHandler h = a.dispatch.handler[t];
  if (!a.dispatch.takesLabel[t] && a.stmt.PendingLabel) {
    a.lex.pos.sLastMainLabel = a.lex.pos.sLastRawLabel;
    DefinePendingLabelAtPC(a);
  }
  if (h)
    h(a, t);
  else
    ReportError(a, E_SyntaxError);
}

void OnPunctuation(Assembly& a) {
  const std::string_view c = a.lex.pos.ITxt;
  if (c == ":") {
    a.stmt.ColonSeen = true;
    LexNext(a);
  } else if (c == "@") {
    if (!a.lex.pos.ProcPrefix.empty()) {
      ReportError(a, E_Snail);
      return;
    }
    a.stmt.localLabel = true;
    LexNext(a);
    LexPeek(a);
    // After "@" only a name can stand, so a keyword is read as one (@loop:).
    if (a.lex.pos.Item == I_TokenN) OnIdentifier(a);
  } else if (c == "=" || c == ":=") {
    RunHandlerOf(a, tDEFL);
  } else if (c == "/*") {
    OnBlockComment(a);
  } else if (c == "{") {
    RunHandlerOf(a, tPROC);
  } else if (c == "}") {
    RunHandlerOf(a, tPEND);
  } else if (c == "[") {
    LexNext(a);
    EvalInteger(a);
    LexPeek(a);
    if (ItemIsChar(a.lex.pos, "]"))
      LexNext(a);
    else
      ReportError(a, E_SyntaxError);
  } else if (c == "::") {
    OnGlobalScope(a);
  } else if (c == "^^") {
    OnOuterScope(a);
  } else {
    ReportError(a, E_SyntaxError);
  }
}

void RunStatement(Assembly& a) {
  TLexPos& p = a.lex.pos;
  TSegmentEntry& seg = CurSeg(a);
  seg.StatementPC = seg.ElementPC = seg.PC;
  a.diag.currentLine = p.ILine;
  a.diag.currentSource = p.cSourceListPos;
  if (!a.lex.aliasStack.empty()) {  // messages name the line that used the alias
    a.diag.currentLine = a.lex.aliasStack.front().line;
    a.diag.currentSource = a.lex.aliasStack.front().source;
  }
  // Loop rounds are bounded one by one, but a long body makes each round
  // cost many statements: this bounds the work of a pass itself.
  if (++a.pass.statementCount > a.env.limits.passStatements) {
    FatalError(a, E_OutOfResources);
    return;
  }
  switch (p.Item) {
    case I_EOL:
      OnEndOfLine(a);
      break;
    case I_TokenN:
      OnKeyword(a);
      break;
    case I_Ident:
      OnIdentifier(a);
      break;
    case I_Char:
      OnPunctuation(a);
      break;
    default:
      ReportError(a, E_SyntaxError);
      // A statement that cannot start must not stall the loop.
      if (!ItemEndsStatement(a.lex.pos)) LexNext(a);
      break;
  }
}

// The malign blocks still open at the end of a pass.
void CheckOpenMaligns(Assembly& a) {
  for (const MalignEntry& m : a.placement.malignStack) {
    a.diag.currentLine = m.line;
    a.diag.currentSource = m.source;
    ReportErrorText(a, E_MissingClose, " in a malign statement", false);
  }
  a.placement.malignStack.clear();
}

// Where the lexer stands: a statement that ends where it started has made
// no progress, and running the loop again would meet the same item for ever.
struct StatementStart {
  int32_t source, line, lpos, macro;
  size_t params, aliases;
  TItem item;

  explicit StatementStart(const Assembly& a)
      : source(a.lex.pos.cSourceListPos),
        line(a.lex.pos.Line),
        lpos(a.lex.pos.LPos),
        macro(a.lex.pos.pActiveMacro),
        params(a.lex.paramStack.size()),
        aliases(a.lex.aliasStack.size()),
        item(a.lex.pos.Item) {}

  // Whether reading still stands where this start was taken; the line and
  // the column, which nearly every statement moves, are compared first.
  bool StillAt(const Assembly& a) const {
    const TLexPos& p = a.lex.pos;
    return line == p.Line && lpos == p.LPos && source == p.cSourceListPos && item == p.Item &&
           macro == p.pActiveMacro && params == a.lex.paramStack.size() &&
           aliases == a.lex.aliasStack.size();
  }
};

// Reads the first item of the next statement. What the lexer reports while
// reading it (an open string, a "\" that names no keyword, an alias that
// expands for ever) belongs to the line it stands on, not to the statement
// before.
void PeekStatementStart(Assembly& a) {
  if (!a.lex.pos.SValid && a.lex.aliasStack.empty()) {
    a.diag.currentLine = a.lex.pos.Line;
    a.diag.currentSource = a.lex.pos.cSourceListPos;
  }
  LexPeek(a);
}

// Runs the statement whose first item has been read; returns whether the
// next statement's first item has been read too (as PeekStatementStart
// would read it).
bool RunStatementWithProgress(Assembly& a) {
  const StatementStart before(a);
  RunStatement(a);
  if (a.stmt.endFlag || a.pass.abort) return false;
  PeekStatementStart(a);
  if (a.lex.pos.Item == I_Null || !before.StillAt(a)) return true;
  LexNext(a);
  return false;
}

}  // namespace

void RunPass(Assembly& a) {
  ResetForPass(a);
  StatementState& s = a.stmt;
  for (;;) {
    bool peeked = false;
    while (!s.endFlag && !a.pass.abort) {
      if (!peeked) PeekStatementStart(a);
      if (a.lex.pos.Item == I_Null) break;
      peeked = RunStatementWithProgress(a);
    }
    s.endFlag = true;
    if (a.sources.includeStack.size() > 1 && !a.pass.abort) {
      TSourceRef ref = std::move(a.sources.includeStack.back());
      a.sources.includeStack.pop_back();
      LexRestore(a, ref.ReturnLexPos, false);
      a.diag.currentSource = a.lex.pos.cSourceListPos;
      s.endFlag = false;
      continue;
    }
    break;
  }
  if (!a.pass.abort) {
    // Loops and IFs first, then macro expansions, then MALIGN blocks.
    CheckOpenConstructs(a);
    CheckOpenExpansions(a);
    CheckOpenMaligns(a);
  }
}

void PlantByte(Assembly& a, uint8_t value, bool isCode, bool flows, bool writable) {
  if (a.placement.inStruct) {
    ReportError(a, E_PlantInStruct);
    return;
  }
  TSegmentEntry& s = CurSeg(a);
  int64_t addr = static_cast<int64_t>(s.PC) + s.Displacement;
  bool inside = addr >= static_cast<int64_t>(s.Base) &&
                addr < static_cast<int64_t>(s.Base) + static_cast<int64_t>(s.Length);
  if (inside && a.pass.clean) StoreImageByte(a, addr, value, isCode, writable);
  if (!inside) ReportError(a, E_AddressError);
  s.PC = static_cast<int32_t>(static_cast<uint32_t>(s.PC) + 1);  // wraps, never overflows
  s.Flows = flows;
}

void PlantCodeWord(Assembly& a, int32_t v, bool writable) {
  PlantByte(a, static_cast<uint8_t>(v), true, true, writable);
  PlantByte(a, static_cast<uint8_t>(v >> 8), true, true, writable);
}

void PlantCodeWordNoFlow(Assembly& a, int32_t v, bool writable) {
  PlantByte(a, static_cast<uint8_t>(v), true, false, writable);
  PlantByte(a, static_cast<uint8_t>(v >> 8), true, false, writable);
}

void FlowCheck(Assembly& a) {
  TSegmentEntry& s = CurSeg(a);
  if (s.Flows && a.options.On(zoWarnFlow))
    Warning(a, a.diag.currentLine,
            " - this creates data or space that could be executed. (Use noflow or "
            "velddatafollows?)");
  s.Flows = false;
}

void DefinePendingLabelAtPC(Assembly& a) {
  if (!a.stmt.PendingLabel) return;
  DefineAddress(a, a.stmt.PendingLabel, CurSeg(a).PC);
  a.stmt.PendingLabel = nullptr;
}
