// The model, option and control directives, and the symbol rules as a whole
// source sees them, assembled in-process.

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

std::vector<std::string> Lines(const std::string& joined) {
  std::vector<std::string> v;
  size_t start = 0;
  for (size_t nl; (nl = joined.find('\n', start)) != std::string::npos; start = nl + 1)
    v.push_back(joined.substr(start, nl - start));
  return v;
}

// --- Define rules across passes --------------------------------------------

TEST(SymbolsInSource, LabelMovedByForwardReferenceSettles) {
  // Pass 1 reserves 0 bytes (fwd unknown), so "after" is 0; pass 2 reserves
  // 3 and moves it (one redefinition); pass 3 repeats pass 2 and ends clean.
  TestRun t;
  EXPECT_EQ(t.Assemble("        DS fwd\n"
                       "after:\n"
                       "fwd     EQU 3\n"
                       "        VELDASSERT after = 3\n"),
            0)
      << t.Err();
  EXPECT_EQ(t.Err(), "nErrors = 0 nRedef = 0 nUndef = 0\n");
  EXPECT_EQ(t.a->pass.pass, 4);  // passes 1 to 3, then the final pass
}

TEST(SymbolsInSource, TwoValuesForOneLabelAreRefusedInEveryPass) {
  // The first definition makes x defined in the pass; the second value is
  // "Label Redefined" each time and x stays 1. Pass 3 is the first to repeat
  // the statement count of the pass before; with errors and no progress the
  // loop stops, and the final pass is pass 4.
  TestRun t;
  EXPECT_EQ(t.Assemble("x       EQU 1\n"
                       "x       EQU 2\n"),
            1);
  EXPECT_EQ(t.a->pass.pass, 4);
  EXPECT_EQ(t.Err(),
            "main.asm:    2  : error: Label Redefined\n"
            "nErrors = 1 nRedef = 0 nUndef = 0\n");
  EXPECT_EQ(FindSymbol(*t.a, "x", false)->Val.Int(), 1);
}

TEST(SymbolsInSource, StringConstantMayRepeatButNotChange) {
  TestRun t;
  EXPECT_EQ(t.Assemble("s       EQU \"abc\"\n"
                       "s       EQU \"abc\"\n"),
            0)
      << t.Err();
  TestRun u;
  EXPECT_EQ(u.Assemble("s       EQU \"abc\"\n"
                       "s       EQU \"abd\"\n"
                       "        VELDASSERT s = \"abc\", \"changed\"\n"),
            1);
  EXPECT_EQ(u.Err(),
            "main.asm:    2  : error: Syntax Error\n"
            "nErrors = 1 nRedef = 0 nUndef = 0\n");
}

TEST(SymbolsInSource, VariablesMayBeReassigned) {
  TestRun t;
  EXPECT_EQ(t.Assemble("cnt     = 1\n"
                       "cnt     = cnt * 2\n"
                       "cnt     DEFL cnt + 5\n"
                       "cnt     := cnt\n"
                       "        VELDASSERT cnt = 7\n"),
            0)
      << t.Err();
}

TEST(SymbolsInSource, NamesAreCaseSensitive) {
  TestRun t;
  EXPECT_EQ(t.Assemble("Start   EQU 1\n"
                       "start   EQU 2\n"
                       "START   EQU 3\n"
                       "        VELDASSERT (Start = 1) & (start = 2) & (START = 3)\n"),
            0)
      << t.Err();
}

TEST(SymbolsInSource, UndefinedListingWhenErrorsAreOverridden) {
  TestRun t;
  EXPECT_EQ(t.Assemble("        DB nowhere\n"
                       "        DB elsewhere\n"
                       "        VELDOVERRIDE 0, 2\n"),
            1);
  EXPECT_EQ(t.Err(),
            "main.asm:    1  : error: Label Not Found : \"nowhere\"\n"
            "main.asm:    2  : error: Label Not Found : \"elsewhere\"\n"
            "nErrors = 0 nRedef = 0 nUndef = 2\n"
            "main.asm:    1  : Label nowhere is undefined\n"
            "main.asm:    2  : Label elsewhere is undefined\n");
}

// --- Predefined symbols and options ----------------------------------------

TEST(SymbolsInSource, PredefinedValues) {
  TestRun t;
  const std::string dir = t.dir.string();
  EXPECT_EQ(t.Assemble("        VELDASSERT (true = 1) & (TRUE = 1) & (false = 0) & (FALSE = 0)\n"
                       "        VELDASSERT (veldz80 = 1) & (VELDVER = 76) & (veldide = 0)\n"
                       "        VELDASSERT VELDMAXDATABREAKPOINT = 14\n"
                       "        VELDASSERT timestr = \"09:05 pm Tue 8/Dec/2026\", \"time\"\n"
                       "        VELDASSERT TIMESTR = timestr\n"
                       "        VELDASSERT Veld_exec_dir = \"/opt/veld\", \"exec\"\n"
                       "        VELDASSERT VELDSRCDIR = \"" +
                       dir +
                       "\", \"src\"\n"
                       "        VELDASSERT veld_src_dir = VELD_SRC_DIR\n"
                       "        VELDASSERT (bVeldRunningInHell = 0) & (bVeldRunningInHeaven = 0)\n"
                       "        VELDASSERT Veld_cpm_disk_cnt = 8\n"),
            0)
      << t.Err();
}

TEST(SymbolsInSource, VeldverRedefinedFailsTheRun) {
  // Every pass start defines veldver as 76, so another value in the source
  // is a second value in the same pass.
  TestRun t;
  EXPECT_EQ(t.Assemble("veldver EQU 77\n"), 1);
  EXPECT_EQ(t.Out(), "Assembling: main.asm\n");
  EXPECT_EQ(t.Err(),
            "main.asm:    1  : error: Label Redefined\n"
            "nErrors = 1 nRedef = 0 nUndef = 0\n");
}

TEST(SymbolsInSource, OptionAssignmentHoldsFromItsLineToThePassEnd) {
  // A label alone on its line is an error unless zoAllowFloatingLabels is on.
  TestRun t;
  EXPECT_EQ(t.Assemble("        NOP\n"
                       "early\n"
                       "zoAllowFloatingLabels = 1\n"
                       "late\n"),
            1);
  // Only line 2 fails, in every pass: the next pass starts with the default.
  EXPECT_EQ(t.Err(),
            "main.asm:    2  : error: Syntax Error\n"
            "nErrors = 1 nRedef = 0 nUndef = 0\n");
}

TEST(SymbolsInSource, LeadingZeroWarningFollowsTheOption) {
  TestRun t;
  EXPECT_EQ(t.Assemble("        DB 017\n"
                       "zoWarnLeadingZero = 0\n"
                       "        DB 017\n"),
            0)
      << t.Err();
  EXPECT_EQ(t.Out(),
            "Assembling: main.asm\n"
            "main.asm:    1  : warning: The leading-zero in \"017\" means it's an octal number...\n"
            "main.asm:    0  : warning: To avoid this warning add an O (oh) or \"Q\" so I know "
            "it's deliberate -> 17Q for example\n"
            "Assembled: " +
                (t.dir / "main.asm").string() + "\n");
}

TEST(SymbolsInSource, OtherAssemblerAdvice) {
  const std::string advice =
      "Be careful... you seem to be assembling a pasmo source with logical operators set to high "
      "priority... Look at the assembler options on the config tab.\n"
      "You can avoid this warning by adding \"zoLogicOperatorsHighPri = false\" at the top of "
      "your sourcefile. Or = true if you really want high priority logical operators.\n";
  TestRun t;
  EXPECT_EQ(t.Assemble("        LOCAL here, there\n"), 0);
  EXPECT_EQ(t.Err(), "nErrors = 0 nRedef = 0 nUndef = 0\n" + advice);

  // Setting the option either way, even to its default, silences it.
  for (const char* setting :
       {"zoLogicOperatorsHighPri = true\n", "zoLogicOperatorsHighPri = 0\n"}) {
    TestRun u;
    EXPECT_EQ(u.Assemble(std::string(setting) + "        LOCAL here\n"), 0);
    EXPECT_EQ(u.Err(), "nErrors = 0 nRedef = 0 nUndef = 0\n") << setting;
  }
}

// --- EMULATE_SPECTRUM -------------------------------------------------------

struct ModelCase {
  const char* statement;
  uint8_t model;
  int supportNext;
  int spectrumFloats;
};

TEST(EmulateSpectrum, ModelsAndTheirOptions) {
  const ModelCase cases[] = {
      {"EMULATE_SPECTRUM \"NEXT\"", 17, 1, 1},
      {"EMULATE_SPECTRUM \"next\"", 17, 1, 1},
      {"EMULATE_SPECTRUM \"128K\", \"NEXT\"", 17, 1, 1},
      {"EMULATE_SPECTRUM \"NEXT\", \"48K\"", 0, 0, 1},
      {"EMULATE_SPECTRUM \"XYZ\"", 0, 0, 1},
      {"EMULATE_SPECTRUM", 0, 0, 1},
      {"EMULATE_SPECTRUM \"3\"", 6, 0, 1},
      {"EMULATE_SPECTRUM \"cp/m\"", 8, 0, 0},
      {"EMULATE_SPECTRUM \"CPC\"", 14, 0, 0},
      {"EMULATE_SPECTRUM \"basil\"", 18, 0, 0},
      {"EMULATE_SPECTRUM \"128k\", \"norom\"", 2, 0, 1},
      {"EMULATE_SPECTRUM \"2\",", 4, 0, 1},
  };
  for (const auto& c : cases) {
    TestRun t;
    t.a->machine.model = 9;  // something no case leaves behind
    const std::string src =
        std::string("        ") + c.statement +
        "\n        VELDASSERT zoSupportNext = " + std::to_string(c.supportNext) +
        ", \"next\"\n        VELDASSERT zoSpectrumFloats = " + std::to_string(c.spectrumFloats) +
        ", \"floats\"\n";
    EXPECT_EQ(t.Assemble(src), 0) << c.statement << "\n" << t.Err();
    EXPECT_EQ(t.a->machine.model, c.model) << c.statement;
  }
}

TEST(EmulateSpectrum, NoRomFlag) {
  TestRun t;
  EXPECT_EQ(t.Assemble("        EMULATE_SPECTRUM \"128K\", \"NOROM\"\n"), 0);
  EXPECT_TRUE(t.a->machine.noRom);
  EXPECT_EQ(t.a->machine.model, 2);
  TestRun u;
  u.a->machine.noRom = true;
  EXPECT_EQ(u.Assemble("        EMULATE_SPECTRUM \"128K\"\n"), 0);
  EXPECT_FALSE(u.a->machine.noRom);
}

TEST(EmulateSpectrum, OptionsGoBackAtThePassStartButTheModelStays) {
  // In every pass after the first the model is already NEXT before the
  // directive, yet zoSupportNext starts at its default 0.
  TestRun t;
  EXPECT_EQ(t.Assemble("        VELDASSERT zoSupportNext = 0, \"early\"\n"
                       "        EMULATE_SPECTRUM \"NEXT\"\n"
                       "        VELDASSERT zoSupportNext = 1, \"late\"\n"),
            0)
      << t.Err();
  EXPECT_EQ(t.a->machine.model, 17);
}

TEST(EmulateSpectrum, ModelCarriesIntoTheNextRun) {
  TestRun t;
  EXPECT_EQ(t.Assemble("        EMULATE_SPECTRUM \"128K\"\n"), 0);
  // A later assembly in the same process starts from the 128K model: its
  // default snapshot stack pointer follows the model.
  EXPECT_EQ(t.Assemble("        NOP\n"), 0);
  EXPECT_EQ(t.a->machine.model, 2);
  EXPECT_EQ(t.a->machine.defaultStartSP, 0xFF46);
}

TEST(EmulateSpectrum, NonStringNameChangesNothing) {
  TestRun t;
  t.a->machine.model = 6;
  EXPECT_EQ(t.Assemble("        EMULATE_SPECTRUM \"NEXT\", 5\n"), 1);
  EXPECT_EQ(t.Err(),
            "main.asm:    1  : error: Syntax Error\n"
            "nErrors = 1 nRedef = 0 nUndef = 0\n");
  EXPECT_EQ(t.a->machine.model, 6);
}

TEST(EmulateSpectrum, JunkAfterANameIsReported) {
  TestRun t;
  EXPECT_EQ(t.Assemble("        EMULATE_SPECTRUM \"NEXT\" \"48K\"\n"), 1);
  EXPECT_EQ(Lines(t.Err()).front(), "main.asm:    1  : error: Syntax Error");
}

// --- VELDASSERT and VELDOVERRIDE ---------------------------------------------

TEST(VeldAssert, MessagesAndSilence) {
  TestRun t;
  EXPECT_EQ(t.Assemble("        VELDASSERT 1 = 2, \"bad\"\n"
                       "        VELDASSERT 0\n"
                       "        VELDASSERT 1, \"never shown\"\n"
                       "        VELDASSERT 2 > 1\n"
                       "        VELDASSERT 0, \"first\" : NOP\n"),
            1);
  EXPECT_EQ(t.Err(),
            "main.asm:    1  : error: bad\n"
            "main.asm:    2  : error: Assertion failed!\n"
            "main.asm:    5  : error: first\n"
            "nErrors = 3 nRedef = 0 nUndef = 0\n");
}

TEST(VeldAssert, MessageMustBeAString) {
  TestRun t;
  EXPECT_EQ(t.Assemble("        VELDASSERT 1, 5\n"), 1);
  EXPECT_EQ(Lines(t.Err()).front(), "main.asm:    1  : error: Syntax Error");
}

TEST(VeldOverride, LastStatementMakesThePassClean) {
  TestRun t;
  EXPECT_EQ(t.Assemble("x       EQU 1\n"
                       "x       EQU 2\n"
                       "        VELDASSERT 0\n"
                       "        VELDOVERRIDE 0, 0, 0\n"),
            0);
  // The final pass still shows what it met, but counts as clean.
  EXPECT_EQ(t.Err(),
            "main.asm:    2  : error: Label Redefined\n"
            "main.asm:    3  : error: Assertion failed!\n"
            "nErrors = 0 nRedef = 0 nUndef = 0\n");
}

TEST(VeldOverride, SetsTheCountsInOrder) {
  TestRun t;
  EXPECT_EQ(t.Assemble("        VELDOVERRIDE 1, 2, 3\n"), 1);
  EXPECT_EQ(Lines(t.Err()).back(), "nErrors = 1 nRedef = 3 nUndef = 2");
  TestRun u;
  EXPECT_EQ(u.Assemble("        VELDOVERRIDE 0, 4\n"), 1);
  EXPECT_EQ(u.Err(), "nErrors = 0 nRedef = 0 nUndef = 4\n");
}

TEST(VeldOverride, FailingOperandChangesNoCount) {
  // A directive whose operand fails changes nothing: the error its operand
  // caused stays counted, so the run fails instead of passing as clean.
  TestRun t;
  EXPECT_EQ(t.Assemble("        VELDOVERRIDE \"ab\"\n"), 1);
  EXPECT_EQ(t.Err(),
            "main.asm:    1  : error: Syntax Error\n"
            "nErrors = 1 nRedef = 0 nUndef = 0\n");
  TestRun u;
  EXPECT_EQ(u.Assemble("        VELDOVERRIDE 7, 0, \"ab\"\n"), 1);
  EXPECT_EQ(Lines(u.Err()).back(), "nErrors = 1 nRedef = 0 nUndef = 0");
}

// --- Other control directives -------------------------------------------------

TEST(ControlDirectives, RandSeedsTheGenerator) {
  // 2867219139, the first draw after seed 4357, as a signed integer.
  TestRun t;
  EXPECT_EQ(t.Assemble("        VELDRAND 4357\n"
                       "        VELDASSERT VELDRAND = -1427748157\n"),
            0)
      << t.Err();
}

TEST(ControlDirectives, SetRadix) {
  TestRun t;
  EXPECT_EQ(t.Assemble("        VELDASSERT 010 = 8, \"octal\"\n"
                       "        SETRADIX 16\n"
                       "        VELDASSERT 010 = 16, \"hex\"\n"
                       "        VELDASSERT 0ff = 255, \"hex digits\"\n"
                       "        SETRADIX 0\n"
                       "        VELDASSERT 010 = 10, \"decimal\"\n"),
            0)
      << t.Err();
}

TEST(ControlDirectives, SetRadixOutOfRange) {
  TestRun t;
  EXPECT_EQ(t.Assemble("        SETRADIX 1\n"
                       "        SETRADIX 37\n"
                       "        SETRADIX -2\n"
                       "        SETRADIX 36\n"
                       "        VELDASSERT 0z = 35\n"),
            1);
  EXPECT_EQ(t.Err(),
            "main.asm:    1  : error: Range Error\n"
            "main.asm:    2  : error: Range Error\n"
            "main.asm:    3  : error: Range Error\n"
            "nErrors = 3 nRedef = 0 nUndef = 0\n");
}

TEST(ControlDirectives, MultipassRepeatsTheRun) {
  TestRun t;
  EXPECT_EQ(t.Assemble("        MULTIPASS 2\n"
                       "        VELDASSERT MULTIPASS < 2\n"),
            0);
  const std::string name = (t.dir / "main.asm").string();
  EXPECT_EQ(t.Out(), "Assembling: main.asm\nAssembled: " + name +
                         "\nAssembling: main.asm\nAssembled: " + name + " (Multipass 1)\n");
}

TEST(ControlDirectives, UserOptionDeclarations) {
  TestRun t;
  EXPECT_EQ(t.Assemble("o1      OPTIONBOOL 0, 1, \"Use it\", 1\n"
                       "o2      OPTIONINT 1, 100, \"Count\", 42\n"
                       "o3      OPTIONFLOAT 0, 1, \"Ratio\", 2.5\n"
                       "o4      OPTIONLIST 0, 0, \"Pick\", \"a\", \"b\", \"c\"\n"
                       "        OPTIONSIZE 3 * 4\n"
                       "        VELDASSERT (o1 = 1) & (o2 = 42) & (o4 = 0)\n"
                       "        VELDASSERT o3 = 2.5, \"float\"\n"),
            0)
      << t.Err();
}

TEST(ControlDirectives, UserOptionMistakes) {
  TestRun t;
  EXPECT_EQ(t.Assemble("        OPTIONBOOL 0, 1, \"No label\", 1\n"
                       "o1      OPTIONINT 0, 1, \"Missing default\"\n"
                       "o2      OPTIONLIST 0, 0, \"No items\"\n"
                       "o3      OPTIONBOOL 0 1, \"x\", 1\n"
                       "        OPT\n"
                       "o4      OPTIONINT 0, 1, 2, 3\n"),
            1);
  EXPECT_EQ(t.Err(),
            "main.asm:    1  : error: Syntax Error\n"
            "main.asm:    2  : error: Syntax Error\n"
            "main.asm:    3  : error: Syntax Error\n"
            "main.asm:    4  : error: Syntax Error\n"
            "main.asm:    5  : error: Syntax Error\n"
            "main.asm:    6  : error: Syntax Error\n"
            "nErrors = 6 nRedef = 0 nUndef = 0\n");
  // A default that fails to evaluate leaves the option's label undefined and
  // the run limit and radix as they were.
  TestRun u;
  EXPECT_EQ(u.Assemble("o1      OPTIONINT 0, 1, \"Bad default\", \"ab\"\n"
                       "        MULTIPASS 2\n"
                       "        MULTIPASS \"ab\"\n"
                       "        SETRADIX 16\n"
                       "        SETRADIX \"ab\"\n"
                       "        VELDASSERT 010 = 16, \"radix kept\"\n"
                       "        VELDASSERT DEF o1 = 0, \"label left alone\"\n"),
            1);
  EXPECT_EQ(u.Err(),
            "main.asm:    1  : error: Syntax Error\n"
            "main.asm:    3  : error: Syntax Error\n"
            "main.asm:    5  : error: Syntax Error\n"
            "nErrors = 3 nRedef = 0 nUndef = 0\n");
  EXPECT_EQ(u.a->run.runLimit, 2);
}

TEST(ControlDirectives, DataBreakpoints) {
  TestRun t;
  EXPECT_EQ(t.Assemble("        VELDDATABREAKPOINT 0, $4000\n"
                       "        VELDDATABREAKPOINT 1, $5000, 16\n"
                       "        VELDDATABREAKPOINT 14, \"watch\", $6000, 2\n"
                       "        VELDDATABREAKPOINT 3, \"note\"\n"),
            0)
      << t.Err();
  const auto& list = t.a->control.dataBreakpoints;
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].ID, 0);
  EXPECT_TRUE(list[0].bHasAddr);
  EXPECT_FALSE(list[0].bHasLength);
  EXPECT_FALSE(list[0].bHasText);
  EXPECT_EQ(list[0].Addr, 0x4000);
  EXPECT_EQ(list[1].Length, 16);
  EXPECT_TRUE(list[1].bHasLength);
  EXPECT_TRUE(list[2].bHasText);
  EXPECT_EQ(list[2].Text, "watch");
  EXPECT_EQ(list[2].Addr, 0x6000);
  EXPECT_EQ(list[2].Length, 2);
  EXPECT_EQ(list[2].ID, 14);
  EXPECT_TRUE(list[3].bHasText);
  EXPECT_FALSE(list[3].bHasAddr);
}

TEST(ControlDirectives, DataBreakpointErrors) {
  TestRun t;
  EXPECT_EQ(t.Assemble("        VELDDATABREAKPOINT 15, $4000\n"
                       "        VELDDATABREAKPOINT -1, $4000\n"
                       "        VELDDATABREAKPOINT 0, \"text needs an id\"\n"
                       "        VELDDATABREAKPOINT 1, 2.5\n"
                       "        VELDDATABREAKPOINT 1\n"),
            1);
  EXPECT_EQ(t.Err(),
            "main.asm:    1  : error: Range Error\n"
            "main.asm:    2  : error: Range Error\n"
            "main.asm:    3  : error: Range Error\n"
            "main.asm:    4  : error: Syntax Error\n"
            "main.asm:    5  : error: Syntax Error\n"
            "nErrors = 5 nRedef = 0 nUndef = 0\n");
  EXPECT_TRUE(t.a->control.dataBreakpoints.empty());
}

TEST(ControlDirectives, AtMost256DataBreakpointsPerPass) {
  std::string src;
  for (int i = 0; i < 257; ++i) src += "        VELDDATABREAKPOINT 1, " + std::to_string(i) + "\n";
  TestRun t;
  EXPECT_EQ(t.Assemble(src), 1);
  EXPECT_EQ(t.Err(),
            "main.asm:  257  : error: Ran out of resources - endless loop?\n"
            "nErrors = 1 nRedef = 0 nUndef = 0\n");
  EXPECT_EQ(t.a->control.dataBreakpoints.size(), 256u);

  // The list starts empty every pass, so 256 per pass is fine.
  TestRun u;
  src.clear();
  for (int i = 0; i < 256; ++i) src += "        VELDDATABREAKPOINT 2, " + std::to_string(i) + "\n";
  EXPECT_EQ(u.Assemble(src), 0) << u.Err();
}

TEST(ControlDirectives, TimerMarks) {
  TestRun t;
  EXPECT_EQ(t.Assemble("        ORG $8000\n"
                       "        VELDTIMERSTART 1\n"
                       "        NOP\n"
                       "        VELDTIMERSTOP 1\n"
                       "        VELDTIMERSTART 2\n"
                       "        NOP\n"
                       "        VELDTIMERSTOP 2\n"
                       "        VELDTIMERSTART 3\n"
                       "        VELDTIMERSTOP 0\n"
                       "        NOP\n"),
            0)
      << t.Err();
  EXPECT_EQ(ReadImageCell(*t.a, 0x8000).timerMarks, 0x10);
  EXPECT_EQ(ReadImageCell(*t.a, 0x8001).timerMarks, 0x20 | 0x40);
  EXPECT_EQ(ReadImageCell(*t.a, 0x8002).timerMarks, 0x80);
  EXPECT_EQ(ReadImageCell(*t.a, 0x8003).timerMarks, 0);
}

TEST(ControlDirectives, TimerMarksOnlyInACleanPass) {
  TestRun t;
  EXPECT_EQ(t.Assemble("        ORG $9000\n"
                       "        VELDTIMERSTART 1\n"
                       "        NOP\n"
                       "        VELDASSERT 0\n"),
            1);
  EXPECT_EQ(ReadImageCell(*t.a, 0x9000).timerMarks, 0);
}

TEST(ControlDirectives, EditorDirectivesAreReadAndIgnored) {
  TestRun t;
  EXPECT_EQ(t.Assemble("        VELDSYNTAXHIGHLIGHT 1\n"
                       "        VELDMEM 1\n"
                       "        VELDMEM 1, \"x\"\n"
                       "        VELDSPRITES \"a\"\n"
                       "        VELDSPRITES \"a\", \"b\", 1, 2, 3, 4\n"
                       "        VELDPALETTE \"a\", \"b\", 1, \"c\"\n"
                       "        VELDPALETTE \"a\"\n"),
            0)
      << t.Err();
  TestRun u;
  EXPECT_EQ(u.Assemble("        VELDSPRITES 1\n"
                       "        VELDMEM \"xy\"\n"
                       "        VELDPALETTE \"a\", \"b\", \"cc\"\n"
                       "        VELDFONT \"x\"\n"
                       "        VELDSYNTAXHIGHLIGHT 1 2\n"),
            1);
  EXPECT_EQ(u.Err(),
            "main.asm:    1  : error: Syntax Error\n"
            "main.asm:    2  : error: Syntax Error\n"
            "main.asm:    3  : error: Syntax Error\n"
            "main.asm:    4  : error: Not Yet Implemented\n"
            "main.asm:    5  : error: Syntax Error\n"
            "nErrors = 5 nRedef = 0 nUndef = 0\n");
}

// --- What the pass driver reads after the run ---------------------------------

TEST(AfterTheRun, RegisterPresetsAndCpmSettings) {
  TestRun t;
  EXPECT_EQ(t.Assemble("VELD_PC EQU $8000\n"
                       "VeldPC  EQU $9000\n"
                       "VeldEmulate_AF = $1234\n"
                       "veld_a  EQU $56\n"
                       "Veld_cpm_dir_cnt = 64\n"
                       "Veld_cpm_drives = \"A:disk\"\n"
                       "bOnlyUse128KSNAVector = 1\n"),
            0)
      << t.Err();
  EXPECT_EQ(t.a->cpu.PC, 0x9000);  // "Veld" + X is looked for before "VELD_" + X
  EXPECT_EQ(t.a->cpu.AF, 0x5634);
  EXPECT_TRUE(t.a->cpu.IFF1);
  EXPECT_TRUE(t.a->cpu.onlyUse128KSNAVector);
  EXPECT_EQ(t.a->cpm.dirCnt, 64);
  EXPECT_EQ(t.a->cpm.secPerTrack, 128);
  EXPECT_TRUE(t.a->cpm.haveDrives);
  EXPECT_EQ(t.a->cpm.drives, "A:disk");
}

TEST(AfterTheRun, NoPresetsNoInterrupts) {
  TestRun t;
  EXPECT_EQ(t.Assemble("        NOP\n"), 0);
  EXPECT_EQ(t.a->cpu.PC, 0);
  EXPECT_FALSE(t.a->cpu.IFF1);
  EXPECT_FALSE(t.a->cpu.IFF2);
  EXPECT_EQ(t.a->cpu.SP, 0xFF40);
}

}  // namespace
