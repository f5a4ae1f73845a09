// NEX loading screens: classifying a screen file, reading the screen and
// palette data from a file, a picture or the memory image, and the palette
// conversions to the Next's 9-bit colours.

#include "assembler/assembly.h"
#include "output/nex_rules.h"
#include "support/file_read.h"
#include "support/paths.h"
#include "support/picture.h"

namespace {

constexpr size_t kUlaBytes = 6912;
constexpr size_t kTimexBytes = 12288;
constexpr size_t kUlaPaletteBytes = 64;

// How each kind of raw screen data is cut: screen bytes, where a Timex
// hi-res colour byte and a palette are found (-1: none), and the flags.
struct RawScreenLayout {
  TNEX_SCREEN_FILE kind;
  size_t screenBytes;
  int32_t hiResAt;
  int32_t paletteAt;
  uint8_t flags;
};

constexpr RawScreenLayout kRawLayouts[] = {
    {nsftULA, kUlaBytes, -1, -1, kNexUla | kNexNoPalette},
    {nsftULA_64, kUlaBytes, -1, kUlaBytes, kNexUla},
    {nsftTIMEX_HC, kTimexBytes, -1, -1, kNexTimexHiColour | kNexNoPalette},
    {nsftTIMEX_HR, kTimexBytes, kTimexBytes, -1, kNexTimexHiRes | kNexNoPalette},
    {nsftTIMEX_HC_64, kTimexBytes, -1, kTimexBytes, kNexTimexHiColour},
    {nsftTIMEX_HR_64, kTimexBytes, kTimexBytes, kTimexBytes + 1, kNexTimexHiRes},
};

bool ScreenPictureSize(int32_t width, int32_t height) {
  return (width == 256 && height == 192) || (width == 128 && height == 96);
}

// `length` bytes of the image from cell `start` on (cell numbers, not
// logical addresses); nothing when the range reaches past the image.
std::optional<std::string> ReadCells(const Assembly& a, uint32_t start, uint32_t length) {
  if (static_cast<uint64_t>(start) + length > static_cast<uint64_t>(kDumpCell) + 1)
    return std::nullopt;
  std::string out(length, '\0');
  for (uint32_t i = 0; i < length; ++i)
    out[i] = static_cast<char>(a.image.Cell(static_cast<int32_t>(start + i)).Value);
  return out;
}

// The screen or palette data of a definition: a file, or memory cells. Empty
// when it cannot be read.
std::string ReadNexData(const Assembly& a, bool fromFile, const std::string& file, uint32_t start,
                        uint32_t length) {
  std::optional<std::string> data =
      fromFile ? ReadNexInputFile(file, kMaxNexScreenFileBytes) : ReadCells(a, start, length);
  return data ? std::move(*data) : std::string();
}

void PrepareRawScreen(const RawScreenLayout& layout, const std::string& data, NexLoadingScreen& s) {
  s.flags = layout.flags;
  s.screen = data.substr(0, std::min(data.size(), layout.screenBytes));
  if (layout.hiResAt >= 0 && data.size() > static_cast<size_t>(layout.hiResAt))
    s.hiResColour = static_cast<uint8_t>(data[static_cast<size_t>(layout.hiResAt)]);
  if (layout.paletteAt >= 0 && data.size() > static_cast<size_t>(layout.paletteAt))
    s.palette = data.substr(static_cast<size_t>(layout.paletteAt), kUlaPaletteBytes);
}

void PreparePictureScreen(const TFILE_Def& d, NexLoadingScreen& s) {
  std::optional<std::string> bytes = ReadNexInputFile(d.NEXScreenFile, kMaxNexScreenFileBytes);
  Picture p = bytes ? ReadPicture(*bytes) : Picture{};
  if (p.status != PictureStatus::kOk || !ScreenPictureSize(p.width, p.height)) {
    s.warnings.push_back("The NEX screen picture \"" + d.NEXScreenFile +
                         "\" can no longer be read; the file has no loading screen");
    return;
  }
  s.flags = (p.width == 256 ? kNexLayer2 : kNexLowRes) | kNexNoPalette;
  s.screen.assign(p.pixels.begin(), p.pixels.end());
  if (p.paletteCount > 0) {
    for (const auto& rgb : p.palette) AppendNexColour24(s.palette, rgb[0], rgb[1], rgb[2]);
    s.flags &= static_cast<uint8_t>(~kNexNoPalette);
  } else {
    s.palette = DefaultNexPalette();
  }
}

}  // namespace

std::optional<std::string> ReadNexInputFile(const std::string& path, size_t limit) {
  if (!IsRegularFile(path)) return std::nullopt;
  std::string bytes;
  if (!ReadFileStart(path, bytes, limit).empty()) return std::nullopt;
  return bytes;
}

NexScreenFileKind ClassifyNexScreenFile(std::string_view bytes, uint64_t fileSize,
                                        std::string_view shownName) {
  NexScreenFileKind r;
  const std::string name = "\"" + std::string(shownName) + "\"";
  Picture p = ReadPicture(bytes);
  switch (p.status) {
    case PictureStatus::kNotPicture:
      r.kind = ClassifyNexScreenLength(fileSize);
      if (r.kind == nsftVoid)
        r.warning = "The NEX screen file " + name + " is empty";
      else if (r.kind == nsftUNKNOWN)
        r.warning = "The NEX screen file " + name + " is neither a picture nor screen data (" +
                    std::to_string(fileSize) + " bytes is no screen size)";
      return r;
    case PictureStatus::kBroken:
      r.warning = "The NEX screen picture " + name + " can't be read: " + p.problem;
      return r;
    case PictureStatus::kNotIndexed:
    case PictureStatus::kOk:
      break;
  }
  if (!ScreenPictureSize(p.width, p.height)) {
    r.warning = "The NEX screen picture " + name + " is " + std::to_string(p.width) + " x " +
                std::to_string(p.height) + " pixels; a loading screen is 256 x 192 or 128 x 96";
    return r;
  }
  if (p.status == PictureStatus::kNotIndexed) {
    r.warning = "A nex screen.bmp file doesn't appear to be an indexed file. Can't use it";
    return r;
  }
  r.kind = nsftImage;
  return r;
}

void AppendNexColour8(std::string& out, uint8_t colour) {
  out += static_cast<char>(colour);
  out += static_cast<char>((colour & 3) != 0 ? 1 : 0);
}

void AppendNexColour24(std::string& out, uint8_t red, uint8_t green, uint8_t blue) {
  out += static_cast<char>((red & 0xE0) | ((green >> 5) << 2) | (blue >> 6));
  out += static_cast<char>((blue & 0x20) != 0 ? 1 : 0);
}

std::string DefaultNexPalette() {
  std::string out;
  out.reserve(512);
  for (int i = 0; i < 256; ++i) AppendNexColour8(out, static_cast<uint8_t>(i));
  return out;
}

std::string NexPaletteFrom8Bit(std::string_view colours) {
  std::string out;
  out.reserve(2 * colours.size());
  for (char c : colours) AppendNexColour8(out, static_cast<uint8_t>(c));
  return out;
}

NexLoadingScreen PrepareNexLoadingScreen(const Assembly& a, const TFILE_Def& d) {
  NexLoadingScreen s;
  if (!d.bNEXHadScreen) return s;
  if (d.NEXScreenType == nsftImage) {
    PreparePictureScreen(d, s);
  } else {
    for (const RawScreenLayout& layout : kRawLayouts) {
      if (layout.kind != d.NEXScreenType) continue;
      std::string data = ReadNexData(a, d.bNEXHadScreenFile, d.NEXScreenFile, d.NEXScreenMemStart,
                                     d.NEXScreenMemLen);
      PrepareRawScreen(layout, data, s);
    }
  }
  if (d.NEXHI_RES_COLOUR >= 0) s.hiResColour = static_cast<uint8_t>(d.NEXHI_RES_COLOUR);
  if (d.bNEXHadPalette) {
    std::string palette = ReadNexData(a, d.bNEXHadPaletteFile, d.NEXPaletteFile,
                                      d.NEXPaletteMemStart, d.NEXPaletteMemLen);
    if (d.NEXScreenType == nsftImage && palette.size() == 256)
      s.palette = NexPaletteFrom8Bit(palette);
    else
      s.palette = std::move(palette);
    s.flags &= static_cast<uint8_t>(~kNexNoPalette);
  }
  return s;
}
