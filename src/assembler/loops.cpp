// REPEAT / UNTIL, WHILE / WEND, FOR / NEXT / FEND, LOOP / LEND and
// REPT / MEND. A loop saves the position where its body starts and the
// closing keyword restores it; restoring is one TLexPos copy (line texts are
// views), so a body repeated ten thousand times costs only its own assembly.

#include <cstdint>
#include <string>

#include "assembler/cond_scan.h"

namespace {

// No open FOR at NEXT or FEND; the error table has no text for it.
constexpr int E_NextWithoutFor = 240;

bool AtItemChar(Assembly& a, std::string_view c) {
  LexPeek(a);
  return ItemIsChar(a.lex.pos, c);
}

bool AtToken(Assembly& a, TToken t) {
  LexPeek(a);
  return ItemIsToken(a.lex.pos, t);
}

// A closing keyword may only send the lexer back into a body opened in the
// same macro expansion and the same file: a finished expansion or include
// has nowhere to return to.
bool SameContext(Assembly& a, const TConstructOrigin& o) {
  if (o.macroDepth == a.lex.pos.pActiveMacro && o.includeDepth == a.sources.includeStack.size())
    return true;
  ReportError(a, E_NestingError);
  return false;
}

// Counts one more repetition of a condition-driven loop; too many is taken for
// an endless loop and ends the pass.
bool TripAllowed(Assembly& a, int64_t& trips) {
  if (++trips <= a.env.limits.loopTrips && ++a.cond.passRounds <= a.env.limits.passLoopRounds)
    return true;
  FatalError(a, E_OutOfResources);
  return false;
}

// Counts one more repetition of a counted loop against the pass's budget.
bool RoundAllowed(Assembly& a) {
  if (++a.cond.passRounds <= a.env.limits.passLoopRounds) return true;
  FatalError(a, E_OutOfResources);
  return false;
}

void SetVariable(Assembly& a, TRec* var, const TExpRes& v) {
  if (var) DefineValue(a, var, v, false);
}

TExpRes IntegerValue(int32_t v) {
  TExpRes r;
  r.Sort = erInteger;
  r.Int = v;
  return r;
}

TExpRes FloatValue(long double v) {
  TExpRes r;
  r.Sort = erFloat;
  r.Float = v;
  return r;
}

TExpRes StringValue(std::string s) {
  TExpRes r;
  r.Sort = erString;
  r.Str = std::move(s);
  return r;
}

// The variable of FOR or LOOP: "name" or "label.local". Looked up as written
// (dotted form), then with the current procedure prefix, then alone; it must be
// undefined or a variable holding a value. A new one gets the plain name.
// Only a name can stand here, so a register or condition keyword (i, f, a)
// is taken as one: FOR i = ... and LOOP 3, i name the variable i.
bool IsLoopVariableName(const TLexPos& p) { return p.Item == I_Ident || p.Item == I_TokenN; }

TRec* ReadLoopVariable(Assembly& a) {
  LexPeek(a);
  if (!IsLoopVariableName(a.lex.pos)) {
    ReportError(a, E_SyntaxError);
    return nullptr;
  }
  std::string name(a.lex.pos.ITxt);
  LexNext(a);
  bool dotted = false;
  if (AtItemChar(a, ".")) {
    LexNext(a);
    LexPeek(a);
    if (!IsLoopVariableName(a.lex.pos)) {
      ReportError(a, E_SyntaxError);
      return nullptr;
    }
    name += '.';
    name += a.lex.pos.ITxt;
    LexNext(a);
    dotted = true;
  }
  TRec* r = dotted ? FindSymbol(a, name, false) : nullptr;
  const std::string& prefix = a.lex.pos.ProcPrefix;
  if (!r && !prefix.empty()) r = FindSymbol(a, prefix + name, false);
  if (!r && !dotted) r = FindSymbol(a, name, false);
  if (!r) return FindOrCreateSymbol(a, name);
  bool holdsValue =
      r->Val.Sort() == erInteger || r->Val.Sort() == erString || r->Val.Sort() == erFloat;
  if (r->Mode == T_Undef || (r->Mode == T_VarVal && holdsValue)) return r;
  ReportError(a, E_SyntaxError);
  return nullptr;
}

// ---------------------------------------------------------------- REPEAT

void HandleRepeat(Assembly& a, TToken) {
  TConstructOrigin at = OriginHere(a);
  LexNext(a);
  LexPeek(a);
  if (a.cond.repeats.size() >= kMaxOpenConstructs) {
    ReportError(a, E_OutOfResources);
    return;
  }
  a.cond.repeats.push_back(TRepeatEntry{LexSave(a), at, 0});
  LexNoteRepetition(a);
}

void HandleUntil(Assembly& a, TToken) {
  LexNext(a);
  std::vector<TRepeatEntry>& repeats = a.cond.repeats;
  if (repeats.empty()) {
    ReportError(a, E_MissingRepeat);
    return;
  }
  bool done = EvalInteger(a) != 0;
  TRepeatEntry& e = repeats.back();
  if (done || !SameContext(a, e.origin) || !TripAllowed(a, e.trips)) {
    repeats.pop_back();
    LexNoteRepetition(a);
    return;
  }
  LexRestore(a, e.StartPos, false);
}

// ---------------------------------------------------------------- WHILE

void HandleWhile(Assembly& a, TToken) {
  TLexPos start = LexSave(a);
  TConstructOrigin at = OriginHere(a);
  CondState& s = a.cond;
  int64_t trips = s.whileReentry ? s.whileReentryTrips : 0;
  s.whileReentry = false;
  LexNext(a);
  if (EvalInteger(a) == 0) {
    ScanToClose(a, start, {tWHILE}, {tWEND}, {tWEND});
    return;
  }
  if (s.whiles.size() >= kMaxOpenConstructs) {
    ReportError(a, E_OutOfResources);
    return;
  }
  s.whiles.push_back(TWhileEntry{std::move(start), at, trips});
  LexNoteRepetition(a);
}

// Back to the WHILE, which evaluates its condition again.
void HandleWend(Assembly& a, TToken) {
  LexNext(a);
  CondState& s = a.cond;
  if (s.whiles.empty()) {
    ReportError(a, E_MissingWhile);
    return;
  }
  TWhileEntry e = std::move(s.whiles.back());
  s.whiles.pop_back();
  LexNoteRepetition(a);
  if (!SameContext(a, e.origin) || !TripAllowed(a, e.trips)) return;
  s.whileReentry = true;
  s.whileReentryTrips = e.trips;
  LexRestore(a, e.StartPos, false);
}

// ---------------------------------------------------------------- FOR

bool IsNumber(const TExpRes& v) { return v.Sort == erInteger || v.Sort == erFloat; }

long double AsFloat(const TExpRes& v) {
  return v.Sort == erFloat ? v.Float : static_cast<long double>(v.Int);
}

std::string Piece(const std::string& text, int64_t index1, int64_t length) {
  if (index1 < 1 || index1 > static_cast<int64_t>(text.size())) return {};
  return text.substr(static_cast<size_t>(index1 - 1), static_cast<size_t>(length));
}

// Reads "var = start TO end [STEP step]" into the entry; false (reported) when
// the statement is malformed or its kinds do not make a loop.
bool ReadForHeader(Assembly& a, TForEntry& e, bool& runs) {
  e.pForVar = ReadLoopVariable(a);
  if (!e.pForVar) return false;
  if (!AtItemChar(a, "=") && !AtItemChar(a, ":=")) {
    ReportError(a, E_SyntaxError);
    return false;
  }
  LexNext(a);
  TExpRes start = EvalExpression(a);
  if (!AtToken(a, tTO)) {
    ReportError(a, E_SyntaxError);
    return false;
  }
  LexNext(a);
  TExpRes end = EvalExpression(a);
  TExpRes step = IntegerValue(1);
  if (AtToken(a, tSTEP)) {
    LexNext(a);
    step = EvalExpression(a);
  }
  if (start.Sort == erString && end.Sort == erString) {
    // Pieces of `end`, step characters at a time.
    if (step.Sort != erInteger || step.Int < 1 || !start.Str.empty()) {
      ReportError(a, E_SyntaxError);
      return false;
    }
    e.VarType = ftString;
    e.StepV = step;
    runs = !end.Str.empty();
    e.current = StringValue(Piece(end.Str, 1, step.Int));
    e.NextStrIndex = static_cast<int64_t>(step.Int) + 1;
    e.FinalV = std::move(end);
  } else if (IsNumber(start) && IsNumber(end) && IsNumber(step)) {
    if (start.Sort == erInteger && end.Sort == erInteger && step.Sort == erInteger) {
      e.VarType = ftInteger;
      e.EndCount = end.Int;
      e.StepV = step;
      runs = (step.Int >= 1 && end.Int >= start.Int) || (step.Int < 0 && start.Int >= end.Int);
      e.current = start;
    } else {
      long double s = AsFloat(start), f = AsFloat(end), st = AsFloat(step);
      e.VarType = ftFloat;
      e.StepV = FloatValue(st);
      e.FinalV = FloatValue(f);
      runs = (st > 0 && s <= f) || (st < 0 && s >= f);
      e.current = FloatValue(s);
    }
  } else {
    ReportError(a, E_SyntaxError);
    return false;
  }
  return true;
}

void HandleFor(Assembly& a, TToken) {
  TLexPos opening = LexSave(a);
  TForEntry e;
  e.origin = OriginHere(a);
  LexNext(a);
  bool runs = false;
  // A malformed FOR is not run: its body would only add errors, ending in a
  // NEXT without FOR.
  if (!ReadForHeader(a, e, runs) || !runs) {
    if (!a.pass.abort) ScanToClose(a, opening, {tFOR}, {tNEXT, tFEND}, {tNEXT, tFEND});
    return;
  }
  if (a.cond.fors.size() >= kMaxOpenConstructs) {
    ReportError(a, E_OutOfResources);
    return;
  }
  SetVariable(a, e.pForVar, e.current);
  LexPeek(a);
  e.StartPos = LexSave(a);
  a.cond.fors.push_back(std::move(e));
  LexNoteRepetition(a);
}

// The variable's value as the body left it, when it still has the loop's
// kind; otherwise the value the loop last gave it.
TExpRes LoopValue(const TForEntry& e, TExpSort sort) {
  if (e.pForVar->Val.Sort() == sort) return e.pForVar->Val.Get();
  return e.current;
}

// Steps the variable; true when the body runs again.
bool StepFor(Assembly& a, TForEntry& e) {
  switch (e.VarType) {
    case ftInteger: {
      // The test is made on the exact sum, so a loop up to the largest
      // integer ends instead of wrapping round for ever.
      int64_t next = static_cast<int64_t>(LoopValue(e, erInteger).Int) + e.StepV.Int;
      e.current = IntegerValue(static_cast<int32_t>(static_cast<uint32_t>(next)));
      SetVariable(a, e.pForVar, e.current);
      return (e.StepV.Int >= 1 && e.EndCount >= next) || (e.StepV.Int < 0 && next >= e.EndCount);
    }
    case ftFloat: {
      long double next = LoopValue(e, erFloat).Float + e.StepV.Float;
      e.current = FloatValue(next);
      SetVariable(a, e.pForVar, e.current);
      bool again = (e.StepV.Float > 0 && next <= e.FinalV.Float) ||
                   (e.StepV.Float < 0 && next >= e.FinalV.Float);
      return again && TripAllowed(a, e.trips);
    }
    case ftString: {
      int64_t index = e.NextStrIndex;
      e.current = StringValue(Piece(e.FinalV.Str, index, e.StepV.Int));
      SetVariable(a, e.pForVar, e.current);
      e.NextStrIndex = index + e.StepV.Int;
      return index <= static_cast<int64_t>(e.FinalV.Str.size());
    }
  }
  return false;
}

void HandleNext(Assembly& a, TToken) {
  LexNext(a);
  std::vector<TForEntry>& fors = a.cond.fors;
  if (fors.empty()) {
    ReportError(a, E_NextWithoutFor);
    return;
  }
  TForEntry& e = fors.back();
  if (!SameContext(a, e.origin) || !StepFor(a, e) || !RoundAllowed(a)) {
    fors.pop_back();
    LexNoteRepetition(a);
    return;
  }
  LexRestore(a, e.StartPos, false);
}

// ---------------------------------------------------------------- LOOP, REPT

void OpenLoop(Assembly& a, const TLexPos& opening, const TConstructOrigin& at, int32_t count,
              TRec* var, bool rept) {
  if (count <= 0) {
    if (rept)
      ScanToClose(a, opening, {tLOOP, tREPT, tMACRO}, {tLEND, tMEND}, {tLEND, tMEND});
    else
      ScanToClose(a, opening, {tLOOP, tREPT, tMACRO}, {tLEND, tMEND}, {tLEND});
    return;
  }
  if (count > a.env.limits.loopTrips) {
    FatalError(a, E_OutOfResources);
    return;
  }
  CondState& s = a.cond;
  if (s.loops.size() >= kMaxOpenConstructs) {
    ReportError(a, E_OutOfResources);
    return;
  }
  SetVariable(a, var, IntegerValue(0));
  LexPeek(a);
  TLoopEntry e;
  e.StartPos = LexSave(a);
  e.Count = count;
  e.pLoopVar = var;
  e.isRept = rept;
  e.origin = at;
  s.loops.push_back(std::move(e));
  LexNoteRepetition(a);
  if (rept) ++s.reptCounter;
}

void HandleLoop(Assembly& a, TToken) {
  TLexPos opening = LexSave(a);
  TConstructOrigin at = OriginHere(a);
  LexNext(a);
  int32_t count = EvalInteger(a);
  TRec* var = nullptr;
  if (AtItemChar(a, ",")) {
    LexNext(a);
    var = ReadLoopVariable(a);
    if (!var) count = 0;  // reported; the body is not run
  }
  OpenLoop(a, opening, at, count, var, false);
}

void HandleRept(Assembly& a, TToken) {
  a.pass.otherAssembler = true;
  TLexPos opening = LexSave(a);
  TConstructOrigin at = OriginHere(a);
  LexNext(a);
  int32_t count = EvalInteger(a);
  OpenLoop(a, opening, at, count, nullptr, true);
}

// LEND, or MEND of a REPT body: the variable takes the next index and the body
// runs again, until Count runs have been made.
void CloseLoopBody(Assembly& a) {
  CondState& s = a.cond;
  TLoopEntry& e = s.loops.back();
  if (SameContext(a, e.origin) && ++e.Index < e.Count && RoundAllowed(a)) {
    SetVariable(a, e.pLoopVar, IntegerValue(e.Index));
    LexRestore(a, e.StartPos, false);
    return;
  }
  if (e.isRept) --s.reptCounter;
  s.loops.pop_back();
  LexNoteRepetition(a);
}

void HandleLend(Assembly& a, TToken) {
  LexNext(a);
  if (a.cond.loops.empty()) {
    ReportError(a, E_MissingLoop);
    return;
  }
  CloseLoopBody(a);
}

// Until the macro statements take MEND over, it serves REPT bodies here and
// is a stray closing keyword otherwise.
void HandleMend(Assembly& a, TToken) {
  if (MendEndsRept(a)) return;
  LexNext(a);
  ReportError(a, E_SyntaxError);
}

}  // namespace

bool MendEndsRept(Assembly& a) {
  const CondState& s = a.cond;
  if (s.reptCounter <= 0 || s.loops.empty() || !s.loops.back().isRept ||
      s.loops.back().origin.macroDepth != a.lex.pos.pActiveMacro)
    return false;
  LexNext(a);
  CloseLoopBody(a);
  return true;
}

void RegisterLoops(DispatchTable& t) {
  t.Set(tREPEAT, HandleRepeat);
  t.Set(tUNTIL, HandleUntil);
  t.Set(tWHILE, HandleWhile);
  t.Set(tWEND, HandleWend);
  t.Set(tFOR, HandleFor);
  t.Set(tNEXT, HandleNext);
  t.Set(tFEND, HandleNext);
  t.Set(tLOOP, HandleLoop);
  t.Set(tLEND, HandleLend);
  t.Set(tREPT, HandleRept);
  t.Set(tMEND, HandleMend);
}
