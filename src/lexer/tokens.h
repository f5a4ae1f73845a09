#pragma once
// The keyword table: every spelling of a reserved word (all upper case or all
// lower case) maps to its TToken through the name hash and 256 buckets. Some
// spellings are keywords only inside "[[" ... "]]" (mode 2), some only outside
// (mode 1), some in both.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lexer/token_enum.h"

struct TTokenEntry {
  std::string Name;
  int32_t Len = 0;
  uint32_t CRC = 0;
  uint32_t Value = tNil;
  uint8_t TokenMask = 1;  // bit 0 normal mode, bit 1 inside "[[" ... "]]"
  TTokenEntry* AllTokensNext = nullptr;
  TTokenEntry* ListNext = nullptr;
};

struct KeywordTable {
  TTokenEntry* buckets[256] = {};
  TTokenEntry* allTokens = nullptr;  // every entry, newest first
  std::vector<TTokenEntry> storage;  // owns the entries; never reallocated once built
};

// Length of the longest keyword spelling (VELDSYNTAXHIGHLIGHT).
inline constexpr size_t kMaxKeywordLength = 19;

void BuildKeywordTable(KeywordTable& t);
void FreeKeywordTable(KeywordTable& t);
const TTokenEntry* FindKeywordEntry(const KeywordTable& t, std::string_view text, uint8_t mode);
TToken TokenOf(const KeywordTable& t, std::string_view text, uint8_t mode);
// The upper-case spelling that names a token ("LD" for tLD); for tokens with
// synonyms, the first spelling in the keyword list.
std::string_view TokenSpelling(TToken t);
