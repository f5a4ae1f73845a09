// The Z80 encoder's keyword registration, the operand-less instructions and
// the arithmetic, logic, increment, shift and bit families.

#include "assembler/assembly.h"
#include "assembler/z80_common.h"

namespace {

// Opcodes of a keyword: the operand-less byte (with its $ED page and flow),
// or the register base and immediate opcode of an arithmetic family, or the
// $CB base of a shift or bit operation.
struct OpInfo {
  uint8_t base = 0;  // fixed byte / register base R / $CB base / INC-DEC r base
  uint8_t imm = 0;   // immediate opcode N / INC-DEC pair base
  uint8_t wide = 0;  // 16-bit form: ADD $09, ADC $4A, SBC $42 / INC-DEC (HL)
  bool ed = false;   // fixed: $ED page
  bool noFlow = false;
};

constexpr std::array<OpInfo, kTokenCount> kOps = [] {
  std::array<OpInfo, kTokenCount> t{};
  auto fixed = [&t](TToken k, uint8_t op, bool ed = false, bool noFlow = false) {
    t[k].base = op;
    t[k].ed = ed;
    t[k].noFlow = noFlow;
  };
  fixed(tCCF, 0x3F);
  fixed(tCPL, 0x2F);
  fixed(tDAA, 0x27);
  fixed(tDI, 0xF3);
  fixed(tEI, 0xFB);
  fixed(tEXX, 0xD9);
  fixed(tHALT, 0x76);
  fixed(tNOP, 0x00);
  fixed(tRLA, 0x17);
  fixed(tRLCA, 0x07);
  fixed(tRRA, 0x1F);
  fixed(tRRCA, 0x0F);
  fixed(tSCF, 0x37);
  fixed(tCPD, 0xA9, true);
  fixed(tCPDR, 0xB9, true);
  fixed(tCPI, 0xA1, true);
  fixed(tCPIR, 0xB1, true);
  fixed(tIND, 0xAA, true);
  fixed(tINDR, 0xBA, true);
  fixed(tINI, 0xA2, true);
  fixed(tINIR, 0xB2, true);
  fixed(tLDD, 0xA8, true);
  fixed(tLDDR, 0xB8, true);
  fixed(tLDI, 0xA0, true);
  fixed(tLDIR, 0xB0, true);
  fixed(tNEG, 0x44, true);
  fixed(tOTDR, 0xBB, true);
  fixed(tOTIR, 0xB3, true);
  fixed(tOUTD, 0xAB, true);
  fixed(tOUTI, 0xA3, true);
  fixed(tRLD, 0x6F, true);
  fixed(tRRD, 0x67, true);
  fixed(tRETI, 0x4D, true, true);
  fixed(tRETN, 0x45, true, true);

  auto alu = [&t](TToken k, uint8_t r, uint8_t n, uint8_t w = 0) {
    t[k].base = r;
    t[k].imm = n;
    t[k].wide = w;
  };
  alu(tAND, 0xA0, 0xE6);
  alu(tCP, 0xB8, 0xFE);
  alu(tOR, 0xB0, 0xF6);
  alu(tSUB, 0x90, 0xD6);
  alu(tXOR, 0xA8, 0xEE);
  alu(tEOR, 0xA8, 0xEE);
  alu(tADD, 0x80, 0xC6, 0x09);
  alu(tADC, 0x88, 0xCE, 0x4A);
  alu(tSBC, 0x98, 0xDE, 0x42);
  alu(tINC, 0x04, 0x03, 0x34);
  alu(tDEC, 0x05, 0x0B, 0x35);

  t[tRLC].base = 0x00;
  t[tRRC].base = 0x08;
  t[tRL].base = 0x10;
  t[tRR].base = 0x18;
  t[tSLA].base = 0x20;
  t[tSRA].base = 0x28;
  t[tSLI].base = 0x30;
  t[tSRL].base = 0x38;
  t[tBIT].base = 0x40;
  t[tRES].base = 0x80;
  t[tSET].base = 0xC0;
  return t;
}();

// The 8-bit operand of an arithmetic or logic instruction, after any "A,":
// a register, (HL), (IX+d)/(IY+d) or an immediate byte.
void EncodeAluOperand(Assembly& a, uint8_t R, uint8_t N) {
  Operand op = ReadOperand(a, ExtendedRegs(a), 0);
  Code c;
  switch (op.kind) {
    case OpKind::Reg:
      if (kRegField[op.reg] < 0) return SyntaxError(a);
      c.Prefix(op.reg).Op(R + kRegField[op.reg]);
      break;
    case OpKind::Ind:
      if (op.reg != zrHL) return SyntaxError(a);
      c.Op(R + 6);
      break;
    case OpKind::Idx:
      c.Prefix(op.reg).Op(R + 6).Operand8(op.value, op.label);
      break;
    case OpKind::Imm: {
      int32_t n = ReadImmediate(a, EvalByteValue, op.label);
      c.Op(N).Operand8(n, op.label);
      break;
    }
    default:
      return SyntaxError(a);
  }
  Emit(a, c);
}

// The operand of a $CB instruction with opcode O: a register, an index half
// (prefix, $CB, O+r: no displacement), (HL), or (IX+d)/(IY+d) with,
// outside strict mode and except for BIT, a register copy ",r".
void EncodeCBOperand(Assembly& a, uint8_t O, bool allowCopy) {
  Operand op = ReadOperand(a, ExtendedRegs(a), 0);
  Code c;
  switch (op.kind) {
    case OpKind::Reg:
      if (kRegField[op.reg] < 0) return SyntaxError(a);
      c.Prefix(op.reg).Op(0xCB).Op(O + kRegField[op.reg]);
      break;
    case OpKind::Ind:
      if (op.reg != zrHL) return SyntaxError(a);
      c.Op(0xCB).Op(O + 6);
      break;
    case OpKind::Idx: {
      uint8_t last = O + 6;
      if (allowCopy && !a.options.On(zoStrict) && AcceptComma(a)) {
        Z80Reg r = PeekReg(a);
        if (!RegIn(r, kMain8)) return SyntaxError(a);
        LexNext(a);
        last = static_cast<uint8_t>(O + RegField(a, r));
      }
      c.Prefix(op.reg).Op(0xCB).Operand8(op.value, op.label).Op(last);
      break;
    }
    default:
      return SyntaxError(a);
  }
  Emit(a, c);
}

// Z80N: ADD HL/DE/BC, A and ADD HL/DE/BC, nn.
void EncodeNextAdd(Assembly& a, Z80Reg dst) {
  if (!NextAllowed(a)) return SyntaxError(a);
  uint8_t row = dst == zrHL ? 0 : dst == zrDE ? 1 : 2;
  Code c;
  if (PeekReg(a) == zrA) {
    LexNext(a);
    c.Op(0xED).Op(0x31 + row);
  } else {
    Operand op = ReadOperand(a, 0, 0);
    if (op.kind != OpKind::Imm) return SyntaxError(a);
    int32_t nn = ReadImmediate(a, EvalWordValue, op.label);
    c.Op(0xED).Op(0x34 + row).Operand16(nn, op.label);
  }
  Emit(a, c);
}

}  // namespace

void HandleFixed(Assembly& a, TToken k) {
  LexNext(a);
  const OpInfo& f = kOps[k];
  bool flows = !f.noFlow;
  if (f.ed) PlantByte(a, 0xED, true, flows, false);
  PlantByte(a, f.base, true, flows, false);
}

void HandleLogic(Assembly& a, TToken k) {
  LexNext(a);
  const OpInfo& f = kOps[k];
  if (PeekReg(a) == zrA) {
    LexNext(a);
    if (AcceptComma(a)) {
      // SUB A,B is SUB B outside strict mode.
      if (a.options.On(zoStrict)) return SyntaxError(a);
      return EncodeAluOperand(a, f.base, f.imm);
    }
    PlantCode(a, f.base + 7);
    return;
  }
  EncodeAluOperand(a, f.base, f.imm);
}

void HandleArith(Assembly& a, TToken k) {
  LexNext(a);
  const OpInfo& f = kOps[k];
  Z80Reg dst = PeekReg(a);
  switch (dst) {
    case zrA:
      LexNext(a);
      if (AcceptComma(a)) return EncodeAluOperand(a, f.base, f.imm);
      if (a.options.On(zoStrict)) return SyntaxError(a);
      PlantCode(a, f.base + 7);
      return;
    case zrHL:
    case zrIX:
    case zrIY:
    case zrDE:
    case zrBC: {
      LexNext(a);
      if (!AcceptComma(a)) return SyntaxError(a);
      Z80Reg src = PeekReg(a);
      bool pairSource = src == zrBC || src == zrDE || src == zrSP || src == dst;
      if (pairSource && (dst == zrHL || dst == zrIX || dst == zrIY)) {
        if (dst != zrHL && k != tADD) return SyntaxError(a);
        LexNext(a);
        Code c;
        int p = PairField(a, src);
        if (k == tADD)
          c.Prefix(dst).Op(f.wide + p * 16);
        else
          c.Op(0xED).Op(f.wide + p * 16);
        Emit(a, c);
        return;
      }
      if (k == tADD && (dst == zrHL || dst == zrDE || dst == zrBC) && (src == zrA || src == zrNone))
        return EncodeNextAdd(a, dst);
      return SyntaxError(a);
    }
    default:
      // The short forms without "A,".
      if (a.options.On(zoStrict)) return SyntaxError(a);
      EncodeAluOperand(a, f.base, f.imm);
  }
}

void HandleIncDec(Assembly& a, TToken k) {
  LexNext(a);
  const OpInfo& f = kOps[k];
  Operand op = ReadOperand(a, ExtendedRegs(a), 0);
  Code c;
  switch (op.kind) {
    case OpKind::Reg:
      if (kRegField[op.reg] >= 0)
        c.Prefix(op.reg).Op(f.base + kRegField[op.reg] * 8);
      else if (op.reg == zrIX || op.reg == zrIY)
        c.Prefix(op.reg).Op(f.imm + 0x20);
      else if (op.reg == zrBC || op.reg == zrDE || op.reg == zrHL || op.reg == zrSP)
        c.Op(f.imm + PairField(a, op.reg) * 16);
      else
        return SyntaxError(a);
      break;
    case OpKind::Ind:
      if (op.reg != zrHL) return SyntaxError(a);
      c.Op(f.wide);
      break;
    case OpKind::Idx:
      c.Prefix(op.reg).Op(f.wide).Operand8(op.value, op.label);
      break;
    default:
      return SyntaxError(a);
  }
  Emit(a, c);
}

void HandleShift(Assembly& a, TToken k) {
  LexNext(a);
  if (k == tSLI && a.options.On(zoStrict)) return SyntaxError(a);
  EncodeCBOperand(a, kOps[k].base, true);
}

void HandleBit(Assembly& a, TToken k) {
  LexNext(a);
  int32_t bit = EvalBitIndex(a);
  // The bit number is part of the opcode: there is no byte a label could name.
  if (!a.eval.OperandLabelName.empty()) return ReportError(a, E_IllegalSMCLabel);
  if (!AcceptComma(a)) return SyntaxError(a);
  EncodeCBOperand(a, static_cast<uint8_t>(kOps[k].base + bit * 8), k != tBIT);
}

void RegisterZ80Instructions(DispatchTable& t) {
  for (TToken k : {tCCF,  tCPL, tDAA,  tDI,   tEI,   tEXX,  tHALT, tNOP, tRLA,  tRLCA, tRRA,  tRRCA,
                   tSCF,  tCPD, tCPDR, tCPI,  tCPIR, tIND,  tINDR, tINI, tINIR, tLDD,  tLDDR, tLDI,
                   tLDIR, tNEG, tOTDR, tOTIR, tOUTD, tOUTI, tRLD,  tRRD, tRETI, tRETN})
    t.Set(k, HandleFixed);  // no operands, no errors of its own
  for (TToken k : {tAND, tCP, tOR, tSUB, tXOR, tEOR}) t.Set(k, Guarded<HandleLogic>);
  for (TToken k : {tADD, tADC, tSBC}) t.Set(k, Guarded<HandleArith>);
  t.Set(tINC, Guarded<HandleIncDec>);
  t.Set(tDEC, Guarded<HandleIncDec>);
  for (TToken k : {tRLC, tRRC, tRL, tRR, tSLA, tSRA, tSLI, tSRL}) t.Set(k, Guarded<HandleShift>);
  for (TToken k : {tBIT, tRES, tSET}) t.Set(k, Guarded<HandleBit>);
  t.Set(tJP, Guarded<HandleJP>);
  t.Set(tCALL, Guarded<HandleCALL>);
  t.Set(tRET, Guarded<HandleRET>);
  t.Set(tRST, Guarded<HandleRST>);
  t.Set(tJR, Guarded<HandleRelative>);
  t.Set(tDJNZ, Guarded<HandleRelative>);
  t.Set(tIM, Guarded<HandleIM>);
  t.Set(tEX, Guarded<HandleEX>);
  t.Set(tIN, Guarded<HandleIN>);
  t.Set(tOUT, Guarded<HandleOUT>);
  t.Set(tPUSH, Guarded<HandlePushPop>);
  t.Set(tPOP, Guarded<HandlePushPop>);
  t.Set(tLD, Guarded<HandleLD>);
  t.Set(tLM, Guarded<HandleLM>);
}
