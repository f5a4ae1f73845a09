// Operand readers of the Z80 encoders: registers, conditions, the indirect
// forms in parentheses, immediates with their operand labels, and the
// planting of one built instruction.

#include "assembler/assembly.h"
#include "assembler/z80_common.h"

int RegField(Assembly& a, Z80Reg r) {
  int f = kRegField[r];
  if (f >= 0) return f;
  ReportError(a, E_InternalError);
  return 0;
}

int PairField(Assembly& a, Z80Reg r) {
  int f = kPairField[r];
  if (f >= 0) return f;
  ReportError(a, E_InternalError);
  return 0;
}

uint32_t ExtendedRegs(const Assembly& a) { return a.options.On(zoStrict) ? kBasicRegs : kAllRegs; }

uint32_t LoadRegs(const Assembly& a) {
  return a.options.On(zoStrict) ? (kBasicRegs | kIR) : kAllRegs;
}

bool NextAllowed(const Assembly& a) {
  return a.options.On(zoSupportNext) && !a.options.On(zoStrict);
}

bool PlantNextPair(Assembly& a, uint16_t opcode) {
  if (!NextAllowed(a)) {
    SyntaxError(a);
    return false;
  }
  PlantCode(a, static_cast<uint8_t>(opcode));
  PlantCode(a, static_cast<uint8_t>(opcode >> 8));
  return true;
}

bool ErrorOnLine(const Assembly& a) { return a.diag.lastErrorLine == a.diag.currentLine; }

void SkipAfterNewError(Assembly& a, bool errorBefore) {
  if (!errorBefore && ErrorOnLine(a) && !AtStatementEnd(a)) LexSkipToEOL(a);
}

// The line is skipped even when an earlier error on it (one that did not
// skip) keeps this one from being counted.
void SyntaxError(Assembly& a) {
  ReportError(a, E_SyntaxError);
  LexSkipToEOL(a);
}

Z80Reg PeekReg(Assembly& a) {
  LexPeek(a);
  const TLexPos& p = a.lex.pos;
  return p.Item == I_TokenN ? kTokenReg[p.ITokVal] : zrNone;
}

int PeekCond(Assembly& a) {
  LexPeek(a);
  const TLexPos& p = a.lex.pos;
  if (p.Item != I_TokenN) return -1;
  int c = kTokenCond[p.ITokVal];
  if (c < 0) return -1;
  if (c & kCondExtended) {
    if (a.options.On(zoStrict)) return -1;
    c &= 7;
  }
  return c;
}

bool AcceptComma(Assembly& a) {
  LexPeek(a);
  if (!ItemIsChar(a.lex.pos, ",")) return false;
  LexNext(a);
  return true;
}

bool AtStatementEnd(Assembly& a) {
  LexPeek(a);
  return ItemEndsStatement(a.lex.pos);
}

void DefineOperandLabel(Assembly& a, const std::string& name, int32_t address) {
  DefineAddress(a, FindOrCreateSymbol(a, name), address);
}

int32_t ReadImmediate(Assembly& a, ImmGetter get, std::string& label) {
  int32_t v = get(a);
  if (!a.eval.OperandLabelName.empty()) label = a.eval.OperandLabelName;
  return v;
}

namespace {

// An instruction without operand labels that lies wholly inside its segment
// is planted in one step: the same bytes and cells as byte by byte, without
// checking the bounds and the structure mode for each byte. False (nothing
// done) for any other.
bool PlantWhole(Assembly& a, const Code& c, bool flows) {
  if (!c.labels.empty() || c.n == 0 || a.placement.inStruct) return false;
  TSegmentEntry& s = CurSeg(a);
  if (!s.RunFits(c.n)) return false;
  if (a.pass.clean)
    StoreImageCode(a, static_cast<int64_t>(s.PC) + s.Displacement, std::span(c.b.data(), c.n),
                   c.writable);
  s.PC += c.n;
  s.Flows = flows;
  return true;
}

}  // namespace

void Emit(Assembly& a, const Code& c, bool flows) {
  if (PlantWhole(a, c, flows)) return;
  size_t next = 0;
  for (uint8_t i = 0; i < c.n; ++i) {
    while (next < c.labels.size() && c.labels[next].at == i)
      DefineOperandLabel(a, c.labels[next++].name, CurSeg(a).PC);
    PlantByte(a, c.b[i], true, flows, (c.writable >> i) & 1u);
  }
}

namespace {

bool ExpectClose(Assembly& a) {
  LexPeek(a);
  if (!ItemIsChar(a.lex.pos, ")")) return false;
  LexNext(a);
  return true;
}

// After "(" IX or "(" IY: an optional displacement, then ")". "+" takes a
// value in -128..127; "-" takes a value in -127..128 and negates it; no
// displacement is 0.
Operand ReadIndexed(Assembly& a, Z80Reg index) {
  Operand op;
  op.reg = index;
  bool outOfRange = false;
  LexPeek(a);
  if (ItemIsChar(a.lex.pos, "+")) {
    LexNext(a);
    op.value = EvalSignedByteFlag(a, outOfRange);
    if (!a.eval.OperandLabelName.empty()) op.label = a.eval.OperandLabelName;
  } else if (ItemIsChar(a.lex.pos, "-")) {
    LexNext(a);
    op.value = -EvalOffsetFlag(a, outOfRange);
    if (!a.eval.OperandLabelName.empty()) op.label = a.eval.OperandLabelName;
  }
  if (!ExpectClose(a)) return op;  // kind stays Bad
  op.kind = OpKind::Idx;
  if (outOfRange) {
    ReportError(a, E_RangeError);
    op.value = 0;
  }
  return op;
}

// "(" expression ")" as an address, tried after the "(" was consumed. The
// inside may continue over lines like any parenthesised expression.
bool ReadAddress(Assembly& a, uint8_t flags, Operand& op) {
  ++a.eval.ExprParenDepth;
  int32_t v = EvalInteger(a);
  if (!a.eval.OperandLabelName.empty()) op.label = a.eval.OperandLabelName;
  LexPeek(a);
  bool closed = ItemIsChar(a.lex.pos, ")");
  --a.eval.ExprParenDepth;
  if (!closed) return false;
  LexNext(a);
  LexPeek(a);
  bool comma = ItemIsChar(a.lex.pos, ",");
  if (!(comma || ((flags & kOpMemEndOrComma) && ItemEndsStatement(a.lex.pos)))) return false;
  op.kind = OpKind::Mem;
  op.value = v;
  if (v < -32768 || v > 65535) {
    ReportError(a, E_RangeError);
    op.value = 0;
  }
  return true;
}

}  // namespace

Operand ReadOperand(Assembly& a, uint32_t regs, uint8_t flags) {
  Operand op;
  LexPeek(a);
  const TLexPos& p = a.lex.pos;
  if (p.Item == I_TokenN) {
    Z80Reg r = kTokenReg[p.ITokVal];
    if (r != zrNone && !AtKeywordNamedCall(a)) {
      if (RegIn(r, regs)) {
        LexNext(a);
        op.kind = OpKind::Reg;
        op.reg = r;
      }
      return op;
    }
  }
  if (!ItemIsChar(p, "(")) {
    op.kind = OpKind::Imm;
    return op;
  }
  TLexPos start = LexSave(a);
  int32_t depth = a.eval.ExprParenDepth;
  LexNext(a);
  Z80Reg r = PeekReg(a);
  switch (r) {
    case zrNone:
      break;
    case zrBC:
    case zrDE:
    case zrHL:
    case zrSP:
      LexNext(a);
      if (ExpectClose(a)) {
        op.kind = OpKind::Ind;
        op.reg = r;
      }
      return op;
    case zrC:
      if (!(flags & kOpAllowC)) return op;
      LexNext(a);
      if (ExpectClose(a)) {
        op.kind = OpKind::Ind;
        op.reg = r;
      }
      return op;
    case zrIX:
    case zrIY:
      LexNext(a);
      return ReadIndexed(a, r);
    default:
      return op;  // another register in parentheses
  }
  const int32_t errors = a.pass.nErrors;
  // Inside a macro argument the trial may run past the argument's end, which
  // pops its substitution entry; going back must bring the entries back too.
  std::vector<ParamSubstEntry> params;
  if (flags & (kOpMemEndOrComma | kOpMemComma)) {
    if (!a.lex.paramStack.empty()) params = a.lex.paramStack;
    if (ReadAddress(a, flags, op)) return op;
  }
  // An error inside the parentheses has skipped the line: going back would
  // undo the skip and read the same faulty text a second time.
  if (a.pass.nErrors != errors) {
    a.eval.ExprParenDepth = depth;
    return Operand{};
  }
  // Not an address here: the whole operand is an expression.
  if (!params.empty()) a.lex.paramStack = std::move(params);
  LexRestore(a, start, true);
  a.eval.ExprParenDepth = depth;
  op = Operand{};
  op.kind = OpKind::Imm;
  return op;
}
