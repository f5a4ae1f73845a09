// The lexer through the in-process context: lines to items, literals in every
// syntax, warnings, block modes, peek and next, saved positions.

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "assembler/assembly.h"
#include "lexer/lexer_detail.h"

namespace {

// Short, readable form of an item: EOL, NULL, T:text=KEYWORD, N:ident,
// C:punct, I:value, S:string, F:text, U:text.
std::string Describe(const TLexPos& p) {
  switch (p.Item) {
    case I_Null:
      return "NULL";
    case I_EOL:
      return "EOL";
    case I_TokenN:
      return "T:" + std::string(p.ITxt) + "=" + std::string(TokenSpelling(p.ITokVal));
    case I_Ident:
      return "N:" + std::string(p.ITxt);
    case I_Char:
      return "C:" + std::string(p.ITxt);
    case I_Integer:
      return "I:" + std::to_string(p.INumVal);
    case I_String:
      return "S:" + std::string(p.ITxt);
    case I_Float:
      return "F:" + std::string(p.ITxt);
    case I_Unknown:
      return "U:" + std::string(p.ITxt);
  }
  return "?";
}

class LexerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Environment env{&console, &clock, [] { return 1u; }, ""};
    a = std::make_unique<Assembly>(env);
    BuildKeywordTable(a->keywords);
  }

  void Load(std::vector<std::string> lines) {
    TSource& s = a->sources.slots[0];
    s.Lines = std::move(lines);
    s.loaded = true;
    s.ShortName = "t.asm";
    LexResetSource(*a, 0);
  }

  // Every item up to and including the first NULL, joined by blanks.
  std::string LexAll() {
    std::string out;
    for (int guard = 0; guard < 10000; ++guard) {
      LexNext(*a);
      if (!out.empty()) out += ' ';
      out += Describe(a->lex.pos);
      if (a->lex.pos.Item == I_Null) break;
    }
    return out;
  }

  std::string Lex(const std::string& line) {
    Load({line});
    return LexAll();
  }

  // The first item of a one-line source.
  const TLexPos& First(const std::string& line) {
    Load({line});
    LexNext(*a);
    return a->lex.pos;
  }

  void SetOption(OptionId id, int32_t value) {
    optionValues[id] = value;
    a->options.shortcut[id] = &optionValues[id];
  }

  void ShowWarnings() {
    a->pass.clean = true;
    a->diag.currentLine = 7;
  }

  CapturingConsole console;
  FixedClock clock;
  std::unique_ptr<Assembly> a;
  int32_t optionValues[kOptionCount] = {};
};

// ---------------------------------------------------------------- lines

TEST_F(LexerTest, EmptyLinesGiveNothingAndTheLastLineEndsOnce) {
  Load({"", "nop", "", "", "  ", "; just a comment", "halt", ""});
  EXPECT_EQ(LexAll(), "T:nop=NOP EOL EOL EOL T:halt=HALT EOL NULL");
  // I_Null stays once reached.
  LexNext(*a);
  EXPECT_EQ(a->lex.pos.Item, I_Null);
  LexPeek(*a);
  EXPECT_EQ(a->lex.pos.Item, I_Null);
}

TEST_F(LexerTest, EmptySourceGivesNullAtOnce) {
  Load({});
  EXPECT_EQ(LexAll(), "NULL");
  Load({"", ""});
  EXPECT_EQ(LexAll(), "NULL");
}

TEST_F(LexerTest, ItemLinesAndPositions) {
  Load({"", "ld a, b", "", "  ret"});
  LexNext(*a);
  EXPECT_EQ(a->lex.pos.ILine, 2);
  EXPECT_EQ(a->lex.pos.LastLPos, 1);
  LexNext(*a);  // a (the item starts at its first character, after the blank)
  EXPECT_EQ(a->lex.pos.LastLPos, 4);
  EXPECT_EQ(a->lex.pos.LPos, 5);
  LexNext(*a);  // ,
  LexNext(*a);  // b
  LexNext(*a);  // EOL of line 2
  EXPECT_EQ(a->lex.pos.Item, I_EOL);
  EXPECT_EQ(a->lex.pos.ILine, 2);
  LexNext(*a);
  EXPECT_EQ(Describe(a->lex.pos), "T:ret=RET");
  EXPECT_EQ(a->lex.pos.ILine, 4);
  EXPECT_EQ(a->lex.pos.Line, 4);
}

TEST_F(LexerTest, Comments) {
  EXPECT_EQ(Lex("nop ; ld a,b"), "T:nop=NOP EOL NULL");
  EXPECT_EQ(Lex("nop // ld a,b"), "T:nop=NOP EOL NULL");
  EXPECT_EQ(Lex("/* x */ 4/2"), "C:/* N:x C:*/ I:4 C:/ I:2 EOL NULL");
  EXPECT_EQ(Lex("nop;x"), "T:nop=NOP EOL NULL");
}

// ---------------------------------------------------------------- words

TEST_F(LexerTest, KeywordsAndIdentifiers) {
  EXPECT_EQ(Lex("LD ld Ld lD"), "T:LD=LD T:ld=LD N:Ld N:lD EOL NULL");
  EXPECT_EQ(Lex("_x1 a$b c%d x_"), "N:_x1 N:a$b N:c%d N:x_ EOL NULL");
  EXPECT_EQ(Lex("VELDSYNTAXHIGHLIGHTX"), "N:VELDSYNTAXHIGHLIGHTX EOL NULL");
  EXPECT_EQ(Lex("defined def DEFINED"), "T:defined=DEF T:def=DEF T:DEFINED=DEF EOL NULL");
}

TEST_F(LexerTest, AfPrime) {
  EXPECT_EQ(Lex("ex af,af'"), "T:ex=EX T:af=AF C:, T:af'=AF' EOL NULL");
  EXPECT_EQ(Lex("EX AF,AF'"), "T:EX=EX T:AF=AF C:, T:AF'=AF' EOL NULL");
  EXPECT_EQ(First("AF'").ITokVal, tAFPRIME);
}

TEST_F(LexerTest, BlockModeSwitches) {
  EXPECT_EQ(Lex("print [[ print ld if ]] print ld if"),
            "N:print T:print=PRINT N:ld T:if=IF N:print T:ld=LD T:if=IF EOL NULL");
  // Levels nest; the normal mode returns at level 0 only.
  EXPECT_EQ(Lex("[[ [[ ]] print ]] print"), "T:print=PRINT N:print EOL NULL");
  EXPECT_EQ(a->lex.pos.FunctionBlockLevel, 0);
  EXPECT_EQ(Lex("]] ld"), "T:ld=LD EOL NULL");
  EXPECT_EQ(a->lex.pos.FunctionBlockLevel, 0);
  // The mode lasts over line ends.
  Load({"[[ var", "var ]]", "var"});
  EXPECT_EQ(LexAll(), "T:var=VAR EOL T:var=VAR EOL N:var EOL NULL");
  EXPECT_EQ(Lex("[[[ DEF"), "C:[ N:DEF EOL NULL");
}

TEST_F(LexerTest, HashDefine) {
  EXPECT_EQ(Lex("#define x"), "T:#define=#define N:x EOL NULL");
  EXPECT_EQ(Lex("#DEFINE x"), "T:#define=#define N:x EOL NULL");
  EXPECT_EQ(Lex("#DeFiNe\tx"), "T:#define=#define N:x EOL NULL");
  EXPECT_EQ(Lex("#define(x)"), "T:#define=#define C:( N:x C:) EOL NULL");
  EXPECT_EQ(First("#define x").ITokVal, tHASHDEFINE);
  // Followed by a name character, or nothing: "#" then hex DEF.
  EXPECT_EQ(Lex("#defined"), "I:3567 N:ined EOL NULL");
  EXPECT_EQ(Lex("#define"), "I:3567 N:ine EOL NULL");
  EXPECT_EQ(Lex("#define_"), "I:3567 N:ine_ EOL NULL");
  EXPECT_EQ(Lex("#define1"), "I:3567 N:ine1 EOL NULL");
  EXPECT_EQ(Lex("#define~"), "I:3567 N:ine C:~ EOL NULL");
  EXPECT_EQ(Lex("#define$"), "I:3567 N:ine$ EOL NULL");
}

// ---------------------------------------------------------------- numbers

TEST_F(LexerTest, HexadecimalForms) {
  EXPECT_EQ(Lex("ld a,$12 ; x"), "T:ld=LD T:a=A C:, I:18 EOL NULL");
  EXPECT_EQ(Lex("$ 12"), "I:18 EOL NULL");
  EXPECT_EQ(Lex("$+3"), "C:$ C:+ I:3 EOL NULL");
  EXPECT_EQ(Lex("$"), "C:$ EOL NULL");
  EXPECT_EQ(Lex("$_"), "C:$ N:_ EOL NULL");
  EXPECT_EQ(Lex("#1F #"), "I:31 U:# EOL NULL");
  EXPECT_EQ(Lex("$ff_ff"), "I:65535 EOL NULL");
  EXPECT_EQ(First("$ff_ff  ").ITxt, "$ff_ff");
  EXPECT_EQ(Lex("0x1F,0X1f"), "I:31 C:, I:31 EOL NULL");
  // Blanks are separators inside hexadecimal numbers.
  EXPECT_EQ(Lex("0x1F 0X1f"), "I:496 N:X1f EOL NULL");
  EXPECT_EQ(Lex("0x"), "I:0 N:x EOL NULL");
  EXPECT_EQ(Lex("0xg"), "I:0 N:xg EOL NULL");
  EXPECT_EQ(Lex("0FFh 0ffH 1XH 12Hg"), "I:255 I:255 I:16 I:18 N:g EOL NULL");
  EXPECT_EQ(Lex("$FFFFFFFF $123456789"), "I:-1 I:591751049 EOL NULL");
}

TEST_F(LexerTest, OctalForms) {
  EXPECT_EQ(Lex("377q 377Q 377o 377O 1_7q"), "I:255 I:255 I:255 I:255 I:15 EOL NULL");
  EXPECT_EQ(Lex("017 07 00"), "I:15 I:7 I:0 EOL NULL");
  EXPECT_EQ(Lex("18q 0FFq 019 08"), "U:18q U:0FFq U:019 U:08 EOL NULL");
  EXPECT_EQ(Lex("0b101"), "U:0b101 EOL NULL");
}

TEST_F(LexerTest, BinaryForms) {
  EXPECT_EQ(Lex("11111111b 101B 0b"), "I:255 I:5 I:0 EOL NULL");
  EXPECT_EQ(Lex("%1111_1111 %1010xxxx %1ZZz"), "I:255 I:160 I:8 EOL NULL");
  EXPECT_EQ(Lex("%1010 1010"), "I:170 EOL NULL");
  EXPECT_EQ(Lex("102b 1Ab"), "U:102b U:1Ab EOL NULL");
  // "%" standing alone (modulo): blank or a non-binary character next.
  EXPECT_EQ(Lex("7 % 2"), "I:7 C:% I:2 EOL NULL");
  EXPECT_EQ(Lex("7%_1 %"), "I:7 C:% N:_1 C:% EOL NULL");
  EXPECT_EQ(Lex("%101b %1w %1L"), "I:5 I:1 I:1 EOL NULL");
  // The blanks taken as separators come before a size suffix too.
  EXPECT_EQ(Lex("%1_0 b %1010 1010 W %1 l+1"), "I:2 I:170 I:1 C:+ I:1 EOL NULL");
  EXPECT_EQ(First("%1_0 b").ITxt, "%1_0 b");
  EXPECT_EQ(First("%1_0 ,").ITxt, "%1_0");
}

TEST_F(LexerTest, DecimalAndFloatForms) {
  EXPECT_EQ(Lex("0 42 1_000 4294967296 4294967297"), "I:0 I:42 I:1000 I:0 I:1 EOL NULL");
  EXPECT_EQ(Lex("1X 1Z0"), "I:10 I:100 EOL NULL");
  EXPECT_EQ(Lex("12A 1F"), "U:12A U:1F EOL NULL");
  EXPECT_EQ(Lex("1..5"), "I:1 C:.. I:5 EOL NULL");
  EXPECT_EQ(Lex("1.5 0.5 2. 3.x"), "F:1.5 F:0.5 F:2. F:3. N:x EOL NULL");
  EXPECT_EQ(Lex("12A.5"), "U:12A C:. I:5 EOL NULL");

  struct Case {
    const char* text;
    long double value;
  };
  for (const Case& c : {Case{"0.5", 0.5L}, Case{"1.5", 1.5L}, Case{"3.14159", 3.14159L},
                        Case{"0.1", 0.1L}, Case{"1_000.25", 1000.25L}, Case{"2.", 2.0L},
                        Case{"123456789.987654321", 123456789.987654321L}}) {
    const TLexPos& p = First(c.text);
    EXPECT_EQ(p.Item, I_Float) << c.text;
    EXPECT_EQ(p.FloatVal, c.value) << c.text;
  }
  const TLexPos& tiny = First("0." + std::string(6000, '0') + "1");
  EXPECT_EQ(tiny.Item, I_Float);
  EXPECT_EQ(tiny.FloatVal, 0.0L);
  const TLexPos& huge = First(std::string(6000, '9') + ".5");
  EXPECT_EQ(huge.Item, I_Float);
  EXPECT_GT(huge.FloatVal, 1e300L);
}

TEST_F(LexerTest, RomanForms) {
  EXPECT_EQ(Lex("0r"), "I:0 T:r=R EOL NULL");
  EXPECT_EQ(Lex("0R1"), "I:0 N:R1 EOL NULL");
  EXPECT_EQ(First("0rXIV").Item, I_Integer);
  EXPECT_EQ(First("0rxiv+1").ITxt, "0rxiv");
}

TEST_F(LexerTest, RomanLiteral) { EXPECT_EQ(Lex("0rXIV 0RmcmXCIX"), "I:14 I:1999 EOL NULL"); }

TEST_F(LexerTest, RadixInForce) {
  a->lex.radixActive = true;
  a->lex.radix = 16;
  EXPECT_EQ(Lex("0FF 0ff 0G"), "I:255 I:255 I:0 N:G EOL NULL");
  // Numbers not starting with "0": suffixes and decimal, no X, Z or "_".
  EXPECT_EQ(Lex("12 12h 10b 17q 1.5 1_0 1X"), "I:12 I:18 I:2 I:15 F:1.5 I:1 N:_0 I:1 N:X EOL NULL");
  a->lex.radix = 36;
  EXPECT_EQ(Lex("0z 0Zz"), "I:35 I:1295 EOL NULL");
  a->lex.radix = 2;
  EXPECT_EQ(Lex("0101 0102"), "I:5 I:2 I:2 EOL NULL");
  a->lex.radix = 0;  // 0 means 10
  EXPECT_EQ(Lex("017 0x1"), "I:17 I:0 N:x1 EOL NULL");
  // No leading-zero warning under SETRADIX.
  SetOption(zoWarnLeadingZero, 1);
  ShowWarnings();
  Lex("017");
  EXPECT_TRUE(console.out.empty());
}

// ---------------------------------------------------------------- warnings

TEST_F(LexerTest, BinarySizeWarnings) {
  ShowWarnings();
  Lex("%101b %10101010b %1w %1111000011110000W %1l");
  ASSERT_EQ(console.out.size(), 3u);
  EXPECT_EQ(console.out[0],
            "t.asm:    7  : warning: The binary byte value \"%101b\" doesn't contain 8 bits");
  EXPECT_EQ(console.out[1],
            "t.asm:    7  : warning: The binary word value \"%1w\" doesn't contain 16 bits");
  EXPECT_EQ(console.out[2],
            "t.asm:    7  : warning: The binary long value \"%1l\" doesn't contain 32 bits");
  console.out.clear();
  Lex("%" + std::string(32, '1') + "L %1111_0000B %xxxxzzzzb");
  EXPECT_TRUE(console.out.empty());
}

// Both warnings need a clean pass; only the leading-zero one is held back in
// skipped text.
TEST_F(LexerTest, WarningsOnlyWhenCleanAndLeadingZeroNotWhileSkipping) {
  SetOption(zoWarnLeadingZero, 1);
  Lex("%101b 017");
  EXPECT_TRUE(console.out.empty());
  ShowWarnings();
  a->lex.SkippingFlag = true;
  Lex("%101b 017 %1 0 w");
  ASSERT_EQ(console.out.size(), 2u);
  EXPECT_EQ(console.out[0],
            "t.asm:    7  : warning: The binary byte value \"%101b\" doesn't contain 8 bits");
  EXPECT_EQ(console.out[1],
            "t.asm:    7  : warning: The binary word value \"%1 0 w\" doesn't contain 16 bits");
}

TEST_F(LexerTest, LeadingZeroWarnings) {
  ShowWarnings();
  Lex("017");
  EXPECT_TRUE(console.out.empty());  // option off
  SetOption(zoWarnLeadingZero, 1);
  EXPECT_EQ(Lex("07 0.5 00 017"), "I:7 F:0.5 I:0 I:15 EOL NULL");
  ASSERT_EQ(console.out.size(), 2u);
  EXPECT_EQ(console.out[0],
            "t.asm:    7  : warning: The leading-zero in \"017\" means it's an octal number...");
  EXPECT_EQ(console.out[1],
            "t.asm:    0  : warning: To avoid this warning add an O (oh) or \"Q\" so I know "
            "it's deliberate -> 17Q for example");
  console.out.clear();
  Lex("0_10 017q 019");  // with a separator; a deliberate suffix; malformed
  ASSERT_EQ(console.out.size(), 2u);
  EXPECT_EQ(console.out[0],
            "t.asm:    7  : warning: The leading-zero in \"0_10\" means it's an octal number...");
  EXPECT_NE(console.out[1].find("-> _10Q for example"), std::string::npos);
  console.out.clear();
  Lex("040000000000");  // 2^32 wraps to 0 but is far above 7
  EXPECT_EQ(console.out.size(), 2u);
}

// ---------------------------------------------------------------- strings

TEST_F(LexerTest, StringsAndDoubledQuotes) {
  EXPECT_EQ(Lex("\"a\"\"b\""), "S:a\"b EOL NULL");
  EXPECT_EQ(Lex("\"\" \"x y;z\" 1"), "S: S:x y;z I:1 EOL NULL");
  EXPECT_EQ(Lex("\"a\\\"b\""), "S:a\\ T:b=B S: EOL NULL");  // no escapes: \ is plain
  EXPECT_EQ(a->pass.nErrors, 1);                            // the last quote is open
  EXPECT_EQ(Lex("\"a\\nb\""), "S:a\\nb EOL NULL");
}

TEST_F(LexerTest, StringEscapes) {
  SetOption(zoSupportStringEscapes, 1);
  EXPECT_EQ(Lex("\"a\\\"b\""), "S:a\"b EOL NULL");
  EXPECT_EQ(Lex("\"\\x41\\101\""), "S:AA EOL NULL");
  EXPECT_EQ(Lex("\"a\"\"b\\\\\""), "S:a\"b\\ EOL NULL");
  EXPECT_EQ(First("\"\\a\\b\\e\\f\\n\\r\\t\\v\\z\"").ITxt,
            std::string("\x07\x08\x1B\x0C\x0A\x0D\x09\x0B\x00", 9));
  EXPECT_EQ(First("\"\\A\\B\\E\\F\\N\\R\\T\\V\\Z\"").ITxt,
            std::string("\x07\x08\x1B\x0C\x0A\x0D\x09\x0B\x00", 9));
  EXPECT_EQ(First("\"\\q\\'\\x\\x414\\7777\\08\"").ITxt, std::string("q'\0\x14\xFF\0"
                                                                     "8",
                                                                     7));
  EXPECT_EQ(First("\"\\xFF\\xfe\"").ITxt, "\xFF\xFE");
}

TEST_F(LexerTest, EscapeProcessingDropsAFinalBackslash) {
  std::string s = "ab\\";
  lexdetail::ProcessEscapes(s);
  EXPECT_EQ(s, "ab");
  s = "\\";
  lexdetail::ProcessEscapes(s);
  EXPECT_EQ(s, "");
}

TEST_F(LexerTest, CharacterLiterals) {
  EXPECT_EQ(Lex("'A' 'AB' '''' ''"), "I:65 I:16706 I:39 I:0 EOL NULL");
  EXPECT_EQ(First("'AB'").ITxt, "'AB");
  EXPECT_EQ(Lex("'ABCDE'"), "I:1111704645 EOL NULL");  // wraps: $42434445
  EXPECT_EQ(Lex("'\xE9'"), "I:233 EOL NULL");
  EXPECT_EQ(Lex("'\\n'"), "I:23662 EOL NULL");  // no escapes: \ and n
  SetOption(zoSupportStringEscapes, 1);
  EXPECT_EQ(Lex("'\\'' '\\n' '\\\\'"), "I:39 I:10 I:92 EOL NULL");
  EXPECT_EQ(First("'\\n'").ITxt, "'\n");
}

TEST_F(LexerTest, RawStrings) {
  SetOption(zoSupportStringEscapes, 1);
  EXPECT_EQ(Lex("@\"a\\nb\" @'it''s' @\"\"\"\""), "S:a\\nb S:it's S:\" EOL NULL");
  EXPECT_EQ(Lex("@ @x"), "C:@ C:@ N:x EOL NULL");
  EXPECT_EQ(a->pass.nErrors, 0);
}

TEST_F(LexerTest, UnterminatedLiteralsAreIllegalStrings) {
  a->pass.finalPass = true;
  a->pass.pass = 2;
  a->diag.currentLine = 3;
  EXPECT_EQ(Lex("db \"abc ; x"), "T:db=DB S:abc ; x EOL NULL");
  EXPECT_EQ(a->pass.nErrors, 1);
  ASSERT_EQ(console.err.size(), 1u);
  EXPECT_EQ(console.err[0], "t.asm:    3  : error: Illegal String");
  a->diag.currentLine = 4;
  EXPECT_EQ(Lex("'ab"), "I:24930 EOL NULL");
  a->diag.currentLine = 5;
  EXPECT_EQ(Lex("@'ab''"), "S:ab' EOL NULL");
  EXPECT_EQ(a->pass.nErrors, 3);
  SetOption(zoSupportStringEscapes, 1);
  a->diag.currentLine = 6;
  EXPECT_EQ(Lex("\"ab\\\""), "S:ab\" EOL NULL");
  EXPECT_EQ(a->pass.nErrors, 4);
}

// ---------------------------------------------------------------- punctuation

TEST_F(LexerTest, OperatorPairs) {
  EXPECT_EQ(Lex("<= <> >= && << >> */ != .. == := :: || ^^"),
            "C:<= C:<> C:>= C:&& C:<< C:>> C:*/ C:!= C:.. C:== C::= C::: C:|| C:^^ EOL NULL");
  EXPECT_EQ(Lex("<<= => =< >< &|"), "C:<< C:= C:= C:> C:= C:< C:> C:< C:& C:| EOL NULL");
  EXPECT_EQ(Lex("(a+b)*-c"), "C:( T:a=A C:+ T:b=B C:) C:* C:- T:c=C EOL NULL");
  EXPECT_EQ(Lex("\\ \x01 \xFF"), "C:\\ C:\x01 C:\xFF EOL NULL");
}

TEST_F(LexerTest, ArgumentEndsAreRecorded) {
  Load({"", "m 1, 2)"});
  LexNext(*a);
  LexNext(*a);
  LexNext(*a);  // ","
  EXPECT_EQ(a->lex.argEndLine, 2);
  EXPECT_EQ(a->lex.argEndPos, 5);
  EXPECT_EQ(a->lex.argEndSrc, 0);
  LexNext(*a);
  LexNext(*a);  // ")"
  EXPECT_EQ(a->lex.argEndPos, 8);
}

// ---------------------------------------------------------------- protocol

TEST_F(LexerTest, PeekDoesNotConsume) {
  Load({"ld a,1"});
  LexPeek(*a);
  LexPeek(*a);
  EXPECT_EQ(Describe(a->lex.pos), "T:ld=LD");
  LexNext(*a);
  EXPECT_EQ(Describe(a->lex.pos), "T:ld=LD");
  LexNext(*a);
  EXPECT_EQ(Describe(a->lex.pos), "T:a=A");
  LexPeek(*a);
  EXPECT_EQ(Describe(a->lex.pos), "C:,");
  LexNext(*a);
  LexNext(*a);
  EXPECT_EQ(Describe(a->lex.pos), "I:1");
}

TEST_F(LexerTest, PeekInsideParenthesesPassesLineEnds) {
  Load({"(1", "", "+2)", "nop"});
  LexNext(*a);
  a->eval.ExprParenDepth = 1;
  LexPeek(*a);
  EXPECT_EQ(Describe(a->lex.pos), "I:1");
  LexNext(*a);
  LexPeek(*a);
  EXPECT_EQ(Describe(a->lex.pos), "C:+");
  EXPECT_EQ(a->lex.pos.ILine, 3);
  LexNext(*a);
  LexNext(*a);
  LexNext(*a);
  a->eval.ExprParenDepth = 0;
  LexPeek(*a);
  EXPECT_EQ(a->lex.pos.Item, I_EOL);
  LexNext(*a);
  a->eval.ExprParenDepth = 1;
  LexNext(*a);  // nop
  LexPeek(*a);
  EXPECT_EQ(a->lex.pos.Item, I_Null);
}

TEST_F(LexerTest, SkipToEndOfLine) {
  Load({"ld a,(1+2) ; x", "nop"});
  LexNext(*a);
  a->eval.ExprParenDepth = 2;  // even inside parentheses, stops at the line end
  LexSkipToEOL(*a);
  EXPECT_EQ(a->lex.pos.Item, I_EOL);
  EXPECT_TRUE(a->lex.pos.SValid);
  a->eval.ExprParenDepth = 0;
  LexNext(*a);
  LexNext(*a);
  EXPECT_EQ(Describe(a->lex.pos), "T:nop=NOP");
  LexSkipToEOL(*a);
  LexSkipToEOL(*a);
  EXPECT_EQ(a->lex.pos.Item, I_EOL);
  LexNext(*a);
  LexSkipToEOL(*a);
  EXPECT_EQ(a->lex.pos.Item, I_Null);
}

TEST_F(LexerTest, ResetKeepsTheContextFields) {
  Load({"nop"});
  a->lex.pos.ProcPrefix = "p.";
  a->lex.pos.TokenMask = 2;
  a->lex.pos.FunctionBlockLevel = 1;
  a->lex.pos.pCurrSegment = 3;
  LexResetSource(*a, 0);
  EXPECT_EQ(a->lex.pos.ProcPrefix, "p.");
  EXPECT_EQ(a->lex.pos.TokenMask, 2);
  EXPECT_EQ(a->lex.pos.FunctionBlockLevel, 1);
  EXPECT_EQ(a->lex.pos.pCurrSegment, 3);
  EXPECT_EQ(a->lex.pos.Line, 1);
  // A slot without lines reads as an empty source.
  LexResetSource(*a, 9);
  EXPECT_EQ(LexAll(), "NULL");
}

// ---------------------------------------------------------------- positions

TEST_F(LexerTest, SaveAndFullRestoreRereadsTheSameItems) {
  Load({"ld a,1", "", "jp 2 ; c", "halt"});
  LexNext(*a);
  LexNext(*a);
  LexPeek(*a);  // "," read ahead
  const TLexPos saved = LexSave(*a);
  const std::string first = LexAll();
  EXPECT_EQ(first, "C:, I:1 EOL T:jp=JP I:2 EOL T:halt=HALT EOL NULL");
  LexRestore(*a, saved, false);
  EXPECT_EQ(LexAll(), first);
  // Saved without a look-ahead.
  Load({"ld a,1", "halt"});
  LexNext(*a);
  const TLexPos before = LexSave(*a);
  const std::string rest = LexAll();
  LexRestore(*a, before, false);
  EXPECT_EQ(LexAll(), rest);
  EXPECT_EQ(rest, "T:a=A C:, I:1 EOL T:halt=HALT EOL NULL");
}

// A saved look-ahead keeps its text while reading goes on over other lines
// and other literals: texts that are not a slice of their line (doubled
// quotes, escapes) are kept once each, however often they are read.
TEST_F(LexerTest, SavedLookAheadTextsOutliveLaterReads) {
  SetOption(zoSupportStringEscapes, 1);
  Load({"db \"a\"\"b\", 'x\\ny', \"plain\", \"t\\tab\"", "db \"other\"\"\"\"\", \"c\\\"d\""});
  std::vector<TLexPos> saved;
  std::vector<std::string> texts;
  for (;;) {
    LexPeek(*a);
    if (a->lex.pos.Item == I_Null) break;
    if (a->lex.pos.Item == I_String || a->lex.pos.Item == I_Integer) {
      saved.push_back(LexSave(*a));
      texts.emplace_back(a->lex.pos.ITxt);
    }
    LexNext(*a);
  }
  EXPECT_EQ(texts,
            (std::vector<std::string>{"a\"b", "'x\ny", "plain", "t\tab", "other\"\"", "c\"d"}));
  const size_t kept = a->lex.keptTexts.size();
  // Kept: the texts that differ from the characters where they start in the
  // line ("other""""" reads as the line's own "other""", which is viewed).
  EXPECT_EQ(kept, 4u);
  for (size_t k = 0; k < saved.size(); ++k) {
    EXPECT_EQ(saved[k].ITxt, texts[k]);
    // Restored, the look-ahead is delivered as it was read.
    LexRestore(*a, saved[k], false);
    LexNext(*a);
    EXPECT_EQ(a->lex.pos.ITxt, texts[k]);
  }
  // Reading the same literals again keeps no further copies.
  Load({"db \"a\"\"b\", 'x\\ny', \"t\\tab\""});
  LexAll();
  EXPECT_EQ(a->lex.keptTexts.size(), kept);
}

TEST_F(LexerTest, RestoreVariantsKeepWhatTheyShould) {
  Load({"nop"});
  TLexPos saved = LexSave(*a);
  saved.ProcPrefix = "old.";
  saved.sLastMainLabel = "oldMain";
  saved.sLastRawLabel = "oldRaw";
  saved.pCurrSegment = 5;
  saved.TokenMask = 2;
  saved.FunctionBlockLevel = 4;
  saved.pActiveMacro = 6;
  saved.Line = 1;
  auto setLive = [&] {
    TLexPos& p = a->lex.pos;
    p.ProcPrefix = "new.";
    p.sLastMainLabel = "newMain";
    p.sLastRawLabel = "newRaw";
    p.pCurrSegment = 1;
    p.TokenMask = 1;
    p.FunctionBlockLevel = 0;
    p.pActiveMacro = 0;
    p.Line = 9;
  };

  setLive();
  LexRestore(*a, saved, false);
  EXPECT_EQ(a->lex.pos.ProcPrefix, "old.");
  EXPECT_EQ(a->lex.pos.pCurrSegment, 5);
  EXPECT_EQ(a->lex.pos.TokenMask, 2);
  EXPECT_EQ(a->lex.pos.FunctionBlockLevel, 4);

  setLive();
  LexRestoreForParam(*a, saved);
  EXPECT_EQ(a->lex.pos.Line, 1);
  EXPECT_EQ(a->lex.pos.pActiveMacro, 6);
  EXPECT_EQ(a->lex.pos.ProcPrefix, "old.");
  EXPECT_EQ(a->lex.pos.sLastMainLabel, "oldMain");
  EXPECT_EQ(a->lex.pos.pCurrSegment, 1);
  EXPECT_EQ(a->lex.pos.TokenMask, 1);
  EXPECT_EQ(a->lex.pos.FunctionBlockLevel, 0);

  setLive();
  LexRestoreForReturn(*a, saved);
  EXPECT_EQ(a->lex.pos.Line, 1);
  EXPECT_EQ(a->lex.pos.pActiveMacro, 6);
  EXPECT_EQ(a->lex.pos.ProcPrefix, "new.");
  EXPECT_EQ(a->lex.pos.sLastMainLabel, "newMain");
  EXPECT_EQ(a->lex.pos.sLastRawLabel, "newRaw");
  EXPECT_EQ(a->lex.pos.pCurrSegment, 1);
  EXPECT_EQ(a->lex.pos.TokenMask, 1);
}

TEST_F(LexerTest, FullRestoreTakesBackTheParameterDepthOnlyWhenAsked) {
  Load({"nop"});
  const TLexPos saved = LexSave(*a);
  EXPECT_EQ(saved.pParserParamStack, 0);
  a->lex.paramStack.resize(2);
  LexRestore(*a, saved, false);
  EXPECT_EQ(a->lex.paramStack.size(), 2u);
  EXPECT_EQ(a->lex.pos.pParserParamStack, 2);
  LexRestore(*a, saved, true);
  EXPECT_EQ(a->lex.paramStack.size(), 0u);
  EXPECT_EQ(a->lex.pos.pParserParamStack, 0);
}

// Parameter substitution, driven by hand: reading continues in an argument
// text until its end marker, then after the identifier that was replaced.
TEST_F(LexerTest, SubstitutionEndsAtTheArgumentEnd) {
  Load({"add a,x+1", "m 7*2,3"});
  LexNext(*a);  // add
  LexNext(*a);  // a
  LexNext(*a);  // ,
  LexNext(*a);  // x (as if it were a parameter)
  ParamSubstEntry e{LexSave(*a)};
  // The argument "7*2" runs from LPos 3 of line 2 to just after the ",".
  TLexPos arg = LexSave(*a);
  arg.Line = 2;
  arg.lTxt = a->sources.slots[0].Lines[1];
  arg.LEnd = static_cast<int32_t>(arg.lTxt.size());
  arg.LPos = 3;
  e.LexTermLine = 2;
  e.LexTermPos = 7;
  e.LexTermSrc = 0;
  a->lex.paramStack.push_back(e);
  LexRestoreForParam(*a, arg);
  EXPECT_EQ(LexAll(), "I:7 C:* I:2 C:+ I:1 EOL T:m=M I:7 C:* I:2 C:, I:3 EOL NULL");
  EXPECT_TRUE(a->lex.paramStack.empty());

  // The last argument runs to the end of its line.
  Load({"add a,x+1", "m 7*2,3"});
  for (int k = 0; k < 4; ++k) LexNext(*a);
  e = ParamSubstEntry{LexSave(*a), 2, 8, 0};
  arg.lTxt = a->sources.slots[0].Lines[1];
  arg.LPos = 7;
  a->lex.paramStack.push_back(e);
  LexRestoreForParam(*a, arg);
  EXPECT_EQ(LexAll(), "I:3 C:+ I:1 EOL T:m=M I:7 C:* I:2 C:, I:3 EOL NULL");
}

// ---------------------------------------------------------------- robustness

// Random bytes never crash or hang the reader, and each read moves forward.
TEST_F(LexerTest, AnyBytesLexToTheEnd) {
  std::mt19937 rng(1234);
  const std::string alphabet = "\"'@#$%0123456789abcdefxXzZrRhHqQbBwWlL_.;/*[]\\, \t()\x80\xFF\x01";
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> lines(1 + rng() % 4);
    size_t total = 0;
    for (auto& l : lines) {
      l.resize(rng() % 40);
      for (char& c : l)
        c = rng() % 3 ? alphabet[rng() % alphabet.size()] : static_cast<char>(rng());
      total += l.size();
    }
    SetOption(zoSupportStringEscapes, round & 1);
    a->lex.radixActive = round % 5 == 0;
    a->lex.radix = static_cast<int32_t>(rng() % 40);
    Load(lines);
    size_t items = 0;
    do {
      LexNext(*a);
      ASSERT_LE(++items, total + lines.size() + 2);
    } while (a->lex.pos.Item != I_Null);
  }
}

}  // namespace
