#pragma once
// The name hash shared by the keyword table and the symbol table: a CRC-32
// variant (reflected table of $EDB88320) starting at $FFFFFFFF minus the
// length of the name, with no final inversion.

#include <array>
#include <cstdint>
#include <string_view>

namespace detail {
constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : (c >> 1);
    t[i] = c;
  }
  return t;
}
inline constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();
}  // namespace detail

constexpr uint32_t NameHash(std::string_view s) {
  uint32_t crc = 0xFFFFFFFFu - static_cast<uint32_t>(s.size());
  for (unsigned char b : s) crc = detail::kCrcTable[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return crc;
}
