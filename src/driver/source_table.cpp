#include "driver/source_table.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "assembler/assembly.h"
#include "support/file_read.h"

namespace fs = std::filesystem;

namespace {

std::string CurrentDir() {
  std::error_code ec;
  fs::path p = fs::current_path(ec);
  return ec ? std::string(".") : p.string();
}

std::string Normalise(const std::string& path) {
  return fs::path(path).lexically_normal().string();
}

std::string ShortNameOf(const std::string& full) {
  auto slash = full.find_last_of('/');
  std::string name = slash == std::string::npos ? full : full.substr(slash + 1);
  return name.empty() ? std::string("NEWFILE.ASM") : name;
}

// Appends one Unicode code point as a Latin-1 character ("?" when it has none).
void PutLatin1(std::string& line, uint32_t cp) {
  line.push_back(cp <= 0xFF ? static_cast<char>(cp) : '?');
}

// Splits Latin-1 text at CR LF, LF or CR.
void SplitLatin1(std::string_view text, std::vector<std::string>& lines) {
  size_t start = 0;
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    char c = text[i];
    if (c == '\n' || c == '\r') {
      lines.emplace_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < n) lines.emplace_back(text.substr(start));
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

bool DecodeSourceText(std::string_view bytes, std::vector<std::string>& lines) {
  std::string text;
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    if (!DecodeUtf8(bytes.substr(3), text)) return false;
  } else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") {
    if (!DecodeUtf16(bytes.substr(2), false, text)) return false;
  } else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") {
    if (!DecodeUtf16(bytes.substr(2), true, text)) return false;
  } else {
    SplitLatin1(bytes, lines);
    return true;
  }
  SplitLatin1(text, lines);
  return true;
}

std::string MakeAbsoluteName(const Assembly& a, std::string_view nameIn) {
  std::string name(nameIn);
  for (char& c : name)
    if (c == '\\') c = '/';
  if (!name.empty() && name[0] == '/') return Normalise(name);
  // A folder anywhere before the last character: relative to the current folder.
  if (name.size() > 1 && name.find('/') < name.size() - 1)
    return Normalise(CurrentDir() + "/" + name);
  const TSource& main = a.sources.slots[0];
  if (main.loaded) {
    auto slash = main.FileName.find_last_of('/');
    if (slash != std::string::npos) return Normalise(main.FileName.substr(0, slash + 1) + name);
  }
  return Normalise(CurrentDir() + "/" + name);
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
  for (int i = 0; i < kSourceSlots; ++i)
    if (!a.sources.slots[i].loaded) {
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

  std::error_code ec;
  if (!fs::exists(full, ec)) return slot;  // a missing file is an empty source
  s.exists = true;
  std::string bytes;
  s.readError = ReadInputFile(full, bytes);
  if (!s.readError.empty()) return slot;
  if (!DecodeSourceText(bytes, s.Lines)) {
    s.Lines.clear();
    s.readError = "invalid text after its byte-order mark";
  }
  return slot;
}

void ClearSources(Assembly& a) {
  for (auto& s : a.sources.slots) s = TSource{};
  a.sources.includeStack.clear();
}
