#pragma once
// Definitions shared by the Z80 and Z80N encoders: the operand codes, tables
// indexed by token ordinal (register, condition), the opcode fields of each
// register, the operand readers and the small buffer an instruction is built
// in before it is planted.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "assembler/statement_loop.h"
#include "common/types.h"

struct Assembly;

// Operand codes of the registers.
enum Z80Reg : uint8_t {
  zrNone,
  zrA,
  zrB,
  zrC,
  zrD,
  zrE,
  zrH,
  zrL,
  zrAF,
  zrBC,
  zrDE,
  zrHL,
  zrIX,
  zrIY,
  zrSP,
  zrIXL,
  zrIXH,
  zrIYL,
  zrIYH,
  zrF,
  zrI,
  zrR,
  kZ80RegCount
};

constexpr uint32_t RegBit(Z80Reg r) { return 1u << r; }

// Register sets the readers accept.
inline constexpr uint32_t kMain8 =
    RegBit(zrA) | RegBit(zrB) | RegBit(zrC) | RegBit(zrD) | RegBit(zrE) | RegBit(zrH) | RegBit(zrL);
inline constexpr uint32_t kHalves = RegBit(zrIXL) | RegBit(zrIXH) | RegBit(zrIYL) | RegBit(zrIYH);
inline constexpr uint32_t kBasicRegs = kMain8 | RegBit(zrAF) | RegBit(zrBC) | RegBit(zrDE) |
                                       RegBit(zrHL) | RegBit(zrIX) | RegBit(zrIY) | RegBit(zrSP) |
                                       RegBit(zrF);
inline constexpr uint32_t kIR = RegBit(zrI) | RegBit(zrR);
inline constexpr uint32_t kPairRegs =
    RegBit(zrBC) | RegBit(zrDE) | RegBit(zrHL) | RegBit(zrIX) | RegBit(zrIY);
inline constexpr uint32_t kAllRegs = kBasicRegs | kHalves | kIR;

constexpr bool RegIn(Z80Reg r, uint32_t set) { return (set >> r) & 1u; }

// Register of a token, zrNone for every other token.
inline constexpr std::array<Z80Reg, kTokenCount> kTokenReg = [] {
  std::array<Z80Reg, kTokenCount> t{};
  t[tA] = zrA;
  t[tB] = zrB;
  t[tC] = zrC;
  t[tD] = zrD;
  t[tE] = zrE;
  t[tH] = zrH;
  t[tL] = zrL;
  t[tAF] = zrAF;
  t[tBC] = zrBC;
  t[tDE] = zrDE;
  t[tHL] = zrHL;
  t[tIX] = zrIX;
  t[tIY] = zrIY;
  t[tSP] = zrSP;
  t[tIXL] = zrIXL;
  t[tIXH] = zrIXH;
  t[tIYL] = zrIYL;
  t[tIYH] = zrIYH;
  t[tF] = zrF;
  t[tI] = zrI;
  t[tR] = zrR;
  return t;
}();

// Condition code of a token; -1 for no condition. NV and V (codes 4 and 5)
// are flagged with bit 3 because they exist only outside strict mode.
inline constexpr int8_t kCondExtended = 8;
inline constexpr std::array<int8_t, kTokenCount> kTokenCond = [] {
  std::array<int8_t, kTokenCount> t{};
  t.fill(-1);
  t[tNZ] = 0;
  t[tZ] = 1;
  t[tNC] = 2;
  t[tC] = 3;
  t[tPO] = 4;
  t[tPE] = 5;
  t[tP] = 6;
  t[tM] = 7;
  t[tNV] = kCondExtended | 4;
  t[tV] = kCondExtended | 5;
  return t;
}();

// Register field r (B 0 .. L 5, A 7; the index halves share H and L); -1
// for registers that have none.
inline constexpr std::array<int8_t, kZ80RegCount> kRegField = [] {
  std::array<int8_t, kZ80RegCount> t{};
  t.fill(-1);
  t[zrB] = 0;
  t[zrC] = 1;
  t[zrD] = 2;
  t[zrE] = 3;
  t[zrH] = 4;
  t[zrL] = 5;
  t[zrA] = 7;
  t[zrIXH] = 4;
  t[zrIXL] = 5;
  t[zrIYH] = 4;
  t[zrIYL] = 5;
  return t;
}();

// Pair field p (BC 0, DE 1, HL/IX/IY 2, SP 3); -1 otherwise.
inline constexpr std::array<int8_t, kZ80RegCount> kPairField = [] {
  std::array<int8_t, kZ80RegCount> t{};
  t.fill(-1);
  t[zrBC] = 0;
  t[zrDE] = 1;
  t[zrHL] = 2;
  t[zrIX] = 2;
  t[zrIY] = 2;
  t[zrSP] = 3;
  return t;
}();

// Index prefix: $DD for IX and its halves, $FD for IY and its halves, else 0.
inline constexpr std::array<uint8_t, kZ80RegCount> kRegPrefix = [] {
  std::array<uint8_t, kZ80RegCount> t{};
  t[zrIX] = t[zrIXH] = t[zrIXL] = 0xDD;
  t[zrIY] = t[zrIYH] = t[zrIYL] = 0xFD;
  return t;
}();

// Field values; an impossible register reports error 217 and gives 0.
int RegField(Assembly& a, Z80Reg r);
int PairField(Assembly& a, Z80Reg r);

// The extended reader's set: the basic registers, and outside strict mode
// also the index halves, I and R.
uint32_t ExtendedRegs(const Assembly& a);
// The set of LD operands: I and R always, the index halves outside strict mode.
uint32_t LoadRegs(const Assembly& a);

// An operand as the readers see it.
enum class OpKind : uint8_t {
  Reg,  // a register (consumed)
  Ind,  // (BC) (DE) (HL) (SP) or, where allowed, (C)
  Idx,  // (IX+d) or (IY+d); value is d
  Mem,  // (nn); value is nn
  Imm,  // an expression, not read yet: the lexer stands at its first item
  Bad,  // a register where none fits, or a malformed register operand
};

struct Operand {
  OpKind kind = OpKind::Bad;
  Z80Reg reg = zrNone;
  int32_t value = 0;
  std::string label;  // operand label given inside the operand, if any
};

// Reader flags.
enum : uint8_t {
  kOpAllowC = 1,         // "(" C ")" is an operand (IN, OUT, JP)
  kOpMemEndOrComma = 2,  // "(" expression ")" is an address when followed by "," or the end
  kOpMemComma = 4,       // "(" expression ")" is an address only when followed by ","
};

// Register of the peeked item (zrNone when it is not a register keyword).
Z80Reg PeekReg(Assembly& a);
// Condition code of the peeked item, or -1 (NV and V only outside strict mode).
int PeekCond(Assembly& a);
// Reads one operand. Registers outside `regs` give Bad without being
// consumed. A parenthesised expression that is not an address under the
// flags leaves the lexer where it started and gives Imm.
Operand ReadOperand(Assembly& a, uint32_t regs, uint8_t flags);

// Accepts a "," when it is the peeked item.
bool AcceptComma(Assembly& a);
bool AtStatementEnd(Assembly& a);
// Error 201 with the rest of the line skipped.
void SyntaxError(Assembly& a);

// Defines an operand label at an address (labels given as [name]).
void DefineOperandLabel(Assembly& a, const std::string& name, int32_t address);

// Reads an immediate through one of the evaluator's checked getters and
// keeps the operand label the expression carried.
using ImmGetter = int32_t (*)(Assembly&);
int32_t ReadImmediate(Assembly& a, ImmGetter get, std::string& label);

// The bytes of one instruction, with their writable marks and the operand
// labels to define at the address of a given byte.
struct Code {
  std::array<uint8_t, 12> b{};
  uint8_t n = 0;
  uint16_t writable = 0;
  struct LabelAt {
    std::string name;  // owned: the operand it came from may be gone by Emit
    uint8_t at = 0;
  };
  // At most three; most instructions have none, and an empty list costs
  // nothing to make and drop.
  std::vector<LabelAt> labels;

  Code& Op(uint8_t v) {
    b[n++] = v;
    return *this;
  }
  Code& Prefix(Z80Reg r) {
    if (kRegPrefix[r]) b[n++] = kRegPrefix[r];
    return *this;
  }
  // An operand byte: writable and labelled when the operand carried a label.
  Code& Operand8(int32_t v, const std::string& label) {
    Mark(label, 1);
    b[n++] = static_cast<uint8_t>(v);
    return *this;
  }
  Code& Operand16(int32_t v, const std::string& label) {
    Mark(label, 2);
    b[n++] = static_cast<uint8_t>(v);
    b[n++] = static_cast<uint8_t>(v >> 8);
    return *this;
  }
  // A further byte of a labelled operand (writable, no label of its own).
  Code& Follow8(int32_t v, const std::string& label) {
    if (!label.empty()) writable |= static_cast<uint16_t>(1u << n);
    b[n++] = static_cast<uint8_t>(v);
    return *this;
  }
  void Mark(const std::string& label, int count) {
    if (label.empty()) return;
    if (labels.size() < 3) labels.push_back({label, n});
    for (int i = 0; i < count; ++i) writable |= static_cast<uint16_t>(1u << (n + i));
  }
};

// Plants the bytes at PC, defining each operand label at its byte first.
void Emit(Assembly& a, const Code& c, bool flows = true);

// Z80N gate: the Next's additions are accepted while zoSupportNext is set and
// zoStrict is not. It is read anew for every statement.
bool NextAllowed(const Assembly& a);
// Plants a Z80N opcode given as one 16-bit value, low byte first ($A4ED
// plants $ED $A4), as flowing instruction bytes. With the gate closed it is
// error 201 with the line skipped, and nothing is planted.
bool PlantNextPair(Assembly& a, uint16_t opcode);

// Whether an error was already counted against the current line.
bool ErrorOnLine(const Assembly& a);
// After a handler: when it reported an error that did not skip the line (a
// missing comma, an undefined label, a range error) and something other than
// the end of the statement follows, the rest of the line is skipped, so that
// text is not read again as a statement of its own.
void SkipAfterNewError(Assembly& a, bool errorBefore);
template <StatementHandler H>
void Guarded(Assembly& a, TToken k) {
  const bool before = ErrorOnLine(a);
  H(a, k);
  SkipAfterNewError(a, before);
}

// Handlers (statement_loop.h StatementHandler), by family.
void HandleFixed(Assembly& a, TToken k);   // one-byte and $ED one-byte
void HandleLogic(Assembly& a, TToken k);   // AND CP OR SUB XOR EOR
void HandleArith(Assembly& a, TToken k);   // ADD ADC SBC
void HandleIncDec(Assembly& a, TToken k);  // INC DEC
void HandleShift(Assembly& a, TToken k);   // RLC RRC RL RR SLA SRA SLI SRL
void HandleBit(Assembly& a, TToken k);     // BIT RES SET
void HandleJP(Assembly& a, TToken k);
void HandleCALL(Assembly& a, TToken k);
void HandleRET(Assembly& a, TToken k);
void HandleRST(Assembly& a, TToken k);
void HandleRelative(Assembly& a, TToken k);  // JR DJNZ
void HandleIM(Assembly& a, TToken k);
void HandleEX(Assembly& a, TToken k);
void HandleIN(Assembly& a, TToken k);
void HandleOUT(Assembly& a, TToken k);
void HandlePushPop(Assembly& a, TToken k);
void HandleLD(Assembly& a, TToken k);
void HandleLM(Assembly& a, TToken k);
