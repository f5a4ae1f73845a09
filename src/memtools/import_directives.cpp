// The import statements: IMPORT_BIN and IMPORT_COMPARISON copy a slice of a
// host file into the image or beside it, IMPORT_HEX reads a text file of hex
// records, and IMPORT_CPM copies a file out of the virtual CP/M drive.

#include <algorithm>
#include <optional>
#include <vector>

#include "assembler/assembly.h"
#include "memtools/cpm_drive_file.h"
#include "memtools/hex_import.h"
#include "memtools/host_files.h"
#include "output/directive_args.h"

namespace {

// The largest hex text read: far more than any image's worth of records.
constexpr uint64_t kMaxHexFileBytes = uint64_t{64} << 20;

// The statement's arguments: a name, then integers, each optional from the
// right.
struct ImportArgs {
  std::string name;
  std::vector<std::optional<int32_t>> numbers;

  std::optional<int32_t> At(size_t i) const {
    return i < numbers.size() ? numbers[i] : std::nullopt;
  }
};

std::optional<ImportArgs> ReadArgs(DirectiveArgs& args, size_t maxNumbers) {
  ImportArgs r;
  r.name = args.Text();
  r.numbers.resize(maxNumbers);
  for (size_t i = 0; i < maxNumbers && args.CommaFollows(); ++i) r.numbers[i] = args.Number();
  if (!args.ok()) return std::nullopt;
  return r;
}

std::string Quoted(const std::string& name) { return " : \"" + name + "\""; }

// The slice rule: at most `length` bytes (all when omitted) from `offset` on,
// never past the end. A negative offset is "Range Error", a slice without
// bytes "Syntax Error" and one larger than the image "Range Error".
std::optional<int64_t> SliceCount(DirectiveArgs& args, const std::string& name, int64_t size,
                                  std::optional<int32_t> length, int64_t offset) {
  if (offset < 0) {
    ReportErrorText(args.a, E_RangeError, Quoted(name) + ": the offset is negative", true);
    return std::nullopt;
  }
  int64_t count = length ? std::min<int64_t>(*length, size) : size;
  if (offset >= size)
    count = 0;
  else if (offset + count > size)
    count = size - offset;
  if (count <= 0) {
    ReportErrorText(args.a, E_SyntaxError, Quoted(name) + ": no bytes to import", true);
    return std::nullopt;
  }
  if (count > kImageCells) {
    ReportErrorText(args.a, E_RangeError, Quoted(name) + ": larger than the memory image", true);
    return std::nullopt;
  }
  return count;
}

// Opens a host file named in the source; "File Not Found" when it is missing
// or cannot be read.
std::optional<HostFile> OpenImport(Assembly& a, const std::string& name,
                                   int missingError = E_FileNotFound) {
  std::string path = ResolveImportName(a, name);
  if (path.empty()) {
    ReportErrorText(a, missingError, Quoted(name), true);
    return std::nullopt;
  }
  std::string error;
  std::optional<HostFile> f = HostFile::Open(path, false, error);
  if (!f) ReportErrorText(a, missingError, Quoted(name) + " can't be read: " + error, true);
  return f;
}

std::optional<std::vector<uint8_t>> ReadSlice(Assembly& a, const HostFile& f,
                                              const std::string& name, int64_t offset,
                                              int64_t count) {
  std::vector<uint8_t> bytes(static_cast<size_t>(count));
  if (f.ReadAt(static_cast<uint64_t>(offset), bytes)) return bytes;
  ReportErrorText(a, E_FileNotFound, Quoted(name) + " can't be read", true);
  return std::nullopt;
}

void StoreData(Assembly& a, int64_t address, const uint8_t* bytes, size_t n) {
  StoreImageBytes(a, address, std::span(bytes, n), false, false);
}

// PlantData for each byte, in one go: the bytes inside the current segment
// are stored (in the clean pass), "Address Error" when some fall outside, and
// PC moves by the count either way.
void PlantDataBlock(Assembly& a, const uint8_t* bytes, int64_t n) {
  if (a.placement.inStruct) {
    ReportError(a, E_PlantInStruct);
    return;
  }
  TSegmentEntry& s = CurSeg(a);
  int64_t first = static_cast<int64_t>(s.PC) + s.Displacement;
  int64_t lo = std::clamp<int64_t>(static_cast<int64_t>(s.Base) - first, 0, n);
  int64_t hi = std::clamp<int64_t>(static_cast<int64_t>(s.Base) + s.Length - first, lo, n);
  if (a.pass.clean && hi > lo) StoreData(a, first + lo, bytes + lo, static_cast<size_t>(hi - lo));
  s.PC = static_cast<int32_t>(static_cast<uint32_t>(s.PC) + static_cast<uint32_t>(n));
  s.Flows = false;
  if (hi - lo < n) ReportError(a, E_AddressError);
}

// IMPORT_BIN file [, address [, length [, offset]]]. Without an address the
// bytes are planted at PC; passes before the final one only move PC, so
// labels after the statement keep their values from the first pass on. With
// an address they are stored there in the final pass and PC stays.
void ImportBin(Assembly& a, TToken) {
  DirectiveArgs args(a);
  std::optional<ImportArgs> p = ReadArgs(args, 3);
  if (!p) return;
  std::optional<HostFile> f = OpenImport(a, p->name);
  if (!f) return;
  int64_t offset = p->At(2).value_or(0);
  std::optional<int64_t> count =
      SliceCount(args, p->name, static_cast<int64_t>(f->size()), p->At(1), offset);
  if (!count) return;
  std::optional<int32_t> address = p->At(0);
  if (!a.pass.clean) {
    if (!address) {
      TSegmentEntry& s = CurSeg(a);
      s.PC = static_cast<int32_t>(static_cast<uint32_t>(s.PC) + static_cast<uint32_t>(*count));
    }
    return;
  }
  std::optional<std::vector<uint8_t>> bytes = ReadSlice(a, *f, p->name, offset, *count);
  if (!bytes) return;
  if (address)
    StoreData(a, *address, bytes->data(), bytes->size());
  else
    PlantDataBlock(a, bytes->data(), *count);
}

// IMPORT_COMPARISON file, address [, length [, offset]]: reference bytes
// beside the image, in every pass.
void ImportComparison(Assembly& a, TToken) {
  DirectiveArgs args(a);
  std::optional<ImportArgs> p = ReadArgs(args, 3);
  if (!p) return;
  std::optional<int32_t> address = p->At(0);
  if (!address) {
    ReportError(a, E_SyntaxError);
    return;
  }
  std::optional<HostFile> f = OpenImport(a, p->name);
  if (!f) return;
  int64_t offset = p->At(2).value_or(0);
  std::optional<int64_t> count =
      SliceCount(args, p->name, static_cast<int64_t>(f->size()), p->At(1), offset);
  if (!count) return;
  std::optional<std::vector<uint8_t>> bytes = ReadSlice(a, *f, p->name, offset, *count);
  if (!bytes) return;
  for (size_t i = 0; i < bytes->size(); ++i) {
    int64_t at = static_cast<int64_t>(*address) + static_cast<int64_t>(i);
    if (at < 0 || at >= kImageCells) continue;
    a.image.WritableCell(MapAddress(a, at)).Compare = (*bytes)[i];
  }
  a.pass.comparisonData = true;
}

// IMPORT_HEX file [, address [, maximum length [, extra offset]]]: the records
// move together so that the first data line lands on the address (PC when
// omitted); stored in every pass.
void ImportHex(Assembly& a, TToken) {
  DirectiveArgs args(a);
  std::optional<ImportArgs> p = ReadArgs(args, 3);
  if (!p) return;
  int64_t address = p->At(0).value_or(CurSeg(a).PC);
  int64_t maxBytes = p->At(1).value_or(-1);
  int64_t extra = p->At(2).value_or(0);
  if (p->At(1) && maxBytes < 0) {
    ReportErrorText(a, E_RangeError, Quoted(p->name) + ": the maximum length is negative", true);
    return;
  }
  std::optional<HostFile> f = OpenImport(a, p->name, E_SyntaxError);
  if (!f) return;
  if (f->size() > kMaxHexFileBytes) {
    ReportErrorText(a, E_SyntaxError, Quoted(p->name) + " is too large for a hex file", true);
    return;
  }
  std::vector<uint8_t> text(f->size());
  if (!f->ReadAt(0, text)) {
    ReportErrorText(a, E_SyntaxError, Quoted(p->name) + " can't be read", true);
    return;
  }
  HexDecodeResult r = DecodeHexText(
      std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), maxBytes);
  if (!r.error.empty()) {
    ReportErrorText(a, E_SyntaxError, Quoted(p->name) + " " + r.error, true);
    return;
  }
  if (r.data.records.empty()) return;
  int64_t origin = r.data.records.front().address;
  for (const HexRecord& rec : r.data.records)
    StoreData(a, rec.address - origin + address + extra, r.data.bytes.data() + rec.offset,
              rec.length);
}

// IMPORT_CPM name [, address [, length [, ignored [, offset]]]]: a file of the
// virtual CP/M drive, in every pass; planted at PC without an address.
void ImportCpm(Assembly& a, TToken) {
  DirectiveArgs args(a);
  std::optional<ImportArgs> p = ReadArgs(args, 4);
  if (!p) return;
  std::vector<uint8_t> file;
  bool print = a.pass.finalPass && a.pass.pass > 1;
  if (!ReadCpmFileNow(a, p->name, file, print)) {
    ReportErrorText(a, E_FileNotFound, Quoted(p->name), true);
    return;
  }
  int64_t offset = p->At(3).value_or(0);
  std::optional<int64_t> count =
      SliceCount(args, p->name, static_cast<int64_t>(file.size()), p->At(1), offset);
  if (!count) return;
  const uint8_t* from = file.data() + offset;
  if (std::optional<int32_t> address = p->At(0)) {
    StoreData(a, *address, from, static_cast<size_t>(*count));
    return;
  }
  PlantDataBlock(a, from, *count);
}

}  // namespace

void RegisterImportDirectives(DispatchTable& t) {
  t.Set(tIMPORT_BIN, ImportBin);
  t.Set(tIMPORT_COMPARISON, ImportComparison);
  t.Set(tIMPORT_HEX, ImportHex);
  t.Set(tIMPORT_CPM, ImportCpm);
}
