// Tape mode 1: a BASIC loader whose machine code loads one stream block that
// draws the loading screen row by row while the code loads between the
// screen bytes (src/output/loaders/screen_loader.asm).

#include <algorithm>
#include <cstring>

#include "output/output_defs.h"
#include "output/tape_build.h"
#include "output/tape_loader_code.h"

namespace {

constexpr uint32_t kBasicStart = 23755;
constexpr uint32_t kProgramExtra = 34;  // BASIC program and variables around the body
constexpr int kRowBytes = 32;

void PutWord(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}

// The screen rows in the order they are sent: before the first non-empty
// pixel row of a character row its attribute row goes first; an empty pixel
// row sends the attribute rows still due up to its own; attribute rows left
// at the end follow.
std::vector<uint32_t> RowOrder(const ScreenRows& s) {
  std::vector<uint32_t> order;
  std::array<bool, kAttrRows> done{};
  auto attrsUpTo = [&](int last) {
    for (int r = 0; r <= last; ++r) {
      if (done[r]) continue;
      done[r] = true;
      if (s.attr[r]) order.push_back(AttrRowAddress(r));
    }
  };
  for (int k = 0; k < kPixelRows; ++k) {
    attrsUpTo(k / 8);
    if (s.pixel[k]) order.push_back(PixelRowAddress(k));
  }
  attrsUpTo(kAttrRows - 1);
  return order;
}

void CloseRecord(std::string& stream, size_t start) {
  stream += static_cast<char>(XorOf(std::string_view(stream).substr(start)));
}

// The stream: screen records with n code bytes before every screen byte,
// code records for what is left (from the top of the code down, 32 bytes
// each, until they meet what the screen records carried), the end record.
std::string ScreenStream(const ScreenRows& s, const std::string& code, uint32_t base, int n,
                         uint32_t execute) {
  std::string stream;
  size_t pos = 0;
  for (uint32_t row : RowOrder(s)) {
    size_t start = stream.size();
    PutWord(stream, row);
    std::string_view screen = RowBytes(s, row);
    for (int i = 0; i < kRowBytes; ++i) {
      for (int j = 0; j < n; ++j, ++pos) stream += pos < code.size() ? code[pos] : '\0';
      stream += screen[i];
    }
    CloseRecord(stream, start);
  }
  const size_t carried = std::min(pos, code.size());
  for (size_t top = code.size(); top > carried;) {
    // A last record reaching below the carried part only repeats loaded bytes.
    size_t from = top >= kRowBytes ? top - kRowBytes : 0;
    size_t start = stream.size();
    PutWord(stream, base + from);
    stream += code.substr(from, kRowBytes);
    CloseRecord(stream, start);
    top = from;
  }
  size_t start = stream.size();
  stream += {0, 0, static_cast<char>((execute >> 8) & 0xFF), static_cast<char>(execute & 0xFF)};
  CloseRecord(stream, start);
  return stream;
}

void Patch(std::string& body, int offset, uint32_t value) {
  body[offset] = static_cast<char>(value & 0xFF);
}

void PatchWord(std::string& body, int offset, uint32_t value) {
  Patch(body, offset, value);
  Patch(body, offset + 1, value >> 8);
}

// The loader body with the interleave factor, the code's place and size,
// the first code address and the colours patched in.
template <size_t N>
std::string LoaderBody(const uint8_t (&bytes)[N], const screen_loader::Patches& p, TapeBuild& t,
                       int n, uint8_t limit) {
  std::string body(reinterpret_cast<const char*>(bytes), N);
  std::array<uint8_t, 6> c = LoaderColours(t);
  Patch(body, p.n, n);
  PatchWord(body, p.base, t.d.Param1);
  PatchWord(body, p.count, t.d.Param2);
  Patch(body, p.limit, limit);
  Patch(body, p.colour0, c[0]);
  Patch(body, p.mask01, c[1]);
  Patch(body, p.colour2, c[2]);
  Patch(body, p.mask23, c[3]);
  Patch(body, p.colour4, c[4]);
  Patch(body, p.colour5, c[5]);
  return body;
}

}  // namespace

void BuildScreenLoader(TapeBuild& t) {
  const uint32_t base = t.d.Param1, length = t.d.Param2;
  if (length == 0) return TapeError(t, " Tape cannot be generated! The code block is empty.");
  if (static_cast<uint64_t>(base) + length > 0x10000)
    return TapeError(t, " Tape cannot be generated! The code must lie within $0000-$FFFF.");
  if (base < kScreenEnd && base != kAttrBase)
    return TapeError(
        t,
        " Tape cannot be generated! With a loading screen the code starts at $5800 or $5B00 "
        "or above.");
  const bool fits = AddressCheckFits(t.d);
  const size_t bodySize = fits ? sizeof screen_loader::kFitBytes : sizeof screen_loader::kLowBytes;
  // The relocating loader runs at $FD00, above the code; the other one runs
  // in its REM line, which the code must leave alone.
  if (!fits && base < kBasicStart + bodySize + kProgramExtra && base + length > kBasicStart)
    return TapeError(t, " Tape cannot be generated! The code would overwrite the loader at 23760.");
  const bool pixelsOnly = base == kAttrBase;
  ScreenRows s = ReadScreen(t, pixelsOnly);
  const int n = static_cast<int>(std::clamp<uint32_t>(length / (kRowBytes * s.count), 1, 255));
  const uint8_t limit = static_cast<uint8_t>((pixelsOnly ? kAttrBase : kScreenEnd) >> 8);
  std::string body =
      fits ? LoaderBody(screen_loader::kFitBytes, screen_loader::kFitPatches, t, n, limit)
           : LoaderBody(screen_loader::kLowBytes, screen_loader::kLowPatches, t, n, limit);
  for (TapeBlock& b : BasicLoaderBlocks(t.name, body)) t.blocks.push_back(std::move(b));
  t.blocks.push_back(
      StreamBlock(ScreenStream(s, TapeCode(t, base, length), base, n, t.d.Param4), 0));
}
