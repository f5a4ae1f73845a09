#include "driver/source_table.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "assembler/assembly.h"
#include "support/file_read.h"
#include "support/paths.h"

namespace {

std::string ShortNameOf(const std::string& full) {
  auto slash = full.find_last_of('/');
  std::string name = slash == std::string::npos ? full : full.substr(slash + 1);
  return name.empty() ? std::string("NEWFILE.ASM") : name;
}

// Appends one Unicode code point as a Latin-1 character ("?" when it has none).
void PutLatin1(std::string& line, uint32_t cp) {
  line.push_back(cp <= 0xFF ? static_cast<char>(cp) : '?');
}

bool DecodeUtf8(std::string_view in, std::string& out) {
  out.reserve(in.size());
  size_t i = 0;
  while (i < in.size()) {
    unsigned char c = static_cast<unsigned char>(in[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    int extra = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= in.size()) return false;
    uint32_t cp = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      unsigned char d = static_cast<unsigned char>(in[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    PutLatin1(out, cp);
    i += extra + 1;
  }
  return true;
}

bool DecodeUtf16(std::string_view in, bool bigEndian, std::string& out) {
  if (in.size() % 2) return false;
  out.reserve(in.size() / 2);
  for (size_t i = 0; i + 1 < in.size(); i += 2) {
    auto b0 = static_cast<unsigned char>(in[i]), b1 = static_cast<unsigned char>(in[i + 1]);
    uint32_t u = bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0);
    if (u >= 0xD800 && u <= 0xDBFF) {
      // A surrogate pair is never Latin-1; skip the low half.
      if (i + 3 >= in.size()) return false;
      i += 2;
      out.push_back('?');
      continue;
    }
    if (u >= 0xDC00 && u <= 0xDFFF) return false;
    PutLatin1(out, u);
  }
  return true;
}

}  // namespace

void SourceLines::Assign(FileBytes text) {
  // Every line end becomes one "\n", in place: the text only shrinks.
  if (text.view().find('\r') != std::string_view::npos) {
    char* t = text.data();
    const size_t n = text.size();
    size_t w = 0;
    for (size_t r = 0; r < n; ++r) {
      char c = t[r];
      if (c == '\r') {
        c = '\n';
        if (r + 1 < n && t[r + 1] == '\n') ++r;
      }
      t[w++] = c;
    }
    text.Truncate(w);
  }
  const size_t n = text.size();
  marks_.clear();
  marks_.shrink_to_fit();
  lengths_.clear();
  lengths_.shrink_to_fit();
  ClearSettled();
  stride_ = kMarkStride;
  cursor_ = cursorEnd_ = SIZE_MAX;
  jumps_ = {};
  if (n > 0) {
    const char* const begin = text.data();
    const char* const end = begin + n;
    // Counted with memchr, which scans many bytes a step.
    size_t count = text.data()[n - 1] != '\n' ? 1 : 0;
    for (const char* p = begin; (p = static_cast<const char*>(std::memchr(p, '\n', end - p))); ++p)
      ++count;
    lengths_.reserve(count);
    marks_.reserve((count + kMarkStride - 1) / kMarkStride);
    for (const char* start = begin; start < end;) {
      const char* nl = static_cast<const char*>(std::memchr(start, '\n', end - start));
      if (!nl) nl = end;
      if (lengths_.size() % kMarkStride == 0)
        marks_.push_back(static_cast<uint32_t>(start - begin));
      const size_t len = static_cast<size_t>(nl - start);
      lengths_.push_back(len < kLongLine ? static_cast<uint8_t>(len) : kLongLine);
      start = nl + 1;
    }
  }
  text_ = std::move(text);
}

SourceLines& SourceLines::operator=(const std::vector<std::string>& lines) {
  FileBytes text;
  size_t total = 0;
  for (const std::string& l : lines) total += l.size() + 1;
  text.Reserve(total);
  marks_.clear();
  marks_.reserve(lines.size() + 1);
  lengths_.assign(lines.size(), 0);
  for (const std::string& l : lines) {
    marks_.push_back(static_cast<uint32_t>(text.size()));
    text.Append(l.data(), l.size());
    text.Append("\n", 1);
  }
  marks_.push_back(static_cast<uint32_t>(text.size()));
  text_ = std::move(text);
  ClearSettled();
  stride_ = 1;
  cursor_ = cursorEnd_ = SIZE_MAX;
  jumps_ = {};
  return *this;
}

void SourceLines::clear() {
  text_.clear();
  marks_ = std::vector<uint32_t>();
  lengths_ = std::vector<uint8_t>();
  ClearSettled();
  cursor_ = cursorEnd_ = SIZE_MAX;
  jumps_ = {};
}

size_t SourceLines::LengthAt(size_t i, size_t start) const {
  if (lengths_[i] != kLongLine) return lengths_[i];
  const void* nl = std::memchr(text_.data() + start, '\n', text_.size() - start);
  return (nl ? static_cast<size_t>(static_cast<const char*>(nl) - text_.data()) : text_.size()) -
         start;
}

std::string_view SourceLines::Find(size_t i) const {
  if (stride_ == 1)
    return std::string_view(text_.data() + marks_[i], marks_[i + 1] - marks_[i] - 1);
  if (i != cursor_) {
    size_t start;
    if (i == cursor_ + 1) {
      start = cursorEnd_ + 1;
    } else if (Jump& j = jumps_[i % jumps_.size()]; j.line == i) {
      start = j.start;
    } else {
      size_t k = i - i % kMarkStride;
      start = marks_[k / kMarkStride];
      for (; k < i; ++k) start += LengthAt(k, start) + 1;
      j = {i, start};
    }
    cursor_ = i;
    cursorStart_ = start;
    cursorEnd_ = start + LengthAt(i, start);
  }
  return std::string_view(text_.data() + cursorStart_, cursorEnd_ - cursorStart_);
}

bool DecodeSourceText(FileBytes bytes, SourceLines& lines) {
  std::string_view b = bytes.view();
  std::string text;
  if (b.size() >= 3 && b.substr(0, 3) == "\xEF\xBB\xBF") {
    if (!DecodeUtf8(b.substr(3), text)) return false;
  } else if (b.size() >= 2 && b.substr(0, 2) == "\xFF\xFE") {
    if (!DecodeUtf16(b.substr(2), false, text)) return false;
  } else if (b.size() >= 2 && b.substr(0, 2) == "\xFE\xFF") {
    if (!DecodeUtf16(b.substr(2), true, text)) return false;
  } else {
    lines.Assign(std::move(bytes));
    return true;
  }
  bytes.clear();
  lines.Assign(FileBytes(text));
  return true;
}

bool DecodeSourceText(std::string_view bytes, std::vector<std::string>& lines) {
  SourceLines decoded;
  if (!DecodeSourceText(FileBytes(bytes), decoded)) return false;
  lines.clear();
  lines.reserve(decoded.size());
  for (size_t i = 0; i < decoded.size(); ++i) lines.emplace_back(decoded[i]);
  return true;
}

std::string MakeAbsoluteName(const Assembly& a, std::string_view nameIn) {
  std::string name(nameIn);
  for (char& c : name)
    if (c == '\\') c = '/';
  if (!name.empty() && name[0] == '/') return LexicallyNormal(name);
  // A folder anywhere before the last character: relative to the current folder.
  if (name.size() > 1 && name.find('/') < name.size() - 1)
    return LexicallyNormal(CurrentFolder() + "/" + name);
  const TSource& main = a.sources.slots[0];
  if (main.loaded) {
    auto slash = main.FileName.find_last_of('/');
    if (slash != std::string::npos)
      return LexicallyNormal(main.FileName.substr(0, slash + 1) + name);
  }
  return LexicallyNormal(CurrentFolder() + "/" + name);
}

int FindSourceByName(const Assembly& a, std::string_view fullName) {
  for (int i = 0; i < kSourceSlots; ++i) {
    const TSource& s = a.sources.slots[i];
    if (s.loaded && s.FileName == fullName) return i;
  }
  return -1;
}

int LoadSource(Assembly& a, std::string_view name) {
  std::string full = MakeAbsoluteName(a, name);
  int found = FindSourceByName(a, full);
  if (found >= 0) return found;
  int slot = -1;
  const SourceSlots& slots = a.sources.slots;
  for (int i = 0; i < kSourceSlots; ++i)
    if (!slots[i].loaded) {
      slot = i;
      break;
    }
  if (slot < 0) return -1;
  TSource& s = a.sources.slots[slot];
  s = TSource{};
  s.loaded = true;
  s.FileName = full;
  s.ShortName = ShortNameOf(full);
  PrintOut(a, "Assembling: " + s.ShortName);

  if (!PathExists(full)) return slot;  // a missing file is an empty source
  s.exists = true;
  FileBytes bytes;
  s.readError = ReadInputFile(full, bytes);
  if (!s.readError.empty()) return slot;
  if (!DecodeSourceText(std::move(bytes), s.Lines)) {
    s.Lines.clear();
    s.readError = "invalid text after its byte-order mark";
  }
  return slot;
}

void ClearSources(Assembly& a) {
  a.sources.slots.clear();
  a.sources.includeStack.clear();
}
