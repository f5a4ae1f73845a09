#pragma once
// The loaded source files of a run (main file and includes), each held as a
// list of text lines, and the include stack.

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "common/types.h"

struct Assembly;

// The lines of a loaded file: its text in one buffer, every line followed by
// one "\n", and the offset where each line starts. A line is a view into the
// buffer, which never moves while the lines are in use, so the lexer and its
// saved positions hold views instead of copies. Four bytes per line beside
// the text, and no allocation per line.
class SourceLines {
 public:
  size_t size() const { return starts_.empty() ? 0 : starts_.size() - 1; }
  bool empty() const { return size() == 0; }
  std::string_view operator[](size_t i) const {
    return std::string_view(text_.data() + starts_[i], starts_[i + 1] - starts_[i] - 1);
  }
  // Takes the decoded text of a file: lines end at CR LF, LF or CR.
  void Assign(std::string text);
  // The lines as given, one per element (line ends inside them stay).
  SourceLines& operator=(const std::vector<std::string>& lines);
  void clear();
  // Bytes held, for the memory budget.
  size_t Footprint() const { return text_.capacity() + starts_.capacity() * sizeof(uint32_t); }

 private:
  std::string text_;
  std::vector<uint32_t> starts_;  // one more than the lines: the end of the last
};

struct TSource {
  std::string FileName;   // full resolved path; the key for finding a loaded file
  std::string ShortName;  // file-name part, shown in diagnostics
  SourceLines Lines;
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

// The 256 slots, made when first written: most runs use one or two, and a
// slot never written reads as free. Slots never move once made.
class SourceSlots {
 public:
  TSource& operator[](size_t i) {
    while (made_.size() <= i) made_.emplace_back();
    return made_[i];
  }
  const TSource& operator[](size_t i) const { return i < made_.size() ? made_[i] : Free(); }
  // The slots made so far; the others are free.
  auto begin() const { return made_.begin(); }
  auto end() const { return made_.end(); }
  void clear() { made_.clear(); }

 private:
  static const TSource& Free() {
    static const TSource kFree;
    return kFree;
  }
  std::deque<TSource> made_;
};

struct SourceTable {
  SourceSlots slots;
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
// The bytes are taken over: plain 8-bit text becomes the lines' buffer
// without a copy.
bool DecodeSourceText(std::string bytes, SourceLines& lines);
bool DecodeSourceText(std::string_view bytes, std::vector<std::string>& lines);
