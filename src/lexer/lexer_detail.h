#pragma once
// Pieces of the item reader shared between lexer.cpp and the literal readers
// (numbers, strings). Not for use outside the lexer.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

struct Assembly;

namespace lexdetail {

enum : uint8_t {
  kLetter = 1,     // A-Z, a-z
  kDigit = 2,      // 0-9
  kIdentTail = 4,  // letters, digits, "_", "$", "%": the rest of an identifier
  kBlank = 8,      // blank or tab, skipped between items
};

constexpr std::array<uint8_t, 256> MakeCharClasses() {
  std::array<uint8_t, 256> t{};
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = kLetter | kIdentTail;
  for (int c = 'a'; c <= 'z'; ++c) t[c] = kLetter | kIdentTail;
  for (int c = '0'; c <= '9'; ++c) t[c] = kDigit | kIdentTail;
  t['_'] = t['$'] = t['%'] = kIdentTail;
  t[' '] = t['\t'] = kBlank;
  return t;
}
inline constexpr std::array<uint8_t, 256> kCharClass = MakeCharClasses();

inline uint8_t ClassOf(char c) { return kCharClass[static_cast<unsigned char>(c)]; }
inline bool IsLetter(char c) { return ClassOf(c) & kLetter; }
inline bool IsDigit(char c) { return ClassOf(c) & kDigit; }

// 0-9 for digits, 10-35 for letters of either case, 255 otherwise.
constexpr std::array<uint8_t, 256> MakeDigitValues() {
  std::array<uint8_t, 256> t{};
  for (auto& v : t) v = 255;
  for (int c = '0'; c <= '9'; ++c) t[c] = static_cast<uint8_t>(c - '0');
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<uint8_t>(c - 'A' + 10);
  for (int c = 'a'; c <= 'z'; ++c) t[c] = static_cast<uint8_t>(c - 'a' + 10);
  return t;
}
inline constexpr std::array<uint8_t, 256> kDigitValue = MakeDigitValues();
inline uint8_t DigitValue(char c) { return kDigitValue[static_cast<unsigned char>(c)]; }

// The readers are kept out of line (noinline): inlined into the item
// reader, their registers and stack had every item pay for saving them,
// about a twentieth of all the instructions of a plain source.
// Each reader below starts at 0-based index i of the current line (the first
// character of the literal), fills the item fields of a.lex.pos and moves
// LPos just past what it took.

// A number starting with a digit.
[[gnu::noinline]] void ReadDigitNumber(Assembly& a, int32_t i);
// "$" or "#" followed by hexadecimal digits. False (nothing consumed) when no
// digit follows.
[[gnu::noinline]] bool ReadPrefixedHex(Assembly& a, int32_t i);
// "%" binary; a lone "%" gives I_Char.
[[gnu::noinline]] void ReadPercentBinary(Assembly& a, int32_t i);
// A string ("), character literal (') or raw string (@" or @'). Unterminated
// ones report "Illegal String" and take the rest of the line.
[[gnu::noinline]] void ReadString(Assembly& a, int32_t i);
[[gnu::noinline]] void ReadCharLiteral(Assembly& a, int32_t i);
[[gnu::noinline]] void ReadRawString(Assembly& a, int32_t i);

// Backslash escapes of strings and character literals, in place.
void ProcessEscapes(std::string& s);

}  // namespace lexdetail
