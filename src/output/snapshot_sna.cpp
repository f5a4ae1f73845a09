// SNA snapshots of the ZX Spectrum: a 27-byte register header, then the RAM.
// The 48K layout holds banks 5, 2 and 0; the 128K layout (128K, +2, +3 and
// Next) adds PC, the $7FFD port and the other banks. The start address is
// stacked in RAM unless the 128K start vector alone is asked for.

#include "assembler/assembly.h"
#include "output/snapshot_image.h"
#include "output/snapshots.h"

namespace {

constexpr uint16_t kRamStart = 0x4000;

std::string Header(const SnapshotCpuState& c, uint16_t sp) {
  std::string h;
  PutByte(h, c.I);
  for (uint16_t pair : {c.AltHL, c.AltDE, c.AltBC, c.AltAF, c.HL, c.DE, c.BC, c.IY, c.IX})
    PutWord(h, pair);
  PutByte(h, c.IFF1 ? 4 : 0);
  PutByte(h, c.R);
  PutWord(h, c.AF);  // F, then A
  PutWord(h, sp);
  PutByte(h, c.IM);
  PutByte(h, 0);  // border
  return h;
}

// The banks at $4000, $8000 and $C000 when the program starts.
struct Visible {
  int numbers[3];
  std::string banks[3];

  Visible(const Assembly& a, int paged) : numbers{5, 2, paged} {
    for (int i = 0; i < 3; ++i) banks[i] = PagedBank(a, numbers[i]);
  }
  // Stores PC little-endian at `sp`, which lies in $4000 to $FFFE. A bank
  // written twice (paged at $C000 as well) gets the bytes in both copies, so
  // the copy a reader takes last still holds them.
  void Stack(uint16_t sp, uint16_t pc) {
    for (uint16_t at : {sp, static_cast<uint16_t>(sp + 1)}) {
      const uint16_t offset = at - kRamStart;
      const int bank = numbers[offset / kBankSize];
      for (int i = 0; i < 3; ++i)
        if (numbers[i] == bank)
          banks[i][offset % kBankSize] = static_cast<char>(at == sp ? pc : pc >> 8);
    }
  }
};

std::string Layout48K(const Assembly& a, SnapshotStart s) {
  Visible v(a, 0);
  const uint16_t sp = static_cast<uint16_t>(s.SP - 2);
  v.Stack(sp, s.PC);
  return Header(a.cpu, sp) + v.banks[0] + v.banks[1] + v.banks[2];
}

std::string Layout128K(const Assembly& a, SnapshotStart s) {
  const int32_t port = a.cpu.P7FFD < 0 ? 0 : a.cpu.P7FFD;
  const int paged = port & 7;
  Visible v(a, paged);
  uint16_t sp = s.SP;
  if (SnaStacksPC(a)) {
    sp = static_cast<uint16_t>(sp - 2);
    v.Stack(sp, s.PC);
  }
  std::string out = Header(a.cpu, sp) + v.banks[0] + v.banks[1] + v.banks[2];
  PutWord(out, s.PC);
  PutByte(out, static_cast<uint32_t>(port));
  PutByte(out, 0);  // TR-DOS not paged
  for (int bank : {0, 1, 3, 4, 6, 7})
    if (bank != paged) out += PagedBank(a, bank);
  return out;
}

}  // namespace

bool StackedStartFits(uint16_t sp) {
  const uint16_t low = static_cast<uint16_t>(sp - 2);
  return low >= kRamStart && low != 0xFFFF;
}

bool SnaStacksPC(const Assembly& a) {
  return Is48K(a.machine.model) || !a.cpu.onlyUse128KSNAVector;
}

std::string SpectrumSnaFile(const Assembly& a, SnapshotStart s) {
  if (Is48K(a.machine.model)) return Layout48K(a, s);
  return Layout128K(a, s);
}
