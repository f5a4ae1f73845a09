// The output directives: what each records, when it records, and the
// errors and warnings of their arguments. The table is inspected after one
// clean pass, before any write-out empties it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "output/nex_rules.h"
#include "output/output_defs.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

struct Directives : ::testing::Test {
  TestRun t;
  Assembly& a = *t.a;

  // Runs one pass over `source` as the final pass of a clean source (or as
  // an earlier pass when `clean` is false) and leaves the table recorded.
  void Pass(const std::string& source, bool clean = true,
            const std::map<std::string, std::string>& files = {}) {
    std::ofstream(t.dir / "main.asm", std::ios::binary) << source;
    for (const auto& [name, text] : files) std::ofstream(t.dir / name, std::ios::binary) << text;
    BuildKeywordTable(a.keywords);
    ClearSymbols(a);
    ClearSources(a);
    LoadSource(a, (t.dir / "main.asm").string());
    t.console.out.clear();  // the "Assembling:" line
    a.pass = PassState{};
    a.pass.pass = 2;
    a.pass.finalPass = clean;
    a.pass.clean = clean;
    RunPass(a);
  }

  std::string Path(const std::string& name) const { return (t.dir / name).string(); }
  int32_t Count() const { return a.outputs.nextFree - 1; }
  const TFILE_Def& Def(int32_t slot) const { return a.outputs.slots[slot]; }
  std::string Errors() const { return t.Err(); }
};

}  // namespace

TEST_F(Directives, RangeDirectivesRecordTheirKindAndRange) {
  Pass(
      " OUTPUT_BIN \"a.bin\", $8000, 3\n"
      " OUTPUT_INTEL \"b.hex\", 1, 2\n"
      " OUTPUT_SREC \"c.s19\", 3, 4\n"
      " OUTPUT_MOTOROLA \"d.s19\", 5, 6\n"
      " OUTPUT_DB \"e.asm\", 7, 8\n"
      " output_bin \"sub/f.bin\", -1, 9\n");
  ASSERT_EQ(Count(), 6) << Errors();
  EXPECT_EQ(Def(1).Sort, ftBinary);
  EXPECT_EQ(Def(1).FileName, Path("a.bin"));
  EXPECT_EQ(Def(1).Start, 0x8000u);
  EXPECT_EQ(Def(1).Length, 3u);
  EXPECT_EQ(Def(2).Sort, ftIntelHex);
  EXPECT_EQ(Def(3).Sort, ftSrecHex);
  EXPECT_EQ(Def(4).Sort, ftSrecHex);
  EXPECT_EQ(Def(5).Sort, ftHexDB);
  EXPECT_EQ(Def(5).Length, 8u);
  EXPECT_EQ(Def(6).FileName, Path("sub/f.bin"));
  EXPECT_EQ(Def(6).Start, 0xFFFFFFFFu);
}

TEST_F(Directives, PatchesAreAlwaysNewDefinitions) {
  Pass(
      " OUTPUT_BIN \"p.bin\", 1, 2, 3\n"
      " OUTPUT_BIN \"p.bin\", 4, 5, 6\n");
  ASSERT_EQ(Count(), 2);
  EXPECT_EQ(Def(1).Sort, ftBinaryInsert);
  EXPECT_EQ(Def(1).Param1, 3u);
  EXPECT_EQ(Def(2).Sort, ftBinaryInsert);
  EXPECT_EQ(Def(2).Param1, 6u);
  // A plain definition of the name takes over the first one found by name.
  Pass(
      " OUTPUT_BIN \"p.bin\", 1, 2, 3\n"
      " OUTPUT_BIN \"p.bin\", 4, 5, 6\n"
      " OUTPUT_BIN \"p.bin\", 7, 8\n");
  ASSERT_EQ(Count(), 2);
  EXPECT_EQ(Def(1).Sort, ftBinary);
  EXPECT_EQ(Def(1).Start, 7u);
  EXPECT_EQ(Def(1).Param1, 0u);
  EXPECT_EQ(Def(2).Sort, ftBinaryInsert);
}

TEST_F(Directives, HexDumpDefaultsAndOptionalArguments) {
  Pass(
      " OUTPUT_HEX \"a.txt\", 0, 1\n"
      " OUTPUT_HEX \"b.txt\", 0, 1, 0\n"
      " OUTPUT_HEX \"c.txt\", 0, 1, 6, 0\n");
  ASSERT_EQ(Count(), 3);
  EXPECT_EQ(Def(1).Sort, ftRawHex);
  EXPECT_EQ(Def(1).Param1, 4u);
  EXPECT_EQ(Def(1).Param2, 16u);
  EXPECT_EQ(Def(2).Param1, 0u);
  EXPECT_EQ(Def(2).Param2, 16u);
  EXPECT_EQ(Def(3).Param1, 6u);
  EXPECT_EQ(Def(3).Param2, 0u);
}

TEST_F(Directives, CpmTakesTheUserNumberAndKeepsTheDriveName) {
  Pass(
      " OUTPUT_CPM \"A:HELLO.COM\", $100, 10\n"
      "Veld_cpm_user = 5\n"
      " OUTPUT_CPM \"B:X.COM\", $100, 1\n");
  ASSERT_EQ(Count(), 2) << Errors();
  EXPECT_EQ(Def(1).Sort, ftCPM);
  EXPECT_EQ(Def(1).FileName, "A:HELLO.COM");
  EXPECT_EQ(Def(1).Param1, 0u);
  EXPECT_EQ(Def(2).Param1, 5u);
}

TEST_F(Directives, SourceExportsRecordNamesAndComment) {
  Pass(
      " OUTPUT_C \"d.h\", \"DATA_H\", \"data\", \"made here\", $8000, 16\n"
      " OUTPUT_UNIT \"u.pas\", \"Level\", \"map\", \"\", 1, 2\n");
  ASSERT_EQ(Count(), 2) << Errors();
  EXPECT_EQ(Def(1).Sort, ftZivevuArray);
  EXPECT_EQ(Def(1).UnitName, "DATA_H");
  EXPECT_EQ(Def(1).UnitVarName, "data");
  EXPECT_EQ(Def(1).Comment, "made here");
  EXPECT_EQ(Def(1).Start, 0x8000u);
  EXPECT_EQ(Def(1).Length, 16u);
  EXPECT_EQ(Def(2).Sort, ftDelphiUnit);
  EXPECT_EQ(Def(2).UnitName, "Level");
}

TEST_F(Directives, SnapshotsRecordRegistersAndSetTheDefaults) {
  a.machine.defaultStartPC = 0x1111;
  a.machine.defaultStartSP = 0x2222;
  Pass(
      " OUTPUT_SZX \"a.szx\"\n"
      " OUTPUT_Z80 \"b.z80\", $FF00, $8000\n"
      " OUTPUT_SNA \"c.sna\", 0, 0\n");
  ASSERT_EQ(Count(), 3) << Errors();
  EXPECT_EQ(Def(1).Sort, ftSZX);
  EXPECT_EQ(Def(1).SP, -1);
  EXPECT_EQ(Def(1).PC, -1);
  EXPECT_EQ(Def(2).Sort, ftZ80);
  EXPECT_EQ(Def(2).SP, 0xFF00);
  EXPECT_EQ(Def(2).PC, 0x8000);
  EXPECT_EQ(Def(3).Sort, ftSNA);
  // Zero values leave the defaults as the Z80 directive set them.
  EXPECT_EQ(a.machine.defaultStartPC, 0x8000);
  EXPECT_EQ(a.machine.defaultStartSP, 0xFF00);
}

TEST_F(Directives, TapeArgumentsAndTheirDefaults) {
  Pass(
      " OUTPUT_TAP \"a.tap\", \"name\", \"text\", $8000, 100\n"
      " OUTPUT_TZX \"b.tzx\", \"n\", \"t\", $9000, 10, 2, $9005, $20001\n");
  ASSERT_EQ(Count(), 2) << Errors();
  const TFILE_Def& tap = Def(1);
  EXPECT_EQ(tap.Sort, ftTAP);
  EXPECT_EQ(tap.UnitName, "name");
  EXPECT_EQ(tap.Comment, "text");
  EXPECT_EQ(tap.Param1, 0x8000u);
  EXPECT_EQ(tap.Param2, 100u);
  EXPECT_EQ(tap.Param3, 0u);
  EXPECT_EQ(tap.Param4, 0x8000u);
  EXPECT_EQ(tap.Param5, 65537u);
  EXPECT_EQ(tap.BlockCnt, 0);
  const TFILE_Def& tzx = Def(2);
  EXPECT_EQ(tzx.Sort, ftTZX);
  EXPECT_EQ(tzx.Param3, 2u);
  EXPECT_EQ(tzx.Param4, 0x9005u);
  EXPECT_EQ(tzx.Param5, 0x20001u);
  // The last tape directive sets the default start address.
  EXPECT_EQ(a.machine.defaultStartPC, 0x9005);
}

TEST_F(Directives, MultiBlockTapesCollectBlocks) {
  Pass(
      " OUTPUT_TAP \"m3.tap\", \"a\", \"\", $8000, 16, 3, $8000, 1, $9000, 2, $A000, 3\n"
      " OUTPUT_TZX \"m4.tzx\", \"b\", \"\", $8000, 16, 4, $8000, 1, 7, 8, $C000, 4\n"
      " OUTPUT_TAP_BLOCK \"m3.tap\", $B000, 5\n"
      " OUTPUT_TZX_BLOCK \"m4.tzx\", $D000, 6, $E000, 7\n"
      " OUTPUT_TAP_BLOCK \"m4.tzx\"\n");
  ASSERT_EQ(Count(), 2) << Errors();
  const TFILE_Def& m3 = Def(1);
  ASSERT_EQ(m3.BlockCnt, 4);
  EXPECT_EQ(m3.BlockList[0].Base, 0x8000u);
  EXPECT_EQ(m3.BlockList[0].Length, 16u);
  EXPECT_EQ(m3.BlockList[1].Base, 0x9000u);
  EXPECT_EQ(m3.BlockList[2].Length, 3u);
  EXPECT_EQ(m3.BlockList[3].Base, 0xB000u);
  EXPECT_EQ(m3.Param6, 0u);
  const TFILE_Def& m4 = Def(2);
  EXPECT_EQ(m4.Param6, 7u);
  EXPECT_EQ(m4.Param7, 8u);
  ASSERT_EQ(m4.BlockCnt, 4);
  EXPECT_EQ(m4.BlockList[1].Base, 0xC000u);
  EXPECT_EQ(m4.BlockList[3].Base, 0xE000u);
  EXPECT_EQ(m4.BlockList[3].Length, 7u);
  EXPECT_EQ(m4.BlockList[3].Page, 0);
}

TEST_F(Directives, ATapeHoldsAtMost256Blocks) {
  std::string src = " OUTPUT_TAP \"m.tap\", \"a\", \"\", $8000, 1, 3, $8000, 1\n";
  for (int i = 0; i < 255; ++i)
    src += " OUTPUT_TAP_BLOCK \"m.tap\", " + std::to_string(i) + ", 1\n";
  src += " OUTPUT_TAP_BLOCK \"m.tap\", 1, 1\n";
  Pass(src);
  ASSERT_EQ(Count(), 1);
  EXPECT_EQ(Def(1).BlockCnt, 256);
  EXPECT_EQ(Def(1).BlockList.size(), 256u);
  EXPECT_EQ(t.console.err, std::vector<std::string>{
                               "main.asm:  257  : error: Ran out of resources - endless loop?"});
}

TEST_F(Directives, HighExecuteAddressWarnsOn128KModels) {
  a.machine.model = mdl128K;
  Pass(
      " OUTPUT_TAP \"a.tap\", \"a\", \"\", $8000, 1, 0, $C000\n"
      " OUTPUT_TAP \"b.tap\", \"a\", \"\", $8000, 1, 0, $BFFF\n");
  EXPECT_EQ(t.console.out,
            std::vector<std::string>{"main.asm:    1  : warning:  - this execute address may "
                                     "fail. Try one below $C000"});
  t.console.out.clear();
  a.machine.model = mdl48K;
  Pass(" OUTPUT_TAP \"a.tap\", \"a\", \"\", $8000, 1, 0, $C000\n");
  EXPECT_TRUE(t.console.out.empty());
}

TEST_F(Directives, RecordedOnlyKinds) {
  Pass(
      " OUTPUT_PARA $8000, 10\n"
      " OUTPUT_PARA $9000, 1, $9000\n"
      " OUTPUT_LIST \"\"\n"
      " OUTPUT_LIST \"l.lst\", 3\n"
      " EXPORT_SYM \"s.sym\", $80\n");
  ASSERT_EQ(Count(), 5) << Errors();
  EXPECT_EQ(Def(1).Sort, ftPara);
  EXPECT_EQ(Def(1).FileName, "ParaSys");
  EXPECT_EQ(Def(1).PC, -1);
  EXPECT_EQ(Def(2).Sort, ftPara);
  EXPECT_EQ(Def(2).PC, 0x9000);
  EXPECT_EQ(Def(3).Sort, ftList);
  EXPECT_EQ(Def(3).FileName, "");
  EXPECT_EQ(Def(4).Options, 3u);
  EXPECT_EQ(Def(5).Sort, ftSYM);
  EXPECT_EQ(Def(5).FileName, Path("s.sym"));
  EXPECT_EQ(Def(5).Options, 0x80u);
  // Empty names are names too: the second definition of "" replaces the first.
  Pass(
      " OUTPUT_LIST \"\"\n"
      " EXPORT_SYM \"\", $80\n");
  ASSERT_EQ(Count(), 1);
  EXPECT_EQ(Def(1).Sort, ftSYM);
  EXPECT_EQ(Def(1).FileName, "");
}

TEST_F(Directives, EarlierPassesRecordNothingButSymbolOptionsAndNex) {
  Pass(
      " OUTPUT_BIN \"a.bin\", 0, 1\n"
      " EXPORT_SYM \"s.sym\", $1234\n"
      " OUTPUT_NEX \"n.nex\", $FF00, $8000\n"
      " OUTPUT_NEX_DATA \"n.nex\", 1, 2\n"
      " OUTPUT_TEXT \"t.txt\", \"x\"\n",
      false);
  ASSERT_EQ(Count(), 1);
  EXPECT_EQ(Def(1).Sort, ftNex);
  EXPECT_EQ(Def(1).ExtraData, (std::vector<uint8_t>{1, 2}));
  EXPECT_EQ(a.outputs.symbolExportOptions, 0x1234u);
}

TEST_F(Directives, FileActionsAreAlwaysNewAndResolved) {
  Pass(
      " VELDINVOKE \"make all\"\n"
      " VELDINVOKE \"make all\", \"build\", 0\n"
      " VELDCOPYFILE \"a.bin\", \"out/a.bin\"\n"
      " VELDMOVEFILE \"a.bin\", \"b.bin\"\n"
      " VELDDELETEFILE \"a.bin\"\n"
      " VELDDELETEFILE \"a.bin\"\n");
  ASSERT_EQ(Count(), 6) << Errors();
  EXPECT_EQ(Def(1).Sort, ftInvoke);
  EXPECT_EQ(Def(1).FileName, "make all");
  EXPECT_EQ(Def(1).Directory, t.dir.string());
  EXPECT_EQ(Def(1).Start, 1u);
  EXPECT_EQ(Def(2).Directory, Path("build"));
  EXPECT_EQ(Def(2).Start, 0u);
  EXPECT_EQ(Def(3).Sort, ftFileCopy);
  EXPECT_EQ(Def(3).FileName, Path("a.bin"));
  EXPECT_EQ(Def(3).Directory, Path("out/a.bin"));
  EXPECT_EQ(Def(4).Sort, ftFileMove);
  EXPECT_EQ(Def(5).Sort, ftFileDelete);
  EXPECT_EQ(Def(6).Sort, ftFileDelete);
}

TEST_F(Directives, TextLinesAppendAndOtherKindsAreReplaced) {
  Pass(
      " OUTPUT_TEXT \"t.txt\", \"a\"\n"
      " OUTPUT_BIN \"x\", 0, 1\n"
      " OUTPUT_TEXT \"t.txt\", \"b\", 13\n"
      " OUTPUT_TEXT \"x\", \"now text\"\n");
  ASSERT_EQ(Count(), 2) << Errors();
  EXPECT_EQ(Def(1).Sort, ftTextFile);
  EXPECT_EQ(Def(1).Comment, "a\r\nb\r");
  EXPECT_EQ(Def(2).Sort, ftTextFile);
  EXPECT_EQ(Def(2).Comment, "now text");
  EXPECT_EQ(Def(2).Length, 0u);
}

TEST_F(Directives, NexRecordsItsFieldsAndWarns) {
  Pass(
      "pu8NEXFileHandle = 7\n"
      " OUTPUT_NEX \"a.nex\", $FF00, $8000, \"2.0.28\", 3, 4, 5, 1, 6\n"
      " OUTPUT_NEX \"a.nex\", $FF00, $C000, \"1.2\"\n"
      " OUTPUT_NEX \"b.nex\", 0, 0\n");
  ASSERT_EQ(Count(), 2) << Errors();
  const TFILE_Def& d = Def(1);
  EXPECT_EQ(d.Sort, ftNex);
  EXPECT_EQ(d.PC, 0xC000);
  EXPECT_EQ(d.sNEX_CORE_REQUIRED, "1.2");
  EXPECT_EQ(d.NEXpu8FileHandle, 7);
  EXPECT_EQ(d.NEXu16CmdLineLength, -1);
  EXPECT_EQ(Def(2).sNEX_CORE_REQUIRED, "0.0.0");
  EXPECT_EQ(t.console.out,
            (std::vector<std::string>{"main.asm:    2  : warning: PC should be >=$C000",
                                      "main.asm:    3  : warning: Duplicated NEX file",
                                      "main.asm:    3  : warning: Core string format error"}));
  Pass(" OUTPUT_NEX \"a.nex\", $FF00, $8000, \"2.0.28\", 3, 4, 5, 1, 6\n");
  const TFILE_Def& e = Def(1);
  EXPECT_EQ(e.NEX_ENTRY_BANK, 3);
  EXPECT_EQ(e.NEX_LOADING_BANK_DELAY, 4);
  EXPECT_EQ(e.NEX_LOADED_DELAY, 5);
  EXPECT_TRUE(e.bNEX_DONT_RESET_REGS);
  EXPECT_EQ(e.NEX_BORDER_COLOUR, 6);
}

TEST_F(Directives, NexDataListModes) {
  Pass(
      " OUTPUT_NEX \"n.nex\", 0, $C000\n"
      " OUTPUT_NEX_DATA \"n.nex\", DBL, 1, 2, 3\n"
      " OUTPUT_NEX_DATA \"n.nex\", DW, $1234, DEFWBE, $1234, DL, $01020304, DEFLBE, 5\n"
      " OUTPUT_NEX_DATA \"n.nex\", \"ab\", DBTB, \"cd\", DW, \"e\"\n"
      " OUTPUT_NEX_DATA \"n.nex\", DS, 3 : $AA, 2, DB, 9\n"
      " OUTPUT_NEX_DATA \"n.nex\", DF, \"blob.bin\", 1\n",
      true, {{"blob.bin", "XYZ"}});
  ASSERT_EQ(Count(), 1) << Errors();
  EXPECT_EQ(Def(1).ExtraData,
            (std::vector<uint8_t>{3,    1,    2,    3,                                     // DBL
                                  0x34, 0x12, 0x12, 0x34,       4,   3, 2, 1, 0, 0, 0, 5,  // widths
                                  'a',  'b',  'c',  'd' | 0x80, 'e', 0,  // strings
                                  0xAA, 0xAA, 0xAA, 0,          0,   9,  // space
                                  'X',  'Y',  'Z',  1}));
  EXPECT_EQ(Def(1).ExtraCount, Def(1).ExtraData.size());
}

TEST_F(Directives, NexDataErrorsAndWarnings) {
  Pass(
      " OUTPUT_NEX \"n.nex\", 0, $C000\n"
      " OUTPUT_NEX_DATA \"n.nex\", 1.5\n"
      " OUTPUT_NEX_DATA \"n.nex\", DS, 0\n"
      " OUTPUT_NEX_DATA \"n.nex\", DF, \"nothere.bin\"\n"
      " OUTPUT_NEX_DATA \"n.nex\", DBL, DS, 256\n"
      " OUTPUT_NEX_DATA \"n.nex\", DS, 1 : 256\n"
      " OUTPUT_NEX_DATA \"other.nex\", 1\n");
  EXPECT_EQ(
      t.console.err,
      (std::vector<std::string>{
          "main.asm:    2  : error: Syntax Error", "main.asm:    3  : error: Syntax Error",
          "main.asm:    4  : error: File Not Found, looking for \"" + Path("nothere.bin") + "\"",
          "main.asm:    5  : error: Range ErrorIn a dbl", "main.asm:    6  : error: Range Error"}));
  EXPECT_EQ(t.console.out,
            std::vector<std::string>{
                "main.asm:    7  : warning: This file has no corresponding output_nex block!"});
  EXPECT_TRUE(Def(1).ExtraData.empty());
}

// A list holds at most 3 MB: a fill up to the limit is kept whole, one byte
// more is error 212 and the list is dropped.
TEST_F(Directives, NexDataListLimit) {
  Pass(
      " OUTPUT_NEX \"n.nex\", 0, $C000\n"
      " OUTPUT_NEX_DATA \"n.nex\", DS, $2FFFFF : 7, DB, 9\n"
      " OUTPUT_NEX_DATA \"n.nex\", DS, $2FFFFF, DB, 1, 2\n"
      " OUTPUT_NEX_DATA \"n.nex\", DS, $7FFFFFFF\n");
  EXPECT_EQ(t.console.err, (std::vector<std::string>{
                               "main.asm:    3  : error: Ran out of resources - endless loop?",
                               "main.asm:    4  : error: Ran out of resources - endless loop?"}));
  ASSERT_EQ(Def(1).ExtraData.size(), 0x300000u);
  EXPECT_EQ(Def(1).ExtraData[0x2FFFFE], 7);
  EXPECT_EQ(Def(1).ExtraData[0x2FFFFF], 9);
}

TEST_F(Directives, NexScreenAndPalette) {
  // A 256 x 192 8-bit bitmap: header, 256 black palette entries, pixels 0.
  std::string bmp(54 + 1024 + 256 * 192, '\0');
  bmp[0] = 'B';
  bmp[1] = 'M';
  bmp[10] = 0x36;  // pixels at $436: after the headers and the palette
  bmp[11] = 0x04;
  bmp[14] = 40;
  bmp[18] = 0;
  bmp[19] = 1;  // width 256
  bmp[22] = static_cast<char>(192);
  bmp[28] = 8;  // bits per pixel
  Pass(
      " OUTPUT_NEX_SCREEN \"none.nex\", \"\", $4000, 6912, 1, 2\n"
      " OUTPUT_NEX \"n.nex\", 0, $C000\n"
      " OUTPUT_NEX_PALETTE \"n.nex\", \"\", 0, 512\n"
      " OUTPUT_NEX_SCREEN \"n.nex\", \"\", $4000, 6976, 1, 2\n"
      " OUTPUT_NEX_SCREEN \"n.nex\", \"pic.bmp\", 0, 3, 4\n"
      " OUTPUT_NEX_PALETTE \"n.nex\", \"pal.bin\"\n"
      " OUTPUT_NEX_PALETTE \"n.nex\", \"\", $5000, 100\n"
      " OUTPUT_NEX_PALETTE \"x.nex\", \"\", 0, 256\n",
      true, {{"pic.bmp", bmp}, {"pal.bin", std::string(256, '\1')}});
  EXPECT_EQ(t.console.err, std::vector<std::string>{}) << Errors();
  EXPECT_EQ(t.console.out,
            (std::vector<std::string>{
                "main.asm:    1  : warning: This file has no corresponding output_nex block!",
                "main.asm:    3  : warning: Must have a screen before you can have a palette!",
                "main.asm:    5  : warning: This nex file already has a screen defined!",
                "main.asm:    7  : warning: This nex file already has a palette defined!",
                "main.asm:    7  : warning: This isn't a recognised palette file type!",
                "main.asm:    8  : warning: This file has no corresponding output_nex block"}));
  const TFILE_Def& d = Def(1);
  EXPECT_TRUE(d.bNEXHadScreen);
  EXPECT_TRUE(d.bNEXHadScreenFile);
  EXPECT_EQ(d.NEXScreenFile, Path("pic.bmp"));
  EXPECT_EQ(d.NEXScreenType, nsftImage);
  EXPECT_FALSE(d.bNEXLOADING_BAR);
  EXPECT_EQ(d.NEXLOADING_COLOUR, 3);
  EXPECT_EQ(d.NEXHI_RES_COLOUR, 4);
  EXPECT_TRUE(d.bNEXHadPalette);
  EXPECT_FALSE(d.bNEXHadPaletteFile);
  EXPECT_EQ(d.NEXPaletteMemStart, 0x5000u);
  EXPECT_EQ(d.NEXPaletteMemLen, 100u);
}

TEST(NexRules, CoreVersionAndScreenLengths) {
  uint8_t v[3];
  EXPECT_TRUE(ParseNexCoreVersion("2.0.28", v));
  EXPECT_EQ(v[0], 2);
  EXPECT_EQ(v[2], 28);
  EXPECT_TRUE(ParseNexCoreVersion("0.0.0", v));
  EXPECT_FALSE(ParseNexCoreVersion("1.2", v));
  EXPECT_FALSE(ParseNexCoreVersion("1.2.3.", v));
  EXPECT_FALSE(ParseNexCoreVersion("1..23", v));
  EXPECT_FALSE(ParseNexCoreVersion("1.2.x", v));
  EXPECT_FALSE(ParseNexCoreVersion("1.2.256", v));
  EXPECT_EQ(ClassifyNexScreenLength(0), nsftVoid);
  EXPECT_EQ(ClassifyNexScreenLength(6912), nsftULA);
  EXPECT_EQ(ClassifyNexScreenLength(6976), nsftULA_64);
  EXPECT_EQ(ClassifyNexScreenLength(12288), nsftTIMEX_HC);
  EXPECT_EQ(ClassifyNexScreenLength(12289), nsftTIMEX_HR);
  EXPECT_EQ(ClassifyNexScreenLength(12352), nsftTIMEX_HC_64);
  EXPECT_EQ(ClassifyNexScreenLength(12353), nsftTIMEX_HR_64);
  EXPECT_EQ(ClassifyNexScreenLength(6913), nsftUNKNOWN);
}

TEST(OutputRun, SnapshotWithoutRegistersGetsTheTapeExecuteAddress) {
  TestRun t;
  EXPECT_EQ(t.Assemble(" ORG $8000\n"
                       " DB 1\n"
                       " OUTPUT_SZX \"a.szx\"\n"
                       " OUTPUT_TAP \"a.tap\", \"a\", \"\", $8000, 1\n"),
            0)
      << t.Err();
  EXPECT_EQ(t.a->machine.defaultStartPC, 0x8000);
}
