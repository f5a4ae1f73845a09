#pragma once
// Items of text read again and again: loop and macro bodies, and the
// arguments of the invocations in them. Each record says what reading from
// one place of a line gave (blanks before the item included): the item and
// where reading stopped. Reading from that place again, in the same reading
// mode, copies the record instead of scanning the characters and looking up
// the keyword.
//
// A record holds only what the text and the mode decide. What depends on
// the moment (macro-argument substitution, aliases, the ends of arguments)
// is worked out at each reading, and items whose reading may give a message
// or keep a text (strings, numbers that may warn, "\", the block-mode
// switches, the ends of lines) are never recorded.
//
// Records point into line texts: they are dropped whenever reading starts a
// source (every pass starts so), since that is when texts may have changed.

#include <cstdint>
#include <string_view>
#include <vector>

#include "common/types.h"

struct CachedItem {
  const char* from = nullptr;     // where reading started
  const char* lineEnd = nullptr;  // the end of the line it was read in
  std::string_view text;          // the item's text; for a line end, the next line's
  int32_t num = 0;                // its number, when `fields` has kSetsNumber; for a
                                  // line end, the next line's number
  int32_t startOff = 0;           // the item's first character, from `from`
  int32_t endOff = 0;             // where reading stopped, from `from`
  int32_t next = -1;              // the record read next on the same line, or -1
  TToken token = tNil;            // its keyword, when `fields` has kSetsToken
  TItem item = I_Null;
  uint8_t mode = 0;    // the reading mode it was read in
  uint8_t opaque = 0;  // what it added to the count of opaque items
  uint8_t fields = 0;  // which of number and keyword the reading set
  uint8_t after = 0;   // what follows its reading (kAfter...)

  static constexpr uint8_t kSetsNumber = 1, kSetsToken = 2;
  // kAfterLineEnd: the item is the end of the line, and reading moves on to
  // the next line (recorded only where that line was found).
  static constexpr uint8_t kAfterNothing = 0, kAfterName = 1, kAfterArgumentEnd = 2,
                           kAfterLineEnd = 3;
};

class ItemCache {
 public:
  // The record of reading from `from`, or -1.
  int32_t Find(const char* from) const;
  // Keeps a record (the latest for its place) and links it to the one used
  // just before when it follows it; returns its index, or -1
  // once the cache is full.
  int32_t Add(const CachedItem& c);
  // Notes that record k was used: links the record used before it when k
  // follows it (on its line, or first on the next line after its end).
  void Used(int32_t k);
  // The same for record k reached as the hint, which is linked already.
  void UsedHint(int32_t k) { last_ = k; }
  CachedItem& operator[](int32_t k) { return records_[static_cast<size_t>(k)]; }
  size_t size() const { return records_.size(); }
  void Clear();

  int32_t hint = -1;  // the record likely read next

 private:
  static constexpr size_t kMaxRecords = 1u << 15;
  size_t Slot(const char* from) const;
  void Grow();
  std::vector<CachedItem> records_;
  std::vector<int32_t> table_;  // record indexes by place, open addressing; -1 empty
  int32_t last_ = -1;           // the record used last
};
