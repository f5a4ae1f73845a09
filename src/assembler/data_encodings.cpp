// Pure encodings behind the data directives: the Spectrum 5-byte float, the
// IEEE single, hex-pair strings and graphic bit rows. No assembler state.

#include <bit>
#include <cfloat>
#include <cmath>

#include "assembler/data_directives.h"

bool EncodeSpectrumFloat(long double value, bool isInteger, std::array<uint8_t, 5>& out) {
  out.fill(0);
  if (isInteger && value >= -65535.0L && value <= 65535.0L) {
    // Small integer: 0, sign byte, 16-bit two's complement low first, 0.
    auto v = static_cast<int32_t>(value);
    auto t = static_cast<uint16_t>(v);
    out[1] = v < 0 ? 0xFF : 0x00;
    out[2] = static_cast<uint8_t>(t & 0xFF);
    out[3] = static_cast<uint8_t>(t >> 8);
    return true;
  }
  if (!std::isfinite(value) || value == 0.0L) return false;
  int e = 0;
  long double m = std::frexp(std::fabs(value), &e);  // 0.5 <= m < 1
  if (e + 128 < 0 || e + 128 > 255) return false;
  // m * 2^32 lies in [2^31, 2^32): its integer part is the leading 1 and the
  // 31 bits after it. The long double mantissa holds them exactly, so the
  // floor is a true truncation.
  auto bits = static_cast<uint32_t>(std::floor(std::ldexp(m, 32)));
  bits &= 0x7FFFFFFFu;
  if (value < 0) bits |= 0x80000000u;
  out[0] = static_cast<uint8_t>(e + 128);
  out[1] = static_cast<uint8_t>(bits >> 24);
  out[2] = static_cast<uint8_t>(bits >> 16);
  out[3] = static_cast<uint8_t>(bits >> 8);
  out[4] = static_cast<uint8_t>(bits);
  return true;
}

bool EncodeIeeeSingle(long double value, std::array<uint8_t, 4>& out) {
  bool fits = true;
  float f;
  // Anything at or beyond FLT_MAX plus half its last place rounds to
  // infinity; converting such a value directly is not defined, so do it here.
  const long double limit = std::ldexp(1.0L, 128) - std::ldexp(1.0L, 103);
  if (std::isnan(value)) {
    f = std::nanf("");
    fits = false;
  } else if (std::fabs(value) >= limit) {
    f = value < 0 ? -INFINITY : INFINITY;
    fits = false;
  } else {
    f = static_cast<float>(value);
  }
  auto u = std::bit_cast<uint32_t>(f);
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(u >> (8 * i));
  return fits;
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ReadHexPairs(std::string_view text, uint8_t transparent, std::vector<uint8_t>& out) {
  char pair[2];
  int have = 0;
  for (char c : text) {
    if (c == ' ') continue;
    pair[have++] = c;
    if (have < 2) continue;
    have = 0;
    int hi = HexDigit(pair[0]), lo = HexDigit(pair[1]);
    if (hi >= 0 && lo >= 0) {
      out.push_back(static_cast<uint8_t>(hi * 16 + lo));
    } else if (pair[0] == '.' && pair[1] == '.') {
      out.push_back(transparent);
    } else if (pair[0] == pair[1] &&
               (pair[0] == 'x' || pair[0] == 'X' || pair[0] == 'z' || pair[0] == 'Z')) {
      out.push_back(0);
    } else {
      return false;
    }
  }
  return have == 0;
}

bool ReadBitRows(std::string_view text, std::vector<uint8_t>& out) {
  size_t whole = text.size() / 8 * 8;
  for (size_t i = 0; i < whole; i += 8) {
    uint8_t b = 0;
    for (size_t j = 0; j < 8; ++j) {
      char c = text[i + j];
      bool zero = c == '-' || c == '.' || c == '_';
      b = static_cast<uint8_t>((b << 1) | (zero ? 0 : 1));
    }
    out.push_back(b);
  }
  return whole == text.size();
}
