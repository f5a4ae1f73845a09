#pragma once
// The computations behind the built-in functions, apart from reading their
// arguments: maths, strings and case, Morse code, hexadecimal text, bitmap
// patterns, Spectrum keyboard and screen arithmetic, paging addresses, memory
// checksums and file sizes.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/types.h"

struct Assembly;

// ---- maths ----

// Applies the float function of the keyword (FLT, SIN, COS, TAN, ASIN, ACOS,
// ATAN, LOG, LN, EXP, SQRT, INT, FRAC) in extended precision. Returns false
// when the host maths raised an exception (the result is not finite); the
// caller then yields the integer 0.
bool ApplyFloatFunction(TToken fn, long double x, long double& out);
// Nearest integer, ties to even, low 32 bits of the 64-bit result. Returns
// false when x is not finite or does not fit 64 bits.
bool RoundFloatToInt(long double x, int32_t& out);
// Absolute value; the most negative integer stays as it is.
int32_t AbsInt(int32_t v);

// ---- strings ----

std::string UpperCaseAscii(std::string_view s);  // only a..z change
std::string LowerCaseAscii(std::string_view s);  // only A..Z change
// First character up; then down after a letter and up after anything else.
std::string TitleCase(std::string_view s);
// Decimal, with "-" for a negative value.
std::string IntToDecimal(int32_t v);
// Upper-case hex digits, zero padded to at least `digits` (at least one
// digit); a negative value shows its 32-bit two's complement.
std::string IntToHexText(int32_t v, int32_t digits);
// Each character replaced by its Morse code and one space; a space becomes two
// spaces; characters without a code vanish.
std::string MorseText(std::string_view s);

// BITMAP and INVBITMAP: builds the bit field of a text pattern. `failed` is
// set for a pattern of a bad length or with a character that means nothing.
int32_t BitmapPattern(std::string_view pattern, int32_t ink, bool inverted, bool& failed);

// ---- Spectrum keyboard ----

struct KeyScan {
  int32_t address = 0xFFFE;  // AND of the half-row ports
  int32_t mask = 0;          // OR of the key masks
  bool illegal = false;      // something that is not a key was met
};
// Reads the keys of an (already upper-cased) text one at a time from the
// front: a space, digit or letter, or one of "[SYM]", "[ENTER]", "[SPACE]",
// "[SHIFT]". Stops at the first thing that is not a key.
KeyScan ScanKeys(std::string_view keys);
// Bit number 0..4 of a single-column mask; -1 for any other mask.
int32_t KeyMaskToBit(int32_t mask);

// ---- Spectrum screen ----

// Screen byte and attribute addresses of pixel (x, y); false when x is
// outside 0..255 or y outside 0..191.
bool ZxPixelAddress(int32_t x, int32_t y, int32_t& out);
bool ZxAttrAddress(int32_t x, int32_t y, int32_t& out);

// ---- paging ----

// Image offset of 16K page n of the current machine model (0 when n is not
// 0..7).
int32_t VeldPageOffset(const Assembly& a, int32_t n);
// Image offset of Next 8K page n.
int32_t VeldMmuOffset(int32_t n);
// Image offset of a ROM.
int32_t VeldRomOffset(int32_t n);

// ---- memory and files ----

// Sum (or exclusive or) of the image bytes at the logical addresses start ..
// start + length - 1, read through the current mapping; 0 for an empty or
// wrapping range.
uint32_t SumImageBytes(const Assembly& a, int32_t start, int32_t length);
uint32_t XorImageBytes(const Assembly& a, int32_t start, int32_t length);

// Size of a file named as the sources name them: -1 when it does not exist,
// 0 when it exists but cannot be read as a file.
int32_t FileLengthOf(const Assembly& a, std::string_view name);
