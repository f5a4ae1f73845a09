// The longest-match search of the compressor, on a suffix array.
//
// The length of the match between candidate a and position cur is the length
// of the common prefix of the block's suffixes at a and cur: both stop at the
// block's end, and the source may run into the bytes at and after cur. With
// the suffixes sorted, the common prefix of two suffixes is the minimum of
// the neighbour prefixes (the LCP array) between their ranks, so:
//   - the longest match at cur is found at the nearest candidate rank below
//     or above cur's rank (candidates are the positions before cur);
//   - every suffix sharing at least that many bytes with cur lies in one rank
//     interval around cur, and the lowest position in it is the earliest
//     candidate of that length (no candidate can share more).
// Each query costs a few logarithmic steps instead of a scan of the block.

#include <algorithm>
#include <bit>
#include <climits>
#include <memory>
#include <optional>

#include "memtools/compress.h"

namespace {

// Suffix array by induced sorting (SA-IS), in time linear in the length:
// the doubling it replaces took 16 rounds over a 64K block of equal bytes,
// the commonest content of a compressed block. `s` holds values 0..upper;
// a shorter suffix sorts before a longer one it is a prefix of (as if a
// unique smallest character ended the text).
//
// Each suffix is S-type when it is smaller than the one after it, L-type
// when larger; an LMS position is an S-type one after an L-type one. Sorting
// the LMS substrings, naming them, and sorting the suffixes of the string of
// names (recursively when names repeat) gives the order of the LMS suffixes;
// one more induced pass from them orders every suffix.
template <class Char>
std::vector<int32_t> InducedSort(std::span<const Char> s, int32_t upper) {
  const int32_t n = static_cast<int32_t>(s.size());
  if (n == 0) return {};
  if (n == 1) return {0};
  if (n == 2) return s[0] < s[1] ? std::vector<int32_t>{0, 1} : std::vector<int32_t>{1, 0};
  std::vector<int32_t> sa(n);
  std::vector<uint8_t> sType(n, 0);  // the last suffix is L-type: the end is smaller
  for (int32_t i = n - 2; i >= 0; --i)
    sType[i] = s[i] == s[i + 1] ? sType[i + 1] : static_cast<uint8_t>(s[i] < s[i + 1]);
  // Bucket starts: L-type suffixes of a character come before its S-type ones.
  std::vector<int32_t> startL(upper + 2, 0), startS(upper + 2, 0);
  for (int32_t i = 0; i < n; ++i) {
    if (!sType[i])
      ++startS[s[i]];
    else
      ++startL[s[i] + 1];
  }
  for (int32_t c = 0; c <= upper; ++c) {
    startS[c] += startL[c];
    startL[c + 1] += startS[c];
  }
  auto isLms = [&](int32_t i) { return i > 0 && sType[i] && !sType[i - 1]; };
  std::vector<int32_t> next(upper + 2);
  // Places the LMS suffixes in the given order at their buckets' S-type
  // starts, then induces the L-type suffixes left to right and the S-type
  // ones right to left.
  auto induce = [&](const std::vector<int32_t>& lms) {
    std::fill(sa.begin(), sa.end(), -1);
    std::copy(startS.begin(), startS.end(), next.begin());
    for (int32_t d : lms) sa[next[s[d]]++] = d;
    std::copy(startL.begin(), startL.end(), next.begin());
    sa[next[s[n - 1]]++] = n - 1;
    for (int32_t i = 0; i < n; ++i) {
      const int32_t v = sa[i];
      if (v >= 1 && !sType[v - 1]) sa[next[s[v - 1]]++] = v - 1;
    }
    std::copy(startL.begin(), startL.end(), next.begin());
    for (int32_t i = n - 1; i >= 0; --i) {
      const int32_t v = sa[i];
      if (v >= 1 && sType[v - 1]) sa[--next[s[v - 1] + 1]] = v - 1;
    }
  };
  std::vector<int32_t> lms, lmsIndex(n, -1);
  for (int32_t i = 1; i < n; ++i)
    if (isLms(i)) {
      lmsIndex[i] = static_cast<int32_t>(lms.size());
      lms.push_back(i);
    }
  const int32_t m = static_cast<int32_t>(lms.size());
  induce(lms);
  if (m == 0) return sa;
  // The LMS substrings in sorted order, named: equal substrings (same
  // length, same characters up to and with the next LMS position) share a
  // name. One that runs to the end of the text is unique.
  std::vector<int32_t> sorted;
  sorted.reserve(m);
  for (int32_t v : sa)
    if (lmsIndex[v] >= 0) sorted.push_back(v);
  std::vector<int32_t> names(m);
  int32_t name = 0;
  names[lmsIndex[sorted[0]]] = 0;
  for (int32_t i = 1; i < m; ++i) {
    int32_t l = sorted[i - 1], r = sorted[i];
    const int32_t endL = lmsIndex[l] + 1 < m ? lms[lmsIndex[l] + 1] : n;
    const int32_t endR = lmsIndex[r] + 1 < m ? lms[lmsIndex[r] + 1] : n;
    bool same = endL - l == endR - r;
    if (same) {
      while (l < endL && s[l] == s[r]) {
        ++l;
        ++r;
      }
      same = l < n && r < n && s[l] == s[r];
    }
    if (!same) ++name;
    names[lmsIndex[sorted[i]]] = name;
  }
  // With every name different the names are the order already.
  std::vector<int32_t> order;
  if (name + 1 == m) {
    order.resize(m);
    for (int32_t i = 0; i < m; ++i) order[names[i]] = i;
  } else {
    order = InducedSort(std::span<const int32_t>(names), name);
  }
  for (int32_t i = 0; i < m; ++i) sorted[i] = lms[order[i]];
  induce(sorted);
  return sa;
}

// The block's suffix array, with the rank of each position in it.
std::vector<int32_t> SuffixArray(std::span<const uint8_t> s, std::vector<int32_t>& rank) {
  std::vector<int32_t> sa = InducedSort(s, 255);
  rank.assign(sa.size(), 0);
  for (size_t i = 0; i < sa.size(); ++i) rank[sa[i]] = static_cast<int32_t>(i);
  return sa;
}

// lcp[r] = common prefix of the suffixes at ranks r-1 and r (Kasai).
std::vector<int32_t> LcpArray(std::span<const uint8_t> s, const std::vector<int32_t>& sa,
                              const std::vector<int32_t>& rank) {
  const int32_t n = static_cast<int32_t>(s.size());
  std::vector<int32_t> lcp(n, 0);
  int32_t h = 0;
  for (int32_t i = 0; i < n; ++i) {
    if (rank[i] > 0) {
      int32_t j = sa[rank[i] - 1];
      while (i + h < n && j + h < n && s[i + h] == s[j + h]) ++h;
      lcp[rank[i]] = h;
      if (h > 0) --h;
    } else {
      h = 0;
    }
  }
  return lcp;
}

// Range minimum in constant time after linear preparation. The values are
// cut in blocks of 32. Inside a block, the mask of a position holds the
// positions up to it whose value is below every later value up to it: the
// minimum of a range ending there is at the lowest such position in the
// range. Across blocks, a sparse table of the block minima answers for the
// whole blocks between.
class RangeMin {
 public:
  explicit RangeMin(std::vector<int32_t> values) : values_(std::move(values)) {
    const size_t n = values_.size();
    masks_.resize(n);
    const size_t blocks = (n + 31) / 32;
    std::vector<int32_t> blockMin(blocks);
    for (size_t b = 0; b < blocks; ++b) {
      const size_t start = b * 32, end = std::min(n, start + 32);
      uint32_t mask = 0;
      for (size_t i = start; i < end; ++i) {
        while (mask) {
          const int last = 31 - std::countl_zero(mask);
          if (values_[start + static_cast<size_t>(last)] < values_[i]) break;
          mask &= ~(uint32_t{1} << last);
        }
        mask |= uint32_t{1} << (i - start);
        masks_[i] = mask;
      }
      blockMin[b] = values_[start + static_cast<size_t>(std::countr_zero(mask))];
    }
    levels_.push_back(std::move(blockMin));
    for (size_t w = 1; 2 * w <= blocks; w *= 2) {
      const std::vector<int32_t>& prev = levels_.back();
      std::vector<int32_t> next(blocks - 2 * w + 1);
      for (size_t i = 0; i < next.size(); ++i) next[i] = std::min(prev[i], prev[i + w]);
      levels_.push_back(std::move(next));
    }
  }
  // Minimum over [lo, hi], lo <= hi.
  int32_t Min(int32_t lo, int32_t hi) const {
    const int32_t first = lo >> 5, last = hi >> 5;
    if (first == last) return InBlock(lo, hi);
    int32_t m = std::min(InBlock(lo, first * 32 + 31), InBlock(last * 32, hi));
    if (first + 1 < last) {
      const int level = std::bit_width(static_cast<uint32_t>(last - first - 1)) - 1;
      const std::vector<int32_t>& l = levels_[level];
      m = std::min({m, l[first + 1], l[last - (1 << level)]});
    }
    return m;
  }

 private:
  int32_t InBlock(int32_t lo, int32_t hi) const {
    const uint32_t candidates = masks_[hi] & (~uint32_t{0} << (lo & 31));
    return values_[(hi & ~31) + std::countr_zero(candidates)];
  }
  std::vector<int32_t> values_;
  std::vector<uint32_t> masks_;
  std::vector<std::vector<int32_t>> levels_;
};

// A set of ranks with predecessor and successor queries: a tree of 64-bit
// words, each bit of an upper level saying whether a word below is non-zero.
class RankSet {
 public:
  explicit RankSet(int32_t n) {
    size_t words = (static_cast<size_t>(n) + 63) / 64;
    do {
      levels_.emplace_back(std::max<size_t>(words, 1), 0);
      words = (words + 63) / 64;
    } while (levels_.back().size() > 1);
  }
  void Insert(int32_t i) {
    for (auto& level : levels_) {
      level[i >> 6] |= uint64_t{1} << (i & 63);
      i >>= 6;
    }
  }
  // Smallest member >= i, or -1.
  int32_t NextFrom(int32_t i) const { return NextFrom(0, i); }
  // Largest member <= i, or -1.
  int32_t PrevFrom(int32_t i) const { return PrevFrom(0, i); }

 private:
  int32_t NextFrom(size_t level, int32_t i) const {
    const std::vector<uint64_t>& l = levels_[level];
    size_t w = static_cast<size_t>(i) >> 6;
    if (i < 0 || w >= l.size()) return -1;
    uint64_t bits = l[w] & (~uint64_t{0} << (i & 63));
    if (bits) return static_cast<int32_t>(w * 64 + std::countr_zero(bits));
    if (level + 1 == levels_.size()) return -1;
    int32_t nw = NextFrom(level + 1, static_cast<int32_t>(w) + 1);
    if (nw < 0) return -1;
    return nw * 64 + std::countr_zero(l[nw]);
  }
  int32_t PrevFrom(size_t level, int32_t i) const {
    if (i < 0) return -1;
    const std::vector<uint64_t>& l = levels_[level];
    size_t w = static_cast<size_t>(i) >> 6;
    if (w >= l.size()) return PrevFrom(level, static_cast<int32_t>(l.size() * 64 - 1));
    int bit = i & 63;
    uint64_t bits = l[w] & (bit == 63 ? ~uint64_t{0} : (uint64_t{1} << (bit + 1)) - 1);
    if (bits) return static_cast<int32_t>(w * 64 + 63 - std::countl_zero(bits));
    if (level + 1 == levels_.size()) return -1;
    int32_t pw = PrevFrom(level + 1, static_cast<int32_t>(w) - 1);
    if (pw < 0) return -1;
    return pw * 64 + 63 - std::countl_zero(l[pw]);
  }
  std::vector<std::vector<uint64_t>> levels_;
};

}  // namespace

struct MatchFinder::Impl {
  Impl(std::span<const uint8_t> block, bool firstExcluded)
      : n(static_cast<int32_t>(block.size())),
        sa(SuffixArray(block, rank)),
        lcp(LcpArray(block, sa, rank)),
        active(n),
        skipFirst(firstExcluded) {
    std::vector<int32_t> positions = sa;
    if (skipFirst && n > 0) positions[rank[0]] = INT32_MAX;
    lcpMin.emplace(std::move(lcp));
    posMin.emplace(std::move(positions));
  }

  // Common prefix of the suffixes at ranks x < y.
  int32_t Common(int32_t x, int32_t y) const { return lcpMin->Min(x + 1, y); }

  BlockMatch Longest(int32_t cur, int32_t atLeast) {
    for (; activeUpTo < cur; ++activeUpTo)
      if (activeUpTo > 0 || !skipFirst) active.Insert(rank[activeUpTo]);
    const int32_t r = rank[cur];
    int32_t below = active.PrevFrom(r - 1), above = active.NextFrom(r + 1);
    int32_t best = 0;
    if (below >= 0) best = Common(below, r);
    if (above >= 0) best = std::max(best, Common(r, above));
    if (best == 0 || best <= atLeast) return {-1, best};
    // The rank interval of suffixes sharing `best` bytes with cur, found by
    // galloping out from the nearest candidates (it is usually narrow).
    int32_t lo = below >= 0 && Common(below, r) == best ? below : r;
    int32_t step = 1;
    for (; lo - step >= 0 && Common(lo - step, r) >= best; step <<= 1) lo -= step;
    for (step >>= 1; step > 0; step >>= 1)
      if (lo - step >= 0 && Common(lo - step, r) >= best) lo -= step;
    int32_t hi = above >= 0 && Common(r, above) == best ? above : r;
    step = 1;
    for (; hi + step < n && Common(r, hi + step) >= best; step <<= 1) hi += step;
    for (step >>= 1; step > 0; step >>= 1)
      if (hi + step < n && Common(r, hi + step) >= best) hi += step;
    return {posMin->Min(lo, hi), best};
  }

  int32_t n;
  std::vector<int32_t> rank;
  std::vector<int32_t> sa;
  std::vector<int32_t> lcp;
  std::optional<RangeMin> lcpMin, posMin;
  RankSet active;
  bool skipFirst;
  int32_t activeUpTo = 0;
};

MatchFinder::MatchFinder(std::span<const uint8_t> block, bool firstExcluded)
    : impl_(std::make_unique<Impl>(block, firstExcluded)) {}

MatchFinder::~MatchFinder() = default;

BlockMatch MatchFinder::Longest(int32_t cur, int32_t atLeast) {
  return impl_->Longest(cur, atLeast);
}

std::vector<uint8_t> CompressStream(std::span<const uint8_t> block, uint16_t base) {
  if (block.empty()) return BuildStream(block, base, [](int32_t) { return BlockMatch{}; });
  MatchFinder finder(block, base == 0);
  return BuildStream(block, base, [&](int32_t cur) { return finder.Longest(cur); });
}
