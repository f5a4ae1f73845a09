#pragma once
// What the tape modes share while they build the blocks of one definition:
// the definition, the blocks produced so far, the error report and the
// helpers for the loader colours, the address check and the screen.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "output/tape_blocks.h"

struct Assembly;
struct TFILE_Def;

struct TapeBuild {
  Assembly& a;
  const TFILE_Def& d;
  bool tap;  // TAP container (else TZX)
  std::string name;
  std::vector<TapeBlock> blocks;
  bool failed = false;
};

// Reports "Tape Generation Error" followed by `text`, and marks the build
// failed; the blocks produced so far are still written.
void TapeError(TapeBuild& t, std::string_view text);

// The code of a block: `length` bytes from logical address `base` on.
std::string TapeCode(const TapeBuild& t, uint32_t base, uint32_t length);

// The address check: the first block and every further block lie above
// 23773 and end below $FD00, clear of the BASIC area and of the top of memory
// where the loaders run.
bool AddressCheckFits(const TFILE_Def& d);

// The six loader colour values packed in the hexadecimal digits d0 to d5 of
// Param5: d0, (d0 xor d1) or $F8, d2, (d3 xor d2) or $F8, d4, d5. A digit
// above 7 is reported and its low three bits used.
std::array<uint8_t, 6> LoaderColours(TapeBuild& t);

// The screen as it stands in the image, and its rows.
inline constexpr int kPixelRows = 192;
inline constexpr int kAttrRows = 24;
inline constexpr uint32_t kScreenBase = 0x4000;
inline constexpr uint32_t kAttrBase = 0x5800;
inline constexpr uint32_t kScreenEnd = 0x5B00;
// Address of pixel row k (0 = top).
constexpr uint32_t PixelRowAddress(int k) {
  return kScreenBase + (k & 7) * 256 + (k & 0x38) * 4 + (k / 64) * 2048;
}
constexpr uint32_t AttrRowAddress(int r) { return kAttrBase + r * 32; }
struct ScreenRows {
  std::string bytes;  // the 6912 bytes from $4000
  std::array<bool, kPixelRows> pixel{};
  std::array<bool, kAttrRows> attr{};
  int count = 0;  // non-empty rows
};
// Reads the screen at logical $4000 and marks the non-empty rows; when no
// pixel row holds anything, pixel row 0 counts as non-empty. With
// `pixelsOnly` no attribute row is counted.
ScreenRows ReadScreen(const TapeBuild& t, bool pixelsOnly);
std::string_view RowBytes(const ScreenRows& s, uint32_t address);

// The tape modes; each appends its blocks to t.blocks.
void BuildPlainCode(TapeBuild& t);     // mode 0
void BuildScreenLoader(TapeBuild& t);  // mode 1
void BuildCodeInBasic(TapeBuild& t);   // mode 2
void BuildBankedLoader(TapeBuild& t);  // modes 3 and 4
