// Standard tape blocks, the CODE and BASIC headers, the BASIC loader program
// and the TAP and TZX containers.

#include "output/tape_blocks.h"

#include <algorithm>

namespace {

void PutWord(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}

void PutByte(std::string& s, uint32_t v) { s += static_cast<char>(v & 0xFF); }

// Header block: type, name, data length, two parameters.
TapeBlock Header(uint8_t type, std::string_view name, uint16_t length, uint16_t param1,
                 uint16_t param2) {
  std::string data;
  PutByte(data, type);
  data += HeaderName(name);
  PutWord(data, length);
  PutWord(data, param1);
  PutWord(data, param2);
  return StandardBlock(0x00, data, 0);
}

// Line 2 of the loader: RANDOMIZE USR 23760, the number written out and as
// the hidden five-byte integer form the ROM reads.
constexpr unsigned char kUsrLine[] = {0xF9, 0xC0, '2',  '3',  '7',  '6', '0',
                                      0x0E, 0x00, 0x00, 0xD0, 0x5C, 0x00};
// The variables area: a numeric variable named "state" holding 1.
constexpr unsigned char kVariables[] = {0xB3, 0x74, 0x61, 0x74, 0xE5, 0x00, 0x00, 0x01, 0x00, 0x00};
constexpr uint8_t kRemToken = 0xEA;
constexpr uint8_t kEnter = 0x0D;
constexpr uint16_t kAutostartLine = 2;

// One TZX text description block (ID $30).
void PutTextBlock(std::string& out, std::string_view text) {
  PutByte(out, 0x30);
  PutByte(out, text.size());
  out += text;
}

}  // namespace

uint8_t XorOf(std::string_view bytes) {
  uint8_t x = 0;
  for (char c : bytes) x ^= static_cast<uint8_t>(c);
  return x;
}

TapeBlock StandardBlock(uint8_t flag, std::string_view data, uint16_t pause) {
  TapeBlock b;
  b.bytes.reserve(data.size() + 2);
  PutByte(b.bytes, flag);
  b.bytes += data;
  PutByte(b.bytes, XorOf(b.bytes));
  b.pause = pause;
  return b;
}

TapeBlock StreamBlock(std::string_view stream, uint16_t pause) {
  TapeBlock b;
  b.bytes.reserve(stream.size() + 1);
  b.bytes += stream;
  PutByte(b.bytes, XorOf(stream));
  b.pause = pause;
  return b;
}

std::string HeaderName(std::string_view name) {
  std::string field(name.substr(0, 10));
  field.resize(10, ' ');
  return field;
}

TapeBlock CodeHeader(std::string_view name, uint16_t length, uint16_t start) {
  return Header(3, name, length, start, 0x8000);
}

std::string BasicLoaderProgram(std::string_view body) {
  std::string p;
  p.reserve(body.size() + 34);
  // Line numbers are stored high byte first, line lengths low byte first.
  p += {0, 1};
  PutWord(p, body.size() + 2);
  PutByte(p, kRemToken);
  p += body;
  PutByte(p, kEnter);
  p += {0, 2};
  PutWord(p, sizeof kUsrLine + 1);
  p.append(reinterpret_cast<const char*>(kUsrLine), sizeof kUsrLine);
  PutByte(p, kEnter);
  p.append(reinterpret_cast<const char*>(kVariables), sizeof kVariables);
  return p;
}

std::vector<TapeBlock> BasicLoaderBlocks(std::string_view name, std::string_view body) {
  std::string program = BasicLoaderProgram(body);
  uint16_t length = static_cast<uint16_t>(program.size());
  uint16_t lines = static_cast<uint16_t>(program.size() - sizeof kVariables);
  std::vector<TapeBlock> blocks;
  blocks.push_back(Header(0, name, length, kAutostartLine, lines));
  blocks.push_back(StandardBlock(0xFF, program, 1000));
  return blocks;
}

std::string TapImage(const std::vector<TapeBlock>& blocks) {
  std::string out;
  for (const TapeBlock& b : blocks) {
    PutWord(out, b.bytes.size());
    out += b.bytes;
  }
  return out;
}

std::string TzxImage(const std::vector<TapeBlock>& blocks, std::string_view description,
                     std::string_view date) {
  std::string out = "ZXTape!\x1A";
  PutByte(out, 1);
  PutByte(out, 20);
  size_t start = 0;
  while (start <= description.size()) {
    size_t end = std::min(description.find('\r', start), description.size());
    for (size_t p = start; p < end; p += 255)
      PutTextBlock(out, description.substr(p, std::min<size_t>(255, end - p)));
    start = end + 1;
  }
  PutTextBlock(out, date.substr(0, 255));
  for (const TapeBlock& b : blocks) {
    if (b.turbo) {
      const TapeTimings& t = b.timings;
      PutByte(out, 0x11);
      for (uint16_t v : {t.pilot, t.sync1, t.sync2, t.zero, t.one, t.pilotPulses}) PutWord(out, v);
      PutByte(out, t.usedBits);
      PutWord(out, b.pause);
      PutWord(out, b.bytes.size());
      PutByte(out, b.bytes.size() >> 16);
    } else {
      PutByte(out, 0x10);
      PutWord(out, b.pause);
      PutWord(out, b.bytes.size());
    }
    out += b.bytes;
  }
  return out;
}
