// The output definition table, output name resolution and the write-out:
// each definition kind reaches its writer, bytes come through the machine
// model's mapping, files appear whole or not at all.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "output/file_writer.h"
#include "output/output_defs.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// A context whose main source lives in a scratch folder, with an image that
// tests fill directly.
struct WriteOut : ::testing::Test {
  TestRun t;
  Assembly& a = *t.a;

  void SetUp() override {
    TSource& main = a.sources.slots[0];
    main.loaded = main.exists = true;
    main.FileName = (t.dir / "main.asm").string();
    main.ShortName = "main.asm";
    ClearImage(a);
  }

  std::string Path(const std::string& name) const { return (t.dir / name).string(); }

  TFILE_Def& Add(TFileKind kind, const std::string& name, uint32_t start = 0, uint32_t length = 0) {
    int32_t slot = FindOrAddFileDef(a, Path(name), false);
    EXPECT_GE(slot, 1);
    TFILE_Def& d = FileDef(a, slot);
    d = TFILE_Def{};
    d.Sort = kind;
    d.FileName = Path(name);
    d.Start = start;
    d.Length = length;
    return d;
  }

  void Store(int64_t address, std::string_view bytes) {
    for (size_t i = 0; i < bytes.size(); ++i)
      StoreImageByte(a, address + static_cast<int64_t>(i), static_cast<uint8_t>(bytes[i]), false,
                     true);
  }

  void Put(const std::string& name, const std::string& bytes) {
    std::ofstream(t.dir / name, std::ios::binary) << bytes;
  }

  // Names in the scratch folder other than main.asm (to spot stray files).
  std::vector<std::string> Folder() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(t.dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
};

}  // namespace

TEST(OutputTable, SlotsAreHandedOutInOrderUpTo511) {
  TestRun t;
  Assembly& a = *t.a;
  ClearFileDefs(a);
  for (int i = 1; i <= 511; ++i) {
    std::string name = "f" + std::to_string(i);
    ASSERT_EQ(FindOrAddFileDef(a, name, false), i);
    FileDef(a, i).Sort = ftBinary;
    FileDef(a, i).FileName = name;
  }
  EXPECT_EQ(AllocFileDef(a), -1);
  EXPECT_LT(FindOrAddFileDef(a, "new", false), 1);
  EXPECT_EQ(FindOrAddFileDef(a, "f511", false), 511);
  ClearFileDefs(a);
  EXPECT_EQ(AllocFileDef(a), 1);
}

TEST(OutputTable, DefinitionsAreFoundByExactName) {
  TestRun t;
  Assembly& a = *t.a;
  ClearFileDefs(a);
  int32_t first = FindOrAddFileDef(a, "/x/Game.bin", false);
  FileDef(a, first).Sort = ftBinary;
  FileDef(a, first).FileName = "/x/Game.bin";
  EXPECT_EQ(FindOrAddFileDef(a, "/x/Game.bin", false), first);
  EXPECT_EQ(FindFileDef(a, "/x/Game.bin"), first);
  EXPECT_EQ(FindFileDef(a, "/x/game.bin"), -1);  // letter case counts
  int32_t second = FindOrAddFileDef(a, "/x/game.bin", false);
  EXPECT_NE(second, first);
  FileDef(a, second).Sort = ftBinary;
  FileDef(a, second).FileName = "/x/game.bin";
  EXPECT_NE(FindOrAddFileDef(a, "/x/Game.bin", true), first);  // always new
}

TEST(OutputTable, ClearingResetsEveryFieldToItsInitialValue) {
  TestRun t;
  Assembly& a = *t.a;
  ClearFileDefs(a);
  TFILE_Def& d = FileDef(a, AllocFileDef(a));
  d.Sort = ftNex;
  d.FileName = "x";
  d.NEXHI_RES_COLOUR = 5;
  d.ExtraData = {1, 2};
  d.BlockCnt = 1;
  d.BlockList.push_back({});
  ClearFileDefs(a);
  const TFILE_Def& c = a.outputs.slots[1];
  EXPECT_EQ(c.Sort, ftNull);
  EXPECT_EQ(c.FileName, "");
  EXPECT_EQ(c.NEXHI_RES_COLOUR, -1);
  EXPECT_EQ(c.NEXpu8FileHandle, -1);
  EXPECT_EQ(c.NEXu16CmdLineLength, -1);
  EXPECT_EQ(c.NEXpu8CmdLineBase, -1);
  EXPECT_TRUE(c.ExtraData.empty());
  EXPECT_EQ(c.BlockCnt, 0);
  EXPECT_TRUE(c.BlockList.empty());
}

TEST(OutputNames, BareAndSlashedNamesLandBesideTheMainSource) {
  TestRun t;
  Assembly& a = *t.a;
  TSource& main = a.sources.slots[0];
  main.loaded = main.exists = true;
  main.FileName = "/src/proj/main.asm";
  EXPECT_EQ(ResolveOutputName(a, "game.bin"), "/src/proj/game.bin");
  EXPECT_EQ(ResolveOutputName(a, "out/game.bin"), "/src/proj/out/game.bin");
  EXPECT_EQ(ResolveOutputName(a, ""), "/src/proj");
  // Kept as written: absolute names, names written with "\" separators
  // (which read as "/") and names with a ":" such as CP/M file names.
  EXPECT_EQ(ResolveOutputName(a, "/tmp/x.bin"), "/tmp/x.bin");
  EXPECT_EQ(ResolveOutputName(a, "out\\game.bin"), "out/game.bin");
  EXPECT_EQ(ResolveOutputName(a, "A:HELLO.COM"), "A:HELLO.COM");
  main.loaded = main.exists = false;
  EXPECT_EQ(ResolveOutputName(a, "x.bin"), "/opt/veld/x.bin");  // the program's folder
}

TEST_F(WriteOut, RangeWritersFetchThroughTheMachineMapping) {
  a.machine.model = mdl128K;
  ClearImage(a);
  Store(0xC000, "\x11\x22\x33");  // bank 0, also seen at $10000
  Store(0x1C000, "\x44");         // bank 3
  Add(ftBinary, "bank0.bin", 0x10000, 3);
  Add(ftBinary, "bank3.bin", 0x1C000, 2);
  Add(ftBinary, "rom.bin", 0x0000, 2);  // maps to the dump cell
  EXPECT_TRUE(WriteOutputFiles(a));
  EXPECT_EQ(t.ReadFile("bank0.bin"), "\x11\x22\x33");
  EXPECT_EQ(t.ReadFile("bank3.bin"), std::string("\x44\x00", 2));
  EXPECT_EQ(t.ReadFile("rom.bin"), std::string(2, '\0'));
  EXPECT_EQ(a.outputs.nextFree, 1);  // the table is cleared afterwards
}

TEST_F(WriteOut, EveryRangeKindReachesItsFormat) {
  Store(0x8000, "\x01\x02\x03");
  Add(ftIntelHex, "a.hex", 0x8000, 3);
  Add(ftSrecHex, "a.s19", 0x8000, 1);
  Add(ftHexDB, "a.asm", 0x8000, 2);
  TFILE_Def& dump = Add(ftRawHex, "a.txt", 0x8000, 3);
  dump.Param1 = 2;
  dump.Param2 = 2;
  Add(ftBinary, "empty.bin", 0x8000, 0);
  TFILE_Def& text = Add(ftTextFile, "t.txt");
  text.Comment = "one\r\ntwo";
  EXPECT_TRUE(WriteOutputFiles(a));
  EXPECT_EQ(t.ReadFile("a.hex"), ":020000040000FA\r\n:0380000001020377\r\n:00000001FF\r\n");
  EXPECT_EQ(t.ReadFile("a.s19"), "S00600004844521B\r\nS1048000017A\r\nS9030000FC\r\n");
  EXPECT_EQ(t.ReadFile("a.asm"), std::string(24, ' ') + "org $008000\r\n\r\n" +
                                     std::string(24, ' ') + "db $01,$02 ; 008000\r\n");
  EXPECT_EQ(t.ReadFile("a.txt"), "8000 01 02\r\n8002 03\r\n");
  EXPECT_TRUE(fs::exists(t.dir / "empty.bin"));
  EXPECT_EQ(t.ReadFile("empty.bin"), "");
  EXPECT_EQ(t.ReadFile("t.txt"), "one\r\ntwo\r\n");
}

TEST_F(WriteOut, KindsWithoutAWriterHereWriteNothing) {
  Add(ftPara, "ParaSys");
  EXPECT_TRUE(WriteOutputFiles(a));
  EXPECT_EQ(Folder(), std::vector<std::string>{});
}

TEST_F(WriteOut, SnaForAModelWithoutSnapshotsSaysSo) {
  a.machine.model = mdlCPM;
  Add(ftSNA, "x.sna");
  Store(0, "\x01");
  Add(ftBinary, "after.bin", 0, 1);
  // The run fails, but the definitions after it are still written.
  EXPECT_FALSE(WriteOutputFiles(a));
  EXPECT_FALSE(fs::exists(t.dir / "x.sna"));
  ASSERT_EQ(t.console.out.size(), 1u);
  EXPECT_EQ(t.console.out[0], "Sorry, Veld can't generate SNA files for this machine model");
  EXPECT_EQ(t.ReadFile("after.bin"), "\x01");
}

TEST_F(WriteOut, MissingFoldersAreCreated) {
  Store(0x100, "\xAA");
  Add(ftBinary, "out/deep/x.bin", 0x100, 1);
  EXPECT_TRUE(WriteOutputFiles(a));
  EXPECT_EQ(t.ReadFile("out/deep/x.bin"), "\xAA");
}

TEST_F(WriteOut, PatchKeepsTheRestOfTheFileAndMayExtendIt) {
  Put("p.bin", "ABCDEFGH");
  Put("q.bin", "AB");
  Store(0x10, "xyz");
  Add(ftBinaryInsert, "p.bin", 0x10, 3).Param1 = 2;
  // Two patches of one file apply in slot order.
  int32_t slot = FindOrAddFileDef(a, Path("p.bin"), true);
  TFILE_Def& second = FileDef(a, slot);
  second.Sort = ftBinaryInsert;
  second.FileName = Path("p.bin");
  second.Start = 0x10;
  second.Length = 1;
  second.Param1 = 7;
  Add(ftBinaryInsert, "q.bin", 0x10, 2).Param1 = 4;
  EXPECT_TRUE(WriteOutputFiles(a));
  EXPECT_EQ(t.ReadFile("p.bin"), "ABxyzFGx");
  EXPECT_EQ(t.ReadFile("q.bin"), std::string("AB\0\0xy", 6));
}

TEST_F(WriteOut, PatchOfAMissingFileStopsTheWriteOut) {
  Store(0, "\x01");
  Add(ftBinary, "before.bin", 0, 1);
  Add(ftBinaryInsert, "missing.bin", 0, 1);
  Add(ftBinary, "after.bin", 0, 1);
  EXPECT_FALSE(WriteOutputFiles(a));
  ASSERT_EQ(t.console.err.size(), 1u);
  EXPECT_EQ(t.console.err[0], " Output file \"" + Path("missing.bin") +
                                  "\" can't be written: No such file or directory");
  EXPECT_TRUE(fs::exists(t.dir / "before.bin"));
  EXPECT_FALSE(fs::exists(t.dir / "missing.bin"));
  EXPECT_FALSE(fs::exists(t.dir / "after.bin"));
  EXPECT_EQ(a.outputs.nextFree, 1);
}

TEST_F(WriteOut, UnwritableTargetIsReportedAndLeavesNoTemporaryFile) {
  Put("blocker", "not a folder");
  Put("keep.bin", "old");
  Store(0, "\x01");
  Add(ftBinary, "blocker/x.bin", 0, 1);
  EXPECT_FALSE(WriteOutputFiles(a));
  ASSERT_EQ(t.console.err.size(), 1u);
  EXPECT_EQ(t.console.err[0],
            " Output file \"" + Path("blocker/x.bin") + "\" can't be written: Not a directory");
  // A folder in the way of a file.
  fs::create_directory(t.dir / "dir.bin");
  Add(ftIntelHex, "dir.bin", 0, 1);
  EXPECT_FALSE(WriteOutputFiles(a));
  EXPECT_EQ(t.console.err.back(),
            " Output file \"" + Path("dir.bin") + "\" can't be written: Is a directory");
  EXPECT_EQ(Folder(), (std::vector<std::string>{"blocker", "dir.bin", "keep.bin"}));
  EXPECT_EQ(t.ReadFile("keep.bin"), "old");
}

TEST_F(WriteOut, TextFileFailureStillWritesTheRestButFailsTheRun) {
  Put("blocker", "");
  Add(ftTextFile, "blocker/t.txt").Comment = "x";
  Store(0, "\x05");
  Add(ftBinary, "after.bin", 0, 1);
  EXPECT_FALSE(WriteOutputFiles(a));
  EXPECT_EQ(t.console.err.size(), 1u);
  EXPECT_EQ(t.ReadFile("after.bin"), "\x05");
}

TEST_F(WriteOut, ReplacingAFileKeepsItsPermissionsAndFollowsLinks) {
  Put("mode.bin", "old");
  fs::permissions(t.dir / "mode.bin", fs::perms(0640));
  Put("real.bin", "old");
  fs::create_symlink(t.dir / "real.bin", t.dir / "link.bin");
  Store(0, "new");
  Add(ftBinary, "mode.bin", 0, 3);
  Add(ftBinary, "link.bin", 0, 3);
  Add(ftBinary, "fresh.bin", 0, 3);
  EXPECT_TRUE(WriteOutputFiles(a));
  EXPECT_EQ(t.ReadFile("mode.bin"), "new");
  struct stat st;
  ASSERT_EQ(stat(Path("mode.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_TRUE(fs::is_symlink(t.dir / "link.bin"));
  EXPECT_EQ(t.ReadFile("real.bin"), "new");
  mode_t mask = umask(0);
  umask(mask);
  ASSERT_EQ(stat(Path("fresh.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666u & ~mask);
  EXPECT_EQ(Folder(), (std::vector<std::string>{"fresh.bin", "link.bin", "mode.bin", "real.bin"}));
}

// Missing folders on the way are made; a chain of links is followed to the
// file it finally names, and a link that leads nowhere is replaced by the
// file.
TEST_F(WriteOut, FoldersAreMadeAndLinkChainsFollowed) {
  Put("real.bin", "old");
  fs::create_symlink(t.dir / "real.bin", t.dir / "first.bin");
  fs::create_symlink("first.bin", t.dir / "second.bin");
  fs::create_symlink(t.dir / "nowhere" / "x.bin", t.dir / "dangling.bin");
  Store(0, "new");
  Add(ftBinary, "deep/er/x.bin", 0, 3);
  Add(ftBinary, "second.bin", 0, 3);
  Add(ftBinary, "dangling.bin", 0, 3);
  EXPECT_TRUE(WriteOutputFiles(a));
  EXPECT_TRUE(t.console.err.empty());
  EXPECT_EQ(t.ReadFile("deep/er/x.bin"), "new");
  EXPECT_EQ(t.ReadFile("real.bin"), "new");
  EXPECT_TRUE(fs::is_symlink(t.dir / "first.bin"));
  EXPECT_TRUE(fs::is_symlink(t.dir / "second.bin"));
  EXPECT_FALSE(fs::is_symlink(t.dir / "dangling.bin"));
  EXPECT_EQ(t.ReadFile("dangling.bin"), "new");
  EXPECT_FALSE(fs::exists(t.dir / "nowhere"));
}

TEST_F(WriteOut, HugeRangesAreCutToTheImageSize) {
  Add(ftBinary, "big.bin", 0, 0xFFFFFFFF);
  EXPECT_TRUE(WriteOutputFiles(a));
  EXPECT_EQ(fs::file_size(t.dir / "big.bin"), kMaxRangeBytes);
  // The S-record address width follows the declared end of the range
  // ($1000001, past 16M: S3), not the end of the bytes fetched for it.
  Add(ftSrecHex, "big.s37", 0, 0x1000001);
  EXPECT_TRUE(WriteOutputFiles(a));
  std::string text = t.ReadFile("big.s37");
  EXPECT_EQ(text.substr(0, 22), "S00600004844521B\r\nS315");
  EXPECT_EQ(text.substr(text.size() - 16), "S70500000000FA\r\n");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), kMaxRangeBytes / 16 + 2);
}

TEST_F(WriteOut, NamedPipesAndDevicesAreWrittenIntoNotReplaced) {
  ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
  // A reader that is already open, so that opening the pipe to write does
  // not wait; the few bytes fit in the pipe's buffer.
  int reader = open(Path("pipe").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  Store(0x8000, "\x12\x34");
  Add(ftBinary, "pipe", 0x8000, 2);
  EXPECT_TRUE(WriteOutputFiles(a)) << t.Err();
  char got[8] = {};
  EXPECT_EQ(read(reader, got, sizeof got), 2);
  EXPECT_EQ(std::string(got, 2), "\x12\x34");
  struct stat st;
  ASSERT_EQ(stat(Path("pipe").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  // A patch needs a stretch before and after it: a pipe has none.
  Add(ftBinaryInsert, "pipe", 0x8000, 2);
  Add(ftBinary, "after.bin", 0x8000, 1);
  EXPECT_FALSE(WriteOutputFiles(a));
  EXPECT_EQ(t.console.err.back(),
            " Output file \"" + Path("pipe") + "\" can't be written: Illegal seek");
  EXPECT_FALSE(fs::exists(t.dir / "after.bin"));
  close(reader);
  EXPECT_EQ(Folder(), std::vector<std::string>{"pipe"});
}
