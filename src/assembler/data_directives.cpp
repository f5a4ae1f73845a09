// The data and space statements: each one checks the flow into data, then
// hands its operands to the list engine or reads its own text form.

#include "assembler/data_directives.h"

#include "assembler/assembly.h"
#include "assembler/data_lists.h"

namespace {

void HandleList(Assembly& a, TToken t) {
  LexNext(a);
  FlowCheck(a);
  AssembleDataList(a, StartKind(t), false);
}

// DS, DEFS, DEFV standing alone: the fill follows a comma.
void HandleSpace(Assembly& a, TToken t) {
  LexNext(a);
  FlowCheck(a);
  AssembleSpace(a, t == tDEFV, ",", false);
}

// DBL, DBLW, DBLL: a byte list behind a length field of 1, 2 or 4 bytes. The
// field is planted as zeros and patched with the length in the clean pass.
void HandleLengthPrefixed(Assembly& a, TToken t) {
  LexNext(a);
  FlowCheck(a);
  const int size = t == tDBL ? 1 : t == tDBLW ? 2 : 4;
  const bool writable = DataWritable(a);
  const int64_t field = static_cast<int64_t>(CurSeg(a).PC) + CurSeg(a).Displacement;
  ErrorWatch watch(a);
  for (int i = 0; i < size; ++i) PlantByte(a, 0, false, false, writable);
  if (watch.Fired(a)) return;  // inside STRUCT: nothing more to do
  AssembleDataList(a, ElementKind::Byte, false);
  const TSegmentEntry& s = CurSeg(a);
  const int64_t length = static_cast<int64_t>(s.PC) + s.Displacement - field - size;
  if ((size == 1 && length > 0xFF) || (size == 2 && length > 0xFFFF)) ReportError(a, E_RangeError);
  if (!a.pass.clean) return;
  const int64_t base = s.Base, end = base + static_cast<int64_t>(s.Length);
  for (int i = 0; i < size; ++i) {
    int64_t addr = field + i;
    if (addr >= base && addr < end)
      StoreImageByte(a, addr, static_cast<uint8_t>(length >> (8 * i)), false, writable);
  }
}

// DBX key, list and DBXTB key, list: the list is scrambled with the key.
void HandleScrambled(Assembly& a, TToken t) {
  LexNext(a);
  FlowCheck(a);
  ErrorWatch watch(a);
  int32_t key = EvalInteger(a);
  if (watch.Fired(a)) return;
  a.data.xorKey = static_cast<uint8_t>(key);
  LexPeek(a);
  if (!ItemIsChar(a.lex.pos, ",")) {
    ReportError(a, E_SyntaxError);
    return;
  }
  LexNext(a);
  AssembleDataList(a, t == tDBXTB ? ElementKind::ByteTerminated : ElementKind::Byte, true);
}

void HandleScrambleStep(Assembly& a, TToken) {
  LexNext(a);
  ErrorWatch watch(a);
  int32_t step = EvalInteger(a);
  if (!watch.Fired(a)) a.data.xorStep = static_cast<uint8_t>(step);
}

// A symbol gives the transparency byte when it is a label, or a constant or
// variable holding an integer or a float (rounded).
bool TransparencyFrom(Assembly& a, const std::string& name, uint8_t& out) {
  TRec* r = FindSymbol(a, name, false);
  if (!r) return false;
  if (r->Mode == T_Addr) {
    out = static_cast<uint8_t>(r->Val.Int());
    return true;
  }
  if (r->Mode != T_VarVal && r->Mode != T_FixedVal) return false;
  if (r->Val.Sort() == erInteger) {
    out = static_cast<uint8_t>(r->Val.Int());
    return true;
  }
  if (r->Val.Sort() == erFloat) {
    out = static_cast<uint8_t>(FloatToInt(r->Val.Float()));
    return true;
  }
  return false;
}

// VeldSetDHTrans of the current procedure scope, else the global one, else $E3.
uint8_t TransparencyByte(Assembly& a) {
  uint8_t v = 0xE3;
  const std::string& prefix = a.lex.pos.ProcPrefix;
  if (!prefix.empty() && TransparencyFrom(a, prefix + "VeldSetDHTrans", v)) return v;
  if (TransparencyFrom(a, "VeldSetDHTrans", v)) return v;
  return 0xE3;
}

// DH: comma-separated strings of hexadecimal pairs.
void HandleHexStrings(Assembly& a, TToken) {
  LexNext(a);
  FlowCheck(a);
  const uint8_t transparent = TransparencyByte(a);
  bool planted = false;
  std::vector<uint8_t> bytes;
  for (;;) {
    LexPeek(a);
    if (ItemEndsStatement(a.lex.pos)) {
      ReportError(a, E_SyntaxError);
      return;
    }
    CurSeg(a).ElementPC = CurSeg(a).PC;
    ErrorWatch watch(a);
    TExpRes v = EvalExpression(a);
    std::string label = a.eval.OperandLabelName;
    if (watch.Fired(a)) return;
    if (v.Sort != erString) {
      ReportError(a, E_SyntaxError);
      return;
    }
    bool writable = ElementWritable(a, label);
    bytes.clear();
    bool ok = ReadHexPairs(v.Str, transparent, bytes);
    for (uint8_t b : bytes) PlantDataByte(a, b, writable, false);
    planted = planted || !bytes.empty();
    if (!ok) {
      ReportError(a, E_SyntaxError);
      return;
    }
    LexPeek(a);
    if (!ItemIsChar(a.lex.pos, ",")) break;
    LexNext(a);
  }
  if (!planted) ReportError(a, E_SyntaxError);
}

// DG: the rest of the line, its items' texts joined, as rows of bits.
void HandleBitRows(Assembly& a, TToken) {
  LexNext(a);
  FlowCheck(a);
  std::string text;
  for (;;) {
    LexPeek(a);
    const TLexPos& p = a.lex.pos;
    if (p.Item == I_EOL || p.Item == I_Null) break;
    text += p.ITxt;
    LexNext(a);
  }
  std::vector<uint8_t> bytes;
  bool whole = ReadBitRows(text, bytes);
  const bool writable = DataWritable(a);
  for (uint8_t b : bytes) PlantDataByte(a, b, writable, false);
  if (!whole || bytes.empty()) ReportError(a, E_SyntaxError);
}

}  // namespace

void RegisterDataDirectives(DispatchTable& t) {
  for (TToken k : {tDB, tDEFB, tDEFM, tDBTB, tDW, tDEFW, tDEFWBE, tDL, tDEFLBE, tDF})
    t.Set(k, HandleList);
  for (TToken k : {tDS, tDEFS, tDEFV}) t.Set(k, HandleSpace);
  for (TToken k : {tDBL, tDBLW, tDBLL}) t.Set(k, HandleLengthPrefixed);
  t.Set(tDBX, HandleScrambled);
  t.Set(tDBXTB, HandleScrambled);
  t.Set(tDBXO, HandleScrambleStep);
  t.Set(tDH, HandleHexStrings);
  t.Set(tDG, HandleBitRows);
}
