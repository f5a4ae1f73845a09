// The statement loop end to end: passes needed by forward references,
// labels and scopes, punctuation statements, includes, placement and the
// message directives. Expectations follow from the pass and label rules.

#include <gtest/gtest.h>

#include "eval_test_support.h"
#include "test_support.h"

namespace {

int32_t ValueOf(TestRun& r, const std::string& name) {
  TRec* s = FindSymbol(*r.a, name, false);
  EXPECT_NE(s, nullptr) << name;
  return s ? s->Val.Int() : -1;
}

TEST(Passes, NoForwardReferenceFinishesWithPassThree) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" ORG $8000\nstart:\nx EQU start+1\n"), 0) << r.Err();
  EXPECT_EQ(r.a->pass.pass, 3);
  EXPECT_EQ(ValueOf(r, "x"), 0x8001);
}

TEST(Passes, ForwardReferenceResolvedInPassTwo) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" VELDPRINT fwd\nfwd EQU 5\n"), 0) << r.Err();
  EXPECT_EQ(r.a->pass.pass, 3);
  EXPECT_EQ(r.console.err.front(), "5 ");  // printed once, in the final pass
}

TEST(Passes, ForwardReferenceThatMovesALabelNeedsOneMorePass) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" ORG fwd\nlab:\nfwd EQU $100\n"), 0) << r.Err();
  EXPECT_EQ(r.a->pass.pass, 4);
  EXPECT_EQ(ValueOf(r, "lab"), 0x100);
}

TEST(Passes, NeverDefinedLabelFails) {
  TestRun r;
  EXPECT_EQ(r.Assemble("x EQU nothere\n"), 1);
  std::vector<std::string> want = {"main.asm:    1  : error: Label Not Found : \"nothere\"",
                                   "nErrors = 1 nRedef = 0 nUndef = 1"};
  EXPECT_EQ(r.console.err, want);
  EXPECT_EQ(r.a->pass.pass, 4);
}

TEST(Labels, ColonOrFloatingOption) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" ORG 5\nwith:\nwithout\n"), 1);
  EXPECT_EQ(r.console.err.front(), "main.asm:    3  : error: Syntax Error");
  TestRun f;
  EXPECT_EQ(f.Assemble("zoAllowFloatingLabels = 1\n ORG 5\nwithout\n"), 0) << f.Err();
  EXPECT_EQ(ValueOf(f, "without"), 5);
}

TEST(Labels, LocalLabelsAttachToTheLastMainLabel) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" ORG $8000\n"
                       "first: ORG $8010\n"
                       "@loc EQU 3\n"
                       "alone:\n"
                       "@loc2 EQU 4\n"),
            0)
      << r.Err();
  EXPECT_EQ(ValueOf(r, "first"), 0x8010);
  EXPECT_EQ(ValueOf(r, "first.loc"), 3);
  EXPECT_EQ(ValueOf(r, "alone"), 0x8010);
  EXPECT_EQ(ValueOf(r, "first.loc2"), 4);  // a label alone on its line is no anchor
}

TEST(Labels, ConstantsAndVariables) {
  TestRun r;
  EXPECT_EQ(r.Assemble("k EQU 5\nvv = k * 2\nvv := vv + 1\nw DEFL 7\n"), 0) << r.Err();
  EXPECT_EQ(ValueOf(r, "k"), 5);
  EXPECT_EQ(ValueOf(r, "vv"), 11);
  EXPECT_EQ(ValueOf(r, "w"), 7);
  // Two values in one pass: every pass reports "Label Redefined" on the
  // second and keeps 1; EQU without a label is a syntax error.
  TestRun bad;
  EXPECT_EQ(bad.Assemble("x EQU 1\nx EQU 2\n EQU 3\n DB x\n"), 1);
  std::vector<std::string> want = {"main.asm:    2  : error: Label Redefined",
                                   "main.asm:    3  : error: Syntax Error",
                                   "nErrors = 2 nRedef = 0 nUndef = 0"};
  EXPECT_EQ(bad.console.err, want);
  EXPECT_EQ(ValueOf(bad, "x"), 1);
}

TEST(Labels, GlobalAndOuterScopeNames) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" ORG 16\n"
                       "outer PROC\n"
                       "::glob:\n"
                       "^^up:\n"
                       "inside:\n"
                       " PEND\n"),
            0)
      << r.Err();
  EXPECT_EQ(ValueOf(r, "glob"), 16);
  EXPECT_EQ(ValueOf(r, "up"), 16);
  EXPECT_EQ(ValueOf(r, "outer.inside"), 16);
  TestRun top;
  EXPECT_EQ(top.Assemble("^^nowhere: NOP\nouter PROC\n^^^^twice:\n PEND\n"), 1);
  std::vector<std::string> want = {
      "main.asm:    1  : error: Nesting Error - can't nest procedure or macro definitions, sorry",
      "main.asm:    3  : error: Nesting Error - can't nest procedure or macro definitions, sorry",
      "nErrors = 2 nRedef = 0 nUndef = 0"};
  EXPECT_EQ(top.console.err, want);
}

TEST(Statements, OneErrorPerLineAndJunkAfterAStatement) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" ORG 1 2 3\n ORG )\n"), 1);
  std::vector<std::string> want = {"main.asm:    1  : error: Syntax Error",
                                   "main.asm:    2  : error: Syntax Error",
                                   "nErrors = 2 nRedef = 0 nUndef = 0"};
  EXPECT_EQ(r.console.err, want);
}

TEST(Statements, SeparatorsCommentsAndBrackets) {
  TestRun r;
  EXPECT_EQ(r.Assemble("one EQU 1 : two EQU 2 ; comment\n"
                       ":\n"
                       "/* skipped /* nested */ x EQU 9 */ three EQU 3\n"
                       "/* over\n two lines */\n"
                       " [ 1 + 2 ]\n"),
            0)
      << r.Err();
  EXPECT_EQ(ValueOf(r, "one"), 1);
  EXPECT_EQ(ValueOf(r, "two"), 2);
  EXPECT_EQ(ValueOf(r, "three"), 3);
  EXPECT_EQ(FindSymbol(*r.a, "x", false), nullptr);
  TestRun open;
  EXPECT_EQ(open.Assemble("/* never closed\n x EQU 1\n"), 1);
  EXPECT_EQ(open.console.err.front(), "main.asm:    1  : error: Missing Block Comment");
}

TEST(Statements, EndStopsThePass) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" END $1234\n this is not assembled\n"), 0) << r.Err();
  EXPECT_EQ(r.a->machine.defaultStartPC, 0x1234);
}

TEST(Statements, MessagesAndValueStack) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" VELDPRINT \"a\", 1, 2.5\n"
                       " VELDPRINTHEX 255, -1\n"
                       " ZPUSH 1, 2\n"
                       " VELDPRINT ZPOP, ZPOP\n"
                       " VELDPRINT\n"),
            0)
      << r.Err();
  std::vector<std::string> want = {"a1 2.5 ", "000000FF FFFFFFFF ", "2 1 ", "",
                                   "nErrors = 0 nRedef = 0 nUndef = 0"};
  EXPECT_EQ(r.console.err, want);
  TestRun e;
  EXPECT_EQ(e.Assemble(" VELDERROR \"bad \", 3\n VELDERRORHEX 26\n"), 1);
  std::vector<std::string> errs = {"main.asm:    1  : error: bad 3 ",
                                   "main.asm:    2  : error: 0000001A ",
                                   "nErrors = 2 nRedef = 0 nUndef = 0"};
  EXPECT_EQ(e.console.err, errs);
}

TEST(Includes, NestingEndAndErrorsInTheIncludedFile) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" INCLUDE \"inc.asm\"\nafter EQU 2\n",
                       {{"inc.asm", "inner EQU 1\n END\nnot EQU here\n"}}),
            0)
      << r.Err();
  EXPECT_EQ(ValueOf(r, "inner"), 1);
  EXPECT_EQ(ValueOf(r, "after"), 2);
  EXPECT_EQ(FindSymbol(*r.a, "not", false), nullptr);
}

TEST(Includes, ErrorsNameTheIncludedFile) {
  TestRun r;
  EXPECT_EQ(r.Assemble("\n INCLUDE \"inc.asm\"\n", {{"inc.asm", "\n\n ORG )\n"}}), 1);
  EXPECT_EQ(r.console.err.front(), "inc.asm:    3  : error: Syntax Error");
}

TEST(Includes, SelfInclusionMissingFileAndNonString) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" INCLUDE \"a.asm\"\n INCLUDE \"nothere.asm\"\n INCLUDE 5\n",
                       {{"a.asm", " INCLUDE \"a.asm\"\n"}}),
            1);
  std::vector<std::string> want = {"a.asm:    1  : error: Syntax Error",
                                   "main.asm:    2  : error: File Not Found : \"nothere.asm\"",
                                   "main.asm:    3  : error: Syntax Error",
                                   "nErrors = 3 nRedef = 0 nUndef = 0"};
  EXPECT_EQ(r.console.err, want);
}

TEST(Placement, AlignAndDisplacement) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" ORG $8001\n ALIGN 256\nal:\n ALIGN 256\nsame:\n"
                       " DISP $4000\nshown:\n DISPTO $9000\ndsp EQU DISP\n"),
            0)
      << r.Err();
  EXPECT_EQ(ValueOf(r, "al"), 0x8100);
  EXPECT_EQ(ValueOf(r, "same"), 0x8100);
  EXPECT_EQ(ValueOf(r, "shown"), 0x8100);
  EXPECT_EQ(ValueOf(r, "dsp"), 0x9000 - 0x8100);
}

TEST(Placement, MalignBlockThatCrossesIsAlignedInTheNextPass) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" ORG $80F0\n MALIGN 256, 0\nblk:\n ORG $8110\n MALIGNED\n"), 0) << r.Err();
  EXPECT_EQ(ValueOf(r, "blk"), 0x8100);
  TestRun on;
  EXPECT_EQ(on.Assemble(" ORG $8000\n MALIGN 256\n ORG $8200\n MALIGNED\n"), 1);
  EXPECT_EQ(on.console.err.front(), "main.asm:    4  : error: Alignment Error");
  TestRun missing;
  EXPECT_EQ(missing.Assemble(" MALIGNED\n MALIGN 16\n"), 1);
  std::vector<std::string> want = {
      "main.asm:    1  : error: Missing Malign",
      "main.asm:    2  : error: Missing a closing ENDIF,UNTIL,WEND, or whatever... in a malign "
      "statement",
      "nErrors = 2 nRedef = 0 nUndef = 0"};
  EXPECT_EQ(missing.console.err, want);
}

TEST(Placement, SegmentsAndStructures) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" SEGMENT code = $8000, $100\n"
                       " SEGMENT code\n"
                       "c1:\n"
                       " ORG $8100\n"
                       "rec STRUCT\n"
                       "f0:\n"
                       " SEND\n"),
            1);
  EXPECT_EQ(ValueOf(r, "c1"), 0x8000);
  EXPECT_EQ(ValueOf(r, "f0"), 0);
  EXPECT_EQ(ValueOf(r, "rec"), 0x8100);
  EXPECT_EQ(r.console.err.front(), "main.asm:    4  : error: Address Error");
  TestRun fatal;
  EXPECT_EQ(fatal.Assemble(" SEGMENT newname\n"), 1);
  std::vector<std::string> want = {
      "main.asm:    1  : error: Fatal error in segment statement, can't continue", "ABORTED!"};
  EXPECT_EQ(fatal.console.err, want);
}

}  // namespace

namespace {

// Heap allocations made inside the passes (loading the source is not counted).
long AllocationsInPasses(const std::string& source) {
  TestRun r;
  eval_test::allocations = 0;
  r.a->runPass = [](Assembly& a) {
    eval_test::countAllocations = true;
    RunPass(a);
    eval_test::countAllocations = false;
  };
  r.Assemble(source);
  EXPECT_EQ(r.exitCode, 0) << r.Err();
  return eval_test::allocations;
}

std::string Repeat(const std::string& lines, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += lines;
  return out;
}

}  // namespace

// Statements that define nothing and plant nothing cost no heap allocation:
// a thousand more of them (in every pass) allocate no more than ten.
TEST(Performance, StatementsThatDefineAndPlantNothingDoNotAllocate) {
  const std::string lines = " NOFLOW\n; a comment line\n\n :  NOFLOW : NOFLOW // two\n";
  const long few = AllocationsInPasses(Repeat(lines, 10));
  const long many = AllocationsInPasses(Repeat(lines, 1000));
  EXPECT_EQ(many, few);
  // The count is live: a thousand labels whose names are too long to be
  // held inside a string object do allocate.
  std::string labels;
  for (int i = 0; i < 1000; ++i)
    labels += "a_rather_long_label_name_" + std::to_string(i) + ": NOFLOW\n";
  EXPECT_GT(AllocationsInPasses(labels), few + 1000);
}
