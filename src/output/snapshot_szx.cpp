// SZX snapshots: a header, then tagged blocks (four-character identifier,
// 32-bit size, data): the creator, the Z80 registers, the Spectrum's ports
// and one zlib-compressed block per 16K RAM bank.

#include <zlib.h>

#include <new>

#include "assembler/assembly.h"
#include "output/snapshot_image.h"
#include "output/snapshots.h"

namespace {

constexpr std::string_view kCreator = "Created with veld veld.example";

// Machine identifiers: 48K (also every model that is not 128K-class), 128K,
// +2 and +3.
uint8_t MachineId(uint8_t model) {
  if (Is128K(model)) return 2;
  if (IsPlus2(model)) return 3;
  if (IsPlus3(model)) return 5;
  return 1;
}

void PutBlock(std::string& out, std::string_view id, std::string_view data) {
  out += id;
  PutLong(out, static_cast<uint32_t>(data.size()));
  out += data;
}

std::string CreatorBlock() {
  std::string d = FixedText(kCreator, 32);
  PutWord(d, 1);  // creator's major version
  PutWord(d, 1);  // and minor version
  return d;
}

std::string RegisterBlock(const SnapshotCpuState& c, SnapshotStart s) {
  std::string d;
  for (uint16_t pair :
       {c.AF, c.BC, c.DE, c.HL, c.AltAF, c.AltBC, c.AltDE, c.AltHL, c.IX, c.IY, s.SP, s.PC})
    PutWord(d, pair);
  PutByte(d, c.I);
  PutByte(d, c.R);
  PutByte(d, c.IFF1 ? 1 : 0);
  PutByte(d, c.IFF2 ? 1 : 0);
  PutByte(d, c.IM);
  PutLong(d, 0);  // cycles since the last interrupt
  PutByte(d, 0);  // interrupt hold cycles
  PutByte(d, 0);  // flags
  PutWord(d, c.MEMPTR);
  return d;
}

// A paging port not preset starts at 0: a 128K-class machine then has bank 0
// at $C000 and the normal screen, as the program was assembled for.
uint8_t PortValue(int32_t preset) { return preset < 0 ? 0 : static_cast<uint8_t>(preset); }

std::string PortBlock(const SnapshotCpuState& c) {
  std::string d;
  PutByte(d, 7);  // border
  PutByte(d, PortValue(c.P7FFD));
  PutByte(d, PortValue(c.P1FFD));
  PutByte(d, 0);  // last value out to $FE
  PutLong(d, 0);  // reserved
  return d;
}

std::string RamBlock(const std::string& bank, int number) {
  uLongf size = compressBound(static_cast<uLong>(bank.size()));
  std::string d(3 + size, '\0');
  SetWord(d, 0, 1);  // compressed
  d[2] = static_cast<char>(number);
  // With a buffer of compressBound bytes only a lack of memory can fail.
  if (compress2(reinterpret_cast<Bytef*>(d.data() + 3), &size,
                reinterpret_cast<const Bytef*>(bank.data()), static_cast<uLong>(bank.size()),
                Z_BEST_COMPRESSION) != Z_OK)
    throw std::bad_alloc();
  d.resize(3 + size);
  return d;
}

}  // namespace

std::string SzxFile(const Assembly& a, SnapshotStart s) {
  const uint8_t model = a.machine.model;
  std::string out = "ZXST";
  PutByte(out, 1);  // major version
  PutByte(out, 1);  // minor version
  PutByte(out, MachineId(model));
  PutByte(out, 0);  // flags
  PutBlock(out, "CRTR", CreatorBlock());
  PutBlock(out, "Z80R", RegisterBlock(a.cpu, s));
  PutBlock(out, "SPCR", PortBlock(a.cpu));
  static constexpr int kAllBanks[] = {0, 1, 2, 3, 4, 5, 6, 7};
  static constexpr int k48KBanks[] = {5, 2, 0};
  auto put = [&](int bank) { PutBlock(out, "RAMP", RamBlock(SnapshotBank(a, bank), bank)); };
  if (Is128KClass(model))
    for (int bank : kAllBanks) put(bank);
  else
    for (int bank : k48KBanks) put(bank);
  return out;
}
