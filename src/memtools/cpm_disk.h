#pragma once
// CP/M 2.2 disks held back to back in one drive file: the geometry derived
// from the settings, file names, the directory with its 32-byte entries and
// 128-byte records, and reading, deleting and writing files.
//
// The operations work on a CpmDrive, byte storage read and written at
// offsets; the host file and a plain byte vector (tests, fuzzing) are two
// kinds of it. A drive never grows: a read or write that would run past its
// end fails, and every block and directory access is checked against the
// disk's area first, so a damaged or hostile directory cannot reach outside
// the disk it belongs to.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "symbols/presets.h"

class CpmDrive {
 public:
  virtual ~CpmDrive() = default;
  virtual uint64_t Size() const = 0;
  // Both fail (false) when the stretch runs past the end or the storage
  // reports an error.
  virtual bool Read(uint64_t offset, std::span<uint8_t> out) = 0;
  virtual bool Write(uint64_t offset, std::span<const uint8_t> in) = 0;
};

// A drive held in memory.
class MemoryCpmDrive : public CpmDrive {
 public:
  explicit MemoryCpmDrive(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  uint64_t Size() const override { return bytes_.size(); }
  bool Read(uint64_t offset, std::span<uint8_t> out) override;
  bool Write(uint64_t offset, std::span<const uint8_t> in) override;
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

inline constexpr int kCpmEntrySize = 32;
inline constexpr int kCpmRecordSize = 128;
inline constexpr int kCpmLogicalExtent = 16384;
// Largest file read: what 11-bit extent numbers of 16 KiB reach in CP/M 2.2.
inline constexpr int64_t kCpmMaxFileBytes = int64_t{8} << 20;

// The layout of one disk of the drive file (TCpmGeometry).
struct TCpmGeometry {
  int64_t blockSize = 0;       // bytes
  int64_t driveBase = 0;       // byte offset of the disk in the drive file
  int64_t blockAreaStart = 0;  // byte offset of block 0 (the directory's first byte)
  int64_t diskEnd = 0;         // byte offset just past the disk
  int32_t dirCnt = 0;          // 32-byte directory entries
  int32_t dirBlocks = 0;       // blocks the directory occupies
  int32_t usableBlocks = 0;    // block numbers 0 .. usableBlocks - 1 exist
  bool widePointers = false;   // 16-bit block numbers (8 per entry) instead of 8-bit (16)
  int64_t entryCapacity = 0;   // bytes one directory entry holds

  int64_t BlockOffset(int64_t n) const { return blockAreaStart + n * blockSize; }
  int PointerSlots() const { return widePointers ? 8 : 16; }
};

// The described validity rule: sectors per block 8, 16, 32, 64 or 128, user
// 0..15, sectors per track and blocks per disk above 0, 1..2047 entries.
bool CpmSettingsValid(const CpmSettings& s, int32_t user);

// The geometry of drive `drive` (A = 0). Empty when the settings describe a
// disk CP/M cannot have: reserved tracks that are negative or fill the disk,
// no block left beside the directory, more than 65536 blocks, or 1 KiB blocks
// with 16-bit block numbers (their extents cannot be numbered).
std::optional<TCpmGeometry> CpmDiskGeometry(const CpmSettings& s, int drive);

// A parsed "d:NAME.EXT": drive index and the 8 + 3 name bytes padded with
// spaces, letters in the case written.
struct CpmFileName {
  int drive = 0;
  std::array<uint8_t, 11> name{};
};
// Empty for a malformed name. Characters above $7E are refused too: their
// top bit would read as a file attribute.
std::optional<CpmFileName> ParseCpmFileName(std::string_view text);

// What an operation did and the console lines that explain a failure.
struct CpmResult {
  bool ok = false;
  bool ioError = false;  // the drive's storage failed (not a CP/M condition)
  std::vector<std::string> messages;
};

// Reads the file `name` of user `user` into `out`: every matching directory
// entry in extent order, each non-zero block whole, the size cut by the
// record count and the byte count of the last record. `ok` with an empty
// `out` is an empty file; a malformed name or no match fails without a
// message (the caller reports the missing file).
CpmResult CpmReadFile(CpmDrive& drive, const CpmSettings& s, int32_t user, std::string_view name,
                      std::vector<uint8_t>& out);

// Frees every entry of the file; the directory is written back only when one
// was freed. `ok` also when there was nothing to delete.
CpmResult CpmDeleteFile(CpmDrive& drive, const CpmSettings& s, int32_t user, std::string_view name);

// Replaces the file `name` of user `user` with `bytes`: the old file is
// deleted, then each entry takes the first free directory entry and the
// lowest free blocks (filled with $FF past the data); the directory is
// written back only when every entry was written. A failure half-way leaves
// the old file deleted and the blocks written unreferenced (the message says
// so). The whole disk must lie inside the drive.
CpmResult CpmWriteFile(CpmDrive& drive, const CpmSettings& s, int32_t user, std::string_view name,
                       std::span<const uint8_t> bytes);
