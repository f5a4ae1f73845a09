// CP/M disks in a drive held in memory: the geometry, the bytes of the
// directory entries a write leaves, reading them back, names, and damaged or
// hostile drives. The entry layouts are worked out from the CP/M 2.2
// directory rules by hand; cpmtools checks whole images in
// tests/tools/check_cpm.py.

#include "memtools/cpm_disk.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

constexpr int64_t kMiB = 1 << 20;

std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + i / 256);
  return v;
}

// A formatted drive: every directory entry free ($E5), the rest zero.
MemoryCpmDrive Formatted(const CpmSettings& s, int disks) {
  int64_t diskBytes = int64_t{s.blocksPerDisk} * s.secPerBlock * 128;
  std::vector<uint8_t> bytes(static_cast<size_t>(diskBytes * disks), 0);
  for (int d = 0; d < disks; ++d) {
    TCpmGeometry g = *CpmDiskGeometry(s, d);
    std::fill_n(bytes.begin() + g.blockAreaStart, s.dirCnt * 32, 0xE5);
  }
  return MemoryCpmDrive(std::move(bytes));
}

const uint8_t* Entry(const MemoryCpmDrive& d, const TCpmGeometry& g, int i) {
  return d.bytes().data() + g.blockAreaStart + i * 32;
}

std::vector<uint8_t> EntryBytes(const MemoryCpmDrive& d, const TCpmGeometry& g, int i) {
  const uint8_t* e = Entry(d, g, i);
  return std::vector<uint8_t>(e, e + 32);
}

std::vector<uint8_t> MakeEntry(uint8_t user, const char* name11, uint8_t ext, uint8_t bc,
                               uint8_t s2, uint8_t rc, std::vector<uint8_t> pointers) {
  std::vector<uint8_t> e(32, 0);
  e[0] = user;
  std::copy_n(name11, 11, e.begin() + 1);
  e[12] = ext;
  e[13] = bc;
  e[14] = s2;
  e[15] = rc;
  std::copy(pointers.begin(), pointers.end(), e.begin() + 16);
  return e;
}

// 1 KiB blocks, 240 usable: 8-bit block numbers, 16 a entry.
CpmSettings NarrowSettings() {
  CpmSettings s;
  s.secPerTrack = 32;
  s.secPerBlock = 8;
  s.blocksPerDisk = 248;
  s.dirCnt = 64;
  s.resTracks0 = 2;
  s.diskCnt = 1;
  return s;
}

TEST(CpmGeometry, Defaults) {
  CpmSettings s;
  TCpmGeometry a = *CpmDiskGeometry(s, 0);
  EXPECT_EQ(a.blockSize, 4096);
  EXPECT_EQ(a.driveBase, 0);
  EXPECT_EQ(a.blockAreaStart, 16384);
  EXPECT_EQ(a.dirBlocks, 4);
  EXPECT_EQ(a.usableBlocks, 2044);
  EXPECT_TRUE(a.widePointers);
  EXPECT_EQ(a.entryCapacity, 32768);
  TCpmGeometry b = *CpmDiskGeometry(s, 1);
  EXPECT_EQ(b.driveBase, 8 * kMiB);
  EXPECT_EQ(b.blockAreaStart, 8 * kMiB);
  EXPECT_EQ(b.usableBlocks, 2048);
  TCpmGeometry n = *CpmDiskGeometry(NarrowSettings(), 0);
  EXPECT_EQ(n.usableBlocks, 240);
  EXPECT_EQ(n.dirBlocks, 2);
  EXPECT_FALSE(n.widePointers);
  EXPECT_EQ(n.entryCapacity, 16384);
}

TEST(CpmGeometry, ValidityAndDisksCpmCannotHave) {
  CpmSettings s;
  EXPECT_TRUE(CpmSettingsValid(s, 0));
  EXPECT_TRUE(CpmSettingsValid(s, 15));
  EXPECT_FALSE(CpmSettingsValid(s, 16));
  EXPECT_FALSE(CpmSettingsValid(s, -1));
  for (int spb : {0, 4, 24, 256}) {
    CpmSettings t = s;
    t.secPerBlock = spb;
    EXPECT_FALSE(CpmSettingsValid(t, 0)) << spb;
  }
  for (auto bad : {&CpmSettings::secPerTrack, &CpmSettings::blocksPerDisk, &CpmSettings::dirCnt}) {
    CpmSettings t = s;
    t.*bad = 0;
    EXPECT_FALSE(CpmSettingsValid(t, 0));
  }
  CpmSettings t = s;
  t.dirCnt = 2048;
  EXPECT_FALSE(CpmSettingsValid(t, 0));

  // A directory of 100 entries in 4 KiB blocks still owns a whole block.
  t = s;
  t.dirCnt = 100;
  EXPECT_EQ(CpmDiskGeometry(t, 0)->dirBlocks, 1);
  // Reserved tracks filling the disk, negative ones, more than 65536 blocks
  // and 1 KiB blocks with 16-bit numbers are no disk.
  t = s;
  t.resTracks0 = 512;
  EXPECT_FALSE(CpmDiskGeometry(t, 0));
  t.resTracks0 = -1;
  EXPECT_FALSE(CpmDiskGeometry(t, 0));
  t = s;
  t.resTracks0 = 0x7FFFFFFF;
  t.secPerTrack = 0x7FFFFFFF;
  EXPECT_FALSE(CpmDiskGeometry(t, 0));
  t = s;
  t.blocksPerDisk = 65537;
  t.resTracks0 = 0;
  EXPECT_FALSE(CpmDiskGeometry(t, 0));
  t.blocksPerDisk = 65536;
  EXPECT_TRUE(CpmDiskGeometry(t, 0));
  t = s;
  t.secPerBlock = 8;
  EXPECT_FALSE(CpmDiskGeometry(t, 0));
}

TEST(CpmNames, ParsedAndRejected) {
  auto n = ParseCpmFileName("a:hello.com");
  ASSERT_TRUE(n);
  EXPECT_EQ(n->drive, 0);
  EXPECT_EQ(std::string(n->name.begin(), n->name.end()), "hello   com");
  n = ParseCpmFileName("P:ABCDEFGH.XYZ");
  ASSERT_TRUE(n);
  EXPECT_EQ(n->drive, 15);
  EXPECT_EQ(std::string(n->name.begin(), n->name.end()), "ABCDEFGHXYZ");
  EXPECT_TRUE(ParseCpmFileName("B:X"));
  EXPECT_TRUE(ParseCpmFileName("B:X."));
  for (const char* bad : {"A:FILE*.COM", "B:TOOLONGNAME.COM", "A:X.ABCD", "A:", "AX", "1:X.COM",
                          "A:.COM", "A:X Y.COM", "A:X.C.M", "AB:X.COM", "A:X?.COM", "A:[X].COM",
                          "A:X,Y", "A:ABCDEFGH.XYZW", "A:X.COM ", "A:\xE9.COM"})
    EXPECT_FALSE(ParseCpmFileName(bad)) << bad;
}

TEST(CpmWrite, FiveThousandBytes) {
  CpmSettings s;
  MemoryCpmDrive d = Formatted(s, 1);
  std::vector<uint8_t> data = Pattern(5000);
  CpmResult r = CpmWriteFile(d, s, 0, "A:TEST.BIN", data);
  ASSERT_TRUE(r.ok) << (r.messages.empty() ? "" : r.messages[0]);
  TCpmGeometry g = *CpmDiskGeometry(s, 0);
  // Blocks 0..3 hold the directory; the file takes 4 and 5.
  EXPECT_EQ(EntryBytes(d, g, 0), MakeEntry(0, "TEST    BIN", 0, 8, 0, 40, {4, 0, 5, 0}));
  EXPECT_EQ(Entry(d, g, 1)[0], 0xE5);
  const uint8_t* block4 = d.bytes().data() + g.BlockOffset(4);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), block4));
  EXPECT_TRUE(std::all_of(block4 + 5000, block4 + 8192, [](uint8_t b) { return b == 0xFF; }));
  std::vector<uint8_t> back;
  ASSERT_TRUE(CpmReadFile(d, s, 0, "A:TEST.BIN", back).ok);
  EXPECT_EQ(back, data);
  // Another user's file of that name is another file.
  EXPECT_FALSE(CpmReadFile(d, s, 1, "A:TEST.BIN", back).ok);
  EXPECT_FALSE(CpmReadFile(d, s, 0, "A:test.bin", back).ok);
}

TEST(CpmWrite, ExtentsOfLargerFiles) {
  CpmSettings s;
  MemoryCpmDrive d = Formatted(s, 1);
  TCpmGeometry g = *CpmDiskGeometry(s, 0);
  std::vector<uint8_t> data = Pattern(40000);
  ASSERT_TRUE(CpmWriteFile(d, s, 3, "A:BIG.DAT", data).ok);
  EXPECT_EQ(EntryBytes(d, g, 0), MakeEntry(3, "BIG     DAT", 1, 0, 0, 128,
                                           {4, 0, 5, 0, 6, 0, 7, 0, 8, 0, 9, 0, 10, 0, 11, 0}));
  EXPECT_EQ(EntryBytes(d, g, 1), MakeEntry(3, "BIG     DAT", 2, 64, 0, 57, {12, 0, 13, 0}));
  std::vector<uint8_t> back;
  ASSERT_TRUE(CpmReadFile(d, s, 3, "A:BIG.DAT", back).ok);
  EXPECT_EQ(back, data);

  // Record counts at the edges: 127 and 128 bytes are one record, 16384 one
  // full logical extent.
  for (size_t n : {size_t{1}, size_t{127}, size_t{128}, size_t{129}, size_t{16384}, size_t{32768},
                   size_t{32769}, size_t{100000}}) {
    std::vector<uint8_t> v = Pattern(n);
    ASSERT_TRUE(CpmWriteFile(d, s, 0, "A:EDGE", v).ok) << n;
    ASSERT_TRUE(CpmReadFile(d, s, 0, "A:EDGE", back).ok) << n;
    EXPECT_EQ(back, v) << n;
  }
}

TEST(CpmWrite, EightBitBlockNumbers) {
  CpmSettings s = NarrowSettings();
  MemoryCpmDrive d = Formatted(s, 1);
  TCpmGeometry g = *CpmDiskGeometry(s, 0);
  std::vector<uint8_t> data = Pattern(20000);
  ASSERT_TRUE(CpmWriteFile(d, s, 0, "A:N.BIN", data).ok);
  std::vector<uint8_t> first(16);
  std::iota(first.begin(), first.end(), 2);
  EXPECT_EQ(EntryBytes(d, g, 0), MakeEntry(0, "N       BIN", 0, 0, 0, 128, first));
  EXPECT_EQ(EntryBytes(d, g, 1),
            MakeEntry(0, "N       BIN", 1, 20000 & 127, 0, 29, {18, 19, 20, 21}));
  std::vector<uint8_t> back;
  ASSERT_TRUE(CpmReadFile(d, s, 0, "A:N.BIN", back).ok);
  EXPECT_EQ(back, data);
}

TEST(CpmWrite, OverwriteReusesTheBlocksAndZeroLengthDeletes) {
  CpmSettings s;
  MemoryCpmDrive d = Formatted(s, 1);
  TCpmGeometry g = *CpmDiskGeometry(s, 0);
  ASSERT_TRUE(CpmWriteFile(d, s, 0, "A:F.BIN", Pattern(40000)).ok);
  ASSERT_TRUE(CpmWriteFile(d, s, 0, "A:G.BIN", Pattern(10)).ok);
  std::vector<uint8_t> small = Pattern(5000);
  ASSERT_TRUE(CpmWriteFile(d, s, 0, "A:F.BIN", small).ok);
  // The freed entries and blocks are taken again, lowest first.
  EXPECT_EQ(EntryBytes(d, g, 0), MakeEntry(0, "F       BIN", 0, 8, 0, 40, {4, 0, 5, 0}));
  EXPECT_EQ(EntryBytes(d, g, 1), MakeEntry(0xE5, "           ", 0, 0, 0, 0, {}));
  EXPECT_EQ(EntryBytes(d, g, 2), MakeEntry(0, "G       BIN", 0, 10, 0, 1, {14, 0}));
  ASSERT_TRUE(CpmWriteFile(d, s, 0, "A:G.BIN", {}).ok);
  std::vector<uint8_t> back;
  EXPECT_FALSE(CpmReadFile(d, s, 0, "A:G.BIN", back).ok);
  EXPECT_EQ(Entry(d, g, 2)[0], 0xE5);
}

TEST(CpmWrite, DriveBAndItsOwnDirectory) {
  CpmSettings s;
  MemoryCpmDrive d = Formatted(s, 2);
  std::vector<uint8_t> data = Pattern(300);
  ASSERT_TRUE(CpmWriteFile(d, s, 0, "B:ON.B", data).ok);
  TCpmGeometry b = *CpmDiskGeometry(s, 1);
  EXPECT_EQ(EntryBytes(d, b, 0), MakeEntry(0, "ON      B  ", 0, 300 & 127, 0, 3, {4, 0}));
  EXPECT_EQ(d.bytes()[b.BlockOffset(4)], data[0]);
  std::vector<uint8_t> back;
  EXPECT_FALSE(CpmReadFile(d, s, 0, "A:ON.B", back).ok);
  ASSERT_TRUE(CpmReadFile(d, s, 0, "b:ON.B", back).ok);
  EXPECT_EQ(back, data);
}

TEST(CpmWrite, FullDirectoryAndFullDiskLeaveTheOldFileDeleted) {
  CpmSettings s = NarrowSettings();
  s.dirCnt = 2;  // one block of directory, two entries
  MemoryCpmDrive d = Formatted(s, 1);
  TCpmGeometry g = *CpmDiskGeometry(s, 0);
  ASSERT_TRUE(CpmWriteFile(d, s, 0, "A:OLD", Pattern(100)).ok);
  std::vector<uint8_t> dirBefore = EntryBytes(d, g, 1);
  CpmResult r = CpmWriteFile(d, s, 0, "A:OLD", Pattern(40000));
  EXPECT_FALSE(r.ok);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0],
            "CP/M write file: \"A:OLD\" - failed: no free directory entry (the old file of that "
            "name is deleted)");
  std::vector<uint8_t> back;
  EXPECT_FALSE(CpmReadFile(d, s, 0, "A:OLD", back).ok);
  EXPECT_EQ(Entry(d, g, 0)[0], 0xE5);
  EXPECT_EQ(EntryBytes(d, g, 1), dirBefore);

  s = NarrowSettings();
  d = Formatted(s, 1);
  r = CpmWriteFile(d, s, 0, "A:HUGE", Pattern(238 * 1024 + 1));
  EXPECT_FALSE(r.ok);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0], "CP/M write file: \"A:HUGE\" - failed: the disk is full");
  EXPECT_TRUE(CpmWriteFile(d, s, 0, "A:HUGE", Pattern(238 * 1024)).ok);
}

TEST(CpmWrite, MessagesForSettingsNamesAndShortDrives) {
  CpmSettings s;
  MemoryCpmDrive d = Formatted(s, 1);
  auto messages = [&](const CpmSettings& t, int32_t user, const char* name) {
    return CpmWriteFile(d, t, user, name, Pattern(10)).messages;
  };
  using Lines = std::vector<std::string>;
  Lines bad = {"These CP/M settings are incorrect or not supported, sorry",
               "The CP/M settings seem to be invalid"};
  EXPECT_EQ(messages(s, 16, "A:X"), bad);
  EXPECT_EQ(messages(s, 0, "A:X*"), Lines{"Error in CP/M filename: \"A:X*\""});
  EXPECT_EQ(messages(s, 0, "I:X"), (Lines{"Illegal CP/M disk", "Error in CP/M filename: \"I:X\""}));
  // Drive B is a disk of the settings but not of this 8 MiB drive file.
  EXPECT_EQ(messages(s, 0, "B:X"),
            Lines{"The CP/M drive file ends before the directory of drive B:"});
  MemoryCpmDrive shortDrive(std::vector<uint8_t>(40000, 0xE5));
  EXPECT_EQ(CpmWriteFile(shortDrive, s, 0, "A:X", Pattern(10)).messages,
            Lines{"CP/M write file: \"A:X\" - failed: the drive file ends before drive A: does"});
  EXPECT_EQ(shortDrive.Size(), 40000u);
  EXPECT_TRUE(std::all_of(shortDrive.bytes().begin(), shortDrive.bytes().end(),
                          [](uint8_t b) { return b == 0xE5; }));
}

TEST(CpmRead, DamagedEntriesAreRefusedNotFollowed) {
  CpmSettings s = NarrowSettings();
  TCpmGeometry g = *CpmDiskGeometry(s, 0);
  auto withEntry = [&](std::vector<uint8_t> e) {
    MemoryCpmDrive d = Formatted(s, 1);
    std::vector<uint8_t> bytes = d.bytes();
    std::copy(e.begin(), e.end(), bytes.begin() + g.blockAreaStart);
    return MemoryCpmDrive(std::move(bytes));
  };
  std::vector<uint8_t> out;
  struct Case {
    std::vector<uint8_t> entry;
    std::string why;
  };
  for (const Case& c : {Case{MakeEntry(0, "X          ", 0, 0, 0, 8, {240}), "block 240"},
                        Case{MakeEntry(0, "X          ", 0, 0, 0, 8, {255}), "block 255"},
                        Case{MakeEntry(0, "X          ", 0, 0, 0, 8, {1}), "block 1"},
                        Case{MakeEntry(0, "X          ", 0, 0, 0, 200, {2}), "record count 200"},
                        Case{MakeEntry(0, "X          ", 0, 130, 0, 8, {2}), "byte count 130"}}) {
    MemoryCpmDrive d = withEntry(c.entry);
    CpmResult r = CpmReadFile(d, s, 0, "A:X", out);
    EXPECT_FALSE(r.ok) << c.why;
    ASSERT_EQ(r.messages.size(), 1u) << c.why;
    EXPECT_NE(r.messages[0].find(c.why), std::string::npos) << r.messages[0];
    EXPECT_TRUE(out.empty());
  }
  // A block past the end of a short drive file.
  std::vector<uint8_t> bytes(static_cast<size_t>(g.BlockOffset(10)), 0);
  std::fill_n(bytes.begin() + g.blockAreaStart, 64 * 32, 0xE5);
  std::vector<uint8_t> e = MakeEntry(0, "X          ", 0, 0, 0, 8, {12});
  std::copy(e.begin(), e.end(), bytes.begin() + g.blockAreaStart);
  MemoryCpmDrive shortDrive(std::move(bytes));
  CpmResult r = CpmReadFile(shortDrive, s, 0, "A:X", out);
  EXPECT_FALSE(r.ok);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0], "CP/M read file: \"A:X\" - the drive file ends before block 12");
}

TEST(CpmRead, EntriesInExtentOrderAndAttributesIgnored) {
  CpmSettings s = NarrowSettings();
  TCpmGeometry g = *CpmDiskGeometry(s, 0);
  MemoryCpmDrive base = Formatted(s, 1);
  std::vector<uint8_t> bytes = base.bytes();
  // Extent 1 stands before extent 0; the name carries read-only and system
  // attribute bits. Block 2 holds 'a's, blocks 3..17 'b's ... .
  std::vector<uint8_t> first(16);
  std::iota(first.begin(), first.end(), 2);
  std::vector<uint8_t> e0 = MakeEntry(0, "X          ", 0, 0, 0, 128, first);
  std::vector<uint8_t> e1 = MakeEntry(0, "X          ", 1, 5, 0, 1, {18});
  e0[9] |= 0x80;
  e1[10] |= 0x80;
  std::copy(e1.begin(), e1.end(), bytes.begin() + g.blockAreaStart);
  std::copy(e0.begin(), e0.end(), bytes.begin() + g.blockAreaStart + 32);
  for (int b = 2; b <= 18; ++b)
    std::fill_n(bytes.begin() + g.BlockOffset(b), 1024, static_cast<uint8_t>('a' + b - 2));
  MemoryCpmDrive d(std::move(bytes));
  std::vector<uint8_t> out;
  ASSERT_TRUE(CpmReadFile(d, s, 0, "A:X", out).ok);
  ASSERT_EQ(out.size(), 16384u + 5u);
  EXPECT_EQ(out[0], 'a');
  EXPECT_EQ(out[16383], 'a' + 15);
  EXPECT_EQ(out[16384], 'a' + 16);
}

TEST(CpmDelete, FreesEveryMatchingEntryOnly) {
  CpmSettings s;
  MemoryCpmDrive d = Formatted(s, 1);
  TCpmGeometry g = *CpmDiskGeometry(s, 0);
  ASSERT_TRUE(CpmWriteFile(d, s, 0, "A:A.BIN", Pattern(40000)).ok);
  ASSERT_TRUE(CpmWriteFile(d, s, 1, "A:A.BIN", Pattern(10)).ok);
  std::vector<uint8_t> before = d.bytes();
  ASSERT_TRUE(CpmDeleteFile(d, s, 0, "A:NONE.BIN").ok);
  EXPECT_EQ(d.bytes(), before);
  ASSERT_TRUE(CpmDeleteFile(d, s, 0, "A:A.BIN").ok);
  EXPECT_EQ(EntryBytes(d, g, 0), MakeEntry(0xE5, "           ", 0, 0, 0, 0, {}));
  EXPECT_EQ(EntryBytes(d, g, 1), MakeEntry(0xE5, "           ", 0, 0, 0, 0, {}));
  EXPECT_EQ(Entry(d, g, 2)[0], 1);
}

}  // namespace
