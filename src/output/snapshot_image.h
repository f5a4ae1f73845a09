#pragma once
// What the snapshot writers share: the 16K banks of the Spectrum family read
// from the memory image, the machine classes, and little-endian building.

#include <cstdint>
#include <string>
#include <string_view>

struct Assembly;

inline constexpr uint32_t kBankSize = 0x4000;

// Bank n (0 to 7) as the snapshot sees it: banks 5, 2 and 0 are the 64K view
// at $4000, $8000 and $C000, the others the 128K bank windows. On the Next
// the banks outside the 64K view come from their two 8K pages.
std::string SnapshotBank(const Assembly& a, int bank);
// Bank n taken from the two 8K pages the model assigns to it (SNA files).
std::string PagedBank(const Assembly& a, int bank);

// 128K, +2 and +3: the machines with eight banks and a $7FFD port.
bool Is128KClass(uint8_t model);

inline void PutByte(std::string& out, uint32_t v) { out += static_cast<char>(v & 0xFF); }
inline void PutWord(std::string& out, uint32_t v) {
  PutByte(out, v);
  PutByte(out, v >> 8);
}
inline void PutLong(std::string& out, uint32_t v) {
  PutWord(out, v);
  PutWord(out, v >> 16);
}
inline void SetWord(std::string& out, size_t at, uint32_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

// A text laid into a field of exactly `size` bytes: cut to leave at least one
// zero byte, so that readers taking it as a C string stop inside the field.
std::string FixedText(std::string_view text, size_t size);
