#include "output/list_file.h"

#include <algorithm>

#include "assembler/assembly.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
// Byte columns a line is padded to.
constexpr size_t kPaddedBytes = 4;

void AppendHex(std::string& out, uint32_t v, int digits) {
  char buf[8];
  int n = 0;
  do {
    buf[n++] = kHexDigits[v & 15];
    v >>= 4;
  } while (v != 0);
  for (int i = n; i < digits; ++i) out += '0';
  while (n > 0) out += buf[--n];
}

// Consecutive cells planted by one source line.
struct Group {
  int32_t firstCell = 0;
  int32_t source = -1;
  int32_t line = 0;
  std::string bytes;
};

class ListBuilder {
 public:
  explicit ListBuilder(const Assembly& a) : a_(a) {}

  void Cell(int32_t number, const TMemCell& c, const CellOrigin& o) {
    bool planted = o.SourceID >= 0 && o.Line >= 0;
    if (open_ &&
        (!planted || number != nextCell_ || o.SourceID != group_.source || o.Line != group_.line))
      Flush();
    if (!planted) return;
    if (!open_) {
      group_.firstCell = number;
      group_.source = o.SourceID;
      group_.line = o.Line;
      group_.bytes.clear();
      open_ = true;
    }
    group_.bytes += static_cast<char>(c.Value);
    nextCell_ = number + 1;
  }

  std::vector<std::string> Finish() {
    if (open_) Flush();
    EndFile();
    return std::move(lines_);
  }

 private:
  const TSource* Source(int32_t id) const {
    if (id < 0 || id >= kSourceSlots) return nullptr;
    const TSource& s = a_.sources.slots[id];
    return s.loaded ? &s : nullptr;
  }

  void EndFile() {
    if (const TSource* s = Source(currentFile_)) lines_.push_back("# End of file " + s->FileName);
  }

  void Flush() {
    open_ = false;
    const TSource* s = Source(group_.source);
    if (group_.source != currentFile_) {
      EndFile();
      currentFile_ = group_.source;
      if (s) lines_.push_back("# File " + s->FileName);
    }
    std::string line;
    AppendHex(line, static_cast<uint32_t>(group_.firstCell), 4);
    for (char b : group_.bytes) {
      line += ' ';
      AppendHex(line, static_cast<uint8_t>(b), 2);
    }
    if (group_.bytes.size() < kPaddedBytes)
      line.append(3 * (kPaddedBytes - group_.bytes.size()), ' ');
    if (s && group_.line > 0 && static_cast<size_t>(group_.line) <= s->Lines.size()) {
      line += ' ';
      line += s->Lines[group_.line - 1];
    }
    lines_.push_back(std::move(line));
  }

  const Assembly& a_;
  std::vector<std::string> lines_;
  Group group_;
  bool open_ = false;
  int32_t nextCell_ = 0;
  int32_t currentFile_ = -1;
};

}  // namespace

std::vector<std::string> BuildListLines(const Assembly& a) {
  // Only allocated pages hold planted cells; the others read as unplanted.
  std::vector<int32_t> pages = a.image.usedPages;
  std::sort(pages.begin(), pages.end());
  pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
  ListBuilder list(a);
  for (int32_t page : pages) {
    int32_t first = page << MemoryImage::kPageBits;
    int32_t end = std::min(first + MemoryImage::kPageSize, kImageCells);
    for (int32_t cell = first; cell < end; ++cell)
      list.Cell(cell, a.image.Cell(cell), a.image.Origin(cell));
  }
  return list.Finish();
}
