// Alias expansion limits and the line named by errors the lexer meets while
// reading the first item of a statement, through whole assemblies.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

const char kOutOfResources[] = "error: Ran out of resources - endless loop?";

TEST(LexerAliases, ChainsEndTogetherAndTheAliasStackHoldsTwoHundredFifty) {
  // An alias whose body ends with another alias: both bodies end at once
  // and the invoking line goes on after the name.
  TestRun r;
  ASSERT_EQ(r.Assemble(" ORG 0\n"
                       "xx ALIAS yy\n"
                       "yy ALIAS zz + 1\n"
                       "zz ALIAS 5\n"
                       " DB xx, xx * 2, 9\n"),
            0)
      << r.Err();
  // xx * 2 is the text 5 + 1 * 2.
  EXPECT_EQ(ReadImageByte(*r.a, 0), 6);
  EXPECT_EQ(ReadImageByte(*r.a, 1), 7);
  EXPECT_EQ(ReadImageByte(*r.a, 2), 9);

  // Each alias of a chain is one entry on the alias stack: 250 are allowed,
  // the 251st is fatal.
  auto chain = [](int n) {
    std::string s = " ORG 0\n";
    for (int k = 1; k < n; ++k)
      s += "al" + std::to_string(k) + " ALIAS al" + std::to_string(k + 1) + "\n";
    s += "al" + std::to_string(n) + " ALIAS 7\n DB al1\n";
    return s;
  };
  TestRun ok;
  ASSERT_EQ(ok.Assemble(chain(250)), 0) << ok.Err();
  EXPECT_EQ(ReadImageByte(*ok.a, 0), 7);
  TestRun deep;
  EXPECT_EQ(deep.Assemble(chain(251)), 1);
  ASSERT_FALSE(deep.console.err.empty());
  EXPECT_EQ(deep.console.err[0], std::string("main.asm:  253  : ") + kOutOfResources);
}

TEST(LexerAliases, AMacroInvokedFromABodyRunsWholeBeforeTheBodyEnds) {
  // The body ends at the end of its own line, not at the end of the first
  // line of the macro it invokes.
  TestRun r;
  ASSERT_EQ(r.Assemble(" ORG 0\n"
                       "m1 MACRO (val)\n"
                       " DB val\n"
                       " DB val + 1\n"
                       " MEND\n"
                       "mm ALIAS m1 (5)\n"
                       " mm\n"
                       " DB 9\n"),
            0)
      << r.Err();
  EXPECT_EQ(ReadImageByte(*r.a, 0), 5);
  EXPECT_EQ(ReadImageByte(*r.a, 1), 6);
  EXPECT_EQ(ReadImageByte(*r.a, 2), 9);
}

TEST(LexerAliases, AnAliasThatExpandsToItselfIsFatalNotEndless) {
  TestRun self;
  EXPECT_EQ(self.Assemble("aa ALIAS aa\n nop\n aa\n"), 1);
  ASSERT_GE(self.console.err.size(), 2u);
  EXPECT_EQ(self.console.err[0], std::string("main.asm:    3  : ") + kOutOfResources);
  EXPECT_EQ(self.console.err[1], "ABORTED!");

  TestRun mutual;
  EXPECT_EQ(mutual.Assemble("p1 ALIAS 1 + p2\np2 ALIAS p1\n DB p1\n"), 1);
  ASSERT_FALSE(mutual.console.err.empty());
  EXPECT_EQ(mutual.console.err[0], std::string("main.asm:    3  : ") + kOutOfResources);

  // A body naming its alias twice would branch at every level; after the
  // fatal error the rest is read without expansion, so the pass ends. The
  // use comes first (in the skipped rest of an erroneous line).
  TestRun twice;
  EXPECT_EQ(twice.Assemble("] aa\naa ALIAS aa aa aa\n"), 1);
  std::vector<std::string> want = {std::string("main.asm:    1  : ") + kOutOfResources, "ABORTED!"};
  EXPECT_EQ(twice.console.err, want);
}

TEST(LexerErrors, FirstItemOfAStatementNamesItsOwnLine) {
  // A "\" in a macro body whose text is no keyword: the body line.
  TestRun r;
  EXPECT_EQ(r.Assemble(" ORG 0\n"
                       "m1 MACRO (op)\n"
                       " nop\n"
                       " \\op\n"
                       " MEND\n"
                       " m1 (\"Nop\")\n"
                       " DB 1\n"),
            1);
  ASSERT_EQ(r.console.err.size(), 2u);
  EXPECT_EQ(r.console.err[0], "main.asm:    4  : error: Syntax Error");
  EXPECT_EQ(r.a->pass.nErrors, 1);

  // An open string starting a line after a line with an error of its own.
  TestRun s;
  EXPECT_EQ(s.Assemble(" ld a,\n\"abc\n"), 1);
  ASSERT_EQ(s.console.err.size(), 3u);
  EXPECT_EQ(s.console.err[0], "main.asm:    1  : error: Syntax Error");
  EXPECT_EQ(s.console.err[1], "main.asm:    2  : error: Illegal String");
}

}  // namespace
