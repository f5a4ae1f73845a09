// The picture readers on bitmaps built here from the file layout: row order,
// RLE8 runs, the two header kinds, and every header that lies about what the
// file holds. Pictures made by a real tool are checked end to end by
// tests/tools/check_nex.py.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/picture.h"

namespace {

void Put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

struct Bmp {
  int32_t width = 4;
  int32_t height = 2;  // negative: top-down
  uint16_t bits = 8;
  uint32_t compression = 0;
  uint32_t colours = 0;  // declared count (0: as many as given)
  bool core = false;     // the 12-byte OS/2 header
  std::vector<uint32_t> palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};  // 0xRRGGBB
  std::string pixels;

  std::string Bytes() const {
    const uint32_t infoSize = core ? 12 : 40;
    const uint32_t entrySize = core ? 3 : 4;
    const uint32_t offset = 14 + infoSize + entrySize * static_cast<uint32_t>(palette.size());
    std::string s = "BM";
    Put32(s, offset + static_cast<uint32_t>(pixels.size()));
    Put32(s, 0);
    Put32(s, offset);
    Put32(s, infoSize);
    if (core) {
      Put16(s, static_cast<uint32_t>(width));
      Put16(s, static_cast<uint32_t>(height));
      Put16(s, 1);
      Put16(s, bits);
    } else {
      Put32(s, static_cast<uint32_t>(width));
      Put32(s, static_cast<uint32_t>(height));
      Put16(s, 1);
      Put16(s, bits);
      Put32(s, compression);
      Put32(s, static_cast<uint32_t>(pixels.size()));
      Put32(s, 2835);
      Put32(s, 2835);
      Put32(s, colours);
      Put32(s, 0);
    }
    for (uint32_t c : palette) {
      s += static_cast<char>(c & 0xFF);  // blue, green, red
      s += static_cast<char>((c >> 8) & 0xFF);
      s += static_cast<char>((c >> 16) & 0xFF);
      if (!core) s += '\0';
    }
    return s + pixels;
  }
};

std::vector<uint8_t> Px(std::initializer_list<int> v) { return {v.begin(), v.end()}; }

std::string Rows(std::initializer_list<std::initializer_list<int>> rows) {
  std::string s;
  for (auto row : rows)
    for (int b : row) s += static_cast<char>(b);
  return s;
}

TEST(PictureBmp, RowOrderAndPaletteOfBothHeaderKinds) {
  Bmp b;
  b.width = 3;  // rows padded to 4 bytes
  b.pixels = Rows({{1, 2, 3, 0}, {4, 5, 6, 0}});
  Picture up = ReadPicture(b.Bytes());
  ASSERT_EQ(up.status, PictureStatus::kOk) << up.problem;
  EXPECT_EQ(up.width, 3);
  EXPECT_EQ(up.height, 2);
  EXPECT_EQ(up.pixels, Px({4, 5, 6, 1, 2, 3}));  // stored bottom row first
  EXPECT_EQ(up.paletteCount, 4);
  EXPECT_EQ(up.palette[1], (std::array<uint8_t, 3>{0xFF, 0, 0}));
  EXPECT_EQ(up.palette[3], (std::array<uint8_t, 3>{0, 0, 0xFF}));
  EXPECT_EQ(up.palette[4], (std::array<uint8_t, 3>{0, 0, 0}));

  b.height = -2;
  Picture down = ReadPicture(b.Bytes());
  ASSERT_EQ(down.status, PictureStatus::kOk) << down.problem;
  EXPECT_EQ(down.height, 2);
  EXPECT_EQ(down.pixels, Px({1, 2, 3, 4, 5, 6}));

  b.height = 2;
  b.core = true;
  b.palette = {0x123456, 0xABCDEF};
  Picture core = ReadPicture(b.Bytes());
  ASSERT_EQ(core.status, PictureStatus::kOk) << core.problem;
  EXPECT_EQ(core.pixels, Px({4, 5, 6, 1, 2, 3}));
  EXPECT_EQ(core.paletteCount, 2);
  EXPECT_EQ(core.palette[1], (std::array<uint8_t, 3>{0xAB, 0xCD, 0xEF}));

  // The last row's padding may be missing.
  b.core = false;
  b.pixels.pop_back();
  EXPECT_EQ(ReadPicture(b.Bytes()).status, PictureStatus::kOk);
}

TEST(PictureBmp, Rle8RunsBlocksMovesAndEnds) {
  Bmp b;
  b.width = 6;
  b.height = 3;
  b.compression = 1;
  // Bottom row: a run of 2 x 7, an absolute block 1 2 3 (padded to an even
  // length), end of line. Then a move 2 right and 1 up, from x = 0 of the
  // middle row to x = 2 of the top row, a run of 4 x 9, end of picture.
  b.pixels = Rows({{2, 7, 0, 3, 1, 2, 3, 0, 0, 0}, {0, 2, 2, 1, 4, 9, 0, 1}});
  Picture p = ReadPicture(b.Bytes());
  ASSERT_EQ(p.status, PictureStatus::kOk) << p.problem;
  EXPECT_EQ(p.pixels, Px({0, 0, 9, 9, 9, 9,  //
                          0, 0, 0, 0, 0, 0,  //
                          7, 7, 1, 2, 3, 0}));
}

TEST(PictureBmp, HeadersThatLieAreRefused) {
  struct Case {
    const char* what;
    Bmp bmp;
    std::string problem;
  };
  Bmp base;
  base.pixels = Rows({{1, 1, 1, 1}, {2, 2, 2, 2}});
  std::vector<Case> cases;
  auto add = [&](const char* what, auto change, std::string problem) {
    Bmp b = base;
    change(b);
    cases.push_back({what, b, std::move(problem)});
  };
  add(
      "pixels cut short", [](Bmp& b) { b.pixels.resize(5); }, "the file ends before its pixels");
  add(
      "height larger than the data", [](Bmp& b) { b.height = 3000; },
      "the file ends before its pixels");
  add(
      "more than 256 colours", [](Bmp& b) { b.colours = 257; },
      "the bitmap declares more than 256 colours");
  add(
      "more colours than the file holds", [](Bmp& b) { b.colours = 200; },
      "the palette does not fit in the file");
  add(
      "no pixels", [](Bmp& b) { b.width = 0; }, "the picture has no pixels");
  add(
      "too large to allocate", [](Bmp& b) { b.width = b.height = 100000; },
      "the picture is too large");
  add(
      "unknown compression", [](Bmp& b) { b.compression = 3; },
      "the bitmap uses a compression other than RLE8");
  add(
      "top-down RLE8", [](Bmp& b) { b.compression = 1, b.height = -2; },
      "a top-down bitmap cannot be RLE8 compressed");
  add(
      "RLE8 run past a row",
      [](Bmp& b) {
        b.compression = 1, b.pixels = Rows({{5, 1, 0, 1}});
      },
      "the compressed data runs past the picture");
  add(
      "RLE8 rows past the top",
      [](Bmp& b) {
        b.compression = 1, b.pixels = Rows({{0, 0, 0, 0, 0, 0, 1, 1}});
      },
      "the compressed data runs past the picture");
  add(
      "RLE8 move past the picture",
      [](Bmp& b) {
        b.compression = 1, b.pixels = Rows({{0, 2, 5, 0}});
      },
      "the compressed data runs past the picture");
  add(
      "RLE8 block past the data",
      [](Bmp& b) {
        b.compression = 1, b.pixels = Rows({{0, 4, 1, 2}});
      },
      "the compressed data ends before the end-of-picture mark");
  add(
      "RLE8 without its end",
      [](Bmp& b) {
        b.compression = 1, b.pixels = Rows({{4, 1, 0, 0}});
      },
      "the compressed data ends before the end-of-picture mark");
  for (const Case& c : cases) {
    Picture p = ReadPicture(c.bmp.Bytes());
    EXPECT_EQ(p.status, PictureStatus::kBroken) << c.what;
    EXPECT_EQ(p.problem, c.problem) << c.what;
    EXPECT_TRUE(p.pixels.empty()) << c.what;
  }
  // Every cut of a good file is refused or read, never read past its end.
  std::string good = base.Bytes();
  for (size_t n = 0; n < good.size(); ++n) {
    Picture p = ReadPicture(std::string_view(good).substr(0, n));
    EXPECT_NE(p.status, PictureStatus::kOk) << n;
  }
}

TEST(PictureBmp, OtherDepthsAndOtherFiles) {
  Bmp b;
  b.bits = 4;
  b.pixels = Rows({{0x12, 0, 0, 0}, {0x34, 0, 0, 0}});
  Picture four = ReadPicture(b.Bytes());
  EXPECT_EQ(four.status, PictureStatus::kNotIndexed);
  EXPECT_EQ(four.bitsPerPixel, 4);
  EXPECT_EQ(four.width, 4);
  b.bits = 24;
  EXPECT_EQ(ReadPicture(b.Bytes()).status, PictureStatus::kNotIndexed);
  EXPECT_EQ(ReadPicture("").status, PictureStatus::kNotPicture);
  EXPECT_EQ(ReadPicture(std::string(6912, 'B')).status, PictureStatus::kNotPicture);
  EXPECT_EQ(ReadPicture("BM").status, PictureStatus::kBroken);
}

TEST(PicturePng, DamagedFilesAreRefused) {
  const std::string signature("\x89PNG\r\n\x1a\n", 8);
  Picture empty = ReadPicture(signature);
  EXPECT_EQ(empty.status, PictureStatus::kBroken);
  EXPECT_FALSE(empty.problem.empty());
  Picture junk = ReadPicture(signature + std::string(100, '\x55'));
  EXPECT_EQ(junk.status, PictureStatus::kBroken);
  EXPECT_EQ(ReadPngPicture("BM").status, PictureStatus::kNotPicture);
}

}  // namespace
