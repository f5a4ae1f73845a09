// Jumps, calls, returns and restarts, the relative jumps, IM, EX, the port
// instructions and the stack instructions.

#include <algorithm>

#include "assembler/assembly.h"
#include "assembler/z80_common.h"

namespace {

// The comma between a condition and its target: a missing one is accepted,
// except under zoStrictSyntax where it is error 208 and assembly goes on.
bool ConditionComma(Assembly& a) {
  if (AcceptComma(a)) return true;
  if (AtStatementEnd(a)) {
    SyntaxError(a);
    return false;
  }
  if (a.options.On(zoStrictSyntax)) ReportErrorText(a, E_MissingComma, {}, false);
  return true;
}

// One superfluous comma before the target of JR and DJNZ is forgiven with a
// warning unless zoStrictSyntax is set.
bool ExtraComma(Assembly& a) {
  LexPeek(a);
  if (!ItemIsChar(a.lex.pos, ",")) return true;
  if (a.options.On(zoStrictSyntax)) {
    SyntaxError(a);
    return false;
  }
  LexNext(a);
  Warning(a, a.diag.currentLine, "I smell Quimble... we don't need no stinkeen' comma ;)");
  return true;
}

// A jump or call target: any integer, of which the low 16 bits are planted.
bool ReadTarget(Assembly& a, int32_t& target, std::string& label) {
  if (PeekReg(a) != zrNone) {
    SyntaxError(a);
    return false;
  }
  target = ReadImmediate(a, EvalInteger, label);
  return true;
}

// Calls and restarts to a routine declared by VELDDATAFOLLOWS in the previous
// pass do not flow into the next byte.
bool CallFlows(const Assembly& a, int32_t target) {
  const auto& l = a.stmt.dataFollowsPrev;
  return std::find(l.begin(), l.end(), target) == l.end();
}

void PlantAbsolute(Assembly& a, uint8_t opcode, bool isCall, bool conditional) {
  int32_t target = 0;
  std::string label;
  if (!ReadTarget(a, target, label)) return;
  bool flows = isCall ? CallFlows(a, target) : conditional;
  Code c;
  c.Op(opcode).Operand16(target, label);
  Emit(a, c, flows);
}

// Z80N: PUSH nn, planted high byte first.
bool PushImmediate(Assembly& a) {
  if (!NextAllowed(a)) {
    SyntaxError(a);
    return false;
  }
  std::string label;
  int32_t nn = ReadImmediate(a, EvalWordValue, label);
  Code c;
  c.Op(0xED).Op(0x8A);
  c.Mark(label, 2);
  c.Op(static_cast<uint8_t>(nn >> 8)).Op(static_cast<uint8_t>(nn));
  if (!label.empty())
    Warning(a, a.diag.currentLine,
            "Note that the Next ridiculously uses big endian data for this instruction!");
  Emit(a, c);
  return true;
}

bool PortIsC(const Assembly& a, const Operand& op) {
  return op.kind == OpKind::Ind && (op.reg == zrC || (op.reg == zrBC && !a.options.On(zoStrict)));
}

int32_t PortNumber(Assembly& a, int32_t v) {
  if (v >= 0 && v <= 255) return v;
  ReportError(a, E_RangeError);
  return 0;
}

}  // namespace

void HandleJP(Assembly& a, TToken) {
  LexNext(a);
  int cc = PeekCond(a);
  if (cc >= 0) {
    LexNext(a);
    if (ConditionComma(a)) PlantAbsolute(a, 0xC2 + cc * 8, false, true);
    return;
  }
  Z80Reg r = PeekReg(a);
  Code c;
  if (r == zrHL || r == zrIX || r == zrIY) {
    if (a.options.On(zoStrict)) return SyntaxError(a);
    LexNext(a);
    c.Prefix(r).Op(0xE9);
    return Emit(a, c, false);
  }
  Operand op = ReadOperand(a, 0, kOpAllowC);
  switch (op.kind) {
    case OpKind::Imm:
      return PlantAbsolute(a, 0xC3, false, false);
    case OpKind::Ind:
      if (op.reg == zrHL) {
        c.Op(0xE9);
      } else if (op.reg == zrC) {  // Z80N
        if (!NextAllowed(a)) return SyntaxError(a);
        c.Op(0xED).Op(0x98);
      } else {
        return SyntaxError(a);
      }
      return Emit(a, c, false);
    case OpKind::Idx:
      if (op.value != 0) return SyntaxError(a);
      c.Prefix(op.reg).Op(0xE9);
      return Emit(a, c, false);
    default:
      return SyntaxError(a);
  }
}

void HandleCALL(Assembly& a, TToken) {
  LexNext(a);
  int cc = PeekCond(a);
  if (cc < 0) return PlantAbsolute(a, 0xCD, true, false);
  LexNext(a);
  if (ConditionComma(a)) PlantAbsolute(a, 0xC4 + cc * 8, true, true);
}

void HandleRET(Assembly& a, TToken) {
  LexNext(a);
  int cc = PeekCond(a);
  if (cc < 0) return PlantCodeNoFlow(a, 0xC9);
  LexNext(a);
  PlantCode(a, 0xC0 + cc * 8);
}

void HandleRST(Assembly& a, TToken) {
  LexNext(a);
  std::string label;
  int32_t n = ReadImmediate(a, EvalByteValue, label);
  // The restart number is part of the opcode: no byte for a label to name.
  if (!label.empty()) return ReportError(a, E_IllegalSMCLabel);
  if (n & 0xC7) return ReportError(a, E_AddressError);
  PlantByte(a, static_cast<uint8_t>(0xC7 + n), true, CallFlows(a, n), false);
}

void HandleRelative(Assembly& a, TToken k) {
  LexNext(a);
  uint8_t opcode = 0x10;  // DJNZ
  bool flows = true;
  if (k == tJR) {
    opcode = 0x18;
    flows = false;
    LexPeek(a);
    if (a.lex.pos.Item == I_TokenN && kTokenCond[a.lex.pos.ITokVal] >= 0) {
      int cc = kTokenCond[a.lex.pos.ITokVal];
      if (cc > 3) return SyntaxError(a);  // JR knows NZ, Z, NC and C only
      LexNext(a);
      if (!ConditionComma(a)) return;
      opcode = static_cast<uint8_t>(0x20 + cc * 8);
      flows = true;
    }
  }
  if (!ExtraComma(a)) return;
  int32_t target = 0;
  std::string label;
  if (!ReadTarget(a, target, label)) return;
  // Forward labels are unknown in pass 1; the offset is then 2 whatever the
  // target, so that pass reports nothing.
  // The distance is taken in 64 bits: a target near the 32-bit limit is a
  // range error, not an overflow. The byte planted is its low byte either way.
  const int64_t distance =
      a.pass.pass == 1 ? 2 : int64_t{target} - (int64_t{CurSeg(a).StatementPC} + 2);
  if (distance < -128 || distance > 127) ReportError(a, E_RangeError);
  const auto offset = static_cast<int32_t>(distance);
  Code c;
  c.Op(opcode).Operand8(offset, label);
  Emit(a, c, flows);
}

void HandleIM(Assembly& a, TToken) {
  static constexpr uint8_t kModes[3] = {0x46, 0x56, 0x5E};
  LexNext(a);
  std::string label;
  int32_t n = ReadImmediate(a, EvalInteger, label);
  if (!label.empty()) return ReportError(a, E_IllegalSMCLabel);
  if (n < 0 || n > 2) return SyntaxError(a);
  PlantCode(a, 0xED);
  PlantCode(a, kModes[n]);
}

void HandleEX(Assembly& a, TToken) {
  LexNext(a);
  Z80Reg r = PeekReg(a);
  if (r == zrAF) {
    LexNext(a);
    if (!AcceptComma(a)) return SyntaxError(a);
    LexPeek(a);
    if (!ItemIsToken(a.lex.pos, tAFPRIME)) return SyntaxError(a);
    LexNext(a);
    return PlantCode(a, 0x08);
  }
  if (r == zrDE) {
    LexNext(a);
    if (!AcceptComma(a) || PeekReg(a) != zrHL) return SyntaxError(a);
    LexNext(a);
    return PlantCode(a, 0xEB);
  }
  Operand op = ReadOperand(a, 0, 0);
  if (op.kind != OpKind::Ind || op.reg != zrSP || !AcceptComma(a)) return SyntaxError(a);
  Z80Reg src = PeekReg(a);
  if (src != zrHL && src != zrIX && src != zrIY) return SyntaxError(a);
  LexNext(a);
  Code c;
  c.Prefix(src).Op(0xE3);
  Emit(a, c);
}

void HandleIN(Assembly& a, TToken) {
  LexNext(a);
  Z80Reg r = PeekReg(a);
  if (!RegIn(r, kMain8 | RegBit(zrF))) return SyntaxError(a);
  LexNext(a);
  if (!AcceptComma(a)) return SyntaxError(a);
  Operand port = ReadOperand(a, 0, kOpAllowC | kOpMemEndOrComma);
  Code c;
  if (PortIsC(a, port)) {
    c.Op(0xED).Op(r == zrF ? 0x70 : 0x40 + RegField(a, r) * 8);
  } else if (port.kind == OpKind::Mem && r == zrA) {
    c.Op(0xDB).Operand8(PortNumber(a, port.value), port.label);
  } else {
    return SyntaxError(a);
  }
  Emit(a, c);
}

void HandleOUT(Assembly& a, TToken) {
  LexNext(a);
  Operand port = ReadOperand(a, 0, kOpAllowC | kOpMemComma);
  Code c;
  if (PortIsC(a, port)) {
    if (!AcceptComma(a)) return SyntaxError(a);
    Z80Reg r = PeekReg(a);
    if (RegIn(r, kMain8)) {
      LexNext(a);
      c.Op(0xED).Op(0x41 + RegField(a, r) * 8);
    } else if (r == zrF) {
      LexNext(a);
      c.Op(0xED).Op(0x71);
    } else if (r == zrNone && !a.options.On(zoStrict)) {
      if (EvalInteger(a) != 0) return SyntaxError(a);  // OUT (C),0 only
      c.Op(0xED).Op(0x71);
    } else {
      return SyntaxError(a);
    }
  } else if (port.kind == OpKind::Mem) {
    if (!AcceptComma(a) || PeekReg(a) != zrA) return SyntaxError(a);
    LexNext(a);
    c.Op(0xD3).Operand8(PortNumber(a, port.value), port.label);
  } else {
    return SyntaxError(a);
  }
  Emit(a, c);
}

void HandlePushPop(Assembly& a, TToken k) {
  LexNext(a);
  const uint8_t base = k == tPUSH ? 0xC5 : 0xC1;
  const bool list = !a.options.On(zoStrict);
  do {
    CurSeg(a).ElementPC = CurSeg(a).PC;
    Z80Reg r = PeekReg(a);
    Code c;
    switch (r) {
      case zrBC:
      case zrDE:
      case zrHL:
      case zrIX:
      case zrIY:
        c.Prefix(r).Op(base + PairField(a, r) * 16);
        break;
      case zrAF:
        c.Op(base + 0x30);
        break;
      case zrNone:
        if (k == tPUSH && !AtStatementEnd(a)) {
          if (!PushImmediate(a)) return;
          continue;
        }
        return SyntaxError(a);
      default:
        return SyntaxError(a);
    }
    LexNext(a);
    Emit(a, c);
  } while (list && AcceptComma(a));
}
