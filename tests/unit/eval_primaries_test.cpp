// Operands: symbol references in their scoped forms, undefined references
// across passes, the special keywords, the value stack, the leading [name]
// form and the typed getters with their ranges.

#include <gtest/gtest.h>

#include "eval_test_support.h"

namespace {

using eval_test::EvalFixture;
using eval_test::Fails;
using eval_test::Float;
using eval_test::Int;
using eval_test::Stops;
using eval_test::Str;

class EvalPrimariesTest : public EvalFixture {
 public:
  TRec* Label(const std::string& name, int32_t v) {
    TRec* r = FindOrCreateSymbol(a, name);
    DefineAddress(a, r, v);
    return r;
  }
  TRec* Var(const std::string& name, const TExpRes& v) {
    TRec* r = FindOrCreateSymbol(a, name);
    DefineValue(a, r, v, false);
    return r;
  }
  static TExpRes S(const std::string& s) {
    TExpRes r;
    r.Sort = erString;
    r.Str = s;
    return r;
  }
  static TExpRes F(long double f) {
    TExpRes r;
    r.Sort = erFloat;
    r.Float = f;
    return r;
  }
  static TExpRes I(int32_t v) {
    TExpRes r;
    r.Int = v;
    return r;
  }
};

TEST_F(EvalPrimariesTest, Literals) {
  Check("1234", Int(1234));
  Check("$FF", Int(255));
  Check("'AB'", Int(0x4142));
  Check("2.25", Float(2.25L));
  Check("\"text\"", Str("text"));
  Check("\"\"", Str(""));
}

TEST_F(EvalPrimariesTest, SymbolsByKind) {
  Label("start", 0x8000);
  Var("count", I(3));
  Var("name", S("abc"));
  Var("ratio", F(0.5L));
  TRec* k = FindOrCreateSymbol(a, "konst");
  DefineValue(a, k, S("fixed"), true);
  Check("start", Int(0x8000));
  Check("start + count", Int(0x8003));
  Check("name", Str("abc"));
  Check("ratio", Float(0.5L));
  Check("konst", Str("fixed"));
  // Names are case-sensitive.
  Check("Start", Int(0));
  EXPECT_EQ(a.pass.nUndef, 1);
  for (VarType mode : {T_Macro, T_Alias, T_Segment}) {
    TRec* r = FindOrCreateSymbol(a, "thing");
    r->Mode = mode;
    Check("thing", Fails(E_SyntaxError));
  }
}

TEST_F(EvalPrimariesTest, ReferencesAreCounted) {
  TRec* r = Label("used", 1);
  Check("used + used", Int(2));
  EXPECT_TRUE(r->Referenced);
}

TEST_F(EvalPrimariesTest, UndefinedReferencesEarlyPassesAreSilent) {
  a.pass.pass = 1;
  Check("later + 1", Int(1));
  EXPECT_EQ(a.pass.nUndef, 1);
  EXPECT_TRUE(t.console.err.empty());
  TRec* r = FindSymbol(a, "later", false);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->Mode, T_Undef);
  // Each reference counts, the record is made once.
  Check("later + later", Int(0));
  EXPECT_EQ(a.pass.nUndef, 2);
  a.pass.pass = 2;
  Check("later", Int(0));
  EXPECT_EQ(a.pass.nUndef, 1);
  EXPECT_EQ(a.pass.nErrors, 0);
}

TEST_F(EvalPrimariesTest, UndefinedReferencesFromPassThreeAreReported) {
  a.pass.pass = 3;
  Check("missing + 5", Fails(E_LabelNotFound, Int(5)));
  EXPECT_EQ(ErrorLine(), "t.asm:    1  : error: Label Not Found : \"missing\"");
  EXPECT_EQ(a.pass.nUndef, 1);
  // The line is not skipped: the whole expression was read, and each
  // reference still counts.
  Check("missing + missing2 * 2", Fails(E_LabelNotFound, Int(0)));
  EXPECT_EQ(a.pass.nUndef, 2);
}

TEST_F(EvalPrimariesTest, AReportedUndefinedNameDoesNotStopALineContinuedInParentheses) {
  a.pass.pass = 3;
  CheckLines({"(missing +", " 2)", "next"}, Fails(E_LabelNotFound, Int(2)));
  ExpectNextLineStartsWith("next");
}

TEST_F(EvalPrimariesTest, DottedNames) {
  Label("player.x", 7);
  Label("player.pos.y", 9);
  Check("player.x", Int(7));
  Check("player.pos.y + 1", Int(10));
  Check("player.5", Fails(E_SyntaxError));
  Check("player.", Fails(E_SyntaxError));
  a.pass.pass = 3;
  Check("player.w", Fails(E_LabelNotFound));
  EXPECT_NE(ErrorLine().find(": \"player.w\""), std::string::npos);
  // A keyword after the point is a name here (fields such as .c or .hl).
  Label("pair.hl", 0x21);
  Check("pair.hl", Int(0x21));
}

TEST_F(EvalPrimariesTest, ProcedurePrefixThenPlainName) {
  Label("draw.x", 1);
  Label("x", 2);
  Label("y", 3);
  Load({"x + y * 10"});
  a.lex.pos.ProcPrefix = "draw.";
  EXPECT_EQ(EvalExpression(a).Int, 31);  // draw.x, then the global y
  Load({"::x"});
  a.lex.pos.ProcPrefix = "draw.";
  EXPECT_EQ(EvalExpression(a).Int, 2);
  Check("x", Int(2));  // no prefix: the global one
}

TEST_F(EvalPrimariesTest, AnUndefinedPrefixedRecordDoesNotHideTheGlobalName) {
  Label("x", 2);
  FindOrCreateSymbol(a, "draw.x");  // referenced elsewhere, never defined
  Load({"x"});
  a.lex.pos.ProcPrefix = "draw.";
  EXPECT_EQ(EvalExpression(a).Int, 2);
  EXPECT_EQ(a.pass.nUndef, 0);
}

TEST_F(EvalPrimariesTest, UndefinedInsideAProcedureCreatesThePlainName) {
  a.pass.pass = 3;
  Load({"later"});
  a.lex.pos.ProcPrefix = "draw.";
  EvalExpression(a);
  EXPECT_NE(FindSymbol(a, "later", false), nullptr);
  EXPECT_EQ(FindSymbol(a, "draw.later", false), nullptr);
  EXPECT_NE(ErrorLine().find("Label Not Found : \"later\""), std::string::npos);
}

TEST_F(EvalPrimariesTest, LocalLabelsBelongToTheLastMainLabel) {
  Label("print.loop", 0x42);
  Load({"@loop + 1"});
  a.lex.pos.sLastMainLabel = "print";
  EXPECT_EQ(EvalExpression(a).Int, 0x43);
  // Keywords are names after "@" (local labels such as @loop or @next).
  Label("print.next", 0x44);
  Load({"@next"});
  a.lex.pos.sLastMainLabel = "print";
  EXPECT_EQ(EvalExpression(a).Int, 0x44);
  Label("_global.tmp", 5);
  Check("@tmp", Int(5));  // before any main label
  // "@" before something else is consumed and the operand follows.
  Check("@ 3", Int(3));
}

TEST_F(EvalPrimariesTest, GlobalReferences) {
  Label("g", 4);
  Check("::g", Int(4));
  Check("::LABEL(\"g\")", Int(4));
  Check("::VARIABLE(\"g\") + 1", Int(5));
  Check("::5", Fails(E_SyntaxError));
  Check("::LABEL(5)", Fails(E_SyntaxError));
  FindOrCreateSymbol(a, "fn")->Mode = T_Function;
  Check("::fn", Fails(E_SyntaxError));
  a.pass.pass = 3;
  Check("::nothere", Fails(E_LabelNotFound));
  EXPECT_NE(ErrorLine().find(": \"nothere\""), std::string::npos);
}

TEST_F(EvalPrimariesTest, OuterScopeReferences) {
  // Each "^^" leaves one open procedure: at the outermost level there is no
  // outer scope at all, inside one procedure one "^^" names the outermost
  // scope and two go too far.
  Label("top", 6);
  Check("^^top", Fails(E_NestingError));
  Check("^^LABEL(\"top\")", Fails(E_NestingError));
  Check("[^^top] 1", Fails(E_NestingError));
  TestRun run;
  EXPECT_EQ(run.Assemble("top = 6\n"
                         "outer PROC\n"
                         "top = 7\n"
                         "inner PROC\n"
                         " VELDASSERT ^^top = 7\n"
                         " VELDASSERT ^^^^top = 6\n"
                         " VELDASSERT ^^LABEL(\"top\") = 6\n"
                         " DB ^^^^^^top\n"
                         " PEND\n"
                         " VELDASSERT ^^top = 6\n"
                         " DB ^^^^top\n"
                         " PEND\n"),
            1);
  const std::string nesting =
      " : error: Nesting Error - can't nest procedure or macro definitions, sorry\n";
  EXPECT_NE(run.Err().find("main.asm:    8 " + nesting), std::string::npos) << run.Err();
  EXPECT_NE(run.Err().find("main.asm:   11 " + nesting), std::string::npos) << run.Err();
  EXPECT_NE(run.Err().find("nErrors = 2 "), std::string::npos) << run.Err();
}

TEST_F(EvalPrimariesTest, NamesComputedByLabelAndVariable) {
  Label("item1", 11);
  Label("scope.item2", 22);
  Check("LABEL(\"item\" + \"1\")", Int(11));
  Check("VARIABLE(\"item1\")", Int(11));
  Load({"LABEL(\"item2\") + LABEL(\"item1\")"});
  a.lex.pos.ProcPrefix = "scope.";
  EXPECT_EQ(EvalExpression(a).Int, 33);
  Check("LABEL(1)", Fails(E_SyntaxError));
  Check("LABEL \"item1\"", Fails(E_SyntaxError));
  Check("LABEL(\"item1\"", Fails(E_SyntaxError));
  a.pass.pass = 3;
  Check("LABEL(\"item\" + \"9\")", Fails(E_LabelNotFound));
  EXPECT_NE(ErrorLine().find(": \"item9\""), std::string::npos);
}

TEST_F(EvalPrimariesTest, DefAndEnabled) {
  Label("zero", 0);
  Label("one", 1);
  Var("empty", S(""));
  Var("half", F(0.5L));
  Var("text", S("x"));
  Var("fzero", F(0.0L));
  FindOrCreateSymbol(a, "undef");
  FindOrCreateSymbol(a, "mac")->Mode = T_Macro;
  Check("DEF zero", Int(1));
  Check("DEFINED one", Int(1));
  Check("DEF nothere", Int(0));
  Check("DEF undef", Int(0));
  Check("DEF mac", Int(1));
  Check("DEF(zero)", Fails(E_SyntaxError));
  Check("ENABLED zero", Int(0));
  Check("ENABLED one", Int(1));
  Check("ENABLED empty", Int(0));
  Check("ENABLED half", Int(1));
  Check("ENABLED text", Int(1));
  Check("ENABLED fzero", Int(0));
  Check("ENABLED nothere", Int(0));
  Check("ENABLED undef", Int(0));
  Check("ENABLED mac", Int(0));
  Check("ENABLED 1", Fails(E_SyntaxError));
  EXPECT_EQ(a.pass.nUndef, 0);
  // Looked up as written, without the procedure prefix.
  Label("proc.inner", 1);
  Load({"DEF inner"});
  a.lex.pos.ProcPrefix = "proc.";
  EXPECT_EQ(EvalExpression(a).Int, 0);
}

TEST_F(EvalPrimariesTest, LocationCountersAndRunNumber) {
  CurSeg(a).StatementPC = 0x8000;
  CurSeg(a).ElementPC = 0x8003;
  CurSeg(a).Displacement = -0x100;
  a.run.runCounter = 2;
  Check("$", Int(0x8000));
  Check("$ + 1", Int(0x8001));
  Check(".", Int(0x8003));
  Check("*", Int(0x8003));
  Check("* * 2", Int(0x10006));
  Check("DISP", Int(-0x100));
  Check("MULTIPASS", Int(2));
}

TEST_F(EvalPrimariesTest, ValueStack) {
  a.eval.valueStack.push_back(I(1));
  a.eval.valueStack.push_back(S("two"));
  Check("ZPOP", Str("two"));
  Check("ZPOP", Int(1));
  Check("ZPOP", Fails(E_OutOfStack, Int(0)));
}

TEST_F(EvalPrimariesTest, KeywordsAreTextInsideAMacroExpansion) {
  Load({"hl = \"HL\""});
  a.lex.pos.pActiveMacro = 1;
  TExpRes r = EvalExpression(a);
  EXPECT_EQ(r.Int, 1);
  EXPECT_EQ(a.pass.nErrors, 0);
  Load({"ld"});
  a.lex.pos.pActiveMacro = 1;
  r = EvalExpression(a);
  EXPECT_EQ(r.Sort, erString);
  EXPECT_EQ(r.Str, "ld");
  Check("hl", Fails(E_SyntaxError));  // outside an expansion
}

TEST_F(EvalPrimariesTest, MissingOperands) {
  Check("", Fails(E_SyntaxError));
  Check("1 +", Fails(E_SyntaxError));
  Check("(1 + 2", Fails(E_SyntaxError));
  Check(")", Fails(E_SyntaxError));
  Check("#", Fails(E_SyntaxError));
  Check("1 2", Stops(Int(1)));
}

TEST_F(EvalPrimariesTest, OperandLabel) {
  Load({"[lbl] 5"});
  EXPECT_EQ(EvalExpression(a).Int, 5);
  EXPECT_EQ(a.eval.OperandLabelName, "lbl");
  Load({"[lbl] 5"});
  a.lex.pos.ProcPrefix = "p.";
  EvalExpression(a);
  EXPECT_EQ(a.eval.OperandLabelName, "p.lbl");
  Load({"[::g] 1"});
  a.lex.pos.ProcPrefix = "p.";
  EvalExpression(a);
  EXPECT_EQ(a.eval.OperandLabelName, "g");
  // A new expression starts without one.
  Check("1", Int(1));
  EXPECT_EQ(a.eval.OperandLabelName, "");
  Check("[^^^^x] 1", Fails(E_NestingError));
  Check("[5] 1", Fails(E_SyntaxError));
  Check("[x 1", Fails(E_SyntaxError));
  Check("[::5] 1", Fails(E_SyntaxError));
  // Inside parentheses "[" is not a label form.
  Check("([x] 1)", Fails(E_SyntaxError));
}

TEST_F(EvalPrimariesTest, AnInnerExpressionKeepsTheOperandLabel) {
  // The index is read with an expression of its own; the operand's label
  // must survive it for the handler that reads it afterwards.
  Load({"[lbl] \"abc\"[2]"});
  TExpRes r = EvalExpression(a);
  EXPECT_EQ(r.Str, "b");
  EXPECT_EQ(a.eval.OperandLabelName, "lbl");
}

TEST_F(EvalPrimariesTest, TypedGetters) {
  EXPECT_EQ(IntegerOf("\"A\""), 65);
  EXPECT_EQ(a.pass.nErrors, 0);
  EXPECT_EQ(IntegerOf("\"AB\""), 0);
  EXPECT_EQ(a.pass.nErrors, 1);
  EXPECT_EQ(IntegerOf("\"\""), 0);
  EXPECT_EQ(a.pass.nErrors, 1);
  EXPECT_EQ(IntegerOf("7.5"), 8);

  Load({"TRUE"});
  EXPECT_TRUE(EvalBoolean(a));
  Load({"0.4"});
  EXPECT_FALSE(EvalBoolean(a));

  Load({"\"abc\" + \"d\""});
  EXPECT_EQ(EvalString(a), "abcd");
  Load({"5"});
  EXPECT_EQ(EvalString(a), "");
  EXPECT_EQ(a.pass.nErrors, 1);
  EXPECT_NE(ErrorLine().find("Syntax Error"), std::string::npos);

  Load({"3"});
  EXPECT_EQ(EvalFloat(a), 3.0L);
  Load({"0.25"});
  EXPECT_EQ(EvalFloat(a), 0.25L);
  Load({"\"x\""});
  EXPECT_EQ(EvalFloat(a), 0.0L);
  EXPECT_EQ(a.pass.nErrors, 1);
}

TEST_F(EvalPrimariesTest, AValueWithoutKindIsNotAnInteger) {
  Var("nothing", TExpRes{});
  FindSymbol(a, "nothing", false)->Val.SetError();
  Load({"nothing"});
  EXPECT_EQ(EvalInteger(a), 0);
  EXPECT_NE(ErrorLine().find("Integer Expected"), std::string::npos);
  // Operators have no rule for it: the loops end, prefix operators pass it on.
  Load({"nothing + 1"});
  EXPECT_EQ(EvalExpression(a).Sort, erError);
  EXPECT_FALSE(AtEnd());
  EXPECT_EQ(a.pass.nErrors, 0);
  Load({"-nothing"});
  EXPECT_EQ(EvalExpression(a).Sort, erError);
  Check("1 + nothing", Fails(E_TypeMismatch, Int(1)));
}

TEST_F(EvalPrimariesTest, RangeCheckedGetters) {
  struct Range {
    int32_t (*get)(Assembly&);
    int32_t lo, hi;
  };
  const Range ranges[] = {
      {EvalByteValue, -128, 255},
      {EvalUnsignedByte, 0, 255},
      {EvalWordValue, -32768, 65535},
      {EvalBitIndex, 0, 7},
  };
  for (const Range& r : ranges) {
    for (int32_t v : {r.lo, r.hi}) {
      Load({std::to_string(v)});
      EXPECT_EQ(r.get(a), v);
      EXPECT_EQ(a.pass.nErrors, 0);
    }
    for (int32_t v : {r.lo - 1, r.hi + 1}) {
      SCOPED_TRACE(v);
      Load({std::to_string(v)});
      EXPECT_EQ(r.get(a), 0);
      EXPECT_NE(ErrorLine().find("Range Error"), std::string::npos);
    }
  }
  struct FlagRange {
    int32_t (*get)(Assembly&, bool&);
    int32_t lo, hi;
  };
  const FlagRange flagged[] = {
      {EvalSignedByteFlag, -128, 127},
      {EvalOffsetFlag, -127, 128},
      {EvalWordFlag, -32768, 65535},
  };
  for (const FlagRange& r : flagged) {
    bool out = true;
    for (int32_t v : {r.lo, r.hi}) {
      Load({std::to_string(v)});
      EXPECT_EQ(r.get(a, out), v);
      EXPECT_FALSE(out);
    }
    for (int32_t v : {r.lo - 1, r.hi + 1}) {
      Load({std::to_string(v)});
      EXPECT_EQ(r.get(a, out), 0);
      EXPECT_TRUE(out);
      EXPECT_EQ(a.pass.nErrors, 0);  // the caller decides
    }
  }
}

TEST_F(EvalPrimariesTest, IntegerExpressionsDoNotAllocate) {
  Label("table_of_sprites_base", 0x6000);
  Label("draw.frame_counter", 3);
  Label("y", 2);
  Var("vv", I(5));
  const std::string text =
      "table_of_sprites_base + (frame_counter * 16) << 1 | y & vv ? $FF : 0 + y[0] - DEF y";
  int32_t first = 0;
  long counted = 0;
  for (int round = 0; round < 3; ++round) {
    Load({text});
    a.lex.pos.ProcPrefix = "draw.";
    LexPeek(a);
    eval_test::allocations = 0;
    eval_test::countAllocations = true;
    const int32_t v = EvalInteger(a);
    eval_test::countAllocations = false;
    counted = eval_test::allocations;
    if (round == 0) first = v;
    EXPECT_EQ(v, first);
  }
  EXPECT_EQ(a.pass.nErrors, 0) << ErrorLine();
  EXPECT_EQ(first, 0xFF);
  EXPECT_EQ(counted, 0);
}

}  // namespace
