// The computations behind the maths and string functions. Expected values
// come from the rules (and from standard Morse code), not from this code.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "eval/builtin_library.h"

namespace {

// Runs a float function; NaN stands for "integer 0" (an exception).
long double F(TToken fn, long double x) {
  long double out = 0;
  return ApplyFloatFunction(fn, x, out) ? out : NAN;
}

int32_t Round(long double x, bool* ok = nullptr) {
  int32_t v = 12345;
  bool r = RoundFloatToInt(x, v);
  if (ok) *ok = r;
  return v;
}

}  // namespace

TEST(BuiltinMaths, ExceptionsGiveNoValue) {
  EXPECT_TRUE(std::isnan(F(tSQRT, -1)));
  EXPECT_TRUE(std::isnan(F(tLN, 0)));       // division by zero
  EXPECT_TRUE(std::isnan(F(tLOG, -5)));     // invalid
  EXPECT_TRUE(std::isnan(F(tASIN, 1.5L)));  // beyond 1
  EXPECT_TRUE(std::isnan(F(tACOS, -1.01L)));
  EXPECT_TRUE(std::isnan(F(tEXP, 20000)));  // overflow of the 80-bit range
  EXPECT_TRUE(std::isnan(F(tFLT, INFINITY)));
  EXPECT_TRUE(std::isnan(F(tSIN, NAN)));
}

TEST(BuiltinMaths, ValuesInExtendedPrecision) {
  EXPECT_EQ(F(tFLT, 3), 3.0L);
  EXPECT_NEAR(static_cast<double>(F(tSQRT, 2) * F(tSQRT, 2)), 2.0, 1e-15);
  EXPECT_NEAR(static_cast<double>(F(tLOG, 1000)), 3.0, 1e-15);
  EXPECT_EQ(F(tLN, 1), 0.0L);
  EXPECT_EQ(F(tEXP, 0), 1.0L);
  EXPECT_NEAR(static_cast<double>(F(tEXP, 1)), 2.718281828459045, 1e-15);
  EXPECT_NEAR(static_cast<double>(F(tATAN, 1) * 4), 3.141592653589793, 1e-15);
  EXPECT_NEAR(static_cast<double>(F(tASIN, 1) * 2), 3.141592653589793, 1e-15);
  EXPECT_EQ(F(tACOS, 1), 0.0L);
  EXPECT_EQ(F(tSIN, 0), 0.0L);
  EXPECT_EQ(F(tCOS, 0), 1.0L);
  EXPECT_NEAR(static_cast<double>(F(tTAN, 0.5L)), std::tan(0.5), 1e-15);
  EXPECT_EQ(F(tEXP, -100000), 0.0L);  // underflow is no exception
}

TEST(BuiltinMaths, IntAndFracKeepTheSign) {
  EXPECT_EQ(F(tINT, 2.75L), 2.0L);
  EXPECT_EQ(F(tINT, -2.75L), -2.0L);
  EXPECT_EQ(F(tFRAC, 2.75L), 0.75L);
  EXPECT_EQ(F(tFRAC, -2.75L), -0.75L);
  EXPECT_EQ(F(tFRAC, 7), 0.0L);
}

TEST(BuiltinMaths, RoundTiesToEven) {
  EXPECT_EQ(Round(2.5L), 2);
  EXPECT_EQ(Round(3.5L), 4);
  EXPECT_EQ(Round(-2.5L), -2);
  EXPECT_EQ(Round(-3.5L), -4);
  EXPECT_EQ(Round(0.5L), 0);
  EXPECT_EQ(Round(1.5L), 2);
  EXPECT_EQ(Round(-0.5L), 0);
  EXPECT_EQ(Round(2.4999L), 2);
  EXPECT_EQ(Round(2.5001L), 3);
  EXPECT_EQ(Round(-7.6L), -8);
}

TEST(BuiltinMaths, RoundKeepsLow32BitsOf64) {
  EXPECT_EQ(Round(4294967301.0L), 5);            // 2^32 + 5
  EXPECT_EQ(Round(2147483648.0L), INT32_MIN);    // 2^31
  EXPECT_EQ(Round(-4294967296.0L), 0);           // -2^32
  EXPECT_EQ(Round(-9223372036854775808.0L), 0);  // -2^63 fits
  bool ok = true;
  EXPECT_EQ(Round(9223372036854775808.0L, &ok), 0);  // 2^63 does not
  EXPECT_FALSE(ok);
  Round(-9223372036854775810.0L, &ok);
  EXPECT_FALSE(ok);
  Round(NAN, &ok);
  EXPECT_FALSE(ok);
  Round(-INFINITY, &ok);
  EXPECT_FALSE(ok);
}

TEST(BuiltinMaths, AbsOfMostNegativeIntegerStays) {
  EXPECT_EQ(AbsInt(-5), 5);
  EXPECT_EQ(AbsInt(5), 5);
  EXPECT_EQ(AbsInt(0), 0);
  EXPECT_EQ(AbsInt(INT32_MIN), INT32_MIN);
  EXPECT_EQ(AbsInt(INT32_MIN + 1), INT32_MAX);
}

TEST(BuiltinStrings, CaseChangesOnlyAsciiLetters) {
  EXPECT_EQ(UpperCaseAscii("abc xyz 09 [_] \xe9"), "ABC XYZ 09 [_] \xe9");
  EXPECT_EQ(LowerCaseAscii("ABC XYZ 09 [_] \xc9"), "abc xyz 09 [_] \xc9");
  EXPECT_EQ(UpperCaseAscii("`{@["), "`{@[");  // the neighbours of the letters
  EXPECT_EQ(LowerCaseAscii("`{@["), "`{@[");
}

TEST(BuiltinStrings, TitleCase) {
  EXPECT_EQ(TitleCase("o'neil mcdonald"), "O'Neil Mcdonald");
  EXPECT_EQ(TitleCase("hELLO wORLD"), "Hello World");
  EXPECT_EQ(TitleCase("THE-END"), "The-End");
  EXPECT_EQ(TitleCase("x1y2z"), "X1Y2Z");  // a digit is not a letter
  EXPECT_EQ(TitleCase("  two  spaces"), "  Two  Spaces");
  EXPECT_EQ(TitleCase(""), "");
  EXPECT_EQ(TitleCase("a"), "A");
}

TEST(BuiltinStrings, DecimalAndHex) {
  EXPECT_EQ(IntToDecimal(0), "0");
  EXPECT_EQ(IntToDecimal(-42), "-42");
  EXPECT_EQ(IntToDecimal(INT32_MIN), "-2147483648");
  EXPECT_EQ(IntToHexText(255, 2), "FF");
  EXPECT_EQ(IntToHexText(255, 4), "00FF");
  EXPECT_EQ(IntToHexText(10, 2), "0A");
  EXPECT_EQ(IntToHexText(0x1234, 2), "1234");  // never cut short
  EXPECT_EQ(IntToHexText(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHexText(-2, 10), "00FFFFFFFE");
  EXPECT_EQ(IntToHexText(0xABCDEF, 0), "ABCDEF");
  EXPECT_EQ(IntToHexText(0, 0), "0");
  EXPECT_EQ(IntToHexText(7, -5), "7");
}

TEST(BuiltinStrings, MorseOfWords) {
  EXPECT_EQ(MorseText("SOS"), "... --- ... ");
  EXPECT_EQ(MorseText("sos"), "... --- ... ");
  EXPECT_EQ(MorseText("PARIS"), ".--. .- .-. .. ... ");
  EXPECT_EQ(MorseText("HELLO WORLD"), ".... . .-.. .-.. ---   .-- --- .-. .-.. -.. ");
  EXPECT_EQ(MorseText("the quick brown fox jumps over the lazy dog"),
            "- .... .   --.- ..- .. -.-. -.-   -... .-. --- .-- -.   ..-. --- -..-   "
            ".--- ..- -- .--. ...   --- ...- . .-.   - .... .   .-.. .- --.. -.--   "
            "-.. --- --. ");
  EXPECT_EQ(MorseText("#%*<>[]^{}~\x7f\x80\xff"), "");  // no codes
  EXPECT_EQ(MorseText(""), "");
}

TEST(BuiltinStrings, MorseDigitsFollowTheirPattern) {
  // 1..5: that many dots then dashes; 6..9 and 0: (d - 5) mod 10 dashes, then dots.
  for (int d = 0; d <= 9; ++d) {
    std::string code;
    if (d >= 1 && d <= 5)
      code = std::string(d, '.') + std::string(5 - d, '-');
    else {
      int dashes = d == 0 ? 5 : d - 5;
      code = std::string(dashes, '-') + std::string(5 - dashes, '.');
    }
    EXPECT_EQ(MorseText(std::string(1, static_cast<char>('0' + d))), code + " ") << d;
  }
}

TEST(BuiltinStrings, MorsePunctuation) {
  EXPECT_EQ(MorseText("!"), "-.-.-- ");
  EXPECT_EQ(MorseText("\""), ".-..-. ");
  EXPECT_EQ(MorseText("$&'"), "...-..- .-... .----. ");
  EXPECT_EQ(MorseText("()+,"), "-.--. -.--.- .-.-. --..-- ");
  EXPECT_EQ(MorseText("-./:;"), "-....- .-.-.- -..-. ---... -.-.-. ");
  EXPECT_EQ(MorseText("=?@_"), "-...- ..--.. .--.-. ..--.- ");
}

TEST(BuiltinBitmap, InkSymbolsAndFixedLetters) {
  bool failed = true;
  EXPECT_EQ(BitmapPattern("..XX..XX", 33, false, failed), 0x33);
  EXPECT_FALSE(failed);
  EXPECT_EQ(BitmapPattern("..XX..XX", 33, true, failed), static_cast<int32_t>(0xFFFFFFCCu));
  EXPECT_FALSE(failed);
  EXPECT_EQ(BitmapPattern("..xx..xx", 33, false, failed), 0x33);  // either case
  EXPECT_EQ(BitmapPattern("1 1 1 1 ", 1, false, failed), 0xAA);
  EXPECT_EQ(BitmapPattern("12121212", 2, false, failed), 0x55);
  EXPECT_EQ(BitmapPattern("A0000000", 10, false, failed), 0x80);
  EXPECT_EQ(BitmapPattern("Y......Y", 34, false, failed), 0x81);
  // H always sets, L and Z always clear, in both functions.
  EXPECT_EQ(BitmapPattern("HHHHLLLL", 0, false, failed), 0xF0);
  EXPECT_EQ(BitmapPattern("HHHHLLZZ", 0, true, failed), static_cast<int32_t>(0xFFFFFFF0u));
  EXPECT_FALSE(failed);
}

TEST(BuiltinBitmap, SixtyFourBitsKeepTheLow32) {
  bool failed = true;
  const std::string top = "1" + std::string(63, '.');
  EXPECT_EQ(BitmapPattern(top, 1, false, failed), 0);
  EXPECT_FALSE(failed);
  const std::string bit31 = std::string(32, '.') + "1" + std::string(31, '.');
  EXPECT_EQ(BitmapPattern(bit31, 1, false, failed), INT32_MIN);
  EXPECT_EQ(BitmapPattern("1" + std::string(31, '.'), 1, false, failed), INT32_MIN);
  EXPECT_EQ(BitmapPattern(std::string(16, 'H'), 0, false, failed), 0xFFFF);
}

TEST(BuiltinBitmap, FailedPatterns) {
  bool failed = false;
  BitmapPattern("..XX..X", 33, false, failed);  // 7 characters
  EXPECT_TRUE(failed);
  BitmapPattern("", 33, false, failed);
  EXPECT_TRUE(failed);
  BitmapPattern(std::string(72, '.'), 33, false, failed);
  EXPECT_TRUE(failed);
  failed = false;
  // A character with no meaning fails the pattern; the rest is still scanned.
  EXPECT_EQ(BitmapPattern("X#XXXXXX", 33, false, failed), 0xBF);
  EXPECT_TRUE(failed);
}
