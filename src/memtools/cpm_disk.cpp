#include "memtools/cpm_disk.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kFreeEntry = 0xE5;
constexpr int kNameBytes = 11;

const char kSettingsBad1[] = "These CP/M settings are incorrect or not supported, sorry";
const char kSettingsBad2[] = "The CP/M settings seem to be invalid";

std::string Quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

std::string DriveText(int drive) { return std::string(1, static_cast<char>('A' + drive)) + ":"; }

// A directory read whole, with the geometry it belongs to.
struct Directory {
  TCpmGeometry geo;
  std::vector<uint8_t> bytes;

  uint8_t* Entry(int32_t i) { return bytes.data() + static_cast<size_t>(i) * kCpmEntrySize; }
  int64_t Offset() const { return geo.blockAreaStart; }
};

bool NameChar(uint8_t c) {
  if (c <= ' ' || c > '~') return false;
  return std::strchr("*,.:;<=>?[]", c) == nullptr;
}

// Block number in pointer slot `slot` of an entry.
int32_t Pointer(const uint8_t* e, const TCpmGeometry& g, int slot) {
  if (!g.widePointers) return e[16 + slot];
  return e[16 + 2 * slot] | (e[17 + 2 * slot] << 8);
}

void SetPointer(uint8_t* e, const TCpmGeometry& g, int slot, int32_t block) {
  if (!g.widePointers) {
    e[16 + slot] = static_cast<uint8_t>(block);
    return;
  }
  e[16 + 2 * slot] = static_cast<uint8_t>(block);
  e[17 + 2 * slot] = static_cast<uint8_t>(block >> 8);
}

int32_t ExtentNumber(const uint8_t* e) { return (e[12] & 0x1F) | ((e[14] & 0x3F) << 5); }

// Does the entry belong to the file? Free entries and the disk label ($20)
// never do; user areas 0..15 must be the given one; other first bytes match
// on the name alone. Bit 7 of the stored name is an attribute, not a letter.
bool Matches(const uint8_t* e, const CpmFileName& n, int32_t user) {
  if (e[0] == 0x20 || e[0] == kFreeEntry) return false;
  if (e[0] < 16 && e[0] != user) return false;
  for (int i = 0; i < kNameBytes; ++i)
    if ((e[1 + i] & 0x7F) != n.name[i]) return false;
  return true;
}

// How far the common preparation of an operation got.
enum class Stage { kBadSettings, kBadName, kIllegalDisk, kNoDirectory, kReady };

struct Prepared {
  Stage stage = Stage::kBadSettings;
  CpmFileName name;
  Directory dir;
};

// Checks the settings and the drive of the name and reads the directory.
// Every failure but a malformed name leaves its explanation in `result`.
Prepared Prepare(CpmDrive& drive, const CpmSettings& s, int32_t user, std::string_view text,
                 CpmResult& result) {
  Prepared p;
  const std::vector<std::string> badSettings = {kSettingsBad1, kSettingsBad2};
  if (!CpmSettingsValid(s, user)) {
    result.messages = badSettings;
    return p;
  }
  p.stage = Stage::kBadName;
  std::optional<CpmFileName> name = ParseCpmFileName(text);
  if (!name) return p;
  p.name = *name;
  if (p.name.drive >= s.diskCnt) {
    p.stage = Stage::kIllegalDisk;
    result.messages = {"Illegal CP/M disk"};
    return p;
  }
  std::optional<TCpmGeometry> geo = CpmDiskGeometry(s, p.name.drive);
  if (!geo) {
    p.stage = Stage::kBadSettings;
    result.messages = badSettings;
    return p;
  }
  p.stage = Stage::kNoDirectory;
  p.dir = Directory{*geo, std::vector<uint8_t>(static_cast<size_t>(geo->dirCnt) * kCpmEntrySize)};
  if (static_cast<uint64_t>(p.dir.Offset()) + p.dir.bytes.size() > drive.Size()) {
    result.messages = {"The CP/M drive file ends before the directory of drive " +
                       DriveText(p.name.drive)};
    return p;
  }
  if (!drive.Read(static_cast<uint64_t>(p.dir.Offset()), p.dir.bytes)) {
    result.ioError = true;
    result.messages = {"The CP/M drive file can't be read"};
    return p;
  }
  p.stage = Stage::kReady;
  return p;
}

bool WriteDirectory(CpmDrive& drive, Directory& dir, CpmResult& result) {
  if (drive.Write(static_cast<uint64_t>(dir.Offset()), dir.bytes)) return true;
  result.ioError = true;
  result.messages.push_back("The CP/M drive file can't be written");
  return false;
}

// Frees the entries of the file; true when one was freed.
bool FreeEntries(Directory& dir, const CpmFileName& name, int32_t user) {
  bool freed = false;
  for (int32_t i = 0; i < dir.geo.dirCnt; ++i) {
    uint8_t* e = dir.Entry(i);
    if (!Matches(e, name, user)) continue;
    e[0] = kFreeEntry;
    std::memset(e + 1, ' ', kNameBytes);
    std::memset(e + 12, 0, kCpmEntrySize - 12);
    freed = true;
  }
  return freed;
}

// Blocks in use: the directory's and every block named by an entry of a
// user area (first byte below 32). Numbers outside the disk are ignored.
std::vector<bool> AllocationMap(Directory& dir) {
  const TCpmGeometry& g = dir.geo;
  std::vector<bool> used(static_cast<size_t>(g.usableBlocks), false);
  for (int32_t b = 0; b < g.dirBlocks; ++b) used[b] = true;
  for (int32_t i = 0; i < g.dirCnt; ++i) {
    const uint8_t* e = dir.Entry(i);
    if (e[0] >= 32) continue;
    for (int slot = 0; slot < g.PointerSlots(); ++slot) {
      int32_t b = Pointer(e, g, slot);
      if (b < g.usableBlocks) used[b] = true;
    }
  }
  return used;
}

// Appends the blocks of one entry to `out` and fixes the size from its
// record count and last-record byte count.
bool ReadEntry(CpmDrive& drive, const Directory& dir, const uint8_t* e, std::string_view name,
               std::vector<uint8_t>& out, CpmResult& result) {
  const TCpmGeometry& g = dir.geo;
  auto damaged = [&](const std::string& why) {
    result.messages = {"CP/M read file: " + Quoted(name) + " - damaged directory entry: " + why};
    return false;
  };
  if (e[15] > 128) return damaged("record count " + std::to_string(e[15]));
  if (e[13] > 128) return damaged("last record byte count " + std::to_string(e[13]));
  for (int slot = 0; slot < g.PointerSlots(); ++slot) {
    int32_t b = Pointer(e, g, slot);
    if (b == 0) continue;
    if (b < g.dirBlocks || b >= g.usableBlocks)
      return damaged("block " + std::to_string(b) + " lies outside the file area");
    if (static_cast<int64_t>(out.size()) + g.blockSize > kCpmMaxFileBytes) {
      result.messages = {"CP/M read file: " + Quoted(name) + " - larger than 8 MiB"};
      return false;
    }
    auto offset = static_cast<uint64_t>(g.BlockOffset(b));
    if (offset + static_cast<uint64_t>(g.blockSize) > drive.Size()) {
      result.messages = {"CP/M read file: " + Quoted(name) +
                         " - the drive file ends before block " + std::to_string(b)};
      return false;
    }
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(g.blockSize));
    if (!drive.Read(offset, std::span<uint8_t>(out).subspan(at))) {
      result.ioError = true;
      result.messages = {"The CP/M drive file can't be read"};
      return false;
    }
  }
  // The entry's last 16 KiB logical extent holds `records` records, the last
  // of them `lastBytes` bytes. Computed in 64 bits: an entry without blocks
  // gives a negative size, which is no data.
  int64_t size = static_cast<int64_t>(out.size());
  int64_t records = e[15], lastBytes = e[13] == 0 ? kCpmRecordSize : e[13];
  size = ((size - 1) & ~int64_t{kCpmLogicalExtent - 1}) + records * kCpmRecordSize;
  size = ((size - 1) & ~int64_t{kCpmRecordSize - 1}) + lastBytes;
  size = std::clamp<int64_t>(size, 0, static_cast<int64_t>(out.size()));
  out.resize(static_cast<size_t>(size));
  return true;
}

// Writes the bytes of one directory entry into free blocks; false when no
// block is left.
bool WriteEntryBlocks(CpmDrive& drive, const TCpmGeometry& g, std::vector<bool>& used, uint8_t* e,
                      std::span<const uint8_t> bytes, CpmResult& result) {
  std::vector<uint8_t> block(static_cast<size_t>(g.blockSize));
  int32_t next = 0;
  int slot = 0;
  for (size_t done = 0; done < bytes.size(); done += block.size(), ++slot) {
    while (next < g.usableBlocks && used[next]) ++next;
    if (next >= g.usableBlocks) return false;
    used[next] = true;
    size_t n = std::min(block.size(), bytes.size() - done);
    std::fill(block.begin(), block.end(), 0xFF);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(done), n, block.begin());
    if (!drive.Write(static_cast<uint64_t>(g.BlockOffset(next)), block)) {
      result.ioError = true;
      return false;
    }
    SetPointer(e, g, slot, next);
  }
  return true;
}

}  // namespace

bool MemoryCpmDrive::Read(uint64_t offset, std::span<uint8_t> out) {
  if (offset > bytes_.size() || out.size() > bytes_.size() - offset) return false;
  std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
  return true;
}

bool MemoryCpmDrive::Write(uint64_t offset, std::span<const uint8_t> in) {
  if (offset > bytes_.size() || in.size() > bytes_.size() - offset) return false;
  std::copy(in.begin(), in.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
  return true;
}

bool CpmSettingsValid(const CpmSettings& s, int32_t user) {
  bool blockOk = s.secPerBlock == 8 || s.secPerBlock == 16 || s.secPerBlock == 32 ||
                 s.secPerBlock == 64 || s.secPerBlock == 128;
  return blockOk && user >= 0 && user <= 15 && s.secPerTrack > 0 && s.blocksPerDisk > 0 &&
         s.dirCnt >= 1 && s.dirCnt <= 2047;
}

std::optional<TCpmGeometry> CpmDiskGeometry(const CpmSettings& s, int drive) {
  TCpmGeometry g;
  int64_t reserved = drive == 0 ? s.resTracks0 : s.resTracksX;
  g.blockSize = int64_t{s.secPerBlock} * kCpmRecordSize;
  int64_t diskBytes = int64_t{s.blocksPerDisk} * g.blockSize;
  int64_t trackBytes = int64_t{s.secPerTrack} * kCpmRecordSize;
  if (reserved < 0 || reserved > diskBytes / trackBytes) return std::nullopt;
  int64_t reservedBytes = reserved * trackBytes;
  g.driveBase = int64_t{drive} * diskBytes;
  g.blockAreaStart = g.driveBase + reservedBytes;
  g.diskEnd = g.driveBase + diskBytes;
  g.dirCnt = s.dirCnt;
  // The directory's blocks, rounded up: a directory that ends inside a block
  // still owns all of it.
  int64_t dirBytes = int64_t{s.dirCnt} * kCpmEntrySize;
  g.dirBlocks = static_cast<int32_t>((dirBytes + g.blockSize - 1) / g.blockSize);
  int64_t usable = s.blocksPerDisk - reservedBytes / g.blockSize;
  // A reserved area that ends inside a block leaves the last block partly
  // outside the disk: it is not used.
  usable = std::min(usable, (diskBytes - reservedBytes) / g.blockSize);
  if (usable <= g.dirBlocks || usable > 65536) return std::nullopt;
  g.usableBlocks = static_cast<int32_t>(usable);
  g.widePointers = usable >= 256;
  if (g.widePointers && g.blockSize < 2048) return std::nullopt;
  g.entryCapacity = g.blockSize * (g.widePointers ? 8 : 16);
  return g;
}

std::optional<CpmFileName> ParseCpmFileName(std::string_view text) {
  if (text.size() < 3 || text.size() > 14 || text[1] != ':') return std::nullopt;
  char d = text[0];
  CpmFileName n;
  if (d >= 'A' && d <= 'Z')
    n.drive = d - 'A';
  else if (d >= 'a' && d <= 'z')
    n.drive = d - 'a';
  else
    return std::nullopt;
  n.name.fill(' ');
  size_t pos = 2;
  auto part = [&](int at, int max) {
    int len = 0;
    while (pos < text.size() && NameChar(static_cast<uint8_t>(text[pos]))) {
      if (len == max) return -1;
      n.name[at + len++] = static_cast<uint8_t>(text[pos++]);
    }
    return len;
  };
  if (part(0, 8) <= 0) return std::nullopt;
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    if (part(8, 3) < 0) return std::nullopt;
  }
  if (pos != text.size()) return std::nullopt;
  return n;
}

CpmResult CpmReadFile(CpmDrive& drive, const CpmSettings& s, int32_t user, std::string_view name,
                      std::vector<uint8_t>& out) {
  CpmResult result;
  out.clear();
  Prepared p = Prepare(drive, s, user, name, result);
  if (p.stage != Stage::kReady) return result;
  // Entries in extent order, so a file whose extents were written into the
  // directory out of order still reads in sequence.
  std::vector<const uint8_t*> entries;
  for (int32_t i = 0; i < p.dir.geo.dirCnt; ++i)
    if (Matches(p.dir.Entry(i), p.name, user)) entries.push_back(p.dir.Entry(i));
  std::stable_sort(entries.begin(), entries.end(), [](const uint8_t* x, const uint8_t* y) {
    return ExtentNumber(x) < ExtentNumber(y);
  });
  for (const uint8_t* e : entries) {
    if (!ReadEntry(drive, p.dir, e, name, out, result)) {
      out.clear();
      return result;
    }
  }
  result.ok = !entries.empty();
  return result;
}

CpmResult CpmDeleteFile(CpmDrive& drive, const CpmSettings& s, int32_t user,
                        std::string_view name) {
  CpmResult result;
  Prepared p = Prepare(drive, s, user, name, result);
  if (p.stage != Stage::kReady) return result;
  result.ok = !FreeEntries(p.dir, p.name, user) || WriteDirectory(drive, p.dir, result);
  return result;
}

CpmResult CpmWriteFile(CpmDrive& drive, const CpmSettings& s, int32_t user, std::string_view name,
                       std::span<const uint8_t> bytes) {
  CpmResult result;
  Prepared p = Prepare(drive, s, user, name, result);
  if (p.stage == Stage::kBadName || p.stage == Stage::kIllegalDisk)
    result.messages.push_back("Error in CP/M filename: " + Quoted(name));
  if (p.stage != Stage::kReady) return result;
  Directory& dir = p.dir;
  const TCpmGeometry& g = dir.geo;
  auto refuse = [&](const std::string& why) {
    result.messages = {"CP/M write file: " + Quoted(name) + " - failed: " + why};
    return result;
  };
  if (static_cast<uint64_t>(g.diskEnd) > drive.Size())
    return refuse("the drive file ends before drive " + DriveText(p.name.drive) + " does");
  if (static_cast<int64_t>(bytes.size()) > kCpmMaxFileBytes) return refuse("larger than 8 MiB");
  bool hadOld = FreeEntries(dir, p.name, user);
  if (hadOld && !WriteDirectory(drive, dir, result)) return result;

  std::vector<bool> used = AllocationMap(dir);
  auto failed = [&](const std::string& why) {
    std::string line = "CP/M write file: " + Quoted(name) + " - failed: ";
    line += result.ioError ? std::string("the drive file can't be written") : why;
    if (hadOld) line += " (the old file of that name is deleted)";
    result.messages.push_back(line);
    return result;
  };
  int64_t extent = 0;
  int32_t entryIndex = 0;
  for (size_t done = 0; done < bytes.size();) {
    auto entryBytes = static_cast<size_t>(
        std::min<int64_t>(static_cast<int64_t>(bytes.size() - done), g.entryCapacity));
    while (entryIndex < g.dirCnt && dir.Entry(entryIndex)[0] != kFreeEntry) ++entryIndex;
    if (entryIndex >= g.dirCnt) return failed("no free directory entry");
    uint8_t* e = dir.Entry(entryIndex);
    std::memset(e + 16, 0, 16);
    if (!WriteEntryBlocks(drive, g, used, e, bytes.subspan(done, entryBytes), result))
      return failed("the disk is full");
    int64_t ext = extent + (static_cast<int64_t>(entryBytes) - 1) / kCpmLogicalExtent;
    int64_t records = (static_cast<int64_t>(entryBytes) + kCpmRecordSize - 1) / kCpmRecordSize;
    while (records > 128) records -= 128;
    e[0] = static_cast<uint8_t>(user);
    std::copy(p.name.name.begin(), p.name.name.end(), e + 1);
    e[12] = static_cast<uint8_t>(ext & 0x1F);
    e[13] = static_cast<uint8_t>(entryBytes & 0x7F);
    e[14] = static_cast<uint8_t>((ext >> 5) & 0x3F);
    e[15] = static_cast<uint8_t>(records);
    extent += static_cast<int64_t>(entryBytes) / kCpmLogicalExtent;
    done += entryBytes;
  }
  result.ok = bytes.empty() || WriteDirectory(drive, dir, result);
  return result;
}
