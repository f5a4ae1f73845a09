// Bitmap (.bmp) pictures: the 12-byte OS/2 core header and the 40-byte (and
// longer) Windows headers; 8 bits per pixel, uncompressed or RLE8.

#include <algorithm>
#include <cstring>

#include "support/picture.h"

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionRle8 = 1;

uint32_t Le16(std::string_view b, size_t at) {
  return static_cast<uint8_t>(b[at]) | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8;
}

uint32_t Le32(std::string_view b, size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }

Picture Broken(Picture p, std::string problem) {
  p.status = PictureStatus::kBroken;
  p.problem = std::move(problem);
  p.pixels.clear();
  return p;
}

struct BmpHeader {
  uint32_t pixelOffset = 0;
  uint32_t infoSize = 0;
  int64_t width = 0;
  int64_t height = 0;  // negative: rows stored top to bottom
  uint32_t bits = 0;
  uint32_t compression = kCompressionNone;
  uint32_t colours = 0;  // palette entries declared (0: the full 2^bits)
};

// Unpacks RLE8 data into `p.pixels`. `bottomUp` rows are stored from the
// bottom row up. A run, an absolute block or a move that would leave the
// picture, or data that ends before the end-of-picture mark, is refused.
bool DecodeRle8(std::string_view data, bool bottomUp, Picture& p, std::string& problem) {
  const int64_t w = p.width, h = p.height;
  int64_t x = 0, row = 0;  // row counts in storage order
  size_t i = 0;
  auto put = [&](uint8_t v) -> bool {
    if (x >= w || row >= h) return false;
    int64_t y = bottomUp ? h - 1 - row : row;
    p.pixels[static_cast<size_t>(y * w + x)] = v;
    ++x;
    return true;
  };
  while (true) {
    if (i + 2 > data.size()) {
      problem = "the compressed data ends before the end-of-picture mark";
      return false;
    }
    const uint8_t count = static_cast<uint8_t>(data[i]);
    const uint8_t value = static_cast<uint8_t>(data[i + 1]);
    i += 2;
    if (count > 0) {
      for (int k = 0; k < count; ++k)
        if (!put(value)) {
          problem = "the compressed data runs past the picture";
          return false;
        }
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        ++row;
        break;
      case 1:  // end of picture
        return true;
      case 2: {  // move right and up
        if (i + 2 > data.size()) {
          problem = "the compressed data ends before the end-of-picture mark";
          return false;
        }
        x += static_cast<uint8_t>(data[i]);
        row += static_cast<uint8_t>(data[i + 1]);
        i += 2;
        if (x > w || row > h || (row == h && x > 0)) {
          problem = "the compressed data runs past the picture";
          return false;
        }
        break;
      }
      default: {  // an absolute block of `value` bytes, padded to an even length
        size_t n = value;
        if (i + n > data.size()) {
          problem = "the compressed data ends before the end-of-picture mark";
          return false;
        }
        for (size_t k = 0; k < n; ++k)
          if (!put(static_cast<uint8_t>(data[i + k]))) {
            problem = "the compressed data runs past the picture";
            return false;
          }
        i += n + (n & 1);
        break;
      }
    }
  }
}

bool ReadHeader(std::string_view b, BmpHeader& h, std::string& problem) {
  if (b.size() < kFileHeaderSize + 4) {
    problem = "the file is too short for a bitmap header";
    return false;
  }
  h.pixelOffset = Le32(b, 10);
  h.infoSize = Le32(b, 14);
  const size_t info = kFileHeaderSize;
  if (h.infoSize == 12) {
    if (b.size() < info + 12) {
      problem = "the file is too short for its bitmap header";
      return false;
    }
    h.width = Le16(b, info + 4);
    h.height = Le16(b, info + 6);
    h.bits = Le16(b, info + 10);
    return true;
  }
  if (h.infoSize < 40 || h.infoSize > b.size() - info) {
    problem = h.infoSize < 40 ? "the bitmap header has an unknown size"
                              : "the file is too short for its bitmap header";
    return false;
  }
  h.width = static_cast<int32_t>(Le32(b, info + 4));
  h.height = static_cast<int32_t>(Le32(b, info + 8));
  h.bits = Le16(b, info + 14);
  h.compression = Le32(b, info + 16);
  h.colours = Le32(b, info + 32);
  return true;
}

}  // namespace

Picture ReadBmpPicture(std::string_view b) {
  Picture p;
  if (b.size() < 2 || b[0] != 'B' || b[1] != 'M') return p;
  BmpHeader h;
  std::string problem;
  if (!ReadHeader(b, h, problem)) return Broken(std::move(p), problem);
  const bool bottomUp = h.height > 0;
  const int64_t height = h.height < 0 ? -h.height : h.height;
  if (h.width <= 0 || height == 0) return Broken(std::move(p), "the picture has no pixels");
  if (h.width * height > kMaxPicturePixels) return Broken(std::move(p), "the picture is too large");
  p.width = static_cast<int32_t>(h.width);
  p.height = static_cast<int32_t>(height);
  p.bitsPerPixel = static_cast<int32_t>(h.bits);
  if (h.bits != 8) {
    p.status = PictureStatus::kNotIndexed;
    return p;
  }
  if (h.compression != kCompressionNone && h.compression != kCompressionRle8)
    return Broken(std::move(p), "the bitmap uses a compression other than RLE8");
  if (h.compression == kCompressionRle8 && !bottomUp)
    return Broken(std::move(p), "a top-down bitmap cannot be RLE8 compressed");

  // The palette follows the header: 3 bytes per entry (blue, green, red)
  // after a core header, 4 after the others.
  // Without a declared count the palette fills the room before the pixels,
  // up to 256 entries (some writers give fewer than the full 256).
  if (h.colours > 256) return Broken(std::move(p), "the bitmap declares more than 256 colours");
  const uint32_t entrySize = h.infoSize == 12 ? 3 : 4;
  const uint64_t paletteAt = kFileHeaderSize + static_cast<uint64_t>(h.infoSize);
  uint32_t entries = h.colours;
  if (entries == 0 && h.pixelOffset > paletteAt)
    entries =
        static_cast<uint32_t>(std::min<uint64_t>(256, (h.pixelOffset - paletteAt) / entrySize));
  const uint64_t paletteEnd = paletteAt + static_cast<uint64_t>(entries) * entrySize;
  if (paletteEnd > b.size() || paletteEnd > h.pixelOffset)
    return Broken(std::move(p), "the palette does not fit in the file");
  for (uint32_t e = 0; e < entries; ++e) {
    const size_t at = static_cast<size_t>(paletteAt + static_cast<uint64_t>(e) * entrySize);
    p.palette[e] = {static_cast<uint8_t>(b[at + 2]), static_cast<uint8_t>(b[at + 1]),
                    static_cast<uint8_t>(b[at])};
  }
  p.paletteCount = static_cast<int32_t>(entries);

  if (h.pixelOffset >= b.size()) return Broken(std::move(p), "the file ends before its pixels");
  std::string_view data = b.substr(h.pixelOffset);
  // Rows are padded to a multiple of 4 bytes; the last row's padding may be
  // missing. A short file is refused before the pixels are allocated, so a
  // small file that declares a large picture costs nothing.
  const uint64_t stride = (static_cast<uint64_t>(h.width) + 3) & ~uint64_t{3};
  if (h.compression != kCompressionRle8 &&
      stride * static_cast<uint64_t>(height - 1) + static_cast<uint64_t>(h.width) > data.size())
    return Broken(std::move(p), "the file ends before its pixels");
  p.pixels.assign(static_cast<size_t>(h.width * height), 0);
  if (h.compression == kCompressionRle8) {
    if (!DecodeRle8(data, bottomUp, p, problem)) return Broken(std::move(p), problem);
  } else {
    for (int64_t row = 0; row < height; ++row) {
      const int64_t y = bottomUp ? height - 1 - row : row;
      std::memcpy(p.pixels.data() + y * h.width, data.data() + static_cast<uint64_t>(row) * stride,
                  static_cast<size_t>(h.width));
    }
  }
  p.status = PictureStatus::kOk;
  return p;
}

Picture ReadPicture(std::string_view bytes) {
  static constexpr std::string_view kPngSignature{"\x89PNG\r\n\x1a\n", 8};
  if (bytes.substr(0, kPngSignature.size()) == kPngSignature) return ReadPngPicture(bytes);
  return ReadBmpPicture(bytes);
}
