#include "support/roman.h"

#include <array>
#include <cstdint>

namespace {

struct RomanEntry {
  int32_t value;
  const char* numeral;
};

// Tried from the largest; the subtractive pairs make the usual short forms.
constexpr std::array<RomanEntry, 13> kRomanTable{{{1000, "M"},
                                                  {900, "CM"},
                                                  {500, "D"},
                                                  {400, "CD"},
                                                  {100, "C"},
                                                  {90, "XC"},
                                                  {50, "L"},
                                                  {40, "XL"},
                                                  {10, "X"},
                                                  {9, "IX"},
                                                  {5, "V"},
                                                  {4, "IV"},
                                                  {1, "I"}}};

// The largest value written as a numeral; above it the text is a joke.
constexpr int32_t kRomanLimit = 100000;

uint32_t LetterValue(char c) {
  switch (c) {
    case 'I':
    case 'i':
      return 1;
    case 'V':
    case 'v':
      return 5;
    case 'X':
    case 'x':
      return 10;
    case 'L':
    case 'l':
      return 50;
    case 'C':
    case 'c':
      return 100;
    case 'D':
    case 'd':
      return 500;
    case 'M':
    case 'm':
      return 1000;
    default:
      return 0;
  }
}

}  // namespace

int32_t RomanToInt(std::string_view letters) {
  // A letter counts negatively when a larger one follows it (IV, CM, ...).
  // The sum wraps on 32 bits like every other integer of an expression.
  uint32_t total = 0;
  for (size_t i = 0; i < letters.size(); ++i) {
    uint32_t v = LetterValue(letters[i]);
    uint32_t next = i + 1 < letters.size() ? LetterValue(letters[i + 1]) : 0;
    if (v < next)
      total -= v;
    else
      total += v;
  }
  return static_cast<int32_t>(total);
}

std::string IntToRoman(int32_t value) {
  if (value == 0) return "nihil";
  if (value < 0) return "Ego operor non agnosco";
  if (value > kRomanLimit) return "\"Romans they go houses?\"";
  std::string text;
  for (const RomanEntry& e : kRomanTable) {
    while (value >= e.value) {
      text += e.numeral;
      value -= e.value;
    }
  }
  return text;
}
