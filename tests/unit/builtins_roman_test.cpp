// Roman numerals both ways: the numeral syntax of numbers and ROMAN.

#include <gtest/gtest.h>

#include "support/roman.h"

TEST(Roman, WritesSubtractivePairsAndRepeats) {
  EXPECT_EQ(IntToRoman(1), "I");
  EXPECT_EQ(IntToRoman(4), "IV");
  EXPECT_EQ(IntToRoman(9), "IX");
  EXPECT_EQ(IntToRoman(14), "XIV");
  EXPECT_EQ(IntToRoman(40), "XL");
  EXPECT_EQ(IntToRoman(49), "XLIX");
  EXPECT_EQ(IntToRoman(90), "XC");
  EXPECT_EQ(IntToRoman(400), "CD");
  EXPECT_EQ(IntToRoman(444), "CDXLIV");
  EXPECT_EQ(IntToRoman(1994), "MCMXCIV");
  EXPECT_EQ(IntToRoman(2024), "MMXXIV");
  EXPECT_EQ(IntToRoman(3999), "MMMCMXCIX");
  EXPECT_EQ(IntToRoman(4000), "MMMM");
}

TEST(Roman, LargestNumeralIsOneHundredM) {
  EXPECT_EQ(IntToRoman(100000), std::string(100, 'M'));
  EXPECT_EQ(IntToRoman(99999), std::string(99, 'M') + "CMXCIX");
}

TEST(Roman, SpecialTexts) {
  EXPECT_EQ(IntToRoman(0), "nihil");
  EXPECT_EQ(IntToRoman(-1), "Ego operor non agnosco");
  EXPECT_EQ(IntToRoman(INT32_MIN), "Ego operor non agnosco");
  const std::string joke = IntToRoman(100001);
  EXPECT_EQ(joke, "\"Romans they go houses?\"");
  EXPECT_EQ(joke.size(), 24u);
  EXPECT_EQ(IntToRoman(INT32_MAX), joke);
}

TEST(Roman, ReadsNumeralsInEitherCase) {
  EXPECT_EQ(RomanToInt("MCMXCIV"), 1994);
  EXPECT_EQ(RomanToInt("mcmxciv"), 1994);
  EXPECT_EQ(RomanToInt("McMxCiV"), 1994);
  EXPECT_EQ(RomanToInt("XLIX"), 49);
  EXPECT_EQ(RomanToInt("CDXLIV"), 444);
  EXPECT_EQ(RomanToInt("IIII"), 4);
  EXPECT_EQ(RomanToInt("MMMM"), 4000);
  EXPECT_EQ(RomanToInt(""), 0);
}

TEST(Roman, RoundTripsEveryOrdinaryValue) {
  for (int32_t v = 1; v <= 5000; ++v) EXPECT_EQ(RomanToInt(IntToRoman(v)), v) << v;
}

TEST(Roman, HugeNumeralWrapsInsteadOfOverflowing) {
  // 3,000,000 letters M are 3e9, which wraps on 32 bits.
  const std::string many(3000000, 'M');
  EXPECT_EQ(RomanToInt(many), static_cast<int32_t>(3000000000u));
}
