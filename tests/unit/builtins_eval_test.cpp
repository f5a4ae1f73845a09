// Built-in functions read through the real lexer and evaluator: argument
// conventions, result kinds and the messages of bad arguments.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace builtins_test {

class BuiltinEval : public ::testing::Test {
 public:
  TestRun t;
  Assembly& a = *t.a;

  void SetUp() override {
    BuildKeywordTable(a.keywords);
    ClearSymbols(a);
    a.pass = PassState{};
    a.pass.pass = 2;
    a.pass.finalPass = true;  // errors are printed
    TSource& s = a.sources.slots[0];
    s.loaded = s.exists = true;
    s.ShortName = "main.asm";
    s.FileName = (t.dir / "main.asm").string();
    a.diag.currentSource = 0;
    DefinePredefinedSymbols(a);
    Load("1");
    if (a.lex.pos.Item != I_Integer) GTEST_SKIP() << "the lexer is not in place yet";
    if (EvalExpression(a).Int != 1) GTEST_SKIP() << "the evaluator is not in place yet";
  }

  void Load(const std::string& line) {
    a.sources.slots[0].Lines = {line, "99"};
    LexResetSource(a, 0);
    LexPeek(a);
    if (a.lex.pos.Item == I_EOL) LexNext(a);
    LexPeek(a);
    a.diag.currentLine = 1;
    a.diag.lastErrorLine = -1;
    a.pass.nErrors = 0;
    t.console.err.clear();
  }

  TExpRes Eval(const std::string& line) {
    Load(line);
    return EvalExpression(a);
  }

  // The text of the one error printed, "" for none.
  std::string Error() const {
    if (t.console.err.empty()) return "";
    const std::string& l = t.console.err.front();
    const auto at = l.find(" : error: ");
    return at == std::string::npos ? l : l.substr(at + 10);
  }

  bool AtEnd() {
    LexPeek(a);
    return a.lex.pos.Item == I_EOL || a.lex.pos.Item == I_Null;
  }

  void ExpectInt(const std::string& text, int32_t want, const std::string& error = "") {
    TExpRes r = Eval(text);
    EXPECT_EQ(Error(), error) << text;
    EXPECT_EQ(r.Sort, erInteger) << text;
    EXPECT_EQ(r.Int, want) << text;
    EXPECT_TRUE(AtEnd()) << text;
  }
  void ExpectStr(const std::string& text, const std::string& want, const std::string& error = "") {
    TExpRes r = Eval(text);
    EXPECT_EQ(Error(), error) << text;
    EXPECT_EQ(r.Sort, erString) << text;
    EXPECT_EQ(r.Str, want) << text;
    EXPECT_TRUE(AtEnd()) << text;
  }
  void ExpectFloat(const std::string& text, long double want, long double tolerance = 0) {
    TExpRes r = Eval(text);
    EXPECT_EQ(Error(), "") << text;
    EXPECT_EQ(r.Sort, erFloat) << text;
    EXPECT_NEAR(static_cast<double>(r.Float), static_cast<double>(want),
                static_cast<double>(tolerance))
        << text;
    EXPECT_TRUE(AtEnd()) << text;
  }
  void ExpectError(const std::string& text, const std::string& error) {
    Eval(text);
    EXPECT_EQ(Error(), error) << text;
    EXPECT_EQ(a.pass.nErrors, 1) << text;
  }
};

TEST_F(BuiltinEval, FloatFunctions) {
  ExpectFloat("SQRT(2)", 1.4142135623730950488L, 1e-18L);
  ExpectFloat("sqrt(16)", 4);
  ExpectFloat("FLT(3)", 3);
  ExpectFloat("FLT(2.5) * 2", 5);
  ExpectFloat("INT(-2.75)", -2);
  ExpectFloat("FRAC(-2.75)", -0.75L);
  ExpectFloat("LOG(100)", 2, 1e-18L);
  ExpectFloat("LN(1)", 0);
  ExpectFloat("EXP(0)", 1);
  ExpectFloat("ATAN(1) * 4", 3.14159265358979323846L, 1e-18L);
  ExpectFloat("COS(0) + SIN(0) + TAN(0)", 1);
  ExpectFloat("ACOS(1) + ASIN(0)", 0);
}

TEST_F(BuiltinEval, FloatExceptionsGiveIntegerZeroSilently) {
  ExpectInt("SQRT(-1)", 0);
  ExpectInt("LN(0)", 0);
  ExpectInt("LOG(-1)", 0);
  ExpectInt("ASIN(2)", 0);
  ExpectInt("EXP(100000)", 0);
  ExpectInt("ROUND(FLT(1000000) * 1000000 * 1000000 * 1000000)", 0);  // beyond 64 bits
  ExpectInt("SQRT(-1) + 5", 5);  // an integer, so integer arithmetic follows
}

TEST_F(BuiltinEval, FloatArgumentsNeedParenthesesAndNumbers) {
  ExpectError("SQRT 2", "Syntax Error");
  ExpectError("SQRT(2", "Syntax Error");
  ExpectError("SIN(\"A\")", "Syntax Error");
  ExpectError("SIN(\"AB\")", "Syntax Error");
}

TEST_F(BuiltinEval, RoundTiesToEven) {
  ExpectInt("ROUND(2.5)", 2);
  ExpectInt("ROUND(-3.5)", -4);
  ExpectInt("ROUND(3.5)", 4);
  ExpectInt("ROUND(7)", 7);
  ExpectInt("ROUND(4294967301.0)", 5);
}

TEST_F(BuiltinEval, AbsKeepsTheKind) {
  ExpectInt("ABS(-5)", 5);
  ExpectInt("ABS(-2147483647-1)", INT32_MIN);
  ExpectFloat("ABS(-2.5)", 2.5L);
  EXPECT_FALSE(std::signbit(Eval("ABS(-0.0)").Float));
  ExpectError("ABS(\"x\")", "Syntax Error");
}

TEST_F(BuiltinEval, ParenSoftWithoutParenthesesIsZero) {
  // Nothing after the keyword is read: the operand ends there.
  for (const char* kw : {"ABS", "LENGTH", "ORD", "VELDGETFILELENGTH", "VELDKEYADDR", "VELDKEYMASK",
                         "VELDKEYBIT", "ZXPIXELADDR", "ZXATTRADDR"}) {
    ExpectInt(kw, 0);
    ExpectInt(std::string(kw) + " + 3", 3);
  }
}

TEST_F(BuiltinEval, StringMeasures) {
  ExpectInt("LENGTH(\"hello\")", 5);
  ExpectInt("LENGTH(\"\")", 0);
  ExpectInt("ORD(\"A\")", 65);
  ExpectInt("ORD(\"zebra\")", 122);
  ExpectInt("ORD(\"\")", 0);
  ExpectError("LENGTH(5)", "Syntax Error");
  ExpectError("ORD(1.5)", "Syntax Error");
}

TEST_F(BuiltinEval, LowHighWordTakeTheWholeExpression) {
  ExpectInt("LOW $1234 + 1", 0x35);
  ExpectInt("LOW($1234) + 1", 0x35);
  ExpectInt("HIGH(-1)", 0xFF);
  ExpectInt("HIGH $1234", 0x12);
  ExpectInt("HIGH($1234) + $100", 0x112);  // parentheses end the argument
  ExpectInt("HIGH $1234 + $100", 0x13);
  ExpectInt("WORD($12345678)", 0x5678);
  ExpectInt("WORD -1", 0xFFFF);
  ExpectInt("LOW 1 ? 2 : 3", 2);  // a whole conditional expression
  ExpectError("LOW \"A\"", "Syntax Error");
  ExpectError("HIGH(2.5)", "Syntax Error");
}

TEST_F(BuiltinEval, KeyFunctions) {
  ExpectInt("VELDKEYADDR(\"A\")", 0xFDFE);
  ExpectInt("VELDKEYADDR(\"a\")", 0xFDFE);
  ExpectInt("VELDKEYADDR(\"[SHIFT]\")", 0xFEFE);
  ExpectInt("VELDKEYADDR(\"[shift]\")", 0xFEFE);
  ExpectInt("VELDKEYADDR(\"AQ\")", 0xF9FE);
  ExpectInt("VELDKEYMASK(\"B\")", 16);
  ExpectInt("VELDKEYMASK(\"AS\")", 3);
  ExpectInt("VELDKEYBIT(\"[SYM]\")", 1);
  ExpectInt("VELDKEYBIT(\"QA\")", 0);
  ExpectInt("VELDKEYBIT(65)", 0);
  ExpectInt("VELDKEYADDR(32)", 0x7FFE);  // the space key
  ExpectError("VELDKEYBIT(\"AS\")", "Illegal String");
  ExpectError("VELDKEYADDR(\"A!\")", "Illegal String");
  ExpectError("VELDKEYMASK(1)", "Illegal String");
  ExpectError("VELDKEYADDR(1.5)", "Syntax Error");
}

TEST_F(BuiltinEval, ScreenAddresses) {
  ExpectInt("ZXPIXELADDR(0, 0)", 0x4000);
  ExpectInt("ZXPIXELADDR(255, 191)", 0x57FF);
  ExpectInt("ZXATTRADDR(8, 8)", 0x5821);
  ExpectError("ZXPIXELADDR(256, 0)", "Range Error");
  ExpectError("ZXATTRADDR(0, 192)", "Range Error");
  ExpectError("ZXPIXELADDR(1 2)", "Syntax Error");
  ExpectError("ZXPIXELADDR(1, 2", "Syntax Error");
}

TEST_F(BuiltinEval, StringResults) {
  ExpectStr("ROMAN(1994)", "MCMXCIV");
  ExpectStr("ROMAN(0)", "nihil");
  ExpectStr("ROMAN(-4)", "Ego operor non agnosco");
  ExpectStr("MORSE(\"SOS\")", "... --- ... ");
  ExpectStr("MORSE(12)", ".---- ..--- ");
  ExpectStr("MORSE(-3)", "-....- ...-- ");
  ExpectStr("TOSTR(-42)", "-42");
  ExpectStr("TOSTR(7) + \"!\"", "7!");
  ExpectStr("CHR(65)", "A");
  ExpectStr("CHR($141)", "A");
  ExpectStr("TOHEX(255)", "FF");
  ExpectStr("TOHEX(255, 4)", "00FF");
  ExpectStr("TOHEX(-1)", "FFFFFFFF");
  ExpectStr("TOHEX(10)", "0A");
  ExpectStr("UPPERCASE(\"MiXeD 1\")", "MIXED 1");
  ExpectStr("LOWERCASE(\"MiXeD 1\")", "mixed 1");
  ExpectStr("TITLECASE(\"o'neil mcdonald\")", "O'Neil Mcdonald");
}

TEST_F(BuiltinEval, IntegerOnlyFunctionsRejectOtherKinds) {
  for (const char* text : {"ROMAN(\"X\")", "TOSTR(1.5)", "CHR(\"A\")", "TOHEX(2.0)", "MORSE(1.5)",
                           "UPPERCASE(1)", "TITLECASE(2)", "ROMAN 5"})
    ExpectError(text, "Syntax Error");
  ExpectError("TOHEX(1, 1000)", "Range Error");
}

TEST_F(BuiltinEval, Bitmaps) {
  ExpectInt("BITMAP(\"..XX..XX\", 33)", 0x33);
  ExpectInt("INVBITMAP(\"..XX..XX\", 33)", static_cast<int32_t>(0xFFFFFFCCu));
  ExpectInt("BITMAP(\"1111000011110000\", 1)", 0xF0F0);
  ExpectError("BITMAP(\"..XX..X\", 33)", "Bit mapping error");
  ExpectError("INVBITMAP(\"..XX..X\", 33)", "Range Error");
  ExpectError("BITMAP(\"..XX..XX\" 33)", "Syntax Error");
}

TEST_F(BuiltinEval, PagingAddresses) {
  ExpectInt("VELDMMU(0)", 0x40000);
  ExpectInt("VELDMMU(224)", 0x239000);
  ExpectInt("VELDROM(-1)", 0x238800);
  ExpectInt("VELDROM(9)", 0);
  a.machine.model = mdl128K;
  ExpectInt("VELDPAGE(1)", 0);
  ExpectInt("VELDPAGE(8)", 0);
  ExpectInt("VELDPAGE(3)", 0x10000);
}

TEST_F(BuiltinEval, MemoryChecksums) {
  a.machine.model = mdl48K;
  ClearImage(a);
  StoreImageByte(a, 0x8000, 0x81, false, true);
  StoreImageByte(a, 0x8001, 0x03, false, true);
  ExpectInt("SUM_MEM($8000, 2)", 0x84);
  ExpectInt("XOR_MEM($8000, 2)", 0x82);
  ExpectInt("SUM_MEM($8000, 0)", 0);
  ExpectError("SUM_MEM $8000, 2", "Syntax Error");
}

TEST_F(BuiltinEval, FileLengths) {
  std::ofstream(t.dir / "five.bin", std::ios::binary) << "12345";
  ExpectInt("VELDGETFILELENGTH(\"five.bin\")", 5);  // next to the main source
  ExpectInt("VELDGETFILELENGTH(\"none.bin\")", -1);
  ExpectError("VELDGETFILELENGTH(5)", "Syntax Error");
}

TEST_F(BuiltinEval, RandomNumbersFollowTheGenerator) {
  MT19937 reference;
  reference.Seed(77);
  a.random.Seed(77);
  ExpectInt("VELDRAND", static_cast<int32_t>(reference.Next()));
  const int32_t second = static_cast<int32_t>(reference.Next());
  const int32_t third = static_cast<int32_t>(reference.Next());
  ExpectInt("VELDRAND - VELDRAND",
            static_cast<int32_t>(static_cast<uint32_t>(second) - static_cast<uint32_t>(third)));
}

TEST_F(BuiltinEval, NexDataCountsTheBytesOfItsDefinition) {
  ExpectError("OUTPUT_NEX_DATA(\"game.nex\")", "File Not Found");
  // The name is resolved as output names are: next to the main source.
  const int32_t slot = FindOrAddFileDef(a, (t.dir / "game.nex").string(), false);
  ASSERT_GT(slot, 0);
  FileDef(a, slot).Sort = ftNex;
  FileDef(a, slot).FileName = (t.dir / "game.nex").string();
  FileDef(a, slot).ExtraCount = 3;
  ExpectInt("OUTPUT_NEX_DATA(\"game.nex\")", 3);
  ExpectError("OUTPUT_NEX_DATA(\"other.nex\")", "File Not Found");
  ExpectError("OUTPUT_NEX_DATA(1)", "Syntax Error");
}

}  // namespace builtins_test
