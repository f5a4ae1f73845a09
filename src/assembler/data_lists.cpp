// The list engine behind DB and its kin: elements of any kind separated by
// commas, kind keywords switching the kind, space elements with their fill,
// and the float encodings.

#include "assembler/data_lists.h"

#include <algorithm>
#include <array>

#include "assembler/assembly.h"

ErrorWatch::ErrorWatch(const Assembly& a) : before_(a.pass.nErrors) {}
bool ErrorWatch::Fired(const Assembly& a) const { return a.pass.nErrors != before_; }

ElementKind StartKind(TToken t) {
  switch (t) {
    case tDEFM:
      return ElementKind::Byte;
    case tDEFS:
      return ElementKind::Space;
    default: {
      ElementKind kind = ElementKind::Byte;
      KindOfKeyword(t, kind);
      return kind;
    }
  }
}

bool KindOfKeyword(TToken t, ElementKind& kind) {
  switch (t) {
    case tDB:
    case tDEFB:
      kind = ElementKind::Byte;
      return true;
    case tDBTB:
      kind = ElementKind::ByteTerminated;
      return true;
    case tDW:
    case tDEFW:
      kind = ElementKind::Word;
      return true;
    case tDL:
    case tDEFL:
      kind = ElementKind::Long;
      return true;
    case tDEFWBE:
      kind = ElementKind::WordHighFirst;
      return true;
    case tDEFLBE:
      kind = ElementKind::LongHighFirst;
      return true;
    case tDF:
      kind = ElementKind::Float;
      return true;
    case tDS:
      kind = ElementKind::Space;
      return true;
    case tDEFV:
      kind = ElementKind::VariableSpace;
      return true;
    default:
      return false;
  }
}

bool DataWritable(const Assembly& a) { return !a.options.On(zoConstData); }

bool ElementWritable(Assembly& a, const std::string& operandLabel) {
  if (operandLabel.empty()) return DataWritable(a);
  if (TRec* r = FindOrCreateSymbol(a, operandLabel)) DefineAddress(a, r, CurSeg(a).PC);
  return true;
}

void PlantDataByte(Assembly& a, uint8_t v, bool writable, bool scramble) {
  if (scramble) {
    v ^= a.data.xorKey;
    a.data.xorKey = static_cast<uint8_t>(a.data.xorKey + a.data.xorStep);
  }
  PlantByte(a, v, false, false, writable);
}

namespace {

// One integer unit of a byte, word or long kind; only the low bits are kept.
void PlantUnit(Assembly& a, ElementKind kind, uint32_t v, bool writable, bool scramble) {
  auto put = [&](int shift) {
    PlantDataByte(a, static_cast<uint8_t>(v >> shift), writable, scramble);
  };
  switch (kind) {
    case ElementKind::Byte:
    case ElementKind::ByteTerminated:
      put(0);
      break;
    case ElementKind::Word:
      put(0), put(8);
      break;
    case ElementKind::Long:
      put(0), put(8), put(16), put(24);
      break;
    case ElementKind::WordHighFirst:
      put(8), put(0);
      break;
    case ElementKind::LongHighFirst:
      put(24), put(16), put(8), put(0);
      break;
    default:
      break;
  }
}

// Float elements are never scrambled. A value the chosen encoding cannot hold
// is a range error; its bytes are planted as zeros so that PC moves alike in
// every pass.
void PlantFloat(Assembly& a, long double v, bool isInteger, bool writable) {
  bool ok;
  if (a.options.On(zoSpectrumFloats)) {
    std::array<uint8_t, 5> b;
    ok = EncodeSpectrumFloat(v, isInteger, b);
    for (uint8_t x : b) PlantByte(a, ok ? x : 0, false, false, writable);
  } else {
    std::array<uint8_t, 4> b;
    ok = EncodeIeeeSingle(v, b);
    for (uint8_t x : b) PlantByte(a, ok ? x : 0, false, false, writable);
  }
  if (!ok) ReportError(a, E_RangeError);
}

// One element that is not space. Returns false when the list must end.
bool AssembleValueElement(Assembly& a, ElementKind kind, bool scramble) {
  ErrorWatch watch(a);
  TExpRes v = EvalExpression(a);
  std::string label = a.eval.OperandLabelName;
  if (watch.Fired(a)) return false;
  if (v.Sort == erError) {
    ReportError(a, E_SyntaxError);
    return false;
  }
  bool writable = ElementWritable(a, label);
  if (kind == ElementKind::Float) {
    switch (v.Sort) {
      case erInteger:
        PlantFloat(a, v.Int, true, writable);
        break;
      case erFloat:
        PlantFloat(a, v.Float, false, writable);
        break;
      default:  // each character code as a float
        for (unsigned char c : v.Str) {
          PlantFloat(a, c, true, writable);
          if (watch.Fired(a)) break;
        }
        break;
    }
    return !watch.Fired(a);
  }
  switch (v.Sort) {
    case erInteger:
      PlantUnit(a, kind, static_cast<uint32_t>(v.Int), writable, scramble);
      break;
    case erFloat:
      PlantUnit(a, kind, static_cast<uint32_t>(FloatToInt(v.Float)), writable, scramble);
      break;
    default:
      for (size_t i = 0; i < v.Str.size(); ++i) {
        auto c = static_cast<uint8_t>(v.Str[i]);
        if (kind == ElementKind::ByteTerminated && i + 1 == v.Str.size()) c |= 0x80;
        PlantUnit(a, kind, c, writable, scramble);
      }
      break;
  }
  return !watch.Fired(a);
}

// n bytes of space at PC, known to fit the segment. Only the bytes that can
// be stored are visited, so a huge block in a huge segment costs no more
// than the image holds; PC, the flow state and the XOR key move as if every
// byte had been planted.
void PlantSpace(Assembly& a, int64_t n, uint8_t fill, bool variable, bool scramble) {
  TSegmentEntry& s = CurSeg(a);
  const int64_t store = static_cast<int64_t>(s.PC) + s.Displacement;
  const int64_t base = s.Base, end = base + static_cast<int64_t>(s.Length);
  const uint8_t key0 = a.data.xorKey, step = a.data.xorStep;
  if (a.pass.clean && !a.image.storesWithheld) {
    int64_t from = std::max(store, base);
    int64_t to = std::min({store + n, end, static_cast<int64_t>(kImageCells)});
    for (int64_t addr = from; addr < to; ++addr) {
      uint8_t v = fill;
      if (scramble) v ^= static_cast<uint8_t>(key0 + (addr - store) * step);
      StoreImageByte(a, addr, v, false, true);
      if (variable) {
        int32_t cell = MapAddress(a, addr, true);
        if (cell >= 0) a.image.WritableCell(cell).Read = false;
      }
    }
  }
  if (scramble) a.data.xorKey = static_cast<uint8_t>(key0 + n * step);
  s.PC = static_cast<int32_t>(static_cast<uint32_t>(s.PC) + static_cast<uint32_t>(n));
  s.Flows = false;
  // With a displacement the stored bytes can leave the segment although the
  // block itself fits: the planting rule reports that.
  if (store < base || store + n > end) ReportError(a, E_AddressError);
}

}  // namespace

void AssembleSpace(Assembly& a, bool variable, std::string_view fillSeparator, bool scramble) {
  ErrorWatch watch(a);
  LexPeek(a);
  if (ItemEndsStatement(a.lex.pos)) {
    ReportError(a, E_SyntaxError);
    return;
  }
  int32_t n = EvalInteger(a);
  std::string label = a.eval.OperandLabelName;
  if (watch.Fired(a)) return;
  int32_t fill = 0;
  LexPeek(a);
  if (ItemIsChar(a.lex.pos, fillSeparator)) {
    LexNext(a);
    fill = EvalByteValue(a);
    if (watch.Fired(a)) return;
  }
  // Space is meant to be written at run time, so its bytes are writable.
  ElementWritable(a, label);
  if (n <= 0) return;
  TSegmentEntry& s = CurSeg(a);
  if (a.placement.inStruct) {
    s.PC = static_cast<int32_t>(static_cast<uint32_t>(s.PC) + static_cast<uint32_t>(n));
    return;
  }
  int64_t last = static_cast<int64_t>(s.PC) + n;
  if (last < 0 || s.PC < static_cast<int64_t>(s.Base) ||
      last > static_cast<int64_t>(s.Base) + static_cast<int64_t>(s.Length)) {
    ReportError(a, E_AddressError);
    return;
  }
  PlantSpace(a, n, static_cast<uint8_t>(fill), variable, scramble);
}

void AssembleDataList(Assembly& a, ElementKind kind, bool scramble) {
  LexPeek(a);
  if (ItemIsChar(a.lex.pos, ",")) {
    LexNext(a);
    LexPeek(a);
  }
  for (;;) {
    ElementKind k;
    if (a.lex.pos.Item == I_TokenN && KindOfKeyword(a.lex.pos.ITokVal, k)) {
      kind = k;
      LexNext(a);
      LexPeek(a);
    }
    if (ItemEndsStatement(a.lex.pos)) {  // no element, or a trailing comma
      ReportError(a, E_SyntaxError);
      return;
    }
    CurSeg(a).ElementPC = CurSeg(a).PC;
    if (kind == ElementKind::Space || kind == ElementKind::VariableSpace) {
      ErrorWatch watch(a);
      AssembleSpace(a, kind == ElementKind::VariableSpace, ":", scramble);
      if (watch.Fired(a)) return;
    } else if (!AssembleValueElement(a, kind, scramble)) {
      return;
    }
    LexPeek(a);
    if (!ItemIsChar(a.lex.pos, ",")) return;
    LexNext(a);
    LexPeek(a);
  }
}
