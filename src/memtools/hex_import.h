#pragma once
// Decoding the text files that IMPORT_HEX reads. Each line is decoded by its
// first character: Intel HEX (":"), Motorola S-records ("S"), MOS Technology
// (";"), Tektronix ("/") or a plain hex dump (a hex digit); any other line is
// skipped, so formats may be mixed line by line. Checksums are not checked:
// a character that is no hex digit reads as 0 and is not consumed, and a
// field that runs past the end of its line reads as 0.
//
// These are pure functions over text, so they can be tested and fuzzed
// without an assembly.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One line that carried data: its address (the extended base applied) and
// where its bytes lie in HexData::bytes.
struct HexRecord {
  int64_t address = 0;
  uint32_t offset = 0;
  uint32_t length = 0;
};

struct HexData {
  std::vector<HexRecord> records;
  std::vector<uint8_t> bytes;  // the bytes of every record, in file order
};

// Decodes one line (without its line end). `base` is the extended address
// that Intel HEX records of types 2 and 4 set and that Intel HEX, MOS
// Technology, Tektronix and dump lines add to their addresses; it carries
// from line to line. The data bytes are appended to `bytes`; the return value
// is their count, and `address` is set when it is above 0.
uint32_t DecodeHexLine(std::string_view line, uint32_t& base, int64_t& address,
                       std::vector<uint8_t>& bytes);

// Decodes a whole file. Lines end at LF, CR LF or CR. Reading stops once
// `maxBytes` data bytes are taken (the last record is cut there); a negative
// `maxBytes` means no limit. Text holding a NUL byte is no hex file: the
// result is then empty and `error` says why.
struct HexDecodeResult {
  HexData data;
  std::string error;
};
HexDecodeResult DecodeHexText(std::string_view text, int64_t maxBytes);
