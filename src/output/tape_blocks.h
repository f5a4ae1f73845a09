#pragma once
// Tape blocks and the two tape containers. A tape is a list of blocks as
// they travel on tape (flag, data, check byte); the TAP container prefixes
// each with its length, the TZX container wraps each in a standard-speed or
// turbo-speed block and adds description texts.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Pulse lengths in T-states of a turbo-speed block; the defaults are the
// standard ROM timings.
struct TapeTimings {
  uint16_t pilot = 2168;
  uint16_t sync1 = 667;
  uint16_t sync2 = 735;
  uint16_t zero = 855;
  uint16_t one = 1710;
  uint16_t pilotPulses = 3223;
  uint8_t usedBits = 8;
};

struct TapeBlock {
  std::string bytes;    // the block on tape: flag (or first byte), data, check
  uint16_t pause = 0;   // TZX: milliseconds of silence after the block
  bool turbo = false;   // TZX: written as a turbo-speed block with `timings`
  TapeTimings timings;  // turbo only
};

// XOR of every byte.
uint8_t XorOf(std::string_view bytes);
// A standard block: `flag`, the data, the XOR check of both.
TapeBlock StandardBlock(uint8_t flag, std::string_view data, uint16_t pause);
// A block whose first data byte stands in the place of the flag: the bytes,
// then their XOR.
TapeBlock StreamBlock(std::string_view stream, uint16_t pause);

// The 10-byte name field: the name cut to 10 characters, padded with spaces.
std::string HeaderName(std::string_view name);
// Header block (flag 0) of a CODE file.
TapeBlock CodeHeader(std::string_view name, uint16_t length, uint16_t start);
// The BASIC loader: its header and its data block. Line 1 is a REM line
// holding `body` (which lands at 23760), line 2 is RANDOMIZE USR 23760, and
// a numeric variable follows the program.
inline constexpr uint16_t kRemBodyAddress = 23760;
std::vector<TapeBlock> BasicLoaderBlocks(std::string_view name, std::string_view body);
// Bytes of the BASIC program and variables built around `body`, without the
// flag and check (what LOAD "" puts at 23755).
std::string BasicLoaderProgram(std::string_view body);

// The TAP container: each block preceded by its 16-bit length. The caller
// keeps blocks within 65535 bytes.
std::string TapImage(const std::vector<TapeBlock>& blocks);
// The TZX container: the header, one text description block for every
// non-empty CR-separated piece of `description` (pieces longer than 255
// bytes continue in further blocks), one with `date`, then the blocks.
std::string TzxImage(const std::vector<TapeBlock>& blocks, std::string_view description,
                     std::string_view date);
