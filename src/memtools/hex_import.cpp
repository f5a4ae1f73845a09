#include "memtools/hex_import.h"

#include <algorithm>

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Reads fixed-width hexadecimal fields from one line.
class FieldReader {
 public:
  FieldReader(std::string_view line, size_t pos) : line_(line), pos_(pos) {}

  // `digits` hex digits; a non-digit reads as 0 and stays, so does the end.
  uint32_t Field(int digits) {
    uint32_t v = 0;
    for (int i = 0; i < digits; ++i) {
      int d = pos_ < line_.size() ? HexDigit(line_[pos_]) : -1;
      v = v << 4;
      if (d < 0) continue;
      v |= static_cast<uint32_t>(d);
      ++pos_;
    }
    return v;
  }
  uint8_t Byte() { return static_cast<uint8_t>(Field(2)); }
  // Passes over one character of any kind (a separator).
  void Skip() {
    if (pos_ < line_.size()) ++pos_;
  }

 private:
  std::string_view line_;
  size_t pos_;
};

uint32_t ReadData(FieldReader& r, uint32_t count, std::vector<uint8_t>& bytes) {
  for (uint32_t i = 0; i < count; ++i) bytes.push_back(r.Byte());
  return count;
}

// ":" count (2), address (4), type (2), data.
uint32_t IntelLine(FieldReader r, uint32_t& base, int64_t& address, std::vector<uint8_t>& bytes) {
  uint32_t count = r.Field(2);
  uint32_t at = r.Field(4);
  uint32_t type = r.Field(2);
  if (type == 0) {
    address = static_cast<int64_t>(at) + base;
    return ReadData(r, count, bytes);
  }
  if ((type == 2 || type == 4) && count == 2 && at == 0) {
    uint32_t value = r.Field(4);
    base = type == 2 ? value << 4 : value << 16;
  }
  return 0;
}

// "S", type digit, count (2), address (4, 6 or 8 digits for S1, S2, S3),
// data; the count covers the address, the data and the checksum.
uint32_t SRecordLine(std::string_view line, int64_t& address, std::vector<uint8_t>& bytes) {
  char type = line.size() > 1 ? line[1] : '\0';
  if (type < '1' || type > '3') return 0;
  int addressBytes = type - '0' + 1;
  FieldReader r(line, 2);
  int64_t count = r.Field(2);
  address = r.Field(addressBytes * 2);
  int64_t data = count - addressBytes - 1;
  return data > 0 ? ReadData(r, static_cast<uint32_t>(data), bytes) : 0;
}

// ";" count (2), address (4), data.
uint32_t MosLine(FieldReader r, uint32_t base, int64_t& address, std::vector<uint8_t>& bytes) {
  uint32_t count = r.Field(2);
  address = static_cast<int64_t>(r.Field(4)) + base;
  return ReadData(r, count, bytes);
}

// "/" address (4), count (2), header checksum (2), data.
uint32_t TektronixLine(FieldReader r, uint32_t base, int64_t& address,
                       std::vector<uint8_t>& bytes) {
  address = static_cast<int64_t>(r.Field(4)) + base;
  uint32_t count = r.Field(2);
  r.Byte();
  return ReadData(r, count, bytes);
}

// Address (4, from the first character on), then 8 bytes, each after one
// separator character.
uint32_t DumpLine(FieldReader r, uint32_t base, int64_t& address, std::vector<uint8_t>& bytes) {
  address = static_cast<int64_t>(r.Field(4)) + base;
  for (int i = 0; i < 8; ++i) {
    r.Skip();
    bytes.push_back(r.Byte());
  }
  return 8;
}

}  // namespace

uint32_t DecodeHexLine(std::string_view line, uint32_t& base, int64_t& address,
                       std::vector<uint8_t>& bytes) {
  if (line.empty()) return 0;
  char first = line[0];
  switch (first) {
    case ':':
      return IntelLine(FieldReader(line, 1), base, address, bytes);
    case 'S':
      return SRecordLine(line, address, bytes);
    case ';':
      return MosLine(FieldReader(line, 1), base, address, bytes);
    case '/':
      return TektronixLine(FieldReader(line, 1), base, address, bytes);
    default:
      if ((first >= '0' && first <= '9') || (first >= 'A' && first <= 'F'))
        return DumpLine(FieldReader(line, 0), base, address, bytes);
      return 0;
  }
}

HexDecodeResult DecodeHexText(std::string_view text, int64_t maxBytes) {
  HexDecodeResult result;
  if (text.find('\0') != std::string_view::npos) {
    result.error = "is not a text file";
    return result;
  }
  HexData& out = result.data;
  uint32_t base = 0;
  size_t pos = 0;
  while (pos < text.size() && (maxBytes < 0 || static_cast<int64_t>(out.bytes.size()) < maxBytes)) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++pos;

    auto offset = static_cast<uint32_t>(out.bytes.size());
    int64_t address = 0;
    uint32_t n = DecodeHexLine(line, base, address, out.bytes);
    if (n == 0) continue;
    if (maxBytes >= 0) {
      n = static_cast<uint32_t>(std::min<int64_t>(n, maxBytes - offset));
      out.bytes.resize(offset + n);
    }
    out.records.push_back(HexRecord{address, offset, n});
  }
  return result;
}
