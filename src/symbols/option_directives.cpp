// Directives whose work is setting assembler state: the machine model,
// assertions and count overrides, the random seed, the number radix, the run
// count, user option declarations, data breakpoints and timer marks, and the
// editor-only directives that are read and otherwise ignored.

#include <cctype>

#include "assembler/assembly.h"

namespace {

// The current item after peeking.
const TLexPos& Peeked(Assembly& a) {
  LexPeek(a);
  return a.lex.pos;
}

bool AtStatementEnd(Assembly& a) { return ItemEndsStatement(Peeked(a)); }

// Notices whether any error was reported while it lived, counted or not. A
// directive whose operands failed changes nothing: VELDOVERRIDE "ab" must not
// wipe out the very error its operand just caused.
class ReportWatch {
 public:
  explicit ReportWatch(const Assembly& a) : before_(a.diag.reports) {}
  bool Fired(const Assembly& a) const { return a.diag.reports != before_; }

 private:
  uint32_t before_;
};

// Consumes a "," when one follows.
bool SkipComma(Assembly& a) {
  if (!ItemIsChar(Peeked(a), ",")) return false;
  LexNext(a);
  return true;
}

// Consumes a required ","; reports "Syntax Error" when it is missing.
bool ExpectComma(Assembly& a) {
  if (SkipComma(a)) return true;
  ReportError(a, E_SyntaxError);
  return false;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// EMULATE_SPECTRUM [name {, name}]: the last name wins; nothing at all means
// the 48K model. The model and the options change only when every name was
// read without error.
void DoEmulateSpectrum(Assembly& a, TToken) {
  LexNext(a);
  int model = a.machine.model;
  bool noRom = false;
  do {
    std::string name = "48K";
    if (!AtStatementEnd(a)) {
      TExpRes v = EvalExpression(a);
      if (v.Sort != erString) {
        ReportError(a, E_SyntaxError);
        return;
      }
      name = Upper(std::move(v.Str));
    }
    int m = ModelNumberOfName(name);
    if (m >= 0)
      model = m;
    else if (m == -1)
      model = mdl48K;
    else if (name == "NOROM")
      noRom = true;
    if (!SkipComma(a)) break;  // anything else is left for the statement loop
  } while (!AtStatementEnd(a));
  a.machine.model = static_cast<uint8_t>(model);
  a.machine.noRom = noRom;
  SetOption(a, zoSupportNext, IsNext(a.machine.model) ? 1 : 0);
  SetOption(a, zoSpectrumFloats, a.machine.model <= 7 || IsNext(a.machine.model) ? 1 : 0);
}

// VELDASSERT expression [, message]
void DoAssert(Assembly& a, TToken) {
  LexNext(a);
  int32_t ok = EvalInteger(a);
  std::string message = "Assertion failed!";
  if (SkipComma(a)) message = EvalString(a);
  if (ok == 0) ReportErrorText(a, E_Assertion, message, true);
}

// VELDOVERRIDE errors [, undefined [, redefined]]: the counts are set only
// when every operand was read without error.
void DoOverride(Assembly& a, TToken) {
  LexNext(a);
  ReportWatch watch(a);
  int32_t counts[3];
  int n = 0;
  do {
    counts[n++] = EvalInteger(a);
    if (watch.Fired(a)) return;
  } while (n < 3 && SkipComma(a));
  a.pass.nErrors = counts[0];
  if (n > 1) a.pass.nUndef = counts[1];
  if (n > 2) a.pass.nRedef = counts[2];
}

void DoRand(Assembly& a, TToken) {
  LexNext(a);
  ReportWatch watch(a);
  int32_t seed = EvalInteger(a);
  if (!watch.Fired(a)) a.random.Seed(static_cast<uint32_t>(seed));
}

// SETRADIX n: numbers written with a leading "0" are read in radix n (0 means
// 10) until the pass ends. Digits run from 0-9 and A-Z, so n is 2 to 36.
void DoSetRadix(Assembly& a, TToken) {
  LexNext(a);
  ReportWatch watch(a);
  int32_t radix = EvalInteger(a);
  if (watch.Fired(a)) return;
  if (radix == 0) radix = 10;
  if (radix < 2 || radix > 36) {
    ReportError(a, E_RangeError);
    return;
  }
  a.lex.radix = radix;
  a.lex.radixActive = true;
}

void DoMultipass(Assembly& a, TToken) {
  LexNext(a);
  ReportWatch watch(a);
  int32_t limit = EvalInteger(a);
  if (watch.Fired(a)) return;
  // Every run reloads, reassembles and writes everything again; a count past
  // the limit is a typo or a runaway generator, not a build.
  if (limit > a.env.limits.runs) {
    ReportError(a, E_OutOfResources);
    return;
  }
  a.run.runLimit = limit;
}

// name OPTIONBOOL/OPTIONINT/OPTIONFLOAT integer, integer, caption, default
// name OPTIONLIST integer, integer, caption, item {, item}
// An editor shows these options in a panel; the assembler takes the default
// (the first item, index 0, for a list).
void DoOptionDeclaration(Assembly& a, TToken keyword) {
  TRec* label = a.stmt.PendingLabel;
  a.stmt.PendingLabel = nullptr;
  if (!label) {
    ReportError(a, E_SyntaxError);
    return;
  }
  LexNext(a);
  // An operand that failed leaves the label as it was.
  ReportWatch watch(a);
  EvalInteger(a);
  if (watch.Fired(a) || !ExpectComma(a)) return;
  EvalInteger(a);
  if (watch.Fired(a) || !ExpectComma(a)) return;
  EvalString(a);
  if (watch.Fired(a) || !ExpectComma(a)) return;
  switch (keyword) {
    case tOPTIONFLOAT: {
      long double value = EvalFloat(a);
      if (!watch.Fired(a)) DefineFloat(a, label, value);
      break;
    }
    case tOPTIONLIST:
      EvalString(a);
      while (!watch.Fired(a) && SkipComma(a)) EvalString(a);
      if (!watch.Fired(a)) DefineAddress(a, label, 0);
      break;
    default: {
      int32_t value = EvalInteger(a);
      if (!watch.Fired(a)) DefineAddress(a, label, value);
      break;
    }
  }
}

void DoOptionSize(Assembly& a, TToken) {
  LexNext(a);
  EvalInteger(a);
}

// OPT is a keyword without a statement of its own.
void DoOpt(Assembly& a, TToken) { ReportError(a, E_SyntaxError); }

// VELDDATABREAKPOINT id, text [, address [, length]]
// VELDDATABREAKPOINT id, address [, length]
void DoDataBreakpoint(Assembly& a, TToken) {
  LexNext(a);
  TBreakpointDefn d;
  d.ID = EvalInteger(a);
  if (d.ID < 0 || d.ID > kMaxDataBreakpointId) {
    ReportError(a, E_RangeError);
    return;
  }
  if (!ExpectComma(a)) return;
  TExpRes v = EvalExpression(a);
  if (v.Sort == erString) {
    if (d.ID == 0) {
      ReportError(a, E_RangeError);
      return;
    }
    d.bHasText = true;
    d.Text = std::move(v.Str);
    if (SkipComma(a)) {
      d.bHasAddr = true;
      d.Addr = EvalInteger(a);
      if (SkipComma(a)) {
        d.bHasLength = true;
        d.Length = EvalInteger(a);
      }
    }
  } else if (v.Sort == erInteger) {
    d.bHasAddr = true;
    d.Addr = v.Int;
    if (SkipComma(a)) {
      d.bHasLength = true;
      d.Length = EvalInteger(a);
    }
  } else {
    ReportError(a, E_SyntaxError);
    return;
  }
  if (a.control.dataBreakpoints.size() >= kMaxDataBreakpoints) {
    ReportError(a, E_OutOfResources);
    return;
  }
  a.control.dataBreakpoints.push_back(std::move(d));
}

// VELDTIMERSTART n / VELDTIMERSTOP n: marks the cell of the current address
// for timer 1 or 2, in the clean pass only.
void DoTimer(Assembly& a, TToken keyword) {
  LexNext(a);
  int32_t n = EvalInteger(a);
  if (!a.pass.clean || (n != 1 && n != 2)) return;
  uint8_t bits = keyword == tVELDTIMERSTART ? 0x10 : 0x20;
  if (n == 2) bits = static_cast<uint8_t>(bits << 2);
  const TSegmentEntry& s = CurSeg(a);
  int32_t cell = MapAddress(a, static_cast<int64_t>(s.PC) + s.Displacement, true);
  if (cell < 0) return;
  a.image.WritableCell(cell).timerMarks |= bits;
}

// Editor-only directives: their operands are read so that mistakes in them
// are reported, and nothing else happens. The pattern lists the operand
// kinds: 'i' integer, 's' string; the first is required, the rest optional.
void ReadIgnoredOperands(Assembly& a, std::string_view pattern) {
  LexNext(a);
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (i > 0 && !SkipComma(a)) return;
    if (pattern[i] == 'i')
      EvalInteger(a);
    else
      EvalString(a);
  }
}

void DoSyntaxHighlight(Assembly& a, TToken) { ReadIgnoredOperands(a, "i"); }
void DoVeldMem(Assembly& a, TToken) { ReadIgnoredOperands(a, "is"); }
void DoSprites(Assembly& a, TToken) { ReadIgnoredOperands(a, "ssiiii"); }
void DoPalette(Assembly& a, TToken) { ReadIgnoredOperands(a, "ssis"); }
void DoFont(Assembly& a, TToken) { ReportError(a, E_NotYetImplemented); }

}  // namespace

void RegisterOptionDirectives(DispatchTable& t) {
  t.Set(tEMULATE_SPECTRUM, DoEmulateSpectrum);
  t.Set(tVELDASSERT, DoAssert);
  t.Set(tVELDOVERRIDE, DoOverride);
  t.Set(tVELDRAND, DoRand);
  t.Set(tSETRADIX, DoSetRadix);
  t.Set(tMULTIPASS, DoMultipass);
  t.Set(tOPTIONBOOL, DoOptionDeclaration, true);
  t.Set(tOPTIONINT, DoOptionDeclaration, true);
  t.Set(tOPTIONFLOAT, DoOptionDeclaration, true);
  t.Set(tOPTIONLIST, DoOptionDeclaration, true);
  t.Set(tOPTIONSIZE, DoOptionSize);
  t.Set(tOPT, DoOpt);
  t.Set(tVELDDATABREAKPOINT, DoDataBreakpoint);
  t.Set(tVELDTIMERSTART, DoTimer);
  t.Set(tVELDTIMERSTOP, DoTimer);
  t.Set(tVELDSYNTAXHIGHLIGHT, DoSyntaxHighlight);
  t.Set(tVELD_MEM, DoVeldMem);
  t.Set(tVELDSPRITES, DoSprites);
  t.Set(tVELDPALETTE, DoPalette);
  t.Set(tVELDFONT, DoFont);
}
