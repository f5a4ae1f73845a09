// The ZX Spectrum Next (Z80N) instructions that have keywords of their own,
// the emulator's debugging instructions and the emulator command block. The
// Next forms of existing mnemonics (ADD rr,A and ADD rr,nn, PUSH nn, JP (C))
// live with their Z80 families.

#include "assembler/assembly.h"
#include "assembler/data_lists.h"
#include "assembler/z80_common.h"

namespace {

// The 16-bit opcode value of each keyword, low byte first as PlantNextPair
// takes it ($A4ED is $ED $A4); 0 for keywords that are not here.
constexpr std::array<uint16_t, kTokenCount> kNextOps = [] {
  std::array<uint16_t, kTokenCount> t{};
  t[tLDIX] = 0xA4ED;
  t[tLDWS] = 0xA5ED;
  t[tLDIRX] = 0xB4ED;
  t[tLDDX] = 0xACED;
  t[tLDDRX] = 0xBCED;
  t[tLDPIRX] = 0xB7ED;
  t[tLDIRSCALE] = 0xB6ED;
  t[tOUTINB] = 0x90ED;
  t[tPIXELDN] = 0x93ED;
  t[tPIXELAD] = 0x94ED;
  t[tSETAE] = 0x95ED;
  t[tSWAPNIB] = 0x23ED;
  t[tMIRROR] = 0x24ED;
  t[tTEST] = 0x27ED;
  t[tMUL] = 0x30ED;
  t[tBSLA] = 0x28ED;
  t[tBSRA] = 0x29ED;
  t[tBSRL] = 0x2AED;
  t[tBSRF] = 0x2BED;
  t[tBRLC] = 0x2CED;
  t[tDBGBREAK] = 0x01DD;
  t[tDBGEXIT] = 0x00DD;
  return t;
}();

// Consumes the register r when it is the peeked item.
bool AcceptReg(Assembly& a, Z80Reg r) {
  if (PeekReg(a) != r) return false;
  LexNext(a);
  return true;
}

// An expression operand: anything but a register or an indirect form.
bool AtExpression(Assembly& a) {
  if (AtStatementEnd(a)) return false;
  return ReadOperand(a, 0, 0).kind == OpKind::Imm;
}

// LDIX, LDWS, ... SWAPNIB: no operands.
void HandleNextFixed(Assembly& a, TToken k) {
  LexNext(a);
  PlantNextPair(a, kNextOps[k]);
}

// MIRROR A: the register A is the only operand there is.
void HandleMirror(Assembly& a, TToken k) {
  LexNext(a);
  if (!NextAllowed(a) || !AcceptReg(a, zrA)) return SyntaxError(a);
  PlantNextPair(a, kNextOps[k]);
}

// MUL D,E, MUL E,D or MUL alone: the operands only say what it does.
void HandleMul(Assembly& a, TToken k) {
  LexNext(a);
  if (!NextAllowed(a)) return SyntaxError(a);
  if (!AtStatementEnd(a)) {
    const Z80Reg first = PeekReg(a);
    const Z80Reg second = first == zrD ? zrE : zrD;
    if ((first != zrD && first != zrE) || !AcceptReg(a, first) || !AcceptComma(a) ||
        !AcceptReg(a, second))
      return SyntaxError(a);
  }
  PlantNextPair(a, kNextOps[k]);
}

// The barrel shifts: DE,B or no operands.
void HandleBarrelShift(Assembly& a, TToken k) {
  LexNext(a);
  if (!NextAllowed(a)) return SyntaxError(a);
  if (!AtStatementEnd(a) && !(AcceptReg(a, zrDE) && AcceptComma(a) && AcceptReg(a, zrB)))
    return SyntaxError(a);
  PlantNextPair(a, kNextOps[k]);
}

// TEST n: the opcode, then the byte n.
void HandleTest(Assembly& a, TToken k) {
  LexNext(a);
  if (!NextAllowed(a) || !AtExpression(a)) return SyntaxError(a);
  std::string label;
  const int32_t n = ReadImmediate(a, EvalByteValue, label);
  Code c;
  c.Op(static_cast<uint8_t>(kNextOps[k])).Op(static_cast<uint8_t>(kNextOps[k] >> 8));
  c.Operand8(n, label);
  Emit(a, c);
}

// NEXTREG reg, A ($ED $92 reg) and NEXTREG reg, value ($ED $91 reg value).
// An operand label names its own byte, which is planted writable.
void HandleNextReg(Assembly& a, TToken) {
  LexNext(a);
  if (!NextAllowed(a) || !AtExpression(a)) return SyntaxError(a);
  std::string regLabel;
  const int32_t reg = ReadImmediate(a, EvalByteValue, regLabel);
  if (!AcceptComma(a)) return SyntaxError(a);
  Code c;
  c.Op(0xED);
  if (AcceptReg(a, zrA)) {
    c.Op(0x92).Operand8(reg, regLabel);
  } else {
    if (!AtExpression(a)) return SyntaxError(a);
    std::string valueLabel;
    const int32_t value = ReadImmediate(a, EvalByteValue, valueLabel);
    c.Op(0x91).Operand8(reg, regLabel).Operand8(value, valueLabel);
  }
  Emit(a, c);
}

// DBGBREAK and DBGEXIT exist only while zoDebug is set; otherwise the
// statement is dropped without a word.
void HandleDebug(Assembly& a, TToken k) {
  LexNext(a);
  if (a.options.On(zoDebug)) PlantNextPair(a, kNextOps[k]);
}

// Keeps the image from being written while a withdrawn block is assembled.
class WithholdStores {
 public:
  WithholdStores(Assembly& a, bool on) : image_(a.image), was_(a.image.storesWithheld) {
    image_.storesWithheld = was_ || on;
  }
  ~WithholdStores() { image_.storesWithheld = was_; }
  WithholdStores(const WithholdStores&) = delete;
  WithholdStores& operator=(const WithholdStores&) = delete;

 private:
  MemoryImage& image_;
  bool was_;
};

// VELDEMUCMD list: an emulator command block, $DD $C3 and the address after
// the block (a jump over it on a processor that knows no such command), then
// the list as DB plants it. While zoDebug is 0 the block is assembled for its
// errors and labels, stores nothing, and PC returns to its first byte. A
// processor running into the block runs past it, so the flow state is the
// one before the block.
void HandleEmulatorCommand(Assembly& a, TToken) {
  LexNext(a);
  const bool keep = a.options.On(zoDebug);
  const bool flows = CurSeg(a).Flows;
  const int32_t start = CurSeg(a).PC;
  const int64_t field = static_cast<int64_t>(start) + CurSeg(a).Displacement + 2;
  {
    WithholdStores withhold(a, !keep);
    const bool writable = DataWritable(a);
    ErrorWatch watch(a);
    for (uint8_t v : {0xDD, 0xC3, 0x00, 0x00}) PlantByte(a, v, false, false, writable);
    if (watch.Fired(a)) return;  // inside STRUCT
    AssembleDataList(a, ElementKind::Byte, false);
    TSegmentEntry& s = CurSeg(a);
    if (keep && a.pass.clean) {
      const int64_t base = s.Base, end = base + static_cast<int64_t>(s.Length);
      for (int i = 0; i < 2; ++i)
        if (field + i >= base && field + i < end)
          StoreImageByte(a, field + i, static_cast<uint8_t>(s.PC >> (8 * i)), false, writable);
    }
  }
  TSegmentEntry& s = CurSeg(a);
  if (!keep) s.PC = start;
  s.Flows = flows;
}

}  // namespace

void RegisterZ80NInstructions(DispatchTable& t) {
  for (TToken k : {tLDIX, tLDWS, tLDIRX, tLDDX, tLDDRX, tLDPIRX, tLDIRSCALE, tOUTINB, tPIXELDN,
                   tPIXELAD, tSETAE, tSWAPNIB})
    t.Set(k, HandleNextFixed);
  t.Set(tMIRROR, Guarded<HandleMirror>);
  t.Set(tMUL, Guarded<HandleMul>);
  for (TToken k : {tBSLA, tBSRA, tBSRL, tBSRF, tBRLC}) t.Set(k, Guarded<HandleBarrelShift>);
  t.Set(tTEST, Guarded<HandleTest>);
  t.Set(tNEXTREG, Guarded<HandleNextReg>);
  t.Set(tDBGBREAK, HandleDebug);
  t.Set(tDBGEXIT, HandleDebug);
  t.Set(tVELDEMUCMD, Guarded<HandleEmulatorCommand>);
}
