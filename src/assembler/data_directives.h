#pragma once
// Data and space directives: byte, word, long and float lists, strings,
// reserved space, length-prefixed and XOR-scrambled data, hex strings and
// graphic bit rows.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

struct Assembly;

// State of the data directives. The XOR key (set by DBX) and step (set by
// DBXO) carry over for the whole process: from statement to statement, pass
// to pass and run to run.
struct DataState {
  uint8_t xorKey = 0;
  uint8_t xorStep = 0;
};

// The 5-byte float of the Spectrum ROM. An integer value from -65535 to 65535
// takes the small-integer form; any other value (floats always) takes the
// floating form: exponent byte e + 128 for |v| = m * 2^e with 0.5 <= m < 1,
// then the sign bit and the 31 bits after the leading 1, truncated. Returns
// false (out holds zeros) when the exponent byte falls outside 0..255, which
// includes 0.0, or the value is not finite.
bool EncodeSpectrumFloat(long double value, bool isInteger, std::array<uint8_t, 5>& out);
inline bool EncodeSpectrumInteger(int32_t value, std::array<uint8_t, 5>& out) {
  return EncodeSpectrumFloat(static_cast<long double>(value), true, out);
}

// IEEE 754 single precision, low byte first, rounded to nearest (ties to
// even). Returns false (out holds the infinity of the value's sign, or a NaN)
// when the value does not fit a single.
bool EncodeIeeeSingle(long double value, std::array<uint8_t, 4>& out);

// Reads a DH text: spaces are dropped, the rest is taken two characters at a
// time (two hex digits, ".." for the transparency byte, xx/XX/zz/ZZ for 0).
// Appends the bytes read to out; returns false at the first pair that is none
// of these (including a lone last character).
bool ReadHexPairs(std::string_view text, uint8_t transparent, std::vector<uint8_t>& out);

// Reads DG bit rows: eight characters to a byte, the first in bit 7; "-", "."
// and "_" are 0 bits, any other character a 1 bit. Appends the complete
// groups; returns false when 1 to 7 characters are left over.
bool ReadBitRows(std::string_view text, std::vector<uint8_t>& out);
