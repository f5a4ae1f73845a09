// Z80 snapshots: version 1 (one compressed 48K stream) for the 48K-class
// models, version 2 (an extended header and eight compressed 16K pages) for
// the 128K-class models and the Next. The registers other than SP and PC are
// fixed values, those of a machine that has just run its ROM's start-up.

#include <algorithm>

#include "assembler/assembly.h"
#include "output/snapshot_image.h"
#include "output/snapshots.h"

namespace {

constexpr uint8_t kMark = 0xED;
constexpr size_t kMaxBlock = 255;

// The fixed registers of the 30-byte header by version (PC and SP aside).
struct Z80Header {
  uint8_t flags;
  uint16_t DE, AltBC;
  uint8_t AltA, AltF;
  uint16_t IX;
};
constexpr Z80Header kVersion1 = {0x2E, 0x5CDB, 0x1721, 0x44, 0x00, 0x03D4};
constexpr Z80Header kVersion2 = {0x0E, 0x5CDA, 0x1801, 0xC9, 0x2C, 0xFD6C};

std::string BaseHeader(const Z80Header& h, uint16_t pc, uint16_t sp) {
  std::string out;
  PutByte(out, 0x00);    // A
  PutByte(out, 0x54);    // F
  PutWord(out, 0x8000);  // BC
  PutWord(out, 0x2D2B);  // HL
  PutWord(out, pc);
  PutWord(out, sp);
  PutByte(out, 0x3F);  // I
  PutByte(out, 0x74);  // R
  PutByte(out, h.flags);
  PutWord(out, h.DE);
  PutWord(out, h.AltBC);
  PutWord(out, 0x369B);  // DE'
  PutWord(out, 0x2758);  // HL'
  PutByte(out, h.AltA);
  PutByte(out, h.AltF);
  PutWord(out, 0x5C3A);  // IY
  PutWord(out, h.IX);
  PutByte(out, 1);  // IFF1
  PutByte(out, 1);  // IFF2
  PutByte(out, 1);  // interrupt mode
  return out;
}

std::string Version1(const Assembly& a, SnapshotStart s) {
  std::string out = BaseHeader(kVersion1, s.PC, s.SP);
  std::string ram = SnapshotBank(a, 5) + SnapshotBank(a, 2) + SnapshotBank(a, 0);
  out += Z80Compress(ram);
  out += std::string_view("\x00\xED\xED\x00", 4);
  return out;
}

std::string Version2(const Assembly& a, SnapshotStart s) {
  std::string out = BaseHeader(kVersion2, 0, s.SP);  // PC 0: an extended header follows
  PutWord(out, 23);                                  // its length
  PutWord(out, s.PC);
  PutByte(out, 3);       // hardware: 128K
  PutByte(out, 0);       // last out to $7FFD
  PutByte(out, 0);       // interface ROM not paged
  PutByte(out, 0);       // emulation flags
  PutByte(out, 0);       // last out to $FFFD
  out.append(16, '\0');  // sound chip registers
  for (int bank = 0; bank < 8; ++bank) {
    std::string data = Z80Compress(SnapshotBank(a, bank));
    PutWord(out, static_cast<uint32_t>(data.size()));
    PutByte(out, bank + 3);  // page number
    out += data;
  }
  return out;
}

}  // namespace

// Runs of equal bytes: a run of $ED, or of more than four bytes, becomes
// $ED $ED count value (255 bytes at most a block; the rest of a longer run is
// a run again); other runs stay as they are.
std::string Z80Compress(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() / 2);
  size_t i = 0;
  while (i < bytes.size()) {
    const char value = bytes[i];
    size_t run = 1;
    while (i + run < bytes.size() && bytes[i + run] == value) ++run;
    i += run;
    while (run > 0) {
      if (static_cast<uint8_t>(value) != kMark && run <= 4) {
        out.append(run, value);
        break;
      }
      size_t block = std::min(run, kMaxBlock);
      out += static_cast<char>(kMark);
      out += static_cast<char>(kMark);
      out += static_cast<char>(block);
      out += value;
      run -= block;
    }
  }
  return out;
}

std::string Z80File(const Assembly& a, SnapshotStart s) {
  const uint8_t model = a.machine.model;
  if (Is128KClass(model) || IsNext(model)) return Version2(a, s);
  return Version1(a, s);
}
