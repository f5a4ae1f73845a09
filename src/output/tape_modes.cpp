// Tape modes 0 and 2: a plain CODE file, and code carried inside the BASIC
// loader's REM line with a relocator that moves it to its place.

#include <cstdint>

#include "output/output_defs.h"
#include "output/tape_build.h"

namespace {

// Bytes of a data block around its data: flag and check.
constexpr uint32_t kMaxBlockData = 0xFFFF - 2;
// LOAD "" needs the program and a working stack below RAMTOP ($FF57).
constexpr uint32_t kBasicRoomTop = 0xFF58 - 0x200;
constexpr uint32_t kBasicStart = 23755;  // where LOAD "" puts the program
constexpr uint32_t kProgramExtra = 34;   // program and variables around the REM body

// The 29-byte relocator for code below 23775: it copies a 14-byte helper to
// the top of memory, and the helper copies the code forwards from the REM
// line to its place and runs it.
constexpr uint16_t kHelperAddress = 0xFFF2;
constexpr uint32_t kLowRelocatorSize = 29;
constexpr uint32_t kHighRelocatorFrom = 23775;

void PutWord(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}

std::string LowRelocator(uint32_t base, uint32_t length, uint32_t execute) {
  std::string r;
  const uint16_t helperSource = kRemBodyAddress + 15;
  const uint16_t codeSource = kRemBodyAddress + kLowRelocatorSize;
  r += '\xF3';  // DI
  r += '\x21';  // LD HL,helper in the REM line
  PutWord(r, helperSource);
  r += '\x11';  // LD DE,$FFF2
  PutWord(r, kHelperAddress);
  r += '\x01';  // LD BC,14
  PutWord(r, 14);
  r += "\xED\xB0";  // LDIR
  r += '\xC3';      // JP $FFF2
  PutWord(r, kHelperAddress);
  // The helper, run at $FFF2.
  r += '\x21';  // LD HL,code in the REM line
  PutWord(r, codeSource);
  r += '\x11';  // LD DE,base
  PutWord(r, base);
  r += '\x01';  // LD BC,length
  PutWord(r, length);
  r += "\xED\xB0";  // LDIR
  r += '\xC3';      // JP execute
  PutWord(r, execute);
  return r;
}

// The 15-byte relocator for code at 23775 or above: copies the code
// backwards from its last byte, so a place overlapping the REM line is safe.
std::string HighRelocator(uint32_t base, uint32_t length, uint32_t execute, bool fits) {
  std::string r;
  r += fits ? '\x00' : '\xF3';  // NOP, or DI when the code may reach the stack
  r += '\x21';                  // LD HL,last byte of the code in the REM line
  PutWord(r, kHighRelocatorFrom - 1 + length);
  r += '\x11';  // LD DE,last byte of the code at its place
  PutWord(r, base + length - 1);
  r += '\x01';  // LD BC,length
  PutWord(r, length);
  r += "\xED\xB8";  // LDDR
  r += '\xC3';      // JP execute
  PutWord(r, execute);
  return r;
}

}  // namespace

void BuildPlainCode(TapeBuild& t) {
  const uint32_t length = t.d.Param2;
  if (length == 0) return TapeError(t, " Tape cannot be generated! The code block is empty.");
  if (length > kMaxBlockData)
    return TapeError(t, " Tape cannot be generated! A CODE block holds at most 65533 bytes.");
  t.blocks.push_back(
      CodeHeader(t.name, static_cast<uint16_t>(length), static_cast<uint16_t>(t.d.Param4)));
  t.blocks.push_back(StandardBlock(0xFF, TapeCode(t, t.d.Param1, length), 0));
}

void BuildCodeInBasic(TapeBuild& t) {
  const uint32_t base = t.d.Param1, length = t.d.Param2, execute = t.d.Param4;
  if (length == 0) return TapeError(t, " Tape cannot be generated! The code block is empty.");
  if (static_cast<uint64_t>(base) + length > 0x10000)
    return TapeError(t, " Tape cannot be generated! The code must lie within $0000-$FFFF.");
  std::string body;
  if (base == kRemBodyAddress) {
    // The code runs where it lands.
  } else if (base < kHighRelocatorFrom) {
    if (base + length > kHelperAddress)
      return TapeError(
          t, " Tape cannot be generated! The code would overwrite its relocator at $FFF2.");
    body = LowRelocator(base, length, execute);
  } else {
    body = HighRelocator(base, length, execute, AddressCheckFits(t.d));
  }
  body += TapeCode(t, base, length);
  if (kBasicStart + body.size() + kProgramExtra > kBasicRoomTop)
    return TapeError(t, " Tape cannot be generated! The code is too long for the BASIC loader.");
  for (TapeBlock& b : BasicLoaderBlocks(t.name, body)) t.blocks.push_back(std::move(b));
}
