// Random operator soup: whatever the items, an expression ends without a
// crash, counts at most one error for its line and leaves the evaluator's
// nesting counters as it found them.

#include <random>

#include "eval_test_support.h"

namespace {

class EvalRobustnessTest : public eval_test::EvalFixture {};

TEST_F(EvalRobustnessTest, RandomItemSequences) {
  const char* vocab[] = {"1", "0",  "-1",  "2.5",     "0.0",   "\"A\"", "\"AB\"",    "\"\"", "$FF",
                         "x", "y",  "s",   "+",       "-",     "*",     "/",         "%",    "MOD",
                         "&", "|",  "^",   "@",       "<<",    ">>",    "!",         "NOT",  "INV",
                         "=", "<>", "<",   ">",       "<=",    ">=",    "?",         ":",    "(",
                         ")", "[",  "]",   "[[",      "]]",    "..",    "::",        "^^",   ".",
                         "$", "*",  "DEF", "ENABLED", "ZPOP",  "LABEL", "MULTIPASS", "DISP", ",",
                         "#", "'",  "\"",  "LOW",     "SQRT(", "f(",    "hl"};
  FindOrCreateSymbol(a, "x");
  DefineAddress(a, FindSymbol(a, "x", false), 5);
  TExpRes sv;
  sv.Sort = erString;
  sv.Str = "hello";
  DefineValue(a, FindOrCreateSymbol(a, "s"), sv, false);
  std::mt19937 rng(42);
  for (int k = 0; k < 5000; ++k) {
    int n = 1 + rng() % 12;
    std::string line;
    for (int i = 0; i < n; ++i) {
      line += vocab[rng() % (sizeof vocab / sizeof *vocab)];
      line += rng() % 3 ? " " : "";
    }
    std::vector<std::string> lines{line};
    if (rng() % 5 == 0) lines.push_back("1)");
    a.pass.pass = 1 + rng() % 3;
    a.eval.valueStack.resize(rng() % 3);
    if (rng() % 2) SetOption(zoLogicOperatorsHighPri, rng() % 2);
    Load(lines);
    EvalExpression(a);
    ASSERT_EQ(a.eval.nesting, 0) << line;
    ASSERT_EQ(a.eval.ExprParenDepth, 0) << line;
    ASSERT_EQ(a.eval.blockFloor, 0) << line;
    ASSERT_EQ(a.eval.entryDepth, 0) << line;
    ASSERT_LE(a.pass.nErrors, 1) << line;
  }
}

}  // namespace

// A string that doubles on every round of a loop is refused once it passes
// the longest string an expression may build, instead of exhausting memory;
// the error ends the pass, so the loop does not copy the long string on.
TEST(EvalStringLimit, DoublingStringIsRefused) {
  TestRun r;
  EXPECT_EQ(r.Assemble("s = \"abcdefghijklmnop\"\n"
                       " LOOP 40\n"
                       "s = s + s\n"
                       " LEND\n"
                       "m = MORSE(s)\n"),
            1);
  ASSERT_FALSE(r.console.err.empty());
  EXPECT_EQ(r.console.err.front(), "main.asm:    3  : error: Ran out of resources - endless loop?");
  EXPECT_EQ(r.console.err.back(), "ABORTED!");
}
