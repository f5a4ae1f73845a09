// Macros, procedures, scopes and FUNCTION definitions end to end. Generated
// names follow the scope rules: an expansion's prefix is the macro name, "[",
// the scope counter in six hex digits and "]."; anonymous procedures are
// VeldAP_n.

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

TRec* Sym(TestRun& r, const std::string& name) { return FindSymbol(*r.a, name, false); }

int32_t ValueOf(TestRun& r, const std::string& name) {
  TRec* s = Sym(r, name);
  EXPECT_NE(s, nullptr) << name;
  return s ? s->Val.Int() : -1;
}

TEST(Macros, EachExpansionHasItsOwnScope) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" ORG $100\n"
                       "mac MACRO()\n"
                       "inner:\n"
                       " MEND\n"
                       " mac()\n"
                       " ORG $200\n"
                       " mac()\n"),
            0)
      << r.Err();
  EXPECT_EQ(ValueOf(r, "mac[000000].inner"), 0x100);
  EXPECT_EQ(ValueOf(r, "mac[000001].inner"), 0x200);
  EXPECT_EQ(ValueOf(r, "mac[000001].mexit"), 0x200);
}

TEST(Macros, ParametersAreSubstitutedAsText) {
  TestRun r;
  EXPECT_EQ(r.Assemble("val MACRO(pa, qa)\n"
                       "::pa EQU qa\n"
                       " MEND\n"
                       " val(first, 5)\n"
                       " val(second, (1 + 2) * 3)\n"),
            0)
      << r.Err();
  EXPECT_EQ(ValueOf(r, "first"), 5);
  EXPECT_EQ(ValueOf(r, "second"), 9);
}

TEST(Macros, ArgumentCountErrors) {
  TestRun r;
  EXPECT_EQ(r.Assemble("two MACRO(pa, qa)\n"
                       " MEND\n"
                       "none MACRO()\n"
                       " MEND\n"
                       " two(1, 2, 3)\n"
                       " two(1)\n"
                       " none(5)\n"
                       "dupl MACRO(xa, xa)\n"
                       " MEND\n"),
            1);
  std::vector<std::string> want = {"main.asm:    5  : error: Too Many Parameters",
                                   "main.asm:    6  : error: Not Enough Parameters",
                                   "main.asm:    7  : error: Too Many Parameters",
                                   "main.asm:    8  : error: Parameter Duplicated",
                                   "nErrors = 4 nRedef = 0 nUndef = 0"};
  EXPECT_EQ(r.console.err, want);
}

TEST(Macros, UsedBeforeItsDefinitionAndUnknownMacros) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" use()\nuse MACRO()\n::done EQU 1\n MEND\n"), 0) << r.Err();
  EXPECT_EQ(ValueOf(r, "done"), 1);
  TestRun u;
  EXPECT_EQ(u.Assemble(" nosuch(1, (2))\n"), 1);
  EXPECT_EQ(u.console.err.front(), "main.asm:    1  : error: Missing Macro Definition");
}

TEST(Macros, EndlessRecursionStopsThePass) {
  TestRun r;
  EXPECT_EQ(r.Assemble("rec MACRO()\n rec()\n MEND\n rec()\n"), 1);
  std::vector<std::string> want = {"main.asm:    2  : error: Ran out of resources - endless loop?",
                                   "ABORTED!"};
  EXPECT_EQ(r.console.err, want);
}

TEST(Macros, NotInsideAProcedureAndBodyMustClose) {
  TestRun r;
  EXPECT_EQ(r.Assemble("pr PROC\nmac MACRO()\n MEND\n PEND\n"), 1);
  EXPECT_EQ(r.console.err.front(),
            "main.asm:    2  : error: Nesting Error - can't nest procedure or macro definitions, "
            "sorry");
  TestRun open;
  EXPECT_EQ(open.Assemble("mac MACRO()\n nop\n"), 1);
  EXPECT_EQ(open.console.err.front(),
            "main.asm:    1  : error: Missing a closing ENDIF,UNTIL,WEND, or whatever...");
}

TEST(Procedures, AnonymousPrefixesCountOutermostScopes) {
  TestRun r;
  EXPECT_EQ(r.Assemble("{\na1:\n{\nb1:\n}\n{\nb2:\n{\nc1:\n}\n}\n}\n"
                       "{\na2:\n}\n"
                       "mac MACRO()\n MEND\n mac()\n"
                       "{\na3:\n}\n"),
            0)
      << r.Err();
  EXPECT_NE(Sym(r, "VeldAP_0.a1"), nullptr);
  EXPECT_NE(Sym(r, "VeldAP_0_0.b1"), nullptr);
  EXPECT_NE(Sym(r, "VeldAP_0_1.b2"), nullptr);
  EXPECT_NE(Sym(r, "VeldAP_0_1_0.c1"), nullptr);
  EXPECT_NE(Sym(r, "VeldAP_1.a2"), nullptr);
  EXPECT_NE(Sym(r, "VeldAP_3.a3"), nullptr);  // the expansion took number 2
}

TEST(Procedures, NamedProceduresRetpAndPend) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" ORG $8000\n"
                       "draw PROC\n"
                       "x:\n"
                       " RETP\n"
                       "after:\n"
                       "stray PEND\n"),
            0)
      << r.Err();
  EXPECT_EQ(ValueOf(r, "draw"), 0x8000);
  EXPECT_EQ(ValueOf(r, "draw.x"), 0x8000);
  EXPECT_EQ(ValueOf(r, "draw.pexit"), 0x8000);
  EXPECT_EQ(ValueOf(r, "after"), 0x8001);
  EXPECT_EQ(ReadImageByte(*r.a, 0x8000), 0xC9);
  EXPECT_EQ(r.console.out[1],
            "main.asm:    6  : warning: - pend doesn't include a RET instruction");
}

TEST(Procedures, SnailRefusedInsideAProcedure) {
  TestRun r;
  EXPECT_EQ(r.Assemble("pr PROC\n@x:\n PEND\n"), 1);
  EXPECT_EQ(r.console.err.front(), "main.asm:    2  : error: Remove this ridiculous snail!");
}

TEST(Scopes, LabelVariableAndSetPrefix) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" ORG 7\n"
                       "pr PROC\n"
                       " LABEL(\"x\", 5)\n"
                       " LABEL(\"::g\")\n"
                       " VARIABLE(\"v\", \"text\")\n"
                       " PEND\n"
                       " SETPREFIX \"pre\"\n"
                       "lab:\n"
                       " SETPREFIX \"\"\n"
                       "plain:\n"
                       " :: LABEL(\"top\", 9)\n"),
            0)
      << r.Err();
  EXPECT_EQ(ValueOf(r, "pr.x"), 5);
  EXPECT_EQ(ValueOf(r, "g"), 7);
  ASSERT_NE(Sym(r, "pr.v"), nullptr);
  EXPECT_EQ(Sym(r, "pr.v")->Val.Str(), "text");
  EXPECT_EQ(ValueOf(r, "pre.lab"), 7);
  EXPECT_EQ(ValueOf(r, "plain"), 7);
  EXPECT_EQ(ValueOf(r, "top"), 9);
  TestRun bad;
  EXPECT_EQ(bad.Assemble(" LABEL \"x\"\n LABEL(\"y\", \"s\")\n"), 1);
  EXPECT_EQ(bad.a->pass.nErrors, 2);
}

TEST(Scopes, LocalIsReadAndIgnored) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" LOCAL one, two\n"), 0) << r.Err();
  EXPECT_TRUE(r.a->pass.otherAssembler);
}

TEST(Functions, DefinitionRecordsParametersAndSkipsTheBody) {
  TestRun r;
  EXPECT_EQ(r.Assemble("[[\nFUNCTION fn(VAR x, y)\n{\n  y = 1\n}\n]]\nafter EQU 3\n"), 0)
      << r.Err();
  TRec* f = Sym(r, "fn");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->Mode, T_Function);
  ASSERT_EQ(f->Body->pMacroParams.size(), 2u);
  EXPECT_TRUE((f->Body->pMacroParams)[0].isVar);
  EXPECT_FALSE((f->Body->pMacroParams)[1].isVar);
  EXPECT_EQ(ValueOf(r, "after"), 3);
  TestRun ret;
  EXPECT_EQ(ret.Assemble("[[\n RETURN 1\n]]\n"), 1);
  EXPECT_EQ(ret.console.err.front(), "main.asm:    2  : error: Syntax Error");
}

}  // namespace

namespace {

std::vector<int> Bytes(TestRun& r, int32_t from, int count) {
  std::vector<int> out;
  for (int i = 0; i < count; ++i) out.push_back(ReadImageByte(*r.a, from + i));
  return out;
}

TEST(Aliases, ExpandInInstructionsAndExpressions) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" ORG $8000\n"
                       "acc ALIAS a\n"
                       " ld acc, 5\n"
                       " ld b, acc\n"
                       "#define VALUE 7 ; comment\n"
                       "x EQU VALUE + 1\n"),
            0)
      << r.Err();
  EXPECT_EQ(Bytes(r, 0x8000, 3), (std::vector<int>{0x3E, 0x05, 0x47}));
  EXPECT_EQ(FindSymbol(*r.a, "x", false)->Val.Int(), 8);
}

TEST(Aliases, ErrorsNameTheInvokingLine) {
  TestRun r;
  EXPECT_EQ(r.Assemble("bad ALIAS )\n\n ld a, bad\n"), 1);
  EXPECT_EQ(r.console.err.front(), "main.asm:    3  : error: Syntax Error");
  TestRun inproc;
  EXPECT_EQ(inproc.Assemble("pr PROC\nx ALIAS 1\n PEND\n"), 1);
  EXPECT_EQ(inproc.console.err.front(),
            "main.asm:    2  : error: Nesting Error - can't nest procedure or macro definitions, "
            "sorry");
}

TEST(Macros, KeywordBuilderAndRegisterArgumentsAsText) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" ORG $8000\n"
                       "setr MACRO(rg)\n"
                       " ld \\rg, 1\n"
                       " MEND\n"
                       "pushall MACRO(r1, r2)\n"
                       " IF r1 = \"BC\"\n"
                       "  push bc\n"
                       " ELSE\n"
                       "  push r1\n"
                       " ENDIF\n"
                       " push r2\n"
                       " MEND\n"
                       " setr(c)\n"
                       " setr(\"d\")\n"
                       " pushall(bc, de)\n"
                       " pushall(hl, af)\n"),
            0)
      << r.Err();
  // ld c,1 / ld d,1 / push bc / push de / push hl / push af
  EXPECT_EQ(Bytes(r, 0x8000, 8),
            (std::vector<int>{0x0E, 0x01, 0x16, 0x01, 0xC5, 0xD5, 0xE5, 0xF5}));
}

TEST(Macros, MexitAndNestingWithLoops) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" ORG $8000\n"
                       "skip MACRO()\n"
                       " jr mexit\n"
                       " nop\n"
                       " MEND\n"
                       "twice MACRO(vv)\n"
                       " db vv, vv\n"
                       " MEND\n"
                       "fill MACRO(n)\n"
                       " LOOP n\n"
                       " db $AA\n"
                       " LEND\n"
                       " MEND\n"
                       " skip()\n"
                       " LOOP 2\n"
                       " twice(7)\n"
                       " LEND\n"
                       " fill(3)\n"),
            0)
      << r.Err();
  // jr over the nop: 18 01 00, then 07 07 07 07, then AA AA AA
  EXPECT_EQ(Bytes(r, 0x8000, 10),
            (std::vector<int>{0x18, 0x01, 0x00, 7, 7, 7, 7, 0xAA, 0xAA, 0xAA}));
}

}  // namespace

namespace {

TEST(Macros, ReptInsideAMacroBody) {
  TestRun r;
  EXPECT_EQ(r.Assemble(" ORG $8000\n"
                       "three MACRO(vv)\n"
                       " REPT 3\n"
                       " db vv\n"
                       " MEND\n"
                       " MEND\n"
                       " three(9)\n"),
            0)
      << r.Err();
  EXPECT_EQ(ReadImageByte(*r.a, 0x8000), 9);
  EXPECT_EQ(ReadImageByte(*r.a, 0x8002), 9);
  EXPECT_EQ(CurSeg(*r.a).PC, 0x8003);
  // A REPT body may also end with LEND; the macro still ends at its own MEND.
  TestRun lend;
  EXPECT_EQ(lend.Assemble(" ORG $8000\n"
                          "two MACRO(vv)\n"
                          " REPT 2\n"
                          " db vv\n"
                          " LEND\n"
                          " db vv + 1\n"
                          " MEND\n"
                          " two(4)\n"),
            0)
      << lend.Err();
  EXPECT_EQ(Bytes(lend, 0x8000, 3), (std::vector<int>{4, 4, 5}));
  EXPECT_EQ(CurSeg(*lend.a).PC, 0x8003);
}

}  // namespace
