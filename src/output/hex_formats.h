#pragma once
// The text formats of a memory range: Intel HEX, Motorola S-records,
// assembler "org"/"db" text and the plain hex dump, plus the free text file.
// Each turns the bytes of a range starting at a logical address into the
// complete file contents: 8-bit text, CR LF after every line, upper-case hex.

#include <cstdint>
#include <string>
#include <string_view>

// `bytes` holds the range's bytes in address order, from `start` on.
std::string IntelHexText(uint32_t start, std::string_view bytes);
std::string SRecordText(uint32_t start, std::string_view bytes);
// The address width of S-records follows the range as declared (`start` +
// `length`), also when fewer bytes were fetched for it.
std::string SRecordText(uint32_t start, std::string_view bytes, uint32_t length);
std::string AssemblerDbText(uint32_t start, std::string_view bytes);
// `digits` of the address column (0 = none), `perLine` bytes a line (0 = one).
std::string HexDumpText(uint32_t start, std::string_view bytes, uint32_t digits, uint32_t perLine);
// The collected text of OUTPUT_TEXT, split at CR LF, CR or LF, each line
// ended by CR LF. A line end at the very end adds no empty line.
std::string TextFileText(std::string_view text);
