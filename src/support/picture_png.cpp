// PNG pictures with a palette, read with libpng from the file's bytes in
// memory. Palette pictures of 1, 2 and 4 bits per pixel are unpacked to one
// index per pixel as well; every other colour type is not indexed.

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "support/picture.h"

namespace {

// libpng's view of the file: the bytes, the read position, and the text of
// the error that ended the read.
struct PngSource {
  const char* data;
  size_t size;
  size_t at;
  char message[160];
};

void ReadBytes(png_structp png, png_bytep out, size_t n) {
  auto* s = static_cast<PngSource*>(png_get_io_ptr(png));
  if (n > s->size - s->at) png_error(png, "the file ends early");
  std::memcpy(out, s->data + s->at, n);
  s->at += n;
}

[[noreturn]] void OnError(png_structp png, png_const_charp text) {
  auto* s = static_cast<PngSource*>(png_get_error_ptr(png));
  std::snprintf(s->message, sizeof s->message, "%s", text);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// The decoding proper. libpng reports errors by a long jump back to the
// setjmp below, so this function holds no object with a destructor: what it
// fills lives in the caller. Returns false after an error (s.message).
bool Decode(PngSource& s, Picture& p, std::vector<png_bytep>& rows) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s, OnError, OnWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &s, ReadBytes);
  png_set_user_limits(png, 1u << 16, 1u << 16);
  png_set_chunk_malloc_max(png, 8u << 20);
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int depth = 0, colourType = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &colourType, &interlace, nullptr, nullptr);
  p.width = static_cast<int32_t>(width);
  p.height = static_cast<int32_t>(height);
  p.bitsPerPixel = depth * png_get_channels(png, info);
  if (static_cast<int64_t>(width) * height > kMaxPicturePixels) {
    std::snprintf(s.message, sizeof s.message, "the picture is too large");
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  if (colourType != PNG_COLOR_TYPE_PALETTE) {
    p.status = PictureStatus::kNotIndexed;
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
  }
  png_colorp palette = nullptr;
  int entries = 0;
  if (png_get_PLTE(png, info, &palette, &entries) != 0) {
    for (int e = 0; e < entries && e < 256; ++e)
      p.palette[e] = {palette[e].red, palette[e].green, palette[e].blue};
    p.paletteCount = entries;
  }
  if (depth < 8) png_set_packing(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != width) png_error(png, "unexpected row size");

  p.pixels.assign(static_cast<size_t>(width) * height, 0);
  rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y)
    rows[y] = p.pixels.data() + static_cast<size_t>(y) * width;
  png_read_image(png, rows.data());
  p.status = PictureStatus::kOk;
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

Picture ReadPngPicture(std::string_view bytes) {
  Picture p;
  if (bytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, 8) != 0)
    return p;
  PngSource s{bytes.data(), bytes.size(), 0, {}};
  std::vector<png_bytep> rows;
  if (!Decode(s, p, rows)) {
    p.status = PictureStatus::kBroken;
    p.problem = s.message[0] != '\0' ? s.message : "libpng cannot read it";
    p.pixels.clear();
  }
  return p;
}
