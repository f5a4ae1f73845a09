#pragma once
// The loaded source files of a run (main file and includes), each held as a
// list of text lines, and the include stack.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/types.h"

struct Assembly;

struct TSource {
  std::string FileName;   // full resolved path; the key for finding a loaded file
  std::string ShortName;  // file-name part, shown in diagnostics
  std::vector<std::string> Lines;
  bool loaded = false;    // a free slot has no lines
  bool exists = false;    // the file was found on disk
  std::string readError;  // why an existing file could not be read ("" when it was)
};

struct TSourceRef {
  int32_t RefListIndex = 0;  // slot of the file being read
  TLexPos ReturnLexPos;      // where reading continues in the includer
};

inline constexpr int kSourceSlots = 256;
inline constexpr int kMaxIncludeDepth = 255;

struct SourceTable {
  std::array<TSource, kSourceSlots> slots;
  std::vector<TSourceRef> includeStack;  // entry 0 is the main file
};

// Resolves a name written in a source (or on the command line) to the full
// path under which it is loaded: "\" reads as "/", a name without folder is
// placed next to the main source, or in the current folder for the main file.
std::string MakeAbsoluteName(const Assembly& a, std::string_view name);

// Loads a file once per run ("Assembling: " line); returns its slot or -1
// when the table is full. A missing or unreadable file gives an empty source;
// the slot's `exists` and `readError` tell the caller which.
int LoadSource(Assembly& a, std::string_view name);

// Slot holding the given full name, or -1.
int FindSourceByName(const Assembly& a, std::string_view fullName);

void ClearSources(Assembly& a);

// Converts raw file bytes to Latin-1 lines: a UTF-8 or UTF-16 byte-order mark
// selects that decoding, otherwise each byte is one character. Lines end at
// CR LF, LF or CR. Returns false when the bytes are not valid for the mark.
bool DecodeSourceText(std::string_view bytes, std::vector<std::string>& lines);
