#include "assembler/line_skip.h"

#include <utility>

#include "assembler/assembly.h"

namespace {

constexpr uint8_t kSizeMask = 0x1F;
constexpr uint8_t kFlowsBit = 0x20;
constexpr uint8_t kNever = kFlowsBit;  // no size: a line that does more
constexpr int kContextShift = 6;
constexpr size_t kMaxContexts = 3;

// The statements a settled line may hold: every instruction whose bytes and
// size follow from its own text (relative jumps depend on where they stand),
// and the plain data lists.
constexpr std::array<bool, kTokenCount> kSettlingStatement = [] {
  std::array<bool, kTokenCount> t{};
  for (TToken k :
       {tCCF,    tCPL,       tDAA,    tDI,      tEI,      tEXX,   tHALT,    tNOP,    tRLA,
        tRLCA,   tRRA,       tRRCA,   tSCF,     tCPD,     tCPDR,  tCPI,     tCPIR,   tIND,
        tINDR,   tINI,       tINIR,   tLDD,     tLDDR,    tLDI,   tLDIR,    tNEG,    tOTDR,
        tOTIR,   tOUTD,      tOUTI,   tRLD,     tRRD,     tRETI,  tRETN,    tAND,    tCP,
        tOR,     tSUB,       tXOR,    tEOR,     tADD,     tADC,   tSBC,     tINC,    tDEC,
        tRLC,    tRRC,       tRL,     tRR,      tSLA,     tSRA,   tSLI,     tSRL,    tBIT,
        tRES,    tSET,       tJP,     tCALL,    tRET,     tRST,   tIM,      tEX,     tIN,
        tOUT,    tPUSH,      tPOP,    tLD,      tLDIX,    tLDWS,  tLDIRX,   tLDDX,   tLDDRX,
        tLDPIRX, tLDIRSCALE, tOUTINB, tPIXELDN, tPIXELAD, tSETAE, tSWAPNIB, tMIRROR, tMUL,
        tBSLA,   tBSRA,      tBSRL,   tBSRF,    tBRLC,    tTEST,  tNEXTREG, tDB,     tDEFB,
        tDEFM,   tDW,        tDEFW})
    t[k] = true;
  return t;
}();

LineContext CurrentContext(const Assembly& a) {
  LineContext c;
  for (int i = 0; i < kOptionCount; ++i) c.values[i] = a.options.Get(static_cast<OptionId>(i));
  c.values[kOptionCount] = a.lex.radix;
  c.values[kOptionCount + 1] = a.lex.radixActive;
  c.values[kOptionCount + 2] = a.options.logicPriorityAssigned;
  return c;
}

// Whether the options and radix in force are those of a known context; read
// in place, value by value, as they differ seldom.
bool ContextHolds(const Assembly& a, const LineContext& c) {
  for (int i = 0; i < kOptionCount; ++i)
    if (a.options.Get(static_cast<OptionId>(i)) != c.values[i]) return false;
  return c.values[kOptionCount] == a.lex.radix && c.values[kOptionCount + 1] == a.lex.radixActive &&
         c.values[kOptionCount + 2] == a.options.logicPriorityAssigned;
}

// The number (1 to 3) of the current context, the one met last tried first;
// a new one is numbered when asked to be made, else, like one past the run's
// third, it has number 0.
int ContextNumber(Assembly& a, bool make) {
  LineSkipState& k = a.lineSkip;
  if (k.lastContext > 0 && ContextHolds(a, k.contexts[k.lastContext - 1])) return k.lastContext;
  for (size_t i = 0; i < k.contexts.size(); ++i)
    if (ContextHolds(a, k.contexts[i])) return k.lastContext = static_cast<int>(i + 1);
  if (!make || k.contexts.size() >= kMaxContexts) return 0;
  k.contexts.push_back(CurrentContext(a));
  return k.lastContext = static_cast<int>(k.contexts.size());
}

// The lines of a source slot; the slot read last is kept (slots never move
// during a pass).
const SourceLines* LinesOf(Assembly& a, int32_t slot) {
  LineSkipState& k = a.lineSkip;
  if (slot == k.viewSlot) return k.view;
  if (slot < 0 || slot >= kSourceSlots) return nullptr;
  const TSource& s = std::as_const(a.sources.slots)[static_cast<size_t>(slot)];
  k.viewSlot = slot;
  k.view = s.loaded ? &s.Lines : nullptr;
  return k.view;
}

// The number of the context in force, taken when not known.
int KnownContext(Assembly& a, bool make) {
  int& c = a.lineSkip.context;
  if (c <= 0) c = ContextNumber(a, make);
  return c;
}

// Whether the state at a line start is the plain one a settled line is seen
// in: no macro argument or alias being read, no expression open from the
// line before, no block mode, no structure, no label waiting.
bool PlainLineStart(const Assembly& a) {
  const TLexPos& p = a.lex.pos;
  return a.lex.paramStack.empty() && a.lex.aliasStack.empty() && a.eval.ExprParenDepth == 0 &&
         p.TokenMask == 1 && p.FunctionBlockLevel == 0 && !a.lex.SkippingFlag &&
         !a.placement.inStruct && !a.stmt.PendingLabel && p.Line >= 1;
}

// The byte for the watched line, now that its end has been consumed: 0 when
// it met an error or an unknown name (it may settle where they are gone, so
// it is watched again), kNever when it did more than move PC.
uint8_t SettledByte(Assembly& a) {
  const LineWatch& w = a.lineSkip.watch;
  const TLexPos& p = a.lex.pos;
  if (a.pass.abort) return 0;
  if (p.cSourceListPos != w.source || p.ILine != w.line || p.pActiveMacro != w.macro) return 0;
  if (a.diag.reports != w.reports || a.pass.nUndef != w.undefs || a.pass.nRedef != w.redefs)
    return 0;
  if (a.pass.statementCount != w.statements + 2 || a.lex.opaqueItems != w.opaqueItems)
    return kNever;
  // The line's two statements could open no argument, alias, expression,
  // block mode or structure, so the reading state is as plain as it was.
  if (a.placement.current != w.segment) return kNever;
  const TSegmentEntry& s = CurSeg(a);
  const uint32_t size = static_cast<uint32_t>(s.PC) - static_cast<uint32_t>(w.pc);
  if (size == 0 || size > kSizeMask) return kNever;
  // The line changed no option: the context is the one it started in.
  const int context = KnownContext(a, true);
  if (context == 0) return 0;
  return static_cast<uint8_t>(size | (s.Flows ? kFlowsBit : 0) | (context << kContextShift));
}

// Records what the watched line did; true when it only moved PC.
bool SettleWatchedLine(Assembly& a) {
  LineWatch& w = a.lineSkip.watch;
  w.armed = false;
  const SourceLines* lines = LinesOf(a, w.source);
  if (!lines || w.line < 1 || static_cast<size_t>(w.line) > lines->size()) return false;
  const uint8_t now = SettledByte(a);
  lines->SetSettled(static_cast<size_t>(w.line - 1), now);
  return (now & kSizeMask) != 0;
}

void Watch(Assembly& a, int32_t line) {
  const TLexPos& p = a.lex.pos;
  LineWatch& w = a.lineSkip.watch;
  w.armed = true;
  w.source = p.cSourceListPos;
  w.line = line;
  w.statements = a.pass.statementCount;
  w.reports = a.diag.reports;
  w.undefs = a.pass.nUndef;
  w.redefs = a.pass.nRedef;
  w.opaqueItems = a.lex.opaqueItems;
  w.segment = a.placement.current;
  w.pc = CurSeg(a).PC;
  w.macro = p.pActiveMacro;
}

// Steps over one settled line as the statement loop would have assembled it:
// false, with nothing done, when the line would not fit where PC stands or
// the pass's statement bound is near.
bool StepOver(Assembly& a, uint8_t settled) {
  const int32_t n = settled & kSizeMask;
  if (a.pass.statementCount > a.env.limits.passStatements - 2) return false;
  TSegmentEntry& s = CurSeg(a);
  if (!s.RunFits(n)) return false;
  s.PC += n;
  s.Flows = (settled & kFlowsBit) != 0;
  s.StatementPC = s.ElementPC = s.PC;
  a.pass.statementCount += 2;
  a.diag.currentLine = a.lex.pos.Line;
  a.diag.currentSource = a.lex.pos.cSourceListPos;
  LexPassLine(a);
  return true;
}

}  // namespace

void ClearLineSkips(Assembly& a) {
  a.lineSkip = LineSkipState{};
  for (TSource& s : a.sources.slots) s.Lines.ClearSettled();
}

void StepOverSettledLines(Assembly& a) {
  LineSkipState& k = a.lineSkip;
  // Anything but a settled line may have changed the options.
  if (!k.watch.armed || !SettleWatchedLine(a)) k.context = -1;
  TLexPos& p = a.lex.pos;
  const SourceLines* lines = LinesOf(a, p.cSourceListPos);
  if (!lines || static_cast<size_t>(p.Line) > lines->size()) return;
  uint8_t settled = lines->Settled(static_cast<size_t>(p.Line - 1));
  if (settled == kNever || !PlainLineStart(a)) return;
  while (settled != 0) {
    if (settled >> kContextShift != KnownContext(a, false) || !StepOver(a, settled)) break;
    if (!AtLineStart(p) || static_cast<size_t>(p.Line) > lines->size()) return;
    settled = lines->Settled(static_cast<size_t>(p.Line - 1));
    if (settled == kNever) return;
  }
  // A second error on a line of the same number would be neither counted nor
  // seen: such a line is not watched.
  if (a.diag.lastErrorLine == p.Line) return;
  // The first item is read as the statement loop would read it next (its
  // messages belong to this line). It must be the line's own keyword: a
  // macro argument standing first may be another instruction each time.
  const int32_t line = p.Line, source = p.cSourceListPos;
  const uint32_t opaqueBefore = a.lex.opaqueItems;
  a.diag.currentLine = line;
  a.diag.currentSource = source;
  LexPeek(a);
  if (p.cSourceListPos != source || p.ILine != line || !a.lex.paramStack.empty()) return;
  if (p.Item == I_TokenN && kSettlingStatement[p.ITokVal] && a.lex.opaqueItems == opaqueBefore + 1)
    Watch(a, line);
  else
    lines->SetSettled(static_cast<size_t>(line - 1), kNever);
}
