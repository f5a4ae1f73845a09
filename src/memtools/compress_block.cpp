// The compression step: the expand routines, the two layouts of the planted
// block, and the work on the image.

#include <cstdio>

#include "assembler/assembly.h"
#include "memtools/compress.h"

namespace {

// The plain expand routine. HL walks the stream, DE the destination; the
// words at offsets 1, 4 and 36 are patched.
constexpr uint8_t kPlainRoutine[56] = {
    0x21, 0x00, 0x00,  //  0 LD HL,stream
    0x11, 0x00, 0x00,  //  3 LD DE,start
    0x7E,              //  6 next: LD A,(HL)    token's first byte
    0x23,              //  7 INC HL
    0xFE, 0xAA,        //  8 CP $AA
    0x28, 0x08,        // 10 JR Z,run
    0xFE, 0xAB,        // 12 CP $AB
    0x28, 0x0E,        // 14 JR Z,copy
    0x12,              // 16 LD (DE),A          literal
    0x13,              // 17 INC DE
    0x18, 0xF2,        // 18 JR next
    0x7E,              // 20 run: LD A,(HL)     value
    0x23,              // 21 INC HL
    0x46,              // 22 LD B,(HL)          count, 0 = 256
    0x23,              // 23 INC HL
    0x12,              // 24 fill: LD (DE),A
    0x13,              // 25 INC DE
    0x10, 0xFC,        // 26 DJNZ fill
    0x18, 0xE8,        // 28 JR next
    0x4E,              // 30 copy: LD C,(HL)    address, low byte
    0x23,              // 31 INC HL
    0x46,              // 32 LD B,(HL)          high byte
    0x79,              // 33 LD A,C
    0xB0,              // 34 OR B
    0xCA, 0x00, 0x00,  // 35 JP Z,exec          address 0: end of stream
    0x23,              // 38 INC HL
    0xDD, 0x69,        // 39 LD IXL,C
    0xDD, 0x60,        // 41 LD IXH,B           IX = copy source
    0x46,              // 43 LD B,(HL)          count, 0 = 256
    0x23,              // 44 INC HL
    0xDD, 0x7E, 0x00,  // 45 again: LD A,(IX+0)  one byte at a time, so the
    0xDD, 0x23,        // 48 INC IX              source may overlap the output
    0x12,              // 50 LD (DE),A
    0x13,              // 51 INC DE
    0x10, 0xF7,        // 52 DJNZ again
    0x18, 0xCE,        // 54 JR next
};

// The same routine with the border following bit 1 of every literal; the
// words at offsets 1, 4 and 40 are patched.
constexpr uint8_t kBorderRoutine[60] = {
    0x21, 0x00, 0x00,  //  0 LD HL,stream
    0x11, 0x00, 0x00,  //  3 LD DE,start
    0x7E,              //  6 next: LD A,(HL)    token's first byte
    0x23,              //  7 INC HL
    0xFE, 0xAA,        //  8 CP $AA
    0x28, 0x0C,        // 10 JR Z,run
    0xFE, 0xAB,        // 12 CP $AB
    0x28, 0x12,        // 14 JR Z,copy
    0x12,              // 16 LD (DE),A          literal
    0x13,              // 17 INC DE
    0xE6, 0x02,        // 18 AND 2              border red or black
    0xD3, 0xFE,        // 20 OUT ($FE),A
    0x18, 0xEE,        // 22 JR next
    0x7E,              // 24 run: LD A,(HL)     value
    0x23,              // 25 INC HL
    0x46,              // 26 LD B,(HL)          count, 0 = 256
    0x23,              // 27 INC HL
    0x12,              // 28 fill: LD (DE),A
    0x13,              // 29 INC DE
    0x10, 0xFC,        // 30 DJNZ fill
    0x18, 0xE4,        // 32 JR next
    0x4E,              // 34 copy: LD C,(HL)    address, low byte
    0x23,              // 35 INC HL
    0x46,              // 36 LD B,(HL)          high byte
    0x79,              // 37 LD A,C
    0xB0,              // 38 OR B
    0xCA, 0x00, 0x00,  // 39 JP Z,exec          address 0: end of stream
    0x23,              // 42 INC HL
    0xDD, 0x69,        // 43 LD IXL,C
    0xDD, 0x60,        // 45 LD IXH,B           IX = copy source
    0x46,              // 47 LD B,(HL)          count, 0 = 256
    0x23,              // 48 INC HL
    0xDD, 0x7E, 0x00,  // 49 again: LD A,(IX+0)
    0xDD, 0x23,        // 52 INC IX
    0x12,              // 54 LD (DE),A
    0x13,              // 55 INC DE
    0x10, 0xF7,        // 56 DJNZ again
    0x18, 0xCA,        // 58 JR next
};

constexpr int32_t kRelocatingHeader = 15;
constexpr int32_t kDirectHeader = 4;
constexpr int32_t kTop = 0x10000;

void PutWord(std::vector<uint8_t>& v, size_t at, int32_t word) {
  v[at] = static_cast<uint8_t>(word & 0xFF);
  v[at + 1] = static_cast<uint8_t>((word >> 8) & 0xFF);
}

void Append(std::vector<uint8_t>& v, std::initializer_list<int32_t> bytes) {
  for (int32_t b : bytes) v.push_back(static_cast<uint8_t>(b & 0xFF));
}

std::string Hex4(int64_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "$%04llX", static_cast<long long>(v));
  return buf;
}

bool Overlap(int64_t a0, int64_t a1, int64_t b0, int64_t b1) { return a0 < b1 && b0 < a1; }

// Whether the routine, as it expands the stream, would write over stream
// bytes it has not read yet or over its own code: the program would then be
// corrupted, or the routine crash, on the target machine.
bool OverwritesItself(std::span<const uint8_t> stream, int32_t start, int64_t streamAt,
                      int64_t routineAt, int32_t routineLength) {
  const int64_t streamEnd = streamAt + static_cast<int64_t>(stream.size());
  int64_t out = start;
  size_t i = 0;
  while (i < stream.size()) {
    uint8_t t = stream[i];
    int64_t n = 1;
    if (t == kRunEscape) {
      n = stream[i + 2] ? stream[i + 2] : 256;
      i += 3;
    } else if (t == kCopyEscape) {
      if (stream[i + 1] == 0 && stream[i + 2] == 0) return false;
      n = stream[i + 3] ? stream[i + 3] : 256;
      i += 4;
    } else {
      i += 1;
    }
    if (Overlap(out, out + n, streamAt + static_cast<int64_t>(i), streamEnd) ||
        Overlap(out, out + n, routineAt, routineAt + routineLength))
      return true;
    out += n;
  }
  return false;
}

}  // namespace

void CompressError(Assembly& a, const CompressParams& p, int n, const std::string& extra) {
  ++a.diag.reports;
  ++a.pass.nErrors;
  std::string line = LocationPrefixFor(a, p.source, p.line);
  line += " : error: ";
  line += ErrorMessage(n);
  line += extra;
  PrintErr(a, line);
}

const ExpandRoutine& ExpandUnit() {
  static const ExpandRoutine r{kPlainRoutine, 36};
  return r;
}

const ExpandRoutine& ExpandBorderUnit() {
  static const ExpandRoutine r{kBorderRoutine, 40};
  return r;
}

PlantedBlock LayOutBlock(const CompressParams& p, std::span<const uint8_t> stream) {
  const ExpandRoutine& routine = (p.options & 1) ? ExpandBorderUnit() : ExpandUnit();
  const int32_t R = static_cast<int32_t>(routine.code.size());
  const int32_t L = static_cast<int32_t>(stream.size());
  PlantedBlock b;
  b.routineLength = R;
  // The block overlaps its source range: it must move out of the way first.
  bool overlaps = p.stub + R + kRelocatingHeader + L >= p.start && p.stub < p.end;
  b.relocating = overlaps && p.end < kTop - R;
  int32_t streamAt;
  if (b.relocating) {
    // Move stream and routine to the top of memory, then run the routine.
    b.headerLength = kRelocatingHeader;
    int32_t last = p.stub + kRelocatingHeader + L + R - 1;
    Append(b.bytes, {0xF3,                               // DI
                     0x21, last, last >> 8,              // LD HL,last byte of the block
                     0x11, 0xFF, 0xFF,                   // LD DE,$FFFF
                     0x01, L + R, (L + R) >> 8,          // LD BC,stream and routine
                     0xED, 0xB8,                         // LDDR
                     0xC3, kTop - R, (kTop - R) >> 8});  // JP routine
    streamAt = kTop - R - L;
  } else {
    b.headerLength = kDirectHeader;
    int32_t routineAt = p.stub + kDirectHeader + L;
    Append(b.bytes, {0xF3,                               // DI
                     0xC3, routineAt, routineAt >> 8});  // JP routine
    streamAt = p.stub + kDirectHeader;
  }
  b.bytes.insert(b.bytes.end(), stream.begin(), stream.end());
  size_t at = b.bytes.size();
  b.bytes.insert(b.bytes.end(), routine.code.begin(), routine.code.end());
  PutWord(b.bytes, at + kStreamOperand, streamAt);
  PutWord(b.bytes, at + kDestOperand, p.start);
  PutWord(b.bytes, at + routine.execOperand, p.exec);
  return b;
}

bool CompressImage(Assembly& a, const CompressParams& p, int32_t& endAddress) {
  std::vector<uint8_t> block(p.end > p.start ? static_cast<size_t>(p.end - p.start) : 0);
  ReadImageBytes(a, p.start, block);
  std::vector<uint8_t> stream = CompressStream(block, static_cast<uint16_t>(p.start));
  if (stream.size() > kStreamLimit) {
    CompressError(a, p, E_RangeError,
                  " - the compressed stream is longer than 128 KiB (" +
                      std::to_string(stream.size()) + " bytes)");
    return false;
  }
  PlantedBlock b = LayOutBlock(p, stream);
  const int64_t blockEnd = static_cast<int64_t>(p.stub) + static_cast<int64_t>(b.bytes.size());
  if (blockEnd > kTop) {
    CompressError(a, p, E_AddressError,
                  " - the compressed block at " + Hex4(p.stub) + " would end at " + Hex4(blockEnd) +
                      ", past $FFFF");
    return false;
  }
  const int64_t routineAt = b.relocating ? kTop - b.routineLength : blockEnd - b.routineLength;
  const int64_t streamAt = routineAt - static_cast<int64_t>(stream.size());
  if (OverwritesItself(stream, p.start, streamAt, routineAt, b.routineLength)) {
    CompressError(a, p, E_AddressError,
                  " - the compressed block at " + Hex4(p.stub) +
                      " would overwrite itself while it expands; choose another stub");
    return false;
  }
  MemoryImage& m = a.image;
  for (int32_t addr = p.start; addr < p.end; ++addr) {
    int32_t cell = MapAddress(a, addr, true);
    if (cell < 0 || cell == kDumpCell) continue;
    const TMemCell& c = m.Cell(cell);
    if (c.Value == 0 && c.Write) continue;  // as it is: no page to allocate
    TMemCell& w = m.WritableCell(cell);
    w.Value = 0;
    w.Write = true;
  }
  const int32_t routineFrom = static_cast<int32_t>(b.bytes.size()) - b.routineLength;
  for (int32_t i = 0; i < static_cast<int32_t>(b.bytes.size()); ++i) {
    int32_t cell = MapAddress(a, p.stub + i, true);
    if (cell < 0 || cell == kDumpCell) continue;
    TMemCell& w = m.WritableCell(cell);
    w.Value = b.bytes[i];
    w.Read = true;
    if (i < b.headerLength || i >= routineFrom) w.Execute = true;
  }
  endAddress = static_cast<int32_t>(blockEnd);
  return true;
}
