#pragma once
// Compressed self-extracting blocks: VELDCOMPRESS replaces a range of the
// image with a compressed stream and a small Z80 routine that expands it back
// into place and jumps to the program.
//
// Stream tokens (read by the expand routine):
//   any byte other than $AA and $AB   literal
//   $AA value count                   run of `count` (0 = 256) bytes `value`
//   $AB lo hi count                   copy `count` (0 = 256) bytes from the
//                                     absolute address hi*256+lo, one at a time
//   $AB $00 $00                       end: jump to the execute address

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct Assembly;

// Parameters of the last VELDCOMPRESS of a pass, and the end address of the
// planted block once the compressor has run in this run.
struct CompressParams {
  int32_t start = 0, end = 0, exec = 0;
  int32_t stub = 0x5B00;
  int32_t options = 0;           // bit 0: the routine that flashes the border
  int32_t source = 0, line = 0;  // where the directive stands, for errors
};

struct CompressState {
  CompressParams params;
  bool compressed = false;  // endAddress holds the compressor's result
  int32_t endAddress = 0;
};

inline constexpr uint8_t kRunEscape = 0xAA;
inline constexpr uint8_t kCopyEscape = 0xAB;
inline constexpr int32_t kMinCopyLength = 5;     // a copy of 4 bytes or fewer is never used
inline constexpr int32_t kMaxTokenLength = 256;  // runs and copies count 1..256
inline constexpr size_t kStreamLimit = 128 * 1024;

// The longest earlier match found at a position of the block: its position
// in the block and its length, uncapped. Length 0 when there is none.
struct BlockMatch {
  int32_t pos = -1;
  int32_t length = 0;
};

// Longest-match search over one block, queried at positions that never
// decrease. Candidates are the positions before the query position; a match
// may run into the bytes at and after it but never past the block's end.
// Among equally long matches the lowest position wins. The block's first
// position is no candidate when it lies at address 0: a copy token for
// address 0 would read as the end of the stream.
class MatchFinder {
 public:
  MatchFinder(std::span<const uint8_t> block, bool firstExcluded);
  ~MatchFinder();
  MatchFinder(const MatchFinder&) = delete;
  MatchFinder& operator=(const MatchFinder&) = delete;
  // Only matches longer than `atLeast` need an exact position; shorter ones
  // come back with their length and position -1.
  BlockMatch Longest(int32_t cur, int32_t atLeast = kMinCopyLength - 1);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The stream for the block, whose first byte lies at address `base`.
// `search(cur)` gives the longest earlier match at block position cur.
template <typename Search>
std::vector<uint8_t> BuildStream(std::span<const uint8_t> block, uint16_t base, Search&& search);

// The stream for the block with the fast search.
std::vector<uint8_t> CompressStream(std::span<const uint8_t> block, uint16_t base);

// The two expand routines and where their patched operands lie.
struct ExpandRoutine {
  std::span<const uint8_t> code;
  int32_t execOperand;  // JP Z,exec
};
inline constexpr int32_t kStreamOperand = 1;  // LD HL,stream
inline constexpr int32_t kDestOperand = 4;    // LD DE,start
const ExpandRoutine& ExpandUnit();
const ExpandRoutine& ExpandBorderUnit();

// The self-extracting block for a stream: header, stream and patched routine,
// and whether it is the relocating layout.
struct PlantedBlock {
  std::vector<uint8_t> bytes;
  int32_t headerLength = 0;  // 15 relocating, 4 direct
  int32_t routineLength = 0;
  bool relocating = false;
};
PlantedBlock LayOutBlock(const CompressParams& p, std::span<const uint8_t> stream);

// The compression step: compresses [start, end) of the image, clears it,
// plants the block at stub and gives the first address after the block.
// A block that cannot be planted is reported as one error against the
// directive's line; the image is then left as it was and false returned.
bool CompressImage(Assembly& a, const CompressParams& p, int32_t& endAddress);
// Counts an error of the compression step and prints it against the
// directive's line.
void CompressError(Assembly& a, const CompressParams& p, int n, const std::string& extra);

// ---------------------------------------------------------------------------

template <typename Search>
std::vector<uint8_t> BuildStream(std::span<const uint8_t> block, uint16_t base, Search&& search) {
  std::vector<uint8_t> out;
  out.reserve(block.size() / 2 + 16);
  uint8_t runByte = 0;
  int32_t runCount = 0;
  auto flush = [&] {
    while (runCount > 0) {
      if (runCount >= 4 || runByte == kRunEscape || runByte == kCopyEscape) {
        int32_t n = runCount > kMaxTokenLength ? kMaxTokenLength : runCount;
        out.insert(out.end(), {kRunEscape, runByte, static_cast<uint8_t>(n)});
        runCount -= n;
      } else {
        out.insert(out.end(), static_cast<size_t>(runCount), runByte);
        runCount = 0;
      }
    }
  };
  const int32_t n = static_cast<int32_t>(block.size());
  for (int32_t cur = 0; cur < n; ++cur) {
    uint8_t b = block[cur];
    if (runCount > 0 && b == runByte) {
      ++runCount;
      continue;
    }
    if (runCount > 0) {
      flush();
      BlockMatch m = search(cur);
      if (m.length >= kMinCopyLength) {
        int32_t length = m.length > kMaxTokenLength ? kMaxTokenLength : m.length;
        uint16_t from = static_cast<uint16_t>(base + m.pos);
        out.insert(out.end(), {kCopyEscape, static_cast<uint8_t>(from & 0xFF),
                               static_cast<uint8_t>(from >> 8), static_cast<uint8_t>(length)});
        cur += length - 1;
        continue;
      }
    }
    runByte = b;
    runCount = 1;
  }
  flush();
  out.insert(out.end(), {kCopyEscape, 0x00, 0x00});
  return out;
}
