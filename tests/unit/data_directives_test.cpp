// Data and space directives assembled in-process; every expected byte is
// worked out by hand from the directive rules.

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct DataRun {
  TestRun t;
  int exit = -1;
  explicit DataRun(const std::string& source) { exit = t.Assemble(source); }
  Bytes At(int64_t address, int n) const {
    Bytes b;
    for (int i = 0; i < n; ++i) b.push_back(ReadImageByte(*t.a, address + i));
    return b;
  }
  const TMemCell& Cell(int64_t address) const { return ReadImageCell(*t.a, address); }
  // A 32-bit value the source planted with DL (symbols do not outlive the run).
  int32_t Long(int64_t address) const {
    Bytes b = At(address, 4);
    return static_cast<int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24);
  }
  // The first console error line, or "" when there is none.
  std::string FirstError() const {
    for (const auto& l : t.console.err)
      if (l.find(" : error: ") != std::string::npos) return l;
    return "";
  }
};

// Assembles "ORG $8000" followed by the given lines (line 2 on).
std::string At8000(const std::string& lines) { return "ORG $8000\n" + lines + "\n"; }

std::string ErrorOnLine(int line, const std::string& text) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "main.asm:%5d  : error: ", line);
  return buf + text;
}

TEST(DataLists, KindKeywordsSwitchTheKindInsideTheList) {
  DataRun r(At8000(" DB 1, DW $1234, DB \"ab\"\nfollow: DW follow"));
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.At(0x8000, 7), (Bytes{0x01, 0x34, 0x12, 0x61, 0x62, 0x05, 0x80}));
}

TEST(DataLists, ByteOrdersOfWordsAndLongs) {
  DataRun r(
      At8000(" DEFWBE $1234\n"              // 12 34
             " DEFLBE $12345678\n"          // 12 34 56 78
             " DL $12345678\n"              // 78 56 34 12
             " DB 1, DEFL 2\n"              // DEFL inside a list is a long: 01 02 00 00 00
             " DEFW $ABCD, DEFWBE $ABCD\n"  // CD AB AB CD
             " DW \"ab\"\n"                 // each character a word: 61 00 62 00
             " DEFLBE \"a\"\n"));           // 00 00 00 61
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.At(0x8000, 31),
            (Bytes{0x12, 0x34, 0x12, 0x34, 0x56, 0x78, 0x78, 0x56, 0x34, 0x12, 0x01,
                   0x02, 0x00, 0x00, 0x00, 0xCD, 0xAB, 0xAB, 0xCD, 0x61, 0x00, 0x62,
                   0x00, 0x00, 0x00, 0x00, 0x61, 0x00, 0x00, 0x00, 0x00}));
}

TEST(DataLists, NoRangeCheckAndFloatsRoundToEven) {
  DataRun r(
      At8000(" DB 300, -1, -128\n"             // 2C FF 80
             " DW $12345, -2\n"                // 45 23 FE FF
             " DB 2.5, 3.5, -2.5, 0.5, 1.5\n"  // 02 04 FE 00 02
             " DW 2.5, 65535.5\n"              // 02 00, 65536 -> 00 00
             " DEFM \"Hi\""));                 // 48 69
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.At(0x8000, 20), (Bytes{0x2C, 0xFF, 0x80, 0x45, 0x23, 0xFE, 0xFF, 0x02, 0x04, 0xFE,
                                     0x00, 0x02, 0x02, 0x00, 0x00, 0x00, 0x48, 0x69, 0x00, 0x00}));
}

TEST(DataLists, TerminatedStrings) {
  DataRun r(
      At8000(" DBTB \"ab\"\n"                   // 61 E2
             " DBTB \"\", \"a\", 5\n"           // nothing, E1, 05 (integers are not marked)
             " DB 1, DBTB \"xy\", DB \"z\""));  // 01 78 F9 7A
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.At(0x8000, 8), (Bytes{0x61, 0xE2, 0xE1, 0x05, 0x01, 0x78, 0xF9, 0x7A}));
}

TEST(DataLists, DotIsTheElementAndDollarTheStatement) {
  DataRun r(At8000(" DW ., ., .\n DW $, $, ."));
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.At(0x8000, 12),
            (Bytes{0x00, 0x80, 0x02, 0x80, 0x04, 0x80, 0x06, 0x80, 0x06, 0x80, 0x0A, 0x80}));
}

TEST(DataLists, LeadingCommaIsAccepted) {
  DataRun r(At8000(" DB ,7, 8"));
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.At(0x8000, 2), (Bytes{7, 8}));
}

TEST(DataLists, MissingElementsAreSyntaxErrors) {
  for (const char* line : {" DB", " DB 1,", " DB 1, DW", " DW ,", " DEFB 1,,2", " DB 1 2"}) {
    DataRun r(At8000(line));
    EXPECT_EQ(r.exit, 1) << line;
    EXPECT_EQ(r.FirstError(), ErrorOnLine(2, "Syntax Error")) << line;
  }
}

// Inside a list only DB, DEFB, DBTB, DL, DEFL, DEFLBE, DW, DEFW, DEFWBE, DF,
// DS and DEFV switch the kind, one of them before an element. DEFM and DEFS
// start statements but are no switch, so there they are a missing operand.
TEST(DataLists, KindSwitchesAreTheListedKeywordsOnly) {
  for (const char* line : {" DB 1, DEFS 2", " DB 1, DEFM \"a\"", " DW DB DL 1", " DB 1, DW DW 2"}) {
    DataRun r(At8000(line));
    EXPECT_EQ(r.FirstError(), ErrorOnLine(2, "Syntax Error")) << line;
  }
  DataRun r(At8000(" DEFM \"a\", DEFB 2, DEFV 1:3, DEFW 4\n DEFS 2, 5"));
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.At(0x8000, 7), (Bytes{0x61, 2, 3, 4, 0, 5, 5}));
}

TEST(DataLists, ColonEndsTheListOutsideSpace) {
  DataRun r(At8000(" DB 1, 2 : DB 3"));
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.At(0x8000, 3), (Bytes{1, 2, 3}));
}

TEST(DataFloats, SpectrumForms) {
  DataRun r(
      At8000(" DF 1, -1, 0.5\n"  // small integers, then the floating form
             " DF 1.0\n"         // a float stays a float: 0.5 * 2^1
             " DF \"A\"\n"       // the character code 65 as a small integer
             " DF 65536, -65535\n"
             " DB 9, DF 0, DB 8"));
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.At(0x8000, 15), (Bytes{0x00, 0x00, 0x01, 0x00, 0x00,     // 1
                                     0x00, 0xFF, 0xFF, 0xFF, 0x00,     // -1
                                     0x80, 0x00, 0x00, 0x00, 0x00}));  // 0.5
  EXPECT_EQ(r.At(0x800F, 10), (Bytes{0x81, 0, 0, 0, 0, 0x00, 0x00, 0x41, 0x00, 0x00}));
  EXPECT_EQ(r.At(0x8019, 10), (Bytes{0x91, 0, 0, 0, 0, 0x00, 0xFF, 0x01, 0x00, 0x00}));
  EXPECT_EQ(r.At(0x8023, 7), (Bytes{9, 0, 0, 0, 0, 0, 8}));
}

TEST(DataFloats, IeeeSinglesWhenSpectrumFloatsAreOff) {
  DataRun r(
      "zoSpectrumFloats = 0\n"
      "ORG $8000\n"
      " DF 1, 0.5, -2.5\n");
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  // 1 = $3F800000, 0.5 = $3F000000, -2.5 = $C0200000, low byte first.
  EXPECT_EQ(r.At(0x8000, 12), (Bytes{0, 0, 0x80, 0x3F, 0, 0, 0, 0x3F, 0, 0, 0x20, 0xC0}));
}

TEST(DataFloats, ZeroHasNoSpectrumExponent) {
  DataRun r(At8000(" DF 0.0"));
  EXPECT_EQ(r.exit, 1);
  EXPECT_EQ(r.FirstError(), ErrorOnLine(2, "Range Error"));
}

TEST(DataSpace, FillAfterACommaOrAColon) {
  DataRun r(
      At8000(" DS 3, $AA\n"           // AA AA AA
             " DB 1, DS 2:$55\n"      // 01 55 55
             " DEFS 2, -1\n"          // FF FF
             " DS 0, 7\n"             // nothing
             " DS -4\n"               // nothing
             "here: DB 1, DS 1, 2\n"  // the kind stays space: 01, one 00, two 00
             " DW here"));
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.At(0x8000, 14),
            (Bytes{0xAA, 0xAA, 0xAA, 1, 0x55, 0x55, 0xFF, 0xFF, 1, 0, 0, 0, 0x08, 0x80}));
  EXPECT_TRUE(r.Cell(0x8009).Used);  // the space byte was planted
}

TEST(DataSpace, FillMustBeAByte) {
  DataRun r(At8000(" DS 2, 256"));
  EXPECT_EQ(r.FirstError(), ErrorOnLine(2, "Range Error"));
}

TEST(DataSpace, BlockMustFitTheSegment) {
  // The segment accepts $100..$10F: a block ending exactly at its end fits.
  DataRun ok("SEGMENT s = $100, $10\n SEGMENT s\n DS $10, 1\n");
  ASSERT_EQ(ok.exit, 0) << ok.t.Err();
  EXPECT_EQ(ok.At(0x10F, 2), (Bytes{1, 0}));

  DataRun over(
      "SEGMENT s = $100, $10\n SEGMENT s\n DS 8, 1\n DS 9, 2\n"
      "after: DB 3\n");
  EXPECT_EQ(over.FirstError(), ErrorOnLine(4, "Address Error"));
  EXPECT_EQ(over.t.console.err.size(), 2u);  // the error and the counts line
}

TEST(DataSpace, InsideAStructureOnlyOffsetsMove) {
  DataRun r(
      At8000("rec: STRUCT\n"
             "f1: DS 4, $FF\n"
             "f2: DS 2\n"
             "f3: SEND\n"
             "after: DW after, f1, f2, f3"));
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.At(0x8000, 9), (Bytes{0x00, 0x80, 0, 0, 4, 0, 6, 0, 0}));

  DataRun bad(At8000(" STRUCT\n DB 0\n SEND"));
  EXPECT_EQ(bad.FirstError(), ErrorOnLine(3, "Not allowed to plant bytes in structure"));
}

TEST(DataSpace, VariableSpaceIsUnreadableUntilWritten) {
  DataRun r(At8000(" DEFV 2, 9\n DS 1\n DB 1, DEFV 1:4"));
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.At(0x8000, 5), (Bytes{9, 9, 0, 1, 4}));
  EXPECT_FALSE(r.Cell(0x8000).Read);
  EXPECT_FALSE(r.Cell(0x8001).Read);
  EXPECT_TRUE(r.Cell(0x8002).Read);
  EXPECT_TRUE(r.Cell(0x8003).Read);
  EXPECT_FALSE(r.Cell(0x8004).Read);
}

TEST(DataSpace, HugeBlockInAHugeSegmentIsQuick) {
  auto start = std::chrono::steady_clock::now();
  DataRun r("SEGMENT s = 0, -1\n SEGMENT s\n DS $7FFFFFF0, 1\nafter: DB 2\n ORG $100\n DL after\n");
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.Long(0x100), 0x7FFFFFF0);
  EXPECT_EQ(r.At(0x238FFF, 1), (Bytes{1}));
  EXPECT_LT(seconds, 5.0);
}

TEST(DataSpace, LabelOnTheCountNamesTheBlock) {
  DataRun r(At8000(" DB 1\n DS [buf] 3\n DB 1, DS [two] 2:7, DW buf, two"));
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.At(0x8004, 7), (Bytes{1, 7, 7, 0x01, 0x80, 0x05, 0x80}));
}

TEST(DataLengthPrefixed, FieldHoldsTheLength) {
  DataRun r(
      At8000(" DBL 1, 2, 3\n"    // 03 01 02 03
             " DBLW \"abc\"\n"   // 03 00 61 62 63
             " DBLL 1, DW 2\n"   // 03 00 00 00 01 02 00
             " DBL DS 255:7"));  // FF then 255 sevens
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.At(0x8000, 16), (Bytes{0x03, 0x01, 0x02, 0x03, 0x03, 0x00, 0x61, 0x62, 0x63, 0x03,
                                     0x00, 0x00, 0x00, 0x01, 0x02, 0x00}));
  EXPECT_EQ(r.At(0x8010, 2), (Bytes{0xFF, 7}));
  EXPECT_EQ(r.At(0x8010 + 255, 2), (Bytes{7, 0}));
}

TEST(DataLengthPrefixed, DisplacedFieldIsPatchedWhereItIsStored) {
  DataRun r(At8000(" DISP $1000\n DBL \"ab\"\n DISP 0"));
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.At(0x9000, 3), (Bytes{0x02, 0x61, 0x62}));
  EXPECT_EQ(r.At(0x8000, 1), (Bytes{0}));
}

TEST(DataLengthPrefixed, TooLongForTheField) {
  DataRun b(At8000(" DBL DS 256, 1"));
  EXPECT_EQ(b.FirstError(), ErrorOnLine(2, "Range Error"));
  DataRun w(At8000(" DBLW DS 65536"));
  EXPECT_EQ(w.FirstError(), ErrorOnLine(2, "Range Error"));
  DataRun fits(At8000(" DBLW DS 65535"));
  EXPECT_EQ(fits.exit, 0) << fits.t.Err();
  EXPECT_EQ(fits.At(0x8000, 2), (Bytes{0xFF, 0xFF}));
}

TEST(DataScrambled, KeyAndStep) {
  DataRun r(At8000(" DBXO 1\n DBX $55, 0"));
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.At(0x8000, 1), (Bytes{0x55}));
  EXPECT_EQ(r.t.a->data.xorKey, 0x56);
  EXPECT_EQ(r.t.a->data.xorStep, 1);
}

TEST(DataScrambled, EveryByteButFloatsIsScrambled) {
  DataRun r(
      At8000(" DBXO 1\n"
             " DBX $10, 1, 2, DS 2:0, DW $0303\n"  // 01^10 02^11 00^12 00^13 03^14 03^15
             " DBX $20, DF 1, DB 1\n"              // float plain, then 01^20
             " DBXO 0\n"
             " DBXTB $0F, \"ab\""));  // 61^0F E2^0F
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.At(0x8000, 16), (Bytes{0x11, 0x13, 0x12, 0x13, 0x17, 0x16, 0x00, 0x00, 0x01, 0x00,
                                     0x00, 0x21, 0x6E, 0xED, 0x00, 0x00}));
}

TEST(DataScrambled, StepOutlivesTheRun) {
  DataRun r(At8000(" DBXO 3"));
  ASSERT_EQ(r.exit, 0);
  // A second assembly with the same context keeps the step.
  r.t.Assemble(At8000(" DBX 1, 0, 0"));
  EXPECT_EQ(r.At(0x8000, 2), (Bytes{0x01, 0x04}));
}

TEST(DataScrambled, KeyNeedsAComma) {
  DataRun r(At8000(" DBX $55"));
  EXPECT_EQ(r.FirstError(), ErrorOnLine(2, "Syntax Error"));
}

TEST(DataHex, PairsTransparencyAndZeros) {
  DataRun r(At8000(" DH \"0aFF.. xx\", \"12\""));
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.At(0x8000, 5), (Bytes{0x0A, 0xFF, 0xE3, 0x00, 0x12}));
}

TEST(DataHex, TransparencySymbol) {
  DataRun i("VeldSetDHTrans = 7\nORG $8000\n DH \"..\"\n");
  ASSERT_EQ(i.exit, 0) << i.t.Err();
  EXPECT_EQ(i.At(0x8000, 1), (Bytes{7}));
  DataRun f("VeldSetDHTrans EQU 2.5\nORG $8000\n DH \"..\"\n");  // rounds to even
  EXPECT_EQ(f.At(0x8000, 1), (Bytes{2}));
  DataRun s("VeldSetDHTrans EQU \"x\"\nORG $8000\n DH \"..\"\n");  // a string does not count
  EXPECT_EQ(s.At(0x8000, 1), (Bytes{0xE3}));
}

TEST(DataHex, ProcedureScopeComesFirst) {
  DataRun r(
      "VeldSetDHTrans = 1\n"
      " ORG $8000\n"
      "p1: PROC\n"
      "VeldSetDHTrans = 2\n"
      " DH \"..\"\n"  // p1.VeldSetDHTrans
      " PEND\n"
      " DH \"..\"\n"  // the global one
      "p2: PROC\n"
      " DH \"..\"\n"  // p2 has none: the global one
      " PEND\n");
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.At(0x8000, 3), (Bytes{2, 1, 1}));
}

TEST(DataHex, BadTextIsASyntaxError) {
  for (const char* line :
       {" DH \"0G\"", " DH \"\"", " DH \"   \"", " DH 5", " DH", " DH \"12\","}) {
    DataRun r(At8000(line));
    EXPECT_EQ(r.FirstError(), ErrorOnLine(2, "Syntax Error")) << line;
  }
}

TEST(DataBitRows, EightCharactersToAByte) {
  DataRun r(
      At8000(" DG XX..XX..\n"
             " DG X.X.X.X. --------\n"  // blanks between items are lost
             " DG ____XXXX ; comment"));
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_EQ(r.At(0x8000, 4), (Bytes{0xCC, 0xAA, 0x00, 0x0F}));
}

TEST(DataBitRows, IncompleteOrEmptyRows) {
  for (const char* line : {" DG XXXXXXXXX", " DG"}) {
    DataRun r(At8000(line));
    EXPECT_EQ(r.FirstError(), ErrorOnLine(2, "Syntax Error")) << line;
  }
}

TEST(DataMarks, WritableWhenLabelledOrConstDataOff) {
  DataRun r(At8000(" DB 1\n DB [var] 2, 3\n DS 1\n DW var"));
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  EXPECT_FALSE(r.Cell(0x8000).Write);
  EXPECT_FALSE(r.Cell(0x8000).Execute);
  EXPECT_TRUE(r.Cell(0x8001).Write);   // the labelled element
  EXPECT_FALSE(r.Cell(0x8002).Write);  // the next element is not
  EXPECT_TRUE(r.Cell(0x8003).Write);   // space is always writable
  EXPECT_EQ(r.At(0x8004, 2), (Bytes{0x01, 0x80}));

  DataRun off("zoConstData = 0\nORG $8000\n DB 1\n");
  EXPECT_TRUE(off.Cell(0x8000).Write);
}

TEST(DataFlow, DataAfterFlowingCodeWarns) {
  const std::string warn =
      "  : warning:  - this creates data or space that could be executed. (Use noflow or "
      "velddatafollows?)";
  DataRun r(
      At8000(" LD A,B\n DB 1\n"  // line 3 warns
             " LD A,B\n DS 1\n"  // line 5 warns
             " RET\n DB 1\n"     // no warning after RET
             " LD A,B\n NOFLOW\n DH \"00\"\n"
             " NOP\n DG XXXXXXXX\n"  // line 12 warns
             " NOP\n DBL 1\n"        // line 14 warns
             " NOP\n DBX 1, 1\n"));  // line 16 warns
  ASSERT_EQ(r.exit, 0) << r.t.Err();
  std::vector<std::string> want;
  for (int line : {3, 5, 12, 14, 16}) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "main.asm:%5d", line);
    want.push_back(buf + warn);
  }
  std::vector<std::string> got;
  for (const auto& l : r.t.console.out)
    if (l.find("warning") != std::string::npos) got.push_back(l);
  EXPECT_EQ(got, want);

  DataRun quiet("zoWarnFlow = 0\nORG $8000\n LD A,B\n DB 1\n");
  EXPECT_EQ(quiet.t.Out().find("warning"), std::string::npos);
}

}  // namespace
