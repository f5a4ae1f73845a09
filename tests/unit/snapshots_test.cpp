// Snapshot files: the Z80 run-length rules, the SZX machine and paging
// fields, where an SNA file stacks the start address and which starts are
// refused. Whole files are read back by independent tools in
// tests/tools/check_snapshots.py.

#include "output/snapshots.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

std::string Fill(size_t count, int value) { return std::string(count, static_cast<char>(value)); }

TEST(Z80Compression, RunsOfEdAndLongRunsBecomeBlocks) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {Bytes({1, 2, 2, 3}), Bytes({1, 2, 2, 3})},
      {Fill(4, 0), Fill(4, 0)},
      {Fill(5, 0), Bytes({0xED, 0xED, 5, 0})},
      {Bytes({0xED}), Bytes({0xED, 0xED, 1, 0xED})},
      {Fill(2, 0xED), Bytes({0xED, 0xED, 2, 0xED})},
      {Bytes({1, 0xED, 1}), Bytes({1, 0xED, 0xED, 1, 0xED, 1})},
      // An $ED followed by a run: both are blocks, so no reader can mistake them.
      {Bytes({0xED}) + Fill(5, 0), Bytes({0xED, 0xED, 1, 0xED, 0xED, 0xED, 5, 0})},
      {Fill(255, 7), Bytes({0xED, 0xED, 0xFF, 7})},
      {Fill(256, 7), Bytes({0xED, 0xED, 0xFF, 7, 7})},
      {Fill(259, 7), Bytes({0xED, 0xED, 0xFF, 7, 7, 7, 7, 7})},
      {Fill(260, 7), Bytes({0xED, 0xED, 0xFF, 7, 0xED, 0xED, 5, 7})},
      {Fill(510, 0xED), Bytes({0xED, 0xED, 0xFF, 0xED, 0xED, 0xED, 0xFF, 0xED})},
      {Fill(256, 0xED), Bytes({0xED, 0xED, 0xFF, 0xED, 0xED, 0xED, 1, 0xED})},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(Z80Compress(in), out) << in.size();
}

// Assembles a source and keeps the console and the output folder.
struct Snap : ::testing::Test {
  TestRun t;

  int Assemble(const std::string& source) { return t.Assemble(source); }
  std::string File(const std::string& name) const { return t.ReadFile(name); }
  bool Exists(const std::string& name) const { return std::filesystem::exists(t.dir / name); }
  static int At(const std::string& f, size_t i) { return static_cast<uint8_t>(f.at(i)); }
  static int Word(const std::string& f, size_t i) { return At(f, i) | At(f, i + 1) << 8; }
};

// The data of each SZX block in file order, with its identifier.
std::vector<std::pair<std::string, std::string>> SzxBlocks(const std::string& f) {
  std::vector<std::pair<std::string, std::string>> blocks;
  size_t at = 8;
  while (at + 8 <= f.size()) {
    uint32_t size = 0;
    for (int i = 3; i >= 0; --i) size = size << 8 | static_cast<uint8_t>(f[at + 4 + i]);
    blocks.emplace_back(f.substr(at, 4), f.substr(at + 8, size));
    at += 8 + size;
  }
  EXPECT_EQ(at, f.size());
  return blocks;
}

TEST_F(Snap, SzxMachineAndBanksFollowTheModel) {
  const std::pair<const char*, int> models[] = {{"48K", 1}, {"128K", 2}, {"2", 3},
                                                {"3", 5},   {"NEXT", 1}, {"CPM", 1}};
  for (const auto& [model, id] : models) {
    ASSERT_EQ(Assemble(std::string(" EMULATE_SPECTRUM \"") + model + "\"\n OUTPUT_SZX \"m.szx\"\n"),
              0)
        << t.Err();
    const std::string f = File("m.szx");
    EXPECT_EQ(f.substr(0, 8), std::string("ZXST\x01\x01", 6) + static_cast<char>(id) + '\0')
        << model;
    std::string banks;
    for (const auto& [tag, data] : SzxBlocks(f))
      if (tag == "RAMP") banks += static_cast<char>('0' + data[2]);
    EXPECT_EQ(banks, id == 1 ? "520" : "01234567") << model;
  }
}

TEST_F(Snap, SzxPagingPortIsZeroUnlessPreset) {
  // The program was assembled with bank 0 at $C000: it must start that way.
  ASSERT_EQ(Assemble(" EMULATE_SPECTRUM \"128K\"\n OUTPUT_SZX \"p.szx\", $FF46, $C000\n"), 0);
  auto blocks = SzxBlocks(File("p.szx"));
  ASSERT_EQ(blocks[2].first, "SPCR");
  EXPECT_EQ(blocks[2].second, Bytes({7, 0, 0, 0, 0, 0, 0, 0}));

  ASSERT_EQ(Assemble(" EMULATE_SPECTRUM \"3\"\nVeld_P7FFD = $11\nVeld_P1FFD = 4\n"
                     " OUTPUT_SZX \"p.szx\", $FF46, $C000\n"),
            0);
  blocks = SzxBlocks(File("p.szx"));
  EXPECT_EQ(blocks[2].second, Bytes({7, 0x11, 4, 0, 0, 0, 0, 0}));
  EXPECT_EQ(blocks[0].second.size(), 36u);  // creator text field of exactly 32 bytes, versions
  EXPECT_EQ(blocks[0].second.substr(32), Bytes({1, 0, 1, 0}));
}

TEST_F(Snap, Sna48KStacksTheStartBelowSp) {
  ASSERT_EQ(Assemble(" ORG $8000\n DB 1\n OUTPUT_SNA \"s.sna\", $FF40, $8000\n"), 0) << t.Err();
  const std::string f = File("s.sna");
  ASSERT_EQ(f.size(), 49179u);
  EXPECT_EQ(Word(f, 23), 0xFF3E);
  EXPECT_EQ(Word(f, 0xFF3E - 0x4000 + 27), 0x8000);
  EXPECT_EQ(At(f, 0x8000 - 0x4000 + 27), 1);

  // The lowest and highest stacks that keep both bytes in RAM.
  ASSERT_EQ(Assemble(" OUTPUT_SNA \"s.sna\", $4002, $1234\n"), 0);
  EXPECT_EQ(Word(File("s.sna"), 27), 0x1234);
  ASSERT_EQ(Assemble(" OUTPUT_SNA \"s.sna\", 0, $1234\n"), 0);
  EXPECT_EQ(Word(File("s.sna"), 0xFFFE - 0x4000 + 27), 0x1234);
}

TEST_F(Snap, Sna128KLayoutByPagedBank) {
  ASSERT_EQ(Assemble(" EMULATE_SPECTRUM \"128K\"\n ORG $1C000\n DB 3\n"
                     " OUTPUT_SNA \"s.sna\", $FF46, $C000\n"),
            0)
      << t.Err();
  std::string f = File("s.sna");
  ASSERT_EQ(f.size(), 131103u);
  EXPECT_EQ(Word(f, 23), 0xFF44);
  EXPECT_EQ(Word(f, 27 + 0xBF44), 0xC000);        // in bank 0, paged at $C000
  EXPECT_EQ(Word(f, 27 + 0xC000), 0xC000);        // PC after the banks
  EXPECT_EQ(At(f, 27 + 0xC002), 0);               // $7FFD
  EXPECT_EQ(At(f, 27 + 0xC000 + 4 + 0x4000), 3);  // then banks 1, 3, 4, 6, 7

  // Bank 5 paged at $C000 is written twice; the stacked start is in both copies.
  ASSERT_EQ(Assemble(" EMULATE_SPECTRUM \"128K\"\nVeldEmulate_P7FFD = $15\n"
                     " OUTPUT_SNA \"s.sna\", $4010, $8000\n"),
            0);
  f = File("s.sna");
  ASSERT_EQ(f.size(), 147487u);
  EXPECT_EQ(Word(f, 27 + 0x000E), 0x8000);
  EXPECT_EQ(Word(f, 27 + 0x800E), 0x8000);
  EXPECT_EQ(At(f, 27 + 0xC002), 0x15);

  // With only the 128K vector nothing is stacked and any SP will do.
  ASSERT_EQ(Assemble(" EMULATE_SPECTRUM \"NEXT\"\nbOnlyUse128KSNAVector = 1\n"
                     " OUTPUT_SNA \"s.sna\", 1, $8000\n"),
            0)
      << t.Err();
  f = File("s.sna");
  EXPECT_EQ(Word(f, 23), 1);
  EXPECT_EQ(Word(f, 27 + 0xC000), 0x8000);
  EXPECT_EQ(f.find_first_not_of('\0', 27), 27 + 0xC001u);  // the RAM is untouched
}

TEST_F(Snap, StartsThatCannotWorkAreRefused) {
  struct Case {
    const char* source;
    const char* message;
  };
  const Case cases[] = {
      {" EMULATE_SPECTRUM\n OUTPUT_SNA \"x.out\", $4001, $8000\n",
       " Output file \"x.out\" can't be written: SP $4001 puts the stacked start address "
       "outside RAM ($4000 to $FFFF)"},
      {" EMULATE_SPECTRUM \"128K\"\n OUTPUT_SNA \"x.out\", 1, $8000\n",
       " Output file \"x.out\" can't be written: SP $0001 puts the stacked start address "
       "outside RAM ($4000 to $FFFF)"},
      {" OUTPUT_SZX \"x.out\", $8000, $10000\n",
       " Output file \"x.out\" can't be written: PC $10000 is out of range ($0000 to $FFFF)"},
      {" OUTPUT_Z80 \"x.out\", $123456, 0\n",
       " Output file \"x.out\" can't be written: SP $123456 is out of range ($0000 to $FFFF)"},
  };
  for (const auto& c : cases) {
    // The other files of the run are still written; the run fails.
    t.console.err.clear();
    EXPECT_EQ(Assemble(std::string(c.source) + " OUTPUT_BIN \"after.bin\", 0, 1\n"), 1);
    std::string err = t.Err();
    std::string name = (t.dir / "x.out").string();
    err.replace(err.find(name), name.size(), "x.out");
    EXPECT_NE(err.find(std::string(c.message) + "\n"), std::string::npos) << err;
    EXPECT_FALSE(Exists("x.out"));
    EXPECT_TRUE(Exists("after.bin"));
    std::filesystem::remove(t.dir / "after.bin");
  }
  // A negative value takes the default (SP $FF40 in a process that starts
  // with the 48K model).
  TestRun fresh;
  ASSERT_EQ(fresh.Assemble(" OUTPUT_SNA \"x.out\", -2, -1\n"), 0) << fresh.Err();
  EXPECT_EQ(Word(fresh.ReadFile("x.out"), 23), 0xFF3E);
}

TEST_F(Snap, CpcSnapshotHeaderAndSize) {
  ASSERT_EQ(Assemble(" EMULATE_SPECTRUM \"CPC64\"\n ORG $FFFF\n DB $AB\n"
                     " OUTPUT_SNA \"c.sna\", $BFF0, $4000\n"),
            0)
      << t.Err();
  std::string f = File("c.sna");
  ASSERT_EQ(f.size(), 65792u);
  EXPECT_EQ(f.substr(0, 8), "MV - SNA");
  EXPECT_EQ(At(f, 0x6B), 64);
  EXPECT_EQ(Word(f, 0x21), 0xBFF0);
  EXPECT_EQ(Word(f, 0x23), 0x4000);
  EXPECT_EQ(At(f, 0x100 + 0xFFFF), 0xAB);
  EXPECT_EQ(f.substr(0xE0, 18), "Generated by Veld ");
  ASSERT_EQ(Assemble(" EMULATE_SPECTRUM \"CPC\"\n OUTPUT_SNA \"c.sna\"\n"), 0);
  f = File("c.sna");
  EXPECT_EQ(f.size(), 131328u);
  EXPECT_EQ(At(f, 0x6B), 128);
}

}  // namespace
