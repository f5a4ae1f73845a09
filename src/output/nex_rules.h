#pragma once
// Rules shared by the NEX directives and the NEX writer: the core version,
// how a loading screen is classified, the palette conversions, and the
// preparation of the loading screen and palette blocks.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "output/output_defs.h"

struct Assembly;

// "major.minor.sub": three decimal numbers of 0 to 255 separated by points,
// at least five characters, nothing left over.
bool ParseNexCoreVersion(std::string_view text, uint8_t version[3]);

// The kind of a loading screen given as raw data of this length.
TNEX_SCREEN_FILE ClassifyNexScreenLength(uint64_t length);

// At most this many bytes of a screen or palette file are read.
inline constexpr size_t kMaxNexScreenFileBytes = 1048577;

// Reads at most `limit` bytes of a regular file; nothing when it cannot be
// read (missing, a folder, no permission).
std::optional<std::string> ReadNexInputFile(const std::string& path, size_t limit);

// The kind of a loading screen read from a file (`bytes`, at most the first
// kMaxNexScreenFileBytes of a file of `fileSize` bytes): a picture of 256 x 192
// or 128 x 96 pixels, 8-bit indexed, is nsftImage; other data is classified by
// its length. `warning` is set when the file gives no screen, saying why;
// `shownName` is the name as written in the source.
struct NexScreenFileKind {
  TNEX_SCREEN_FILE kind = nsftUNKNOWN;
  std::string warning;
};
NexScreenFileKind ClassifyNexScreenFile(std::string_view bytes, uint64_t fileSize,
                                        std::string_view shownName);

// The Next's 9-bit palette entries, two bytes each, low byte first.
// From an 8-bit colour RRRGGGBB.
void AppendNexColour8(std::string& out, uint8_t colour);
// From a 24-bit colour.
void AppendNexColour24(std::string& out, uint8_t red, uint8_t green, uint8_t blue);
// Entry i is the 8-bit colour i.
std::string DefaultNexPalette();
// 256 8-bit colours as 512 bytes of entries.
std::string NexPaletteFrom8Bit(std::string_view colours);

// Loading-screen flag bits of the header.
enum : uint8_t {
  kNexLayer2 = 0x01,
  kNexUla = 0x02,
  kNexLowRes = 0x04,
  kNexTimexHiRes = 0x08,
  kNexTimexHiColour = 0x10,
  kNexNoPalette = 0x80,
};

// A definition's loading screen, ready for the header and the blocks: flags
// (0 = none), screen bytes, the palette as prepared (possibly empty), the
// Timex hi-res colour byte, and the warnings met on the way.
struct NexLoadingScreen {
  uint8_t flags = 0;
  std::string screen;
  std::string palette;
  uint8_t hiResColour = 0;
  std::vector<std::string> warnings;
};
NexLoadingScreen PrepareNexLoadingScreen(const Assembly& a, const TFILE_Def& d);
