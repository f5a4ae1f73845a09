// The symbol file: which symbols each option bit lets in, the value layouts
// and hex forms, the name field, the variable-list and label-file layouts,
// sorting and the unreferenced-label section. Expected lines are written out
// from the layout rules.

#include "symbols/symbol_export.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

// Name field: the name, one blank, blanks up to 32 columns.
std::string F(const std::string& name) {
  std::string f = name + " ";
  if (f.size() < 32) f.append(32 - f.size(), ' ');
  return f;
}

// An unreferenced-label line: the place padded to 31 columns, a blank, the name.
std::string Unref(std::string place, const std::string& name) {
  place.resize(31, ' ');
  return place + " " + name;
}

using Lines = std::vector<std::string>;

struct SymbolExport : ::testing::Test {
  TestRun t;
  Assembly& a = *t.a;
  Lines Export(uint32_t options) { return BuildSymbolLines(a, options); }
};

TEST_F(SymbolExport, ValueLayoutsAndHexForms) {
  ASSERT_EQ(t.Assemble(" ORG $8000\n"
                       "start: nop\n"
                       "far EQU $12345\n"
                       "minus2 EQU -2\n"
                       "small EQU 5\n"),
            0)
      << t.Err();
  const uint32_t labels = 0x80;
  // Layout 0 is the default: name field, EQU, dollar form of 4 digits.
  EXPECT_EQ(Export(labels), (Lines{F("start") + "EQU $8000", F("far") + "EQU $12345",
                                   F("minus2") + "EQU $FFFFFFFE", F("small") + "EQU $0005"}));
  EXPECT_EQ(Export(labels | 1), (Lines{F("start") + "$8000", F("far") + "$12345",
                                       F("minus2") + "$FFFFFFFE", F("small") + "$0005"}));
  EXPECT_EQ(Export(labels | 2), (Lines{F("start") + "EQU 32768", F("far") + "EQU 74565",
                                       F("minus2") + "EQU -2", F("small") + "EQU 5"}));
  EXPECT_EQ(Export(labels | 3), (Lines{F("start") + "32768", F("far") + "74565", F("minus2") + "-2",
                                       F("small") + "5"}));
  EXPECT_EQ(Export(labels | 0x10000), (Lines{"8000 " + F("start"), "12345 " + F("far"),
                                             "FFFFFFFE " + F("minus2"), "0005 " + F("small")}));
  EXPECT_EQ(Export(labels | 0x10001), (Lines{"$8000 " + F("start"), "$12345 " + F("far"),
                                             "$FFFFFFFE " + F("minus2"), "$0005 " + F("small")}));
  // C form: "L" when the digits are more than 4 or 8 digits are asked for.
  EXPECT_EQ(Export(labels | 0x10002),
            (Lines{"0x8000 " + F("start"), "0x12345L " + F("far"), "0xFFFFFFFEL " + F("minus2"),
                   "0x0005 " + F("small")}));
  EXPECT_EQ(Export(labels | 0x10003), (Lines{"32768 " + F("start"), "74565 " + F("far"),
                                             "-2 " + F("minus2"), "5 " + F("small")}));
  // Eight digits on request.
  EXPECT_EQ(Export(labels | 0x20000)[0], F("start") + "EQU $00008000");
  EXPECT_EQ(Export(labels | 0x30002)[0], "0x00008000L " + F("start"));
  EXPECT_EQ(Export(labels | 0x30000)[3], "00000005 " + F("small"));
  // Options 0: nothing at all.
  EXPECT_TRUE(Export(0).empty());
}

TEST_F(SymbolExport, EachKindHasItsBit) {
  ASSERT_EQ(t.Assemble(" ORG $8000\n"
                       "main: nop\n"
                       "@l1: nop\n"
                       "v = 7\n"
                       "ratio EQU 1.5\n"
                       "s EQU \"text\"\n"
                       " SEGMENT data = $C000, $100\n"
                       " SEGMENT data\n"
                       " DB 1, 2, 3\n"
                       "mac MACRO(p1, p2)\n"
                       " DB p1, p2\n"
                       " MEND\n"
                       "[[\nFUNCTION twice(n)\n{\n RETURN n * 2\n}\n]]\n"
                       "{\n"
                       "inner: nop\n"
                       "}\n"),
            0)
      << t.Err();
  auto only = [&](uint32_t options) {
    Lines out;
    for (const auto& l : Export(options))
      if (l.compare(0, 7, "VeldAP_") != 0 || (options & 0x400)) out.push_back(l);
    return out;
  };
  EXPECT_EQ(only(0x80), (Lines{F("main") + "EQU $8000"}));
  EXPECT_EQ(only(0x20), (Lines{F("main.l1") + "EQU $8001"}));
  EXPECT_EQ(only(0x04), (Lines{F("v") + "EQU $0007"}));
  EXPECT_EQ(only(0x08), (Lines{F("ratio") + "EQU 1.5"}));
  EXPECT_EQ(only(0x10), (Lines{F("s") + "EQU \"text\""}));
  EXPECT_EQ(only(0x40), (Lines{F("data") + "EQU $00C000; Length = $000100, Final PC = $00C004, "
                                           "Est. size = $000004"}));
  EXPECT_EQ(only(0x200), (Lines{F("mac") + "MACRO (p1[],p2[])", F("twice") + "FUNCTION (n)"}));
  // The label of the anonymous procedure is local to a VeldAP_ scope: listed
  // only when bit $400 lets those names in.
  Lines anon = Export(0x420);
  ASSERT_GE(anon.size(), 2u);
  EXPECT_EQ(anon[0], F("main.l1") + "EQU $8001");
  EXPECT_EQ(anon[1], F("VeldAP_0.inner") + "EQU $C003");
  EXPECT_EQ(Export(0x20), (Lines{F("main.l1") + "EQU $8001"}));
  // Predefined symbols only with bit $1000: the options are integer variables.
  Lines withPredefined = Export(0x1004);
  EXPECT_GT(withPredefined.size(), 1u);
  bool hasOption = false;
  for (const auto& l : withPredefined) hasOption |= l.starts_with(F("zoStrict"));
  EXPECT_TRUE(hasOption);
}

TEST_F(SymbolExport, AliasesAndUndefinedSymbols) {
  ASSERT_EQ(t.Assemble("five ALIAS 2 + 3\n DB five\n"), 0) << t.Err();
  Lines alias = Export(0x200);
  ASSERT_EQ(alias.size(), 1u);
  // The saved position's item, its look-ahead flag, and the rest of its line.
  const std::string head = F("five") + "is an ALIAS. it points at this: ";
  EXPECT_TRUE(alias[0].starts_with(head)) << alias[0];
  EXPECT_TRUE(alias[0].ends_with("2 + 3]")) << alias[0];
  EXPECT_TRUE(alias[0].find(" true [") != std::string::npos ||
              alias[0].find(" false [") != std::string::npos)
      << alias[0];
  // A symbol still undefined is written whatever the options ask for.
  TRec* ghost = FindOrCreateSymbol(a, "ghost");
  ghost->Val.Whole().Int = 0x12345;
  EXPECT_EQ(Export(0x80), (Lines{F("ghost") + "unknown symbol 2345[Undef:0080]"}));
  EXPECT_EQ(Export(0x10000), (Lines{F("ghost") + "unknown symbol 2345[Undef:10000]"}));
}

TEST_F(SymbolExport, NameFieldAndExportLength) {
  const std::string longName = "a_name_of_exactly_forty_characters_xxxxx";
  ASSERT_EQ(longName.size(), 40u);
  ASSERT_EQ(t.Assemble(longName + " EQU 1\nshort EQU 2\n"), 0) << t.Err();
  // A name longer than the field keeps one blank after it.
  EXPECT_EQ(Export(0x80), (Lines{longName + " EQU $0001", F("short") + "EQU $0002"}));
  ASSERT_EQ(t.Assemble(longName + " EQU 1\nVeldMaxSymbolExportLength = 10\n"), 0) << t.Err();
  EXPECT_EQ(Export(0x80), (Lines{F("a_name_of_") + "EQU $0001"}));
  ASSERT_EQ(t.Assemble(longName + " EQU 1\nVeldMaxSymbolExportLength = -5\n"), 0) << t.Err();
  EXPECT_EQ(Export(0x80), (Lines{F("a") + "EQU $0001"}));
}

TEST_F(SymbolExport, VariableListAndLabelFile) {
  ASSERT_EQ(t.Assemble(" ORG $8000\n"
                       "Zeta: nop\n"
                       "alpha: nop\n"
                       "@loc: nop\n"
                       "beta EQU $8000\n"
                       "count = 12\n"
                       "minus = -1\n"
                       "txt EQU \"s\"\n"
                       "upper EQU $18001\n"
                       "upper2 EQU $18002\n"
                       "negative EQU -4\n"),
            0)
      << t.Err();
  // Every variable without a "." that the source made: name, 8 hex digits.
  EXPECT_EQ(Export(0x2000), (Lines{"count,0000000C", "minus,FFFFFFFF"}));
  // Labels, variables and constants with values of 0 or more, unsorted: only
  // neighbours at one address collapse.
  EXPECT_EQ(Export(0x4000), (Lines{"L8000 Zeta", "L8001 alpha", "L8000 beta", "L000C count",
                                   "L18001 upper", "L18002 upper2"}));
  // Sorted ignoring case, then one name per address (the first in order).
  EXPECT_EQ(Export(0xC000),
            (Lines{"L000C count", "L18001 upper", "L18002 upper2", "L8000 beta", "L8001 alpha"}));
  // The variable list sorts too.
  EXPECT_EQ(Export(0xA000), (Lines{"count,0000000C", "minus,FFFFFFFF"}));
}

TEST_F(SymbolExport, SortingIgnoresCase) {
  ASSERT_EQ(t.Assemble("bz EQU 1\nAy EQU 2\nCx EQU 3\nay_ EQU 4\n"), 0) << t.Err();
  // Whole lines are sorted, so a layout with the value first sorts by value.
  EXPECT_EQ(Export(0x18083),
            (Lines{"1 " + F("bz"), "2 " + F("Ay"), "3 " + F("Cx"), "4 " + F("ay_")}));
  EXPECT_EQ(Export(0x8080), (Lines{F("Ay") + "EQU $0002", F("ay_") + "EQU $0004",
                                   F("bz") + "EQU $0001", F("Cx") + "EQU $0003"}));
}

TEST_F(SymbolExport, UnreferencedLabels) {
  ASSERT_EQ(t.Assemble(" ORG $8000\n"
                       "used: jp used\n"
                       "unused: nop\n"
                       " INCLUDE \"inc.asm\"\n",
                       {{"inc.asm", "\n\nthere: nop\n"}}),
            0)
      << t.Err();
  Lines lines = Export(0x100080);
  // "file":line : padded to 31 columns, a blank, the name.
  EXPECT_EQ(lines,
            (Lines{F("used") + "EQU $8000", F("unused") + "EQU $8003", F("there") + "EQU $8004", "",
                   "Unreferenced labels", "", Unref("\"main.asm\":    3 :", "unused"),
                   Unref("\"inc.asm\":    3 :", "there")}));
}

TEST_F(SymbolExport, FileWrittenByTheWriteOut) {
  ASSERT_EQ(t.Assemble(" ORG $8000\nstart: nop\n EXPORT_SYM \"out.sym\", $80\n"
                       " EXPORT_SYM \"\", $80\n EXPORT_SYM \"none.sym\", 0\n"),
            0)
      << t.Err();
  EXPECT_EQ(t.ReadFile("out.sym"), F("start") + "EQU $8000\r\n");
  EXPECT_TRUE(std::filesystem::exists(t.dir / "none.sym"));
  EXPECT_EQ(t.ReadFile("none.sym"), "");
}

}  // namespace
