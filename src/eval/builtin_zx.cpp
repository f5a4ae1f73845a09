// Spectrum keyboard and screen arithmetic, paging addresses, checksums over
// the memory image and file sizes.

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <span>

#include "assembler/assembly.h"
#include "eval/builtin_library.h"
#include "support/file_read.h"
#include "support/paths.h"

namespace {

// The 40 keys in half-row order: key k lies in half-row k / 5 with the mask
// 1 << (k % 5). Named keys are matched separately; "\x01" stands for none.
constexpr std::string_view kKeyChars =
    "\x01ZXCV"   // 0..4   (0 is [SHIFT])
    "ASDFG"      // 5..9
    "QWERT"      // 10..14
    "12345"      // 15..19
    "09876"      // 20..24
    "POIUY"      // 25..29
    "\x01LKJH"   // 30..34 (30 is [ENTER])
    " \x01MNB";  // 35..39 (35 is [SPACE], 36 is [SYM])

constexpr std::array<int32_t, 8> kHalfRowPort = {0xFEFE, 0xFDFE, 0xFBFE, 0xF7FE,
                                                 0xEFFE, 0xDFFE, 0xBFFE, 0x7FFE};

struct NamedKey {
  std::string_view text;
  int number;
};
// Tested in this order.
constexpr std::array<NamedKey, 4> kNamedKeys = {
    {{"[SYM]", 36}, {"[ENTER]", 30}, {"[SPACE]", 35}, {"[SHIFT]", 0}}};

bool IsKeyChar(char c) { return c == ' ' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }

// Addresses read at a time by the folds.
constexpr int64_t kFoldChunk = 0x1000;

// Folds the image bytes at first .. last into acc, a chunk at a time. The
// callers leave at most a few million addresses to read.
template <typename Combine>
uint32_t FoldRange(const Assembly& a, int64_t first, int64_t last, uint32_t acc, Combine combine) {
  std::array<uint8_t, kFoldChunk> bytes;
  for (int64_t at = first; at <= last; at += kFoldChunk) {
    const auto n = static_cast<size_t>(std::min(kFoldChunk, last - at + 1));
    ReadImageBytes(a, at, std::span<uint8_t>(bytes.data(), n));
    for (size_t i = 0; i < n; ++i) acc = combine(acc, bytes[i]);
  }
  return acc;
}

// Folds the image bytes at the addresses start .. start + length - 1. A range
// may span four billion addresses: the parts that read the dump cell
// (negative addresses, and those past the mapped ones) and the whole periods
// of a repeating view are counted, not read. `repeat(v, n)` is the fold of n
// copies of v, which both folds (sum and exclusive or) allow in any order.
template <typename Combine, typename Repeat>
uint32_t FoldImageBytes(const Assembly& a, int32_t start, int32_t length, Combine combine,
                        Repeat repeat) {
  if (length <= 0) return 0;
  int64_t first = start;
  int64_t last = first + length - 1;
  if (last > INT32_MAX) return 0;  // the end wraps past the integer range
  const uint32_t dump = ReadImageByte(a, -1);
  uint32_t acc = 0;
  if (first < 0) {
    acc = repeat(dump, static_cast<uint64_t>(std::min<int64_t>(last, -1) - first + 1));
    first = 0;
  }
  const MapShape shape = MappingShape(a);
  if (last >= std::max(first, shape.dumpFrom)) {
    const int64_t from = std::max(first, shape.dumpFrom);
    acc = combine(acc, repeat(dump, static_cast<uint64_t>(last - from + 1)));
    last = from - 1;
  }
  if (shape.period > 0 && last - first + 1 > 2 * shape.period) {
    const int64_t aligned = (first + shape.period - 1) / shape.period * shape.period;
    acc = FoldRange(a, first, aligned - 1, acc, combine);
    const int64_t periods = (last - aligned + 1) / shape.period;
    const uint32_t one = FoldRange(a, aligned, aligned + shape.period - 1, 0, combine);
    acc = combine(acc, repeat(one, static_cast<uint64_t>(periods)));
    first = aligned + periods * shape.period;
  }
  return FoldRange(a, first, last, acc, combine);
}

}  // namespace

KeyScan ScanKeys(std::string_view keys) {
  KeyScan scan;
  while (!keys.empty()) {
    int number = -1;
    size_t used = 1;
    if (IsKeyChar(keys[0])) {
      number = static_cast<int>(kKeyChars.find(keys[0]));
    } else {
      for (const NamedKey& k : kNamedKeys) {
        if (keys.substr(0, k.text.size()) == k.text) {
          number = k.number;
          used = k.text.size();
          break;
        }
      }
    }
    if (number < 0) {
      scan.illegal = true;
      break;
    }
    scan.address &= kHalfRowPort[number / 5];
    scan.mask |= 1 << (number % 5);
    keys.remove_prefix(used);
  }
  return scan;
}

int32_t KeyMaskToBit(int32_t mask) {
  for (int32_t bit = 0; bit < 5; ++bit)
    if (mask == (1 << bit)) return bit;
  return -1;
}

bool ZxPixelAddress(int32_t x, int32_t y, int32_t& out) {
  out = 0;
  if (x < 0 || x > 255 || y < 0 || y > 191) return false;
  out = 0x4000 + (y & 7) * 256 + (y & 0x38) * 4 + (y & 0xC0) * 32 + x / 8;
  return true;
}

bool ZxAttrAddress(int32_t x, int32_t y, int32_t& out) {
  out = 0;
  if (x < 0 || x > 255 || y < 0 || y > 191) return false;
  out = 0x5800 + (y / 8) * 32 + x / 8;
  return true;
}

int32_t VeldPageOffset(const Assembly& a, int32_t n) {
  if (static_cast<uint32_t>(n) > 7) return 0;
  // Cell of the first 8K page of the 16K page n, as the image's page table
  // lays the pages out for this model.
  const uint8_t model = a.machine.model;
  if (Is128KFamily(model)) {
    static constexpr int32_t kBankBase[8] = {0xC000,  0x0000, 0x8000,  0x10000,
                                             0x18000, 0x4000, 0x1C000, 0x14000};
    return kBankBase[n];
  }
  if (IsNext(model)) return 0x40000 + 2 * n * 0x2000;
  return kDumpCell;
}

int32_t VeldMmuOffset(int32_t n) {
  // Pages are compared signed (unlike the 16K page numbers): a negative page
  // counts back from page 0, wrapping like any integer arithmetic.
  if (n < 224) return static_cast<int32_t>(0x40000u + static_cast<uint32_t>(n) * 0x2000u);
  return kDumpCell;
}

int32_t VeldRomOffset(int32_t n) {
  switch (n) {
    case 0:
      return 0x1E0000;
    case 1:
      return 0x1E4000;
    case 2:
      return 0x1E8000;
    case 3:
      return 0x1EC000;
    case 4:
      return 0x1F0000;
    case 5:
    case -2:
      return 0x238000;
    case 6:
    case -1:
      return 0x238800;
    default:
      return 0;
  }
}

uint32_t SumImageBytes(const Assembly& a, int32_t start, int32_t length) {
  return FoldImageBytes(
      a, start, length, [](uint32_t acc, uint32_t b) { return acc + b; },
      [](uint32_t v, uint64_t n) { return static_cast<uint32_t>(v * n); });
}

uint32_t XorImageBytes(const Assembly& a, int32_t start, int32_t length) {
  return FoldImageBytes(
      a, start, length, [](uint32_t acc, uint32_t b) { return acc ^ b; },
      [](uint32_t v, uint64_t n) { return (n & 1) ? v : 0u; });
}

int32_t FileLengthOf(const Assembly& a, std::string_view name) {
  const std::string path = MakeAbsoluteName(a, name);
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR ? -1 : 0;
  if (!S_ISREG(st.st_mode) || !CanOpenForReading(path)) return 0;
  const auto size = static_cast<uintmax_t>(st.st_size);
  // A size beyond the integer range would wrap to a negative number that
  // reads like "missing"; report the largest size instead.
  return size > static_cast<uintmax_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(size);
}
