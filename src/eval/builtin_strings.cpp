// String conversions, case, Morse code and bitmap patterns.

#include <array>
#include <cstdio>

#include "eval/builtin_library.h"

namespace {

bool IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char ToLowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// International Morse Code for letters and digits, plus the punctuation the
// assembler knows. Indexed by character code; nullptr means no code.
constexpr std::array<const char*, 128> MakeMorseTable() {
  std::array<const char*, 128> t{};
  constexpr const char* kLetters[26] = {".-",   "-...", "-.-.", "-..",  ".",    "..-.", "--.",
                                        "....", "..",   ".---", "-.-",  ".-..", "--",   "-.",
                                        "---",  ".--.", "--.-", ".-.",  "...",  "-",    "..-",
                                        "...-", ".--",  "-..-", "-.--", "--.."};
  constexpr const char* kDigits[10] = {"-----", ".----", "..---", "...--", "....-",
                                       ".....", "-....", "--...", "---..", "----."};
  for (int i = 0; i < 26; ++i) {
    t['A' + i] = kLetters[i];
    t['a' + i] = kLetters[i];
  }
  for (int i = 0; i < 10; ++i) t['0' + i] = kDigits[i];
  t['!'] = "-.-.--";
  t['"'] = ".-..-.";
  t['$'] = "...-..-";
  t['&'] = ".-...";
  t['\''] = ".----.";
  t['('] = "-.--.";
  t[')'] = "-.--.-";
  t['+'] = ".-.-.";
  t[','] = "--..--";
  t['-'] = "-....-";
  t['.'] = ".-.-.-";
  t['/'] = "-..-.";
  t[':'] = "---...";
  t[';'] = "-.-.-.";
  t['='] = "-...-";
  t['?'] = "..--..";
  t['@'] = ".--.-.";
  t['_'] = "..--.-";
  return t;
}

constexpr std::array<const char*, 128> kMorse = MakeMorseTable();

}  // namespace

std::string UpperCaseAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = ToUpperAscii(c);
  return out;
}

std::string LowerCaseAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = ToLowerAscii(c);
  return out;
}

std::string TitleCase(std::string_view s) {
  std::string out(s);
  for (size_t i = 0; i < out.size(); ++i) {
    bool afterLetter = i > 0 && IsAsciiLetter(static_cast<unsigned char>(out[i - 1]));
    out[i] = afterLetter ? ToLowerAscii(out[i]) : ToUpperAscii(out[i]);
  }
  return out;
}

std::string IntToDecimal(int32_t v) { return std::to_string(v); }

std::string IntToHexText(int32_t v, int32_t digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(static_cast<uint32_t>(v)));
  std::string hex(buf);
  if (digits > static_cast<int32_t>(hex.size())) hex.insert(0, digits - hex.size(), '0');
  return hex;
}

std::string MorseText(std::string_view s) {
  std::string out;
  for (char ch : s) {
    auto c = static_cast<unsigned char>(ch);
    if (c == ' ') {
      out += "  ";
    } else if (c < kMorse.size() && kMorse[c] != nullptr) {
      out += kMorse[c];
      out += ' ';
    }
  }
  return out;
}

int32_t BitmapPattern(std::string_view pattern, int32_t ink, bool inverted, bool& failed) {
  failed = false;
  const size_t n = pattern.size();
  if (n == 0 || n > 64 || n % 8 != 0) {
    failed = true;
    return inverted ? -1 : 0;
  }
  uint64_t field = inverted ? ~uint64_t{0} : 0;
  for (size_t i = 0; i < n; ++i) {
    const uint64_t bit = uint64_t{1} << (n - 1 - i);
    const char c = ToUpperAscii(pattern[i]);
    int symbol = -1;  // the ink symbol this character would stand for
    if (c >= '0' && c <= '9') symbol = c - '0';
    if (c >= 'A' && c <= 'Z') symbol = 10 + (c - 'A');
    if (c == ' ' || c == '.') {
      continue;
    } else if (c == 'H') {
      field |= bit;
    } else if (c == 'L' || c == 'Z') {
      field &= ~bit;
    } else if (symbol >= 0) {
      if (symbol == ink) field = inverted ? (field & ~bit) : (field | bit);
    } else {
      failed = true;
    }
  }
  return static_cast<int32_t>(static_cast<uint32_t>(field));
}
