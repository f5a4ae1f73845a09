// Address mapping by machine model, and the image's store and clear.

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

struct Image : ::testing::Test {
  TestRun r;
  Assembly& a = *r.a;
  void Model(uint8_t m) {
    a.machine.model = m;
    ClearImage(a);
  }
};

TEST_F(Image, FlatModelsMapAddressesToThemselves) {
  Model(mdlCPM);
  EXPECT_EQ(MapAddress(a, 0), 0);
  EXPECT_EQ(MapAddress(a, 0x1234), 0x1234);
  EXPECT_EQ(MapAddress(a, 0x239000), kDumpCell);
  EXPECT_EQ(MapAddress(a, 0x239001), kDumpCell);
  EXPECT_EQ(MapAddress(a, -1), kDumpCell);
  EXPECT_EQ(MapAddress(a, 0x23D000, true), -1);  // stores beyond the image are dropped
}

TEST_F(Image, Spectrum128KBanksAndFixedView) {
  Model(mdl128K);
  // Cell bases: bank 0 at $C000, 1 at $0000, 2 at $8000, 3 at $10000, 4 at $18000,
  // 5 at $4000, 6 at $1C000, 7 at $14000.
  EXPECT_EQ(MapAddress(a, 0x0000), kDumpCell);  // ROM
  EXPECT_EQ(MapAddress(a, 0x4000), 0x4000);     // bank 5
  EXPECT_EQ(MapAddress(a, 0x8000), 0x8000);     // bank 2
  EXPECT_EQ(MapAddress(a, 0xC000), 0xC000);     // bank 0, whatever the paging
  EXPECT_EQ(MapAddress(a, 0x10000), 0xC000);    // bank 0 at $10000 + 0 * $4000
  EXPECT_EQ(MapAddress(a, 0x14000), 0x0000);    // bank 1
  EXPECT_EQ(MapAddress(a, 0x18005), 0x8005);    // bank 2
  EXPECT_EQ(MapAddress(a, 0x1C000), 0x10000);   // bank 3
  EXPECT_EQ(MapAddress(a, 0x1E001), 0x12001);   // bank 3, second half
  EXPECT_EQ(MapAddress(a, 0x20000), 0x18000);   // bank 4
  EXPECT_EQ(MapAddress(a, 0x24000), 0x4000);    // bank 5 again
  EXPECT_EQ(MapAddress(a, 0x28000), 0x1C000);   // bank 6
  EXPECT_EQ(MapAddress(a, 0x2FFFF), 0x17FFF);   // bank 7, last byte
  EXPECT_EQ(MapAddress(a, 0x30000), kDumpCell);
  EXPECT_EQ(MapAddress(a, 0x3FFFF), kDumpCell);
  EXPECT_EQ(MapAddress(a, 0x44000), 0x4000);  // only bits 13..17 count
}

TEST_F(Image, NextPagesAndSlotMapping) {
  Model(mdlNext);
  EXPECT_EQ(MapAddress(a, 0x0000), kDumpCell);
  EXPECT_EQ(MapAddress(a, 0x4000), 0x40000 + 10 * 0x2000);
  EXPECT_EQ(MapAddress(a, 0x6001), 0x40000 + 11 * 0x2000 + 1);
  EXPECT_EQ(MapAddress(a, 0x8000), 0x40000 + 4 * 0x2000);
  EXPECT_EQ(MapAddress(a, 0xC000), 0x40000);  // page 0
  EXPECT_EQ(MapAddress(a, 0xE000), 0x40000 + 0x2000);
  EXPECT_EQ(MapAddress(a, 0x20000), kDumpCell);
  EXPECT_EQ(MapAddress(a, 0x50000), 0x50000);
  EXPECT_EQ(MapAddress(a, 0x200000), kDumpCell);
  a.image.nextMapActive = true;
  a.image.mmuSlots[6] = 0x40000 + 20 * 0x2000;
  EXPECT_EQ(MapAddress(a, 0xC001), 0x40000 + 20 * 0x2000 + 1);
  EXPECT_EQ(MapAddress(a, 0x0000), kDumpCell);
}

TEST_F(Image, StoreMarksAndClearOnlyWhatWasWritten) {
  Model(mdl48K);
  const TMemCell& fresh = ReadImageCell(a, 0x8000);
  EXPECT_EQ(fresh.Value, 0);
  EXPECT_TRUE(fresh.Execute && fresh.Write && fresh.Read);
  EXPECT_FALSE(fresh.Used);
  a.diag.currentLine = 42;
  StoreImageByte(a, 0x8000, 0x3E, true, false);
  const TMemCell& c = ReadImageCell(a, 0x8000);
  EXPECT_EQ(c.Value, 0x3E);
  EXPECT_TRUE(c.Used && c.Execute && c.Read);
  EXPECT_FALSE(c.Write);
  EXPECT_EQ(a.image.usedPages.size(), 1u);
  // Source lines are kept only once a list file is wanted, byte by byte and
  // for runs alike.
  const int32_t cell = MapAddress(a, 0x8000);
  EXPECT_EQ(a.image.Origin(cell).SourceID, -1);
  a.image.keepOrigins = true;
  StoreImageByte(a, 0x8000, 0x3E, true, false);
  a.diag.currentLine = 43;
  const uint8_t run[] = {1, 2, 3};
  StoreImageBytes(a, 0x8001, run, false, true);
  EXPECT_EQ(a.image.Origin(cell).Line, 42);
  EXPECT_EQ(a.image.Origin(cell).SourceID, 0);
  EXPECT_EQ(a.image.Origin(cell + 3).Line, 43);
  EXPECT_EQ(a.image.Origin(cell + 4).SourceID, -1);
  ClearImage(a);
  EXPECT_EQ(ReadImageByte(a, 0x8000), 0);
  EXPECT_EQ(a.image.Origin(cell).SourceID, -1);
  EXPECT_TRUE(a.image.usedPages.empty());
  // Pages are handed out again after a clear (another pass): every cell of
  // them reads as initial until it is planted again, whichever page it is.
  for (int64_t page = 0; page < 40; ++page) StoreImageByte(a, page * 0x400 + 7, 0xA5, true, false);
  ClearImage(a);
  for (int64_t page = 40; page < 64; ++page) StoreImageByte(a, page * 0x400 + 9, 0x5A, true, false);
  for (int64_t address = 0; address < 0x10000; ++address) {
    const TMemCell& c = ReadImageCell(a, address);
    const bool planted = address >= 40 * 0x400 && address % 0x400 == 9;
    ASSERT_EQ(c.Value, planted ? 0x5A : 0) << address;
    ASSERT_EQ(c.Used, planted) << address;
    ASSERT_TRUE(c.Execute && c.Read && c.Write != planted) << address;
  }
}

TEST_F(Image, UnmappedStoresLandInTheDumpCell) {
  Model(mdl128K);
  StoreImageByte(a, 0x0005, 0x11, false, true);
  EXPECT_EQ(ReadImageByte(a, 0x0777), 0x11);  // every unmapped address reads the dump cell
  EXPECT_EQ(a.image.Cell(kDumpCell).Value, 0x11);
}

// A bulk read equals reading its addresses one by one, in every model, over
// runs that cross windows and pages, reach unmapped addresses (the dump
// cell) and pages never written.
TEST_F(Image, BulkReadsMatchByteReads) {
  const struct {
    uint8_t model;
    bool nextMap;
  } kModels[] = {{mdl48K, false}, {mdl128K, false}, {mdlNext, false}, {mdlNext, true}};
  const struct {
    int64_t start;
    size_t length;
  } kRanges[] = {{0x0000, 0x10000}, {0x3FF0, 0x30},   {0x7FFF, 0x2002},
                 {0x1BFF0, 0x8020}, {0x2FFF0, 0x20},  {0x4FFF0, 0x4020},
                 {0x238FF0, 0x20},  {0x23CFF0, 0x40}, {0x1FFFF0, 0x40}};
  for (auto m : kModels) {
    Model(m.model);
    a.image.nextMapActive = m.nextMap;
    a.image.mmuSlots[0] = 0x40000 + 30 * 0x2000;
    StoreImageByte(a, 0x0001, 0xD5, false, true);  // ROM in the banked models: the dump cell
    for (int64_t at = 0x3FF8; at < 0x2A000; at += 0x7FF)
      StoreImageByte(a, at, static_cast<uint8_t>(at * 7 + 1), false, true);
    for (int64_t at = 0x4FFF8; at < 0x50010; ++at)
      StoreImageByte(a, at, static_cast<uint8_t>(at), false, true);
    for (auto r : kRanges) {
      std::vector<uint8_t> bulk(r.length, 0xEE);
      ReadImageBytes(a, r.start, bulk);
      for (size_t i = 0; i < r.length; ++i)
        ASSERT_EQ(bulk[i], ReadImageByte(a, r.start + static_cast<int64_t>(i)))
            << "model " << int{m.model} << " map " << m.nextMap << " at " << r.start + i;
    }
  }
}

TEST_F(Image, PlantByteMovesPcAndStoresOnlyWhenClean) {
  Model(mdl48K);
  TSegmentEntry& s = CurSeg(a);
  s.PC = 0x8000;
  a.pass.clean = false;
  PlantByte(a, 0xAA, false, false, true);
  EXPECT_EQ(s.PC, 0x8001);
  EXPECT_EQ(ReadImageByte(a, 0x8000), 0);
  a.pass.clean = true;
  s.Displacement = 0x4000;
  PlantCode(a, 0xBB);
  EXPECT_EQ(ReadImageByte(a, 0xC001), 0xBB);  // stored at PC + displacement
  EXPECT_TRUE(s.Flows);
  PlantCodeNoFlow(a, 0xC9);
  EXPECT_FALSE(s.Flows);
  EXPECT_EQ(a.pass.nErrors, 0);
}

TEST_F(Image, PlantOutsideSegmentIsAnAddressErrorButCounts) {
  Model(mdl48K);
  TSegmentEntry& s = CurSeg(a);
  s.Base = 0x8000;
  s.Length = 2;
  s.PC = 0x8001;
  a.pass.clean = true;
  PlantData(a, 1);
  a.diag.currentLine = 2;
  PlantData(a, 2);
  EXPECT_EQ(s.PC, 0x8003);
  EXPECT_EQ(ReadImageByte(a, 0x8001), 1);
  EXPECT_EQ(ReadImageByte(a, 0x8002), 0);
  EXPECT_EQ(a.pass.nErrors, 1);
}

TEST_F(Image, NothingIsPlantedInsideAStructure) {
  Model(mdl48K);
  a.placement.inStruct = true;
  PlantData(a, 1);
  EXPECT_EQ(CurSeg(a).PC, 0);
  EXPECT_EQ(a.pass.nErrors, 1);
}

}  // namespace
