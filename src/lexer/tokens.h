#pragma once
// The keyword table: every spelling of a reserved word (all upper case or all
// lower case) maps to its TToken through the name hash and an open-addressed
// index of compact slots. Some
// spellings are keywords only inside "[[" ... "]]" (mode 2), some only outside
// (mode 1), some in both.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/name_hash.h"
#include "lexer/token_enum.h"

// One keyword spelling. The table is made when the program is compiled:
// nothing of it is built or allocated when a run starts.
struct TTokenEntry {
  uint32_t CRC = 0;
  int32_t Len = 0;
  uint32_t Value = tNil;
  uint8_t TokenMask = 1;  // bit 0 normal mode, bit 1 inside "[[" ... "]]"
  std::string_view Name;
};

// The look-up index: every word the lexer reads is looked up, and most are
// not keywords, so a miss must be cheap. A slot holds what a look-up tests
// (hash, length, modes) and the entry's place in the storage; the 2048 slots
// (16 KB, about a third full) stay in the first-level cache, and a word that
// is no keyword usually stops at its first slot.
struct TKeywordSlot {
  uint32_t crc = 0;
  uint8_t len = 0;  // 0: the slot is free
  uint8_t mask = 0;
  uint16_t entry = 0;
};
inline constexpr size_t kKeywordSlots = 2048;

// A run's view of the keyword table: empty until built.
struct KeywordTable {
  const TKeywordSlot* slots = nullptr;
  std::span<const TTokenEntry> storage;  // every spelling, in registration order
};

// Length of the longest keyword spelling (VELDSYNTAXHIGHLIGHT).
inline constexpr size_t kMaxKeywordLength = 19;

void BuildKeywordTable(KeywordTable& t);
void FreeKeywordTable(KeywordTable& t);
const TTokenEntry* FindKeywordEntry(const KeywordTable& t, std::string_view text, uint8_t mode);
TToken TokenOf(const KeywordTable& t, std::string_view text, uint8_t mode);

// The lexer's fast path: the hash of a word is formed while the word is
// scanned. The CRC is linear, so the hash of a text equals the CRC of its
// characters started from 0 (NameHashStep over each character) combined
// with the contribution of the start value over that many characters,
// which depends on the length only (NameHashFinish).
inline uint32_t NameHashStep(uint32_t crc, unsigned char b) {
  return detail::kCrcTable[(crc ^ b) & 0xFF] ^ (crc >> 8);
}

namespace detail {
constexpr std::array<uint32_t, kMaxKeywordLength + 1> MakeLengthSeeds() {
  std::array<uint32_t, kMaxKeywordLength + 1> seeds{};
  for (size_t len = 0; len <= kMaxKeywordLength; ++len) {
    uint32_t crc = 0xFFFFFFFFu - static_cast<uint32_t>(len);
    for (size_t k = 0; k < len; ++k) crc = kCrcTable[crc & 0xFF] ^ (crc >> 8);
    seeds[len] = crc;
  }
  return seeds;
}
inline constexpr auto kLengthSeeds = MakeLengthSeeds();
}  // namespace detail

// `partial` is the CRC from 0 over the text; the text is at most
// kMaxKeywordLength characters long.
inline uint32_t NameHashFinish(uint32_t partial, size_t len) {
  return partial ^ detail::kLengthSeeds[len];
}

// Find entry for a text whose hash is known.
inline const TTokenEntry* FindKeywordHashed(const KeywordTable& t, std::string_view text,
                                            uint32_t crc, uint8_t mode) {
  const size_t len = text.size();
  if (t.slots == nullptr) return nullptr;
  for (size_t i = crc & (kKeywordSlots - 1);; i = (i + 1) & (kKeywordSlots - 1)) {
    const TKeywordSlot& s = t.slots[i];
    if (s.len == 0) return nullptr;
    if (s.crc != crc || s.len != len || !(s.mask & mode)) continue;
    const TTokenEntry* e = &t.storage[s.entry];
    // Keywords are short: a plain loop beats a call to memcmp.
    const char* name = e->Name.data();
    size_t k = 0;
    while (k < len && name[k] == text[k]) ++k;
    if (k == len) return e;
  }
}
// The upper-case spelling that names a token ("LD" for tLD); for tokens with
// synonyms, the first spelling in the keyword list.
std::string_view TokenSpelling(TToken t);
