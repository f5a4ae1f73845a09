// LD in all its forms (with the composite 16-bit copies, several loads on one
// line and the merge of two half loads into one 16-bit load) and LM.

#include <algorithm>

#include "assembler/assembly.h"
#include "assembler/z80_common.h"

namespace {

// The last planted load when it was an 8-bit immediate load, without operand
// label, into one half of a register pair: the next load may complete it.
struct HalfLoad {
  bool valid = false;
  Z80Reg reg = zrNone;
  int32_t value = 0;
};

struct PairHalves {
  Z80Reg high, low;
};

// High and low half of BC, DE, HL, IX and IY.
constexpr PairHalves Halves(Z80Reg pair) {
  switch (pair) {
    case zrBC:
      return {zrB, zrC};
    case zrDE:
      return {zrD, zrE};
    case zrHL:
      return {zrH, zrL};
    case zrIX:
      return {zrIXH, zrIXL};
    case zrIY:
      return {zrIYH, zrIYL};
    default:
      return {zrNone, zrNone};
  }
}

constexpr Z80Reg Partner(Z80Reg r) {
  switch (r) {
    case zrB:
      return zrC;
    case zrC:
      return zrB;
    case zrD:
      return zrE;
    case zrE:
      return zrD;
    case zrH:
      return zrL;
    case zrL:
      return zrH;
    case zrIXH:
      return zrIXL;
    case zrIXL:
      return zrIXH;
    case zrIYH:
      return zrIYL;
    case zrIYL:
      return zrIYH;
    default:
      return zrNone;
  }
}

constexpr bool IsLowHalf(Z80Reg r) {
  return r == zrC || r == zrE || r == zrL || r == zrIXL || r == zrIYL;
}

// LD rr,nn opcode for the pair holding a half (the index prefix comes apart).
constexpr uint8_t PairImmediateOpcode(Z80Reg half) {
  return half == zrB || half == zrC ? 0x01 : half == zrD || half == zrE ? 0x11 : 0x21;
}

// LD r,r' between two 8-bit registers, index halves included: the halves of
// one index register go only with A..E and each other.
bool Copy8(Code& c, Z80Reg dst, Z80Reg src) {
  if (kRegField[dst] < 0 || kRegField[src] < 0) return false;
  uint8_t pd = kRegPrefix[dst], ps = kRegPrefix[src];
  if (pd && ps && pd != ps) return false;
  if ((pd && (src == zrH || src == zrL)) || (ps && (dst == zrH || dst == zrL))) return false;
  if (pd | ps) c.Op(pd | ps);
  c.Op(static_cast<uint8_t>(0x40 + kRegField[dst] * 8 + kRegField[src]));
  return true;
}

// Destination A..L or an index half.
bool Load8(Assembly& a, Z80Reg dst, Code& c, HalfLoad& made) {
  Operand src = ReadOperand(a, LoadRegs(a), kOpMemEndOrComma);
  const int d = kRegField[dst];
  const bool dstHalf = RegIn(dst, kHalves);
  switch (src.kind) {
    case OpKind::Reg:
      if (src.reg == zrI || src.reg == zrR) {
        if (dst != zrA) return false;
        c.Op(0xED).Op(src.reg == zrI ? 0x57 : 0x5F);
        return true;
      }
      return Copy8(c, dst, src.reg);
    case OpKind::Ind:
      if (src.reg == zrHL && !dstHalf) {
        c.Op(static_cast<uint8_t>(0x46 + d * 8));
      } else if (dst == zrA && (src.reg == zrBC || src.reg == zrDE)) {
        c.Op(src.reg == zrBC ? 0x0A : 0x1A);
      } else {
        return false;
      }
      return true;
    case OpKind::Idx:
      if (dstHalf) return false;
      c.Prefix(src.reg).Op(static_cast<uint8_t>(0x46 + d * 8)).Operand8(src.value, src.label);
      return true;
    case OpKind::Mem:
      if (dst != zrA) return false;
      c.Op(0x3A).Operand16(src.value, src.label);
      return true;
    case OpKind::Imm: {
      int32_t n = ReadImmediate(a, EvalByteValue, src.label);
      c.Prefix(dst).Op(static_cast<uint8_t>(0x06 + d * 8)).Operand8(n, src.label);
      if (src.label.empty() && Partner(dst) != zrNone) made = {true, dst, n};
      return true;
    }
    default:
      return false;
  }
}

// Composite LD pair,(IX+d): the low half from d, the high half from d+1.
bool LoadPairFromIndex(Code& c, Z80Reg dst, const Operand& src) {
  if (dst != zrBC && dst != zrDE && dst != zrHL) return false;
  if (src.value > 126) return false;
  PairHalves h = Halves(dst);
  c.Prefix(src.reg).Op(static_cast<uint8_t>(0x46 + kRegField[h.low] * 8));
  c.Operand8(src.value, src.label);
  c.Prefix(src.reg).Op(static_cast<uint8_t>(0x46 + kRegField[h.high] * 8));
  c.Follow8(src.value + 1, src.label);
  return true;
}

// Destination BC, DE, HL, SP, IX or IY.
bool Load16(Assembly& a, Z80Reg dst, Code& c) {
  Operand src = ReadOperand(a, LoadRegs(a), kOpMemEndOrComma);
  const bool composite = !a.options.On(zoStrict);
  switch (src.kind) {
    case OpKind::Imm: {
      int32_t nn = ReadImmediate(a, EvalWordValue, src.label);
      static constexpr uint8_t kOps[4] = {0x01, 0x11, 0x21, 0x31};
      c.Prefix(dst).Op(kOps[kPairField[dst]]).Operand16(nn, src.label);
      return true;
    }
    case OpKind::Mem:
      switch (dst) {
        case zrBC:
          c.Op(0xED).Op(0x4B);
          break;
        case zrDE:
          c.Op(0xED).Op(0x5B);
          break;
        case zrSP:
          c.Op(0xED).Op(0x7B);
          break;
        default:
          c.Prefix(dst).Op(0x2A);
          break;
      }
      c.Operand16(src.value, src.label);
      return true;
    case OpKind::Reg: {
      if (dst == zrSP) {
        if (src.reg != zrHL && src.reg != zrIX && src.reg != zrIY) return false;
        c.Prefix(src.reg).Op(0xF9);
        return true;
      }
      if (!composite) return false;
      // Composite copies: BC and DE from any other of BC, DE, HL, IX, IY;
      // HL from BC or DE; IX and IY from BC or DE.
      bool fromBCDE = src.reg == zrBC || src.reg == zrDE;
      bool ok =
          src.reg != dst && RegIn(src.reg, kPairRegs) && ((dst == zrBC || dst == zrDE) || fromBCDE);
      if (!ok) return false;
      PairHalves hd = Halves(dst), hs = Halves(src.reg);
      return Copy8(c, hd.high, hs.high) && Copy8(c, hd.low, hs.low);
    }
    case OpKind::Idx:
      return composite && LoadPairFromIndex(c, dst, src);
    default:
      return false;
  }
}

// Destination (BC), (DE) or (HL).
bool LoadToIndirect(Assembly& a, Z80Reg dst, Code& c) {
  Operand src = ReadOperand(a, LoadRegs(a), 0);
  if (dst == zrHL) {
    if (src.kind == OpKind::Reg && RegIn(src.reg, kMain8)) {
      c.Op(static_cast<uint8_t>(0x70 + kRegField[src.reg]));
      return true;
    }
    if (src.kind == OpKind::Imm) {
      int32_t n = ReadImmediate(a, EvalByteValue, src.label);
      c.Op(0x36).Operand8(n, src.label);
      return true;
    }
    return false;
  }
  if ((dst == zrBC || dst == zrDE) && src.kind == OpKind::Reg && src.reg == zrA) {
    c.Op(dst == zrBC ? 0x02 : 0x12);
    return true;
  }
  return false;
}

// Destination (IX+d) or (IY+d).
bool LoadToIndexed(Assembly& a, const Operand& dst, Code& c) {
  Operand src = ReadOperand(a, LoadRegs(a), 0);
  if (src.kind == OpKind::Reg && RegIn(src.reg, kMain8)) {
    c.Prefix(dst.reg).Op(static_cast<uint8_t>(0x70 + kRegField[src.reg]));
    c.Operand8(dst.value, dst.label);
    return true;
  }
  if (src.kind == OpKind::Reg && (src.reg == zrBC || src.reg == zrDE || src.reg == zrHL)) {
    // Composite: the low half to d, the high half to d+1.
    if (a.options.On(zoStrict) || dst.value > 126) return false;
    PairHalves h = Halves(src.reg);
    c.Prefix(dst.reg).Op(static_cast<uint8_t>(0x70 + kRegField[h.low]));
    c.Operand8(dst.value, dst.label);
    c.Prefix(dst.reg).Op(static_cast<uint8_t>(0x70 + kRegField[h.high]));
    c.Follow8(dst.value + 1, dst.label);
    return true;
  }
  if (src.kind == OpKind::Imm) {
    int32_t n = ReadImmediate(a, EvalByteValue, src.label);
    c.Prefix(dst.reg).Op(0x36).Operand8(dst.value, dst.label).Operand8(n, src.label);
    return true;
  }
  return false;
}

// Destination (nn).
bool LoadToMemory(Assembly& a, const Operand& dst, Code& c) {
  switch (PeekReg(a)) {
    case zrA:
      c.Op(0x32);
      break;
    case zrHL:
      c.Op(0x22);
      break;
    case zrIX:
      c.Op(0xDD).Op(0x22);
      break;
    case zrIY:
      c.Op(0xFD).Op(0x22);
      break;
    case zrBC:
      c.Op(0xED).Op(0x43);
      break;
    case zrDE:
      c.Op(0xED).Op(0x53);
      break;
    case zrSP:
      c.Op(0xED).Op(0x73);
      break;
    default:
      return false;
  }
  LexNext(a);
  c.Operand16(dst.value, dst.label);
  return true;
}

// One load: destination, comma, source. Plants it (merging it with the
// previous half load when it completes the pair) and returns false after
// an error.
bool LoadOne(Assembly& a, HalfLoad& last) {
  Operand dst = ReadOperand(a, LoadRegs(a), kOpMemComma);
  if (dst.kind == OpKind::Imm || dst.kind == OpKind::Bad || !AcceptComma(a)) {
    SyntaxError(a);
    return false;
  }
  Code c;
  HalfLoad made;
  bool ok = false;
  switch (dst.kind) {
    case OpKind::Reg:
      if (dst.reg == zrI || dst.reg == zrR) {
        Z80Reg s = PeekReg(a);
        uint8_t base = dst.reg == zrI ? 0x47 : 0x4F;
        ok = s == zrA || s == dst.reg;
        if (ok) {
          LexNext(a);
          c.Op(0xED).Op(static_cast<uint8_t>(s == zrA ? base : base + 0x30));
        }
      } else if (kRegField[dst.reg] >= 0) {
        ok = Load8(a, dst.reg, c, made);
      } else if (kPairField[dst.reg] >= 0) {
        ok = Load16(a, dst.reg, c);
      }
      break;
    case OpKind::Ind:
      ok = LoadToIndirect(a, dst.reg, c);
      break;
    case OpKind::Idx:
      ok = LoadToIndexed(a, dst, c);
      break;
    case OpKind::Mem:
      ok = LoadToMemory(a, dst, c);
      break;
    default:
      break;
  }
  if (!ok) {
    SyntaxError(a);
    return false;
  }
  if (made.valid && last.valid && Partner(last.reg) == made.reg) {
    // Take back the previous half load's opcode and value (its index prefix
    // stays) and plant one 16-bit load, low half first.
    int32_t low = IsLowHalf(made.reg) ? made.value : last.value;
    int32_t high = IsLowHalf(made.reg) ? last.value : made.value;
    CurSeg(a).PC -= 2;
    Code m;
    m.Op(PairImmediateOpcode(made.reg))
        .Op(static_cast<uint8_t>(low))
        .Op(static_cast<uint8_t>(high));
    Emit(a, m);
    last = HalfLoad{};
    return true;
  }
  Emit(a, c);
  last = made;
  return true;
}

}  // namespace

void HandleLD(Assembly& a, TToken) {
  LexNext(a);
  HalfLoad last;
  do {
    CurSeg(a).ElementPC = CurSeg(a).PC;
    if (!LoadOne(a, last)) return;
  } while (!a.options.On(zoStrict) && AcceptComma(a));
}

void HandleLM(Assembly& a, TToken) {
  LexNext(a);
  // Units: the 8-bit registers and SP, each named at most once.
  enum : int { kA, kB, kC, kD, kE, kH, kL, kXH, kXL, kYH, kYL, kSP, kUnits };
  static constexpr int kUnitOf[kZ80RegCount] = {-1, kA, kB, kC,  kD,  kE,  kH,  kL,  -1, -1, -1,
                                                -1, -1, -1, kSP, kXL, kXH, kYL, kYH, -1, -1, -1};
  std::array<bool, kUnits> named{};
  std::array<int, kUnits> slot{};  // first byte of the value that the unit takes
  std::array<int, kUnits> order{};
  int bytes = 0, listPos = 0;
  bool twice = false;
  auto name = [&](int u, int width) {
    if (named[u]) {
      twice = true;
    } else {
      named[u] = true;
      slot[u] = bytes;
      order[u] = listPos++;
    }
    bytes += width;
  };
  uint32_t regs = kMain8 | kPairRegs | RegBit(zrSP);
  if (!a.options.On(zoStrict)) regs |= kHalves;
  do {
    Z80Reg r = PeekReg(a);
    if (!RegIn(r, regs)) return SyntaxError(a);
    LexNext(a);
    if (RegIn(r, kPairRegs)) {
      PairHalves h = Halves(r);
      name(kUnitOf[h.high], 1);
      name(kUnitOf[h.low], 1);
    } else {
      name(kUnitOf[r], r == zrSP ? 2 : 1);
    }
    if (!AcceptComma(a)) return SyntaxError(a);
  } while (PeekReg(a) != zrNone);
  std::string label;
  int32_t value = ReadImmediate(a, EvalInteger, label);
  // The value is spread over several loads: no single byte for a label.
  if (!label.empty()) return ReportError(a, E_IllegalSMCLabel);

  auto byteAt = [&](int s) {
    int shift = std::min(8 * (bytes - 1 - s), 63);
    return static_cast<uint8_t>(static_cast<int64_t>(value) >> shift);
  };
  std::array<bool, kUnits> done{};
  struct PairLoad {
    int high, low;
    uint8_t prefix, opcode;
  };
  static constexpr PairLoad kPairs[] = {{kB, kC, 0, 0x01},
                                        {kD, kE, 0, 0x11},
                                        {kH, kL, 0, 0x21},
                                        {kXH, kXL, 0xDD, 0x21},
                                        {kYH, kYL, 0xFD, 0x21}};
  for (const PairLoad& p : kPairs) {
    if (!named[p.high] || !named[p.low]) continue;
    Code c;
    if (p.prefix) c.Op(p.prefix);
    c.Op(p.opcode).Op(byteAt(slot[p.low])).Op(byteAt(slot[p.high]));
    Emit(a, c);
    done[p.high] = done[p.low] = true;
  }
  static constexpr uint8_t kLoad8[kSP] = {0x3E, 0x06, 0x0E, 0x16, 0x1E, 0x26,
                                          0x2E, 0x26, 0x2E, 0x26, 0x2E};
  static constexpr uint8_t kPrefix8[kSP] = {0, 0, 0, 0, 0, 0, 0, 0xDD, 0xDD, 0xFD, 0xFD};
  std::array<int, kSP> rest{};
  int nRest = 0;
  for (int u = 0; u < kSP; ++u)
    if (named[u] && !done[u]) rest[nRest++] = u;
  std::sort(rest.begin(), rest.begin() + nRest, [&](int x, int y) { return order[x] < order[y]; });
  for (int i = 0; i < nRest; ++i) {
    int u = rest[i];
    Code c;
    if (kPrefix8[u]) c.Op(kPrefix8[u]);
    c.Op(kLoad8[u]).Op(byteAt(slot[u]));
    Emit(a, c);
  }
  if (named[kSP]) {
    Code c;
    c.Op(0x31).Op(byteAt(slot[kSP] + 1)).Op(byteAt(slot[kSP]));
    Emit(a, c);
  }
  if (twice)
    SyntaxError(a);
  else if (bytes > 4)
    ReportError(a, E_RangeError);
}
