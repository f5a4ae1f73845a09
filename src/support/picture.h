#pragma once
// Reading indexed pictures (loading screens): Windows/OS2 bitmaps (.bmp,
// uncompressed 8-bit bottom-up or top-down, and RLE8) and PNG files with a
// palette. The readers are pure functions over the file's bytes: they never
// trust a size or count in a header that the bytes do not back up.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class PictureStatus : uint8_t {
  kOk,          // decoded: width, height, pixels and palette are valid
  kNotPicture,  // neither a bitmap nor a PNG file
  kNotIndexed,  // a picture, but not 8-bit indexed (width and height are valid)
  kBroken,      // a picture that cannot be read: `problem` says why
};

struct Picture {
  PictureStatus status = PictureStatus::kNotPicture;
  std::string problem;  // for kBroken, a short lower-case phrase
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerPixel = 0;  // as stored in the file
  // One palette index per pixel, rows from top to bottom.
  std::vector<uint8_t> pixels;
  // Red, green, blue of each palette entry; always 256 entries, those the
  // file does not give are black. `paletteCount` says how many it gave.
  std::array<std::array<uint8_t, 3>, 256> palette{};
  int32_t paletteCount = 0;
};

// Pictures above this many pixels are refused before anything is allocated.
inline constexpr int64_t kMaxPicturePixels = 16 * 1024 * 1024;

Picture ReadBmpPicture(std::string_view bytes);
Picture ReadPngPicture(std::string_view bytes);
// By the signature at the start: "BM" is a bitmap, the PNG signature a PNG.
Picture ReadPicture(std::string_view bytes);
