// The pure encodings of the data directives, checked against bytes derived
// independently of the code under test.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "assembler/data_directives.h"

namespace {

using Bytes5 = std::array<uint8_t, 5>;
using Bytes4 = std::array<uint8_t, 4>;

Bytes5 Spectrum(long double v, bool isInteger) {
  Bytes5 b{};
  EXPECT_TRUE(EncodeSpectrumFloat(v, isInteger, b)) << static_cast<double>(v);
  return b;
}

// Expected bytes were computed with exact rational arithmetic in Python
// (fractions.Fraction): halve or double |v| until it lies in [1/2, 1),
// counting the exponent e; byte 0 is e + 128; the mantissa is
// floor(m * 2^32) with bit 31 replaced by the sign, most significant first.
// The small-integer rows follow the rule 0, sign, low, high, 0 directly.
TEST(SpectrumFloat, SmallIntegerForm) {
  EXPECT_EQ(Spectrum(0, true), (Bytes5{0x00, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(Spectrum(1, true), (Bytes5{0x00, 0x00, 0x01, 0x00, 0x00}));
  EXPECT_EQ(Spectrum(-1, true), (Bytes5{0x00, 0xFF, 0xFF, 0xFF, 0x00}));
  EXPECT_EQ(Spectrum(65535, true), (Bytes5{0x00, 0x00, 0xFF, 0xFF, 0x00}));
  // -65535 as 16-bit two's complement is $0001.
  EXPECT_EQ(Spectrum(-65535, true), (Bytes5{0x00, 0xFF, 0x01, 0x00, 0x00}));
  EXPECT_EQ(Spectrum(1000, true), (Bytes5{0x00, 0x00, 0xE8, 0x03, 0x00}));
}

TEST(SpectrumFloat, IntegersBeyondTheSmallRangeTakeTheFloatingForm) {
  // 65536 = 0.5 * 2^17: exponent 17 + 128 = $91, mantissa bits all zero.
  EXPECT_EQ(Spectrum(65536, true), (Bytes5{0x91, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(Spectrum(-65536, true), (Bytes5{0x91, 0x80, 0x00, 0x00, 0x00}));
  // 100000 * 2^15 = $C3500000; bit 31 cleared gives $43500000.
  EXPECT_EQ(Spectrum(100000, true), (Bytes5{0x91, 0x43, 0x50, 0x00, 0x00}));
}

TEST(SpectrumFloat, FloatingForm) {
  EXPECT_EQ(Spectrum(0.5L, false), (Bytes5{0x80, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(Spectrum(-0.5L, false), (Bytes5{0x80, 0x80, 0x00, 0x00, 0x00}));
  // A float with an integral value is still a float: 1.0 = 0.5 * 2^1.
  EXPECT_EQ(Spectrum(1.0L, false), (Bytes5{0x81, 0x00, 0x00, 0x00, 0x00}));
  // 1e10 = 2500000000 * 2^2 / 2^32 * 2^34: mantissa $9502F900, exponent 34.
  EXPECT_EQ(Spectrum(1e10L, false), (Bytes5{0xA2, 0x15, 0x02, 0xF9, 0x00}));
  EXPECT_EQ(Spectrum(3.14159L, false), (Bytes5{0x82, 0x49, 0x0F, 0xCF, 0x80}));
  EXPECT_EQ(Spectrum(-3.14159L, false), (Bytes5{0x82, 0xC9, 0x0F, 0xCF, 0x80}));
  // 0.1 shows the truncation: the next bit after $CCCCCCCC is 1.
  EXPECT_EQ(Spectrum(0.1L, false), (Bytes5{0x7D, 0x4C, 0xCC, 0xCC, 0xCC}));
}

TEST(SpectrumFloat, ExponentOutOfRange) {
  Bytes5 b{1, 1, 1, 1, 1};
  EXPECT_FALSE(EncodeSpectrumFloat(0.0L, false, b));  // 0.0 has no exponent
  EXPECT_EQ(b, (Bytes5{}));
  // The largest exponent byte is 255: values up to just below 2^127 fit.
  EXPECT_TRUE(EncodeSpectrumFloat(std::ldexp(1.0L, 126), false, b));
  EXPECT_EQ(b[0], 255);
  EXPECT_FALSE(EncodeSpectrumFloat(std::ldexp(1.0L, 127), false, b));
  // The smallest is 0: 0.5 * 2^-128 fits, half of it does not.
  EXPECT_TRUE(EncodeSpectrumFloat(std::ldexp(1.0L, -129), false, b));
  EXPECT_EQ(b[0], 0);
  EXPECT_FALSE(EncodeSpectrumFloat(std::ldexp(1.0L, -130), false, b));
  EXPECT_FALSE(EncodeSpectrumFloat(INFINITY, false, b));
  EXPECT_FALSE(EncodeSpectrumFloat(NAN, false, b));
}

// IEEE singles, little-endian; references from Python's struct.pack('<f').
TEST(IeeeSingle, LowByteFirst) {
  Bytes4 b{};
  EXPECT_TRUE(EncodeIeeeSingle(1.0L, b));
  EXPECT_EQ(b, (Bytes4{0x00, 0x00, 0x80, 0x3F}));
  EXPECT_TRUE(EncodeIeeeSingle(-2.5L, b));
  EXPECT_EQ(b, (Bytes4{0x00, 0x00, 0x20, 0xC0}));
  EXPECT_TRUE(EncodeIeeeSingle(0.1L, b));
  EXPECT_EQ(b, (Bytes4{0xCD, 0xCC, 0xCC, 0x3D}));
  EXPECT_TRUE(EncodeIeeeSingle(1e10L, b));
  EXPECT_EQ(b, (Bytes4{0xF9, 0x02, 0x15, 0x50}));
  EXPECT_TRUE(EncodeIeeeSingle(0.0L, b));
  EXPECT_EQ(b, (Bytes4{0, 0, 0, 0}));
}

TEST(IeeeSingle, OverflowIsReported) {
  Bytes4 b{};
  // FLT_MAX itself fits: $7F7FFFFF.
  EXPECT_TRUE(EncodeIeeeSingle(3.4028234663852886e38L, b));
  EXPECT_EQ(b, (Bytes4{0xFF, 0xFF, 0x7F, 0x7F}));
  EXPECT_FALSE(EncodeIeeeSingle(1e39L, b));
  EXPECT_EQ(b, (Bytes4{0x00, 0x00, 0x80, 0x7F}));  // +infinity
  EXPECT_FALSE(EncodeIeeeSingle(-1e300L, b));
  EXPECT_EQ(b, (Bytes4{0x00, 0x00, 0x80, 0xFF}));
}

TEST(HexPairs, DigitsTransparencyAndZeros) {
  std::vector<uint8_t> out;
  EXPECT_TRUE(ReadHexPairs("0aFF.. xx", 0xE3, out));
  EXPECT_EQ(out, (std::vector<uint8_t>{0x0A, 0xFF, 0xE3, 0x00}));
  out.clear();
  // Spaces may fall anywhere, even inside a pair.
  EXPECT_TRUE(ReadHexPairs(" 1 2 XXzzZZ..", 7, out));
  EXPECT_EQ(out, (std::vector<uint8_t>{0x12, 0, 0, 0, 7}));
}

TEST(HexPairs, BadPairsStopReading) {
  std::vector<uint8_t> out;
  EXPECT_FALSE(ReadHexPairs("0G", 0xE3, out));
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(ReadHexPairs("12xZ34", 0xE3, out));  // mixed case is no zero pair
  EXPECT_EQ(out, (std::vector<uint8_t>{0x12}));
  out.clear();
  EXPECT_FALSE(ReadHexPairs("123", 0xE3, out));  // a lone last digit
  EXPECT_EQ(out, (std::vector<uint8_t>{0x12}));
  out.clear();
  EXPECT_FALSE(ReadHexPairs(".1", 0xE3, out));
  EXPECT_TRUE(ReadHexPairs("", 0xE3, out));
  EXPECT_TRUE(out.empty());
}

TEST(BitRows, EightCharactersToAByte) {
  std::vector<uint8_t> out;
  EXPECT_TRUE(ReadBitRows("XX..XX..", out));
  EXPECT_EQ(out, (std::vector<uint8_t>{0xCC}));
  out.clear();
  // Any character but - . _ is a one bit.
  EXPECT_TRUE(ReadBitRows("1-_.a#0Z________", out));
  EXPECT_EQ(out, (std::vector<uint8_t>{0x8F, 0x00}));
  out.clear();
  EXPECT_FALSE(ReadBitRows("XXXXXXXXX", out));  // nine characters
  EXPECT_EQ(out, (std::vector<uint8_t>{0xFF}));
  out.clear();
  EXPECT_TRUE(ReadBitRows("", out));
  EXPECT_TRUE(out.empty());
}

}  // namespace
