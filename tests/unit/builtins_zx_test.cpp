// Keyboard, screen, paging, memory checksums and file sizes. Ports and masks
// are those of the Spectrum's keyboard matrix: half-row ports $FEFE (SHIFT Z
// X C V), $FDFE (A S D F G), $FBFE (Q W E R T), $F7FE (1 2 3 4 5), $EFFE (0 9
// 8 7 6), $DFFE (P O I U Y), $BFFE (ENTER L K J H), $7FFE (SPACE SYM M N B),
// bits 0..4 from the outer end of each half-row.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "eval/builtin_library.h"
#include "test_support.h"

namespace {

struct KeyCase {
  const char* keys;
  int32_t address;
  int32_t mask;
};

}  // namespace

TEST(BuiltinKeys, SingleKeys) {
  const KeyCase cases[] = {
      {"[SHIFT]", 0xFEFE, 1}, {"Z", 0xFEFE, 2},       {"V", 0xFEFE, 16},    {"A", 0xFDFE, 1},
      {"G", 0xFDFE, 16},      {"Q", 0xFBFE, 1},       {"T", 0xFBFE, 16},    {"1", 0xF7FE, 1},
      {"5", 0xF7FE, 16},      {"0", 0xEFFE, 1},       {"6", 0xEFFE, 16},    {"P", 0xDFFE, 1},
      {"Y", 0xDFFE, 16},      {"[ENTER]", 0xBFFE, 1}, {"L", 0xBFFE, 2},     {"H", 0xBFFE, 16},
      {" ", 0x7FFE, 1},       {"[SPACE]", 0x7FFE, 1}, {"[SYM]", 0x7FFE, 2}, {"M", 0x7FFE, 4},
      {"B", 0x7FFE, 16},
  };
  for (const KeyCase& c : cases) {
    KeyScan s = ScanKeys(c.keys);
    EXPECT_EQ(s.address, c.address) << c.keys;
    EXPECT_EQ(s.mask, c.mask) << c.keys;
    EXPECT_FALSE(s.illegal) << c.keys;
  }
}

TEST(BuiltinKeys, SeveralKeysCombine) {
  KeyScan s = ScanKeys("AQ");
  EXPECT_EQ(s.address, 0xF9FE);
  EXPECT_EQ(s.mask, 1);
  EXPECT_EQ(KeyMaskToBit(s.mask), 0);
  s = ScanKeys("AS");
  EXPECT_EQ(s.mask, 3);
  EXPECT_EQ(KeyMaskToBit(s.mask), -1);
  s = ScanKeys("[SHIFT][SYM]");
  EXPECT_EQ(s.address, 0x7EFE);
  EXPECT_EQ(s.mask, 3);
  s = ScanKeys("1QAZ[SHIFT]");  // all in column 0 or 1
  EXPECT_EQ(s.address, 0xF0FE);
  EXPECT_EQ(s.mask, 3);
}

TEST(BuiltinKeys, BitNumbers) {
  EXPECT_EQ(KeyMaskToBit(1), 0);
  EXPECT_EQ(KeyMaskToBit(2), 1);
  EXPECT_EQ(KeyMaskToBit(4), 2);
  EXPECT_EQ(KeyMaskToBit(8), 3);
  EXPECT_EQ(KeyMaskToBit(16), 4);
  EXPECT_EQ(KeyMaskToBit(0), -1);
  EXPECT_EQ(KeyMaskToBit(32), -1);
  EXPECT_EQ(KeyMaskToBit(ScanKeys("[SYM]").mask), 1);
}

TEST(BuiltinKeys, WhatIsNotAKeyStopsTheScan) {
  KeyScan s = ScanKeys("A#Q");
  EXPECT_TRUE(s.illegal);
  EXPECT_EQ(s.address, 0xFDFE);  // A was read, Q was not
  EXPECT_EQ(s.mask, 1);
  s = ScanKeys("[FOO]");
  EXPECT_TRUE(s.illegal);
  EXPECT_EQ(s.address, 0xFFFE);
  EXPECT_TRUE(ScanKeys("[SYM").illegal);
  EXPECT_TRUE(ScanKeys("a").illegal);  // callers upper-case strings first
  s = ScanKeys("");
  EXPECT_FALSE(s.illegal);
  EXPECT_EQ(s.address, 0xFFFE);
  EXPECT_EQ(s.mask, 0);
}

TEST(BuiltinScreen, PixelAddresses) {
  int32_t v = -1;
  EXPECT_TRUE(ZxPixelAddress(0, 0, v));
  EXPECT_EQ(v, 0x4000);
  ZxPixelAddress(255, 191, v);
  EXPECT_EQ(v, 0x57FF);
  ZxPixelAddress(0, 1, v);  // next pixel line: +256
  EXPECT_EQ(v, 0x4100);
  ZxPixelAddress(8, 8, v);  // second character row: +32
  EXPECT_EQ(v, 0x4021);
  ZxPixelAddress(0, 64, v);  // middle third
  EXPECT_EQ(v, 0x4800);
  ZxPixelAddress(0, 191, v);
  EXPECT_EQ(v, 0x57E0);
  ZxPixelAddress(7, 0, v);
  EXPECT_EQ(v, 0x4000);
}

TEST(BuiltinScreen, AttributeAddresses) {
  int32_t v = -1;
  EXPECT_TRUE(ZxAttrAddress(0, 0, v));
  EXPECT_EQ(v, 0x5800);
  ZxAttrAddress(8, 8, v);
  EXPECT_EQ(v, 0x5821);
  ZxAttrAddress(255, 191, v);
  EXPECT_EQ(v, 0x5AFF);
  ZxAttrAddress(7, 7, v);
  EXPECT_EQ(v, 0x5800);
}

TEST(BuiltinScreen, OutsideTheScreen) {
  int32_t v = -1;
  EXPECT_FALSE(ZxPixelAddress(256, 0, v));
  EXPECT_EQ(v, 0);
  EXPECT_FALSE(ZxPixelAddress(-1, 0, v));
  EXPECT_FALSE(ZxPixelAddress(0, 192, v));
  EXPECT_FALSE(ZxPixelAddress(0, -1, v));
  EXPECT_FALSE(ZxAttrAddress(256, 0, v));
  EXPECT_FALSE(ZxAttrAddress(0, 192, v));
}

TEST(BuiltinPaging, MmuAndRomOffsets) {
  EXPECT_EQ(VeldMmuOffset(0), 0x40000);
  EXPECT_EQ(VeldMmuOffset(1), 0x42000);
  EXPECT_EQ(VeldMmuOffset(223), 0x1FE000);
  EXPECT_EQ(VeldMmuOffset(224), 0x239000);
  // Only pages from 224 up have no offset; a negative page is below 224.
  EXPECT_EQ(VeldMmuOffset(-1), 0x3E000);
  EXPECT_EQ(VeldMmuOffset(-32), 0);
  EXPECT_EQ(VeldRomOffset(0), 0x1E0000);
  EXPECT_EQ(VeldRomOffset(1), 0x1E4000);
  EXPECT_EQ(VeldRomOffset(2), 0x1E8000);
  EXPECT_EQ(VeldRomOffset(3), 0x1EC000);
  EXPECT_EQ(VeldRomOffset(4), 0x1F0000);
  EXPECT_EQ(VeldRomOffset(5), 0x238000);
  EXPECT_EQ(VeldRomOffset(-2), 0x238000);
  EXPECT_EQ(VeldRomOffset(6), 0x238800);
  EXPECT_EQ(VeldRomOffset(-1), 0x238800);
  EXPECT_EQ(VeldRomOffset(7), 0);
  EXPECT_EQ(VeldRomOffset(-3), 0);
}

TEST(BuiltinPaging, SixteenKPagesByModel) {
  TestRun t;
  Assembly& a = *t.a;
  a.machine.model = mdl128K;
  // Bank b lives where the image lays out pages 2b and 2b+1.
  EXPECT_EQ(VeldPageOffset(a, 0), 0xC000);
  EXPECT_EQ(VeldPageOffset(a, 1), 0x0000);
  EXPECT_EQ(VeldPageOffset(a, 2), 0x8000);
  EXPECT_EQ(VeldPageOffset(a, 3), 0x10000);
  EXPECT_EQ(VeldPageOffset(a, 4), 0x18000);
  EXPECT_EQ(VeldPageOffset(a, 5), 0x4000);
  EXPECT_EQ(VeldPageOffset(a, 6), 0x1C000);
  EXPECT_EQ(VeldPageOffset(a, 7), 0x14000);
  EXPECT_EQ(VeldPageOffset(a, 8), 0);
  EXPECT_EQ(VeldPageOffset(a, -1), 0);
  a.machine.model = mdlNext;
  EXPECT_EQ(VeldPageOffset(a, 0), 0x40000);
  EXPECT_EQ(VeldPageOffset(a, 5), 0x54000);
  a.machine.model = mdl48K;
  EXPECT_EQ(VeldPageOffset(a, 0), 0x239000);  // no banks: the dump cell
  EXPECT_EQ(VeldPageOffset(a, 9), 0);
}

TEST(BuiltinMemory, SumAndXorOverPlainAddresses) {
  TestRun t;
  Assembly& a = *t.a;
  a.machine.model = mdl48K;
  ClearImage(a);
  const uint8_t bytes[] = {0x01, 0x02, 0xF0, 0xFF, 0x80};
  for (int i = 0; i < 5; ++i) StoreImageByte(a, 0x8000 + i, bytes[i], false, true);
  EXPECT_EQ(SumImageBytes(a, 0x8000, 5), 0x01u + 0x02 + 0xF0 + 0xFF + 0x80);
  EXPECT_EQ(XorImageBytes(a, 0x8000, 5), 0x01u ^ 0x02 ^ 0xF0 ^ 0xFF ^ 0x80);
  EXPECT_EQ(SumImageBytes(a, 0x8001, 2), 0xF2u);
  EXPECT_EQ(SumImageBytes(a, 0x7FF0, 0x20), 0x01u + 0x02 + 0xF0 + 0xFF + 0x80);
  EXPECT_EQ(SumImageBytes(a, 0x8000, 0), 0u);
  EXPECT_EQ(SumImageBytes(a, 0x8000, -1), 0u);
  EXPECT_EQ(XorImageBytes(a, 0x8000, 0), 0u);
  EXPECT_EQ(SumImageBytes(a, INT32_MAX, 2), 0u);  // the end wraps
  EXPECT_EQ(SumImageBytes(a, INT32_MAX, 1), 0u);  // maps to the empty dump cell
}

TEST(BuiltinMemory, UnmappedAddressesReadTheDumpCell) {
  TestRun t;
  Assembly& a = *t.a;
  a.machine.model = mdl128K;
  ClearImage(a);
  StoreImageByte(a, 0x0000, 0x07, false, true);   // the ROM window: to the dump cell
  StoreImageByte(a, 0x14000, 0x10, false, true);  // bank 1
  EXPECT_EQ(SumImageBytes(a, 0x0000, 3), 3u * 7);
  EXPECT_EQ(XorImageBytes(a, 0x0000, 3), 7u);
  EXPECT_EQ(XorImageBytes(a, 0x0000, 4), 0u);
  EXPECT_EQ(SumImageBytes(a, 0x14000, 1), 0x10u);
  // Negative addresses map nowhere as well.
  EXPECT_EQ(SumImageBytes(a, -10, 10), 10u * 7);
}

TEST(BuiltinMemory, HugeRangesAreQuickAndExact) {
  TestRun t;
  Assembly& a = *t.a;
  a.machine.model = mdl48K;
  ClearImage(a);
  StoreImageByte(a, 0x100, 0x05, false, true);
  StoreImageByte(a, 0x239000, 0x03, false, true);  // writes the dump cell
  // Addresses 0 .. INT32_MAX - 1: the byte at $100, then $239000 and every
  // address above it read the dump cell.
  const uint64_t dumpReads = uint64_t{INT32_MAX} - 0x239000;
  EXPECT_EQ(SumImageBytes(a, 0, INT32_MAX), static_cast<uint32_t>(5 + 3 * dumpReads));
  EXPECT_EQ(XorImageBytes(a, 0, INT32_MAX), (dumpReads & 1) ? 5u ^ 3u : 5u);
  // INT32_MIN .. -2: negative addresses all read the dump cell.
  EXPECT_EQ(SumImageBytes(a, INT32_MIN, INT32_MAX), static_cast<uint32_t>(3 * uint64_t{INT32_MAX}));
  // A range starting inside a block and ending inside another.
  EXPECT_EQ(SumImageBytes(a, 0xFF, 0x238F02), 5u + 3u);
}

TEST(BuiltinMemory, The128KViewRepeatsEvery256K) {
  TestRun t;
  Assembly& a = *t.a;
  a.machine.model = mdl128K;
  ClearImage(a);
  StoreImageByte(a, 0x8000, 0x11, false, true);  // bank 2, also seen at $18000
  EXPECT_EQ(SumImageBytes(a, 0x18000, 0x4000), 0x11u);
  // $0..$3FFFF holds bank 2 twice ($8000 and $18000); the next 256K repeats it.
  EXPECT_EQ(SumImageBytes(a, 0, 0x80000), 4u * 0x11);
}

// The folds count the parts of a range that read the dump cell or repeat a
// period instead of reading them: compared here with reading every address,
// over ranges that start below 0, cross the end of the mapped addresses and
// span several periods of the 128K view.
TEST(BuiltinMemory, FoldsMatchReadingEveryAddress) {
  struct Range {
    int32_t start, length;
  };
  const Range ranges[] = {{-5, 0x50000},       {0x230000, 0x20000}, {0x3F000, 0xC0000},
                          {0x1F0000, 0x20000}, {0x7FF1, 0x48003},   {-0x40010, 0x40020}};
  for (uint8_t model : {mdl48K, mdl128K, mdlNext, mdlCPC128}) {
    TestRun t;
    Assembly& a = *t.a;
    a.machine.model = model;
    ClearImage(a);
    uint8_t value = 1;
    for (int64_t addr :
         {0x0, 0x8000, 0x14001, 0x3FFFF, 0x40000, 0x5ABCD, 0x1FFFFF, 0x238FFF, 0x239000})
      StoreImageByte(a, addr, value += 37, false, true);
    for (const Range& r : ranges) {
      uint32_t sum = 0, eor = 0;
      for (int64_t addr = r.start; addr < int64_t{r.start} + r.length; ++addr) {
        sum += ReadImageByte(a, addr);
        eor ^= ReadImageByte(a, addr);
      }
      EXPECT_EQ(SumImageBytes(a, r.start, r.length), sum) << int{model} << " " << r.start;
      EXPECT_EQ(XorImageBytes(a, r.start, r.length), eor) << int{model} << " " << r.start;
    }
  }
}

TEST(BuiltinFiles, LengthMissingAndUnreadable) {
  TestRun t;
  Assembly& a = *t.a;
  const auto dir = t.dir;
  {
    std::ofstream(dir / "seven.bin", std::ios::binary) << "1234567";
    std::ofstream(dir / "empty.bin", std::ios::binary);
  }
  EXPECT_EQ(FileLengthOf(a, (dir / "seven.bin").string()), 7);
  EXPECT_EQ(FileLengthOf(a, (dir / "empty.bin").string()), 0);
  EXPECT_EQ(FileLengthOf(a, (dir / "missing.bin").string()), -1);
  EXPECT_EQ(FileLengthOf(a, dir.string()), 0);  // a folder is no file
  std::filesystem::permissions(dir / "seven.bin", std::filesystem::perms::none);
  if (!std::ifstream(dir / "seven.bin")) {  // root reads anything
    EXPECT_EQ(FileLengthOf(a, (dir / "seven.bin").string()), 0);
  }
}
