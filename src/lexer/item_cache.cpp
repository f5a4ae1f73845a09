// The records of items read again, found by the place reading started.

#include "lexer/item_cache.h"

size_t ItemCache::Slot(const char* from) const {
  // Fibonacci hashing of the address: places close together spread out.
  const auto key = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(from));
  return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 40) & (table_.size() - 1);
}

int32_t ItemCache::Find(const char* from) const {
  if (table_.empty()) return -1;
  for (size_t s = Slot(from);; s = (s + 1) & (table_.size() - 1)) {
    const int32_t k = table_[s];
    if (k < 0 || records_[static_cast<size_t>(k)].from == from) return k;
  }
}

void ItemCache::Grow() {
  table_.assign(table_.empty() ? 256 : table_.size() * 2, -1);
  for (size_t k = 0; k < records_.size(); ++k) {
    size_t s = Slot(records_[k].from);
    while (table_[s] >= 0) s = (s + 1) & (table_.size() - 1);
    table_[s] = static_cast<int32_t>(k);
  }
}

int32_t ItemCache::Add(const CachedItem& c) {
  // A place read again in the mode of its record has that record already.
  if (const int32_t k = Find(c.from); k >= 0) {
    const CachedItem& o = records_[static_cast<size_t>(k)];
    if (o.mode == c.mode && o.lineEnd == c.lineEnd) {
      Used(k);
      return k;
    }
  }
  if (records_.size() >= kMaxRecords) return -1;
  // At most half full, so a search always meets an empty slot soon.
  if ((records_.size() + 1) * 2 > table_.size()) Grow();
  const auto k = static_cast<int32_t>(records_.size());
  records_.push_back(c);
  size_t s = Slot(c.from);
  while (table_[s] >= 0 && records_[static_cast<size_t>(table_[s])].from != c.from)
    s = (s + 1) & (table_.size() - 1);
  table_[s] = k;
  Used(k);
  return k;
}

void ItemCache::Used(int32_t k) {
  if (last_ >= 0) {
    CachedItem& before = records_[static_cast<size_t>(last_)];
    const CachedItem& now = records_[static_cast<size_t>(k)];
    const bool follows =
        before.after == CachedItem::kAfterLineEnd
            ? now.from == before.text.data()
            : before.lineEnd == now.lineEnd && before.from + before.endOff == now.from;
    if (follows) before.next = k;
  }
  last_ = k;
}

void ItemCache::Clear() {
  records_.clear();
  table_.clear();
  hint = last_ = -1;
}
