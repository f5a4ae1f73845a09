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
#include "support/file_read.h"

struct Assembly;

// The lines of a loaded file: its text in one buffer, every line followed by
// one "\n" (the last one may lack it). A line is a view into the buffer,
// which never moves while the lines are in use, so the lexer and its saved
// positions hold views instead of copies. Beside the text are one length
// byte per line (255 for a longer line, which is then measured) and the
// start of every 16th line: a line is found by adding the lengths from the
// mark before it; the line after the last one asked for, which is how the
// lexer reads, and lines jumped to before come straight. No allocation per
// line.
class SourceLines {
 public:
  size_t size() const { return lengths_.size(); }
  bool empty() const { return lengths_.empty(); }
  std::string_view operator[](size_t i) const {
    if (i == cursor_ + 1 && stride_ != 1 && lengths_[i] != kLongLine) {
      cursor_ = i;
      cursorStart_ = cursorEnd_ + 1;
      cursorEnd_ = cursorStart_ + lengths_[i];
      return std::string_view(text_.data() + cursorStart_, lengths_[i]);
    }
    return Find(i);
  }
  // Takes the decoded text of a file: lines end at CR LF, LF or CR.
  void Assign(FileBytes text);
  // The lines as given, one per element (line ends inside them stay).
  SourceLines& operator=(const std::vector<std::string>& lines);
  void clear();
  // Bytes held, for the memory budget.
  size_t Footprint() const {
    return text_.capacity() + lengths_.capacity() + marks_.capacity() * sizeof(uint32_t) +
           settled_.capacity();
  }
  // One byte a line that the passes before the final one keep about it
  // (assembler/line_skip.h); 0 until set, and again whenever the text
  // changes. Like the cursor, it is knowledge about the text, not the text.
  uint8_t Settled(size_t i) const { return i < settled_.size() ? settled_[i] : 0; }
  void SetSettled(size_t i, uint8_t v) const {
    if (settled_.size() <= i) settled_.resize(size());
    settled_[i] = v;
  }
  void ClearSettled() const { settled_ = std::vector<uint8_t>(); }

 private:
  static constexpr size_t kMarkStride = 16;
  static constexpr uint8_t kLongLine = 255;
  std::string_view Find(size_t i) const;
  // Length of line i, which starts at `start`.
  size_t LengthAt(size_t i, size_t start) const;
  FileBytes text_;
  std::vector<uint8_t> lengths_;
  // Start of every stride-th line; with a stride of 1 (lines given one by
  // one, which may hold line ends) also one past the end of the last, and
  // lengths come from it.
  std::vector<uint32_t> marks_;
  mutable std::vector<uint8_t> settled_;
  size_t stride_ = kMarkStride;
  // The line asked for last, with its bounds; at first the line "before"
  // line 0, whose end is just before the text.
  mutable size_t cursor_ = SIZE_MAX;
  mutable size_t cursorStart_ = 0;
  mutable size_t cursorEnd_ = SIZE_MAX;
  // Starts of lines reached by a jump (a loop or macro body read again),
  // by line number modulo the size: a jump back to one of them is direct.
  struct Jump {
    size_t line = SIZE_MAX;
    size_t start = 0;
  };
  mutable std::array<Jump, 16> jumps_{};
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
  // The addresses point into this object's deque, which a move keeps.
  SourceSlots() = default;
  SourceSlots(const SourceSlots&) = delete;
  SourceSlots& operator=(const SourceSlots&) = delete;
  SourceSlots(SourceSlots&&) noexcept = default;
  SourceSlots& operator=(SourceSlots&&) noexcept = default;

  TSource& operator[](size_t i) {
    while (made_.size() <= i) at_.push_back(&made_.emplace_back());
    return *at_[i];
  }
  // The lexer asks for the current slot at every line: a vector of
  // addresses answers in two steps where the deque takes a dozen.
  const TSource& operator[](size_t i) const { return i < at_.size() ? *at_[i] : Free(); }
  // The slots made so far; the others are free.
  auto begin() const { return made_.begin(); }
  auto end() const { return made_.end(); }
  auto begin() { return made_.begin(); }
  auto end() { return made_.end(); }
  void clear() {
    at_.clear();
    made_.clear();
  }

 private:
  static const TSource& Free() {
    static const TSource kFree;
    return kFree;
  }
  std::deque<TSource> made_;
  std::vector<TSource*> at_;  // made_[i] by slot
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
bool DecodeSourceText(FileBytes bytes, SourceLines& lines);
bool DecodeSourceText(std::string_view bytes, std::vector<std::string>& lines);
