#include "output/hex_formats.h"

#include <algorithm>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
// Widest address column of a hex dump; wider requests are cut to this.
constexpr uint32_t kMaxAddressDigits = 64;

// v in hexadecimal, at least `digits` digits, zero-padded on the left.
void AppendHex(std::string& out, uint64_t v, uint32_t digits) {
  char buf[16];
  int n = 0;
  do {
    buf[n++] = kHexDigits[v & 15];
    v >>= 4;
  } while (v != 0);
  for (uint32_t i = static_cast<uint32_t>(n); i < digits; ++i) out += '0';
  while (n > 0) out += buf[--n];
}

uint8_t ByteAt(std::string_view bytes, size_t i) { return static_cast<uint8_t>(bytes[i]); }

// Calls fn(address, offset, count) for each record of the grouping shared by
// the Intel, Motorola and db formats: a first record up to the next multiple
// of 16, then 16 bytes each, the last one the remainder.
template <typename Fn>
void ForEachRecord(uint32_t start, size_t size, Fn fn) {
  uint32_t address = start;
  size_t offset = 0;
  size_t count = 16 - (start % 16);
  while (offset < size) {
    count = std::min(count, size - offset);
    fn(address, offset, count);
    address += static_cast<uint32_t>(count);
    offset += count;
    count = 16;
  }
}

void AppendExtendedLinear(std::string& out, uint32_t upper) {
  uint8_t sum = static_cast<uint8_t>(2 + 4 + (upper >> 8) + upper);
  out += ":02000004";
  AppendHex(out, upper, 4);
  AppendHex(out, static_cast<uint8_t>(-sum), 2);
  out += "\r\n";
}

}  // namespace

std::string IntelHexText(uint32_t start, std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 3 + 64);
  uint32_t upper = start >> 16;
  AppendExtendedLinear(out, upper);
  uint32_t next = start;
  ForEachRecord(start, bytes.size(), [&](uint32_t address, size_t offset, size_t count) {
    out += ':';
    AppendHex(out, count, 2);
    AppendHex(out, address & 0xFFFF, 4);
    out += "00";
    uint8_t sum = static_cast<uint8_t>(count + (address >> 8) + address);
    for (size_t i = 0; i < count; ++i) {
      uint8_t b = ByteAt(bytes, offset + i);
      AppendHex(out, b, 2);
      sum = static_cast<uint8_t>(sum + b);
    }
    AppendHex(out, static_cast<uint8_t>(-sum), 2);
    out += "\r\n";
    // The next record, or the end record, starts here: announce a new 64K
    // segment before it (also before the end record).
    next = address + static_cast<uint32_t>(count);
    if ((next >> 16) != upper) {
      upper = next >> 16;
      AppendExtendedLinear(out, upper);
    }
  });
  out += ":00000001FF\r\n";
  return out;
}

std::string SRecordText(uint32_t start, std::string_view bytes) {
  return SRecordText(start, bytes, static_cast<uint32_t>(bytes.size()));
}

std::string SRecordText(uint32_t start, std::string_view bytes, uint32_t length) {
  uint64_t end = static_cast<uint64_t>(start) + length;
  int addressBytes = end <= 0x10000 ? 2 : end <= 0x1000000 ? 3 : 4;
  const char* type = addressBytes == 2 ? "S1" : addressBytes == 3 ? "S2" : "S3";
  std::string out;
  out.reserve(bytes.size() * 3 + 64);
  out += "S00600004844521B\r\n";
  ForEachRecord(start, bytes.size(), [&](uint32_t address, size_t offset, size_t count) {
    uint32_t length = static_cast<uint32_t>(count) + addressBytes + 1;
    out += type;
    AppendHex(out, length, 2);
    uint8_t sum = static_cast<uint8_t>(length);
    for (int k = addressBytes - 1; k >= 0; --k) {
      uint8_t b = static_cast<uint8_t>(address >> (8 * k));
      AppendHex(out, b, 2);
      sum = static_cast<uint8_t>(sum + b);
    }
    for (size_t i = 0; i < count; ++i) {
      uint8_t b = ByteAt(bytes, offset + i);
      AppendHex(out, b, 2);
      sum = static_cast<uint8_t>(sum + b);
    }
    AppendHex(out, static_cast<uint8_t>(~sum), 2);
    out += "\r\n";
  });
  out += addressBytes == 2   ? "S9030000FC\r\n"
         : addressBytes == 3 ? "S804000000FB\r\n"
                             : "S70500000000FA\r\n";
  return out;
}

std::string AssemblerDbText(uint32_t start, std::string_view bytes) {
  static constexpr std::string_view kIndent = "                        ";  // 24 spaces
  std::string out;
  out.reserve(bytes.size() * 4 + 64);
  out += kIndent;
  out += "org $";
  AppendHex(out, start, 6);
  out += "\r\n\r\n";
  ForEachRecord(start, bytes.size(), [&](uint32_t address, size_t offset, size_t count) {
    out += kIndent;
    out += "db ";
    for (size_t i = 0; i < count; ++i) {
      if (i > 0) out += ',';
      out += '$';
      AppendHex(out, ByteAt(bytes, offset + i), 2);
    }
    out += " ; ";
    AppendHex(out, address, 6);
    out += "\r\n";
  });
  return out;
}

std::string HexDumpText(uint32_t start, std::string_view bytes, uint32_t digits, uint32_t perLine) {
  digits = std::min(digits, kMaxAddressDigits);
  size_t lineBytes = perLine == 0 ? 1 : perLine;
  std::string out;
  out.reserve(bytes.size() * 3 + (bytes.size() / lineBytes + 1) * (digits + 2));
  for (size_t offset = 0; offset < bytes.size(); offset += lineBytes) {
    size_t count = std::min(lineBytes, bytes.size() - offset);
    if (digits != 0) AppendHex(out, static_cast<uint32_t>(start + offset), digits);
    for (size_t i = 0; i < count; ++i) {
      if (digits != 0 || i > 0) out += ' ';
      AppendHex(out, ByteAt(bytes, offset + i), 2);
    }
    out += "\r\n";
  }
  return out;
}

std::string TextFileText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  size_t lineStart = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\r' && c != '\n') continue;
    out.append(text.substr(lineStart, i - lineStart));
    out += "\r\n";
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    lineStart = i + 1;
  }
  if (lineStart < text.size()) {
    out.append(text.substr(lineStart));
    out += "\r\n";
  }
  return out;
}
