#pragma once
// The keyword table: every spelling of a reserved word (all upper case or all
// lower case) maps to its TToken through the name hash and an open-addressed
// index of compact slots. Some
// spellings are keywords only inside "[[" ... "]]" (mode 2), some only outside
// (mode 1), some in both.

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
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

// Nearly every spelling has at most eight characters. Those have a second
// index keyed by the spelling's characters read as one 64-bit number (the
// first character in the lowest byte, zeros after the last), which the item
// reader forms from the word in one load: a look-up is a multiplication and
// a compare, with no hash built character by character and no text compare.
// Identifier characters are never zero, so the number tells the words apart.
// A word found there is read with the token beside its modes, so the item
// reader touches two places in the index and none in the storage.
inline constexpr size_t kShortKeywordLength = 8;
inline constexpr size_t kShortKeywordSlots = 2048;
struct ShortKeywordHit {
  uint16_t token = 0;  // the entry's TToken
  uint16_t entry = 0;  // the entry's place in the storage
  uint8_t mask = 0;
};
struct ShortKeywordIndex {
  std::array<uint64_t, kShortKeywordSlots> words{};  // 0: the slot is free
  std::array<ShortKeywordHit, kShortKeywordSlots> hit{};
};

constexpr size_t ShortKeywordSlot(uint64_t word) {
  return static_cast<size_t>((word * 0x9E3779B97F4A7C15ull) >> 53);  // the top 11 bits
}
static_assert(kShortKeywordSlots == size_t{1} << 11);

// A run's view of the keyword table: empty until built.
struct KeywordTable {
  const TKeywordSlot* slots = nullptr;
  const ShortKeywordIndex* shortIndex = nullptr;
  std::span<const TTokenEntry> storage;  // every spelling, in registration order
};

// Length of the longest keyword spelling (VELDSYNTAXHIGHLIGHT).
inline constexpr size_t kMaxKeywordLength = 19;

// The short index's key of a text of 1 to 8 characters, a character at a
// time (the table is built with it at compile time).
constexpr uint64_t ShortKeywordKeyOf(std::string_view text) {
  uint64_t w = 0;
  for (size_t k = text.size(); k-- > 0;) w = (w << 8) | static_cast<unsigned char>(text[k]);
  return w;
}

// The same key read in one load where the line has eight characters left;
// `avail` characters may be read from `s` (at least `len`).
inline uint64_t ShortKeywordKey(const char* s, size_t len, size_t avail) {
  if (std::endian::native != std::endian::little || avail < 8)
    return ShortKeywordKeyOf(std::string_view(s, len));
  uint64_t w = 0;
  std::memcpy(&w, s, 8);
  return len == 8 ? w : w & ((uint64_t{1} << (8 * len)) - 1);
}

// The slot of a word of at most eight characters, by its key; nullptr when
// it is no keyword in the mode.
inline const ShortKeywordHit* FindShortKeywordHit(const KeywordTable& t, uint64_t key,
                                                  uint8_t mode) {
  if (t.shortIndex == nullptr) return nullptr;
  const ShortKeywordIndex& x = *t.shortIndex;
  for (size_t i = ShortKeywordSlot(key);; i = (i + 1) & (kShortKeywordSlots - 1)) {
    const uint64_t w = x.words[i];
    if (w == key) {
      if (x.hit[i].mask & mode) return &x.hit[i];
    } else if (w == 0) {
      return nullptr;
    }
  }
}

// The entry of a word of at most eight characters, by its key.
inline const TTokenEntry* FindShortKeyword(const KeywordTable& t, uint64_t key, uint8_t mode) {
  const ShortKeywordHit* h = FindShortKeywordHit(t, key, mode);
  return h ? &t.storage[h->entry] : nullptr;
}

void BuildKeywordTable(KeywordTable& t);
void FreeKeywordTable(KeywordTable& t);
const TTokenEntry* FindKeywordEntry(const KeywordTable& t, std::string_view text, uint8_t mode);
TToken TokenOf(const KeywordTable& t, std::string_view text, uint8_t mode);

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
