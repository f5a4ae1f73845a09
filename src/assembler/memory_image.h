#pragma once
// The memory image that models the target machine, its address mapping by
// machine model, and the segment table holding the location counters.

#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

struct Assembly;

inline constexpr int32_t kImageCells = 0x23D000;
inline constexpr int32_t kDumpCell = 0x239000;

// One byte of the image with the marks the writers read. The profiling words
// of the described cell never change, so they are not stored.
struct TMemCell {
  uint8_t Value = 0;
  uint8_t Compare = 0;  // reference byte loaded by IMPORT_COMPARISON
  uint8_t timerMarks = 0;
  // The marks share one byte: a cell is 4 bytes, and the 2.3 M cells of a
  // Next image touch less memory when large files are imported.
  bool Execute : 1 = true;
  bool Profile : 1 = false;
  bool Write : 1 = true;
  bool Read : 1 = true;
  bool Rom : 1 = false;
  bool Used : 1 = false;
};
static_assert(sizeof(TMemCell) == 4);

// The source line that planted a cell, which only the list file reads.
struct CellOrigin {
  int32_t SourceID = -1;
  int32_t Line = 0;
};

struct TSegmentEntry {
  uint32_t Base = 0;
  uint32_t Length = kImageCells;
  int32_t PC = 0;
  int32_t StatementPC = 0;
  int32_t ElementPC = 0;
  int32_t Displacement = 0;
  bool Flows = false;

  // Whether n bytes planted at PC lie wholly inside the segment (and PC
  // stays within its 32 bits).
  bool RunFits(int32_t n) const {
    const int64_t addr = static_cast<int64_t>(PC) + Displacement;
    return PC <= INT32_MAX - n && addr >= static_cast<int64_t>(Base) &&
           addr + n <= static_cast<int64_t>(Base) + static_cast<int64_t>(Length);
  }
};

// Cells are allocated in pages of 1024 on first write; an unallocated page
// reads as initial cells, and clearing drops pages. A page is 4 KB: a small
// program touches only the pages it plants in, and an 8K window of the
// machine's memory is eight consecutive pages. Pages are taken from blocks
// that grow with the image (1, 1, 2, 4, 8, then 16 pages), each made present
// in one step, and kept for the next pass when the image is cleared.
//
// The origins of the cells (8 bytes each, twice a cell's size) are kept in
// pages of their own, and only once a list file has been asked for in the
// run: every pass before the final one assembles the same statements, so
// the final pass, whose image is written, keeps the origin of every cell.
struct MemoryImage {
  static constexpr int32_t kPageBits = 10;
  static constexpr int32_t kPageSize = 1 << kPageBits;
  static constexpr int32_t kPageCount = (kImageCells + kPageSize - 1) / kPageSize;
  static constexpr int32_t kMaxBlockPages = 16;
  std::array<TMemCell*, kPageCount> pages{};         // into the blocks; nullptr: not allocated
  std::vector<std::unique_ptr<std::byte[]>> blocks;  // room for cells, made as handed out
  std::vector<int32_t> blockPages;                   // the number of pages of each block
  int32_t nextBlock = 0, nextPage = 0;               // the first page not handed out
  // One entry a page once any origin is kept (a table of kPageCount entries
  // in every run would only be cleared, at start-up).
  std::vector<std::unique_ptr<CellOrigin[]>> origins;
  bool keepOrigins = false;
  std::vector<int32_t> usedPages;
  std::array<int32_t, 256> pageTable{};  // cell base of each 8K page
  std::array<int32_t, 8> mmuSlots{};     // Next slots under ZXNEXTMAP
  bool nextMapActive = false;
  bool profiling = false;
  // Set while a block that is withdrawn afterwards is assembled: nothing of
  // it may reach the image.
  bool storesWithheld = false;

  const TMemCell& Cell(int32_t cell) const;
  TMemCell& WritableCell(int32_t cell);
  TMemCell* TakePage();
  const CellOrigin& Origin(int32_t cell) const;
  // The origins of the page holding `cell`, from that cell on; made when
  // missing.
  CellOrigin* WritableOrigins(int32_t cell);
};

// Logical address -> cell number by the current machine model. When storing,
// addresses at or above the image size give -1 (the store is dropped).
int32_t MapAddress(const Assembly& a, int64_t address, bool storing = false);
// The shape of the current model's mapping, for folds over huge ranges:
// addresses from 0 on repeat every `period` addresses (0: they never do),
// and every address from `dumpFrom` on maps to the dump cell, as negative
// addresses do.
struct MapShape {
  int64_t period = 0;
  int64_t dumpFrom = INT64_MAX;
};
MapShape MappingShape(const Assembly& a);
// Reads the byte at a logical address through the mapping.
uint8_t ReadImageByte(const Assembly& a, int64_t address);
const TMemCell& ReadImageCell(const Assembly& a, int64_t address);
// Reads the bytes at consecutive addresses from `address` on into `out`.
void ReadImageBytes(const Assembly& a, int64_t address, std::span<uint8_t> out);
// Stores a byte with its marks (used by PlantByte in the clean pass).
void StoreImageByte(Assembly& a, int64_t address, uint8_t value, bool isCode, bool writable);
// The same for consecutive addresses from `address` on (bulk imports).
void StoreImageBytes(Assembly& a, int64_t address, std::span<const uint8_t> bytes, bool isCode,
                     bool writable);
// The bytes of one instruction: code, byte i writable when bit i of
// `writableBits` is set. The same cells and marks as byte by byte.
void StoreImageCode(Assembly& a, int64_t address, std::span<const uint8_t> bytes,
                    uint32_t writableBits);
// Resets every cell and rebuilds the page tables for the current model.
void ClearImage(Assembly& a);
void ResetNextMap(Assembly& a);

struct MalignEntry {
  int32_t line = 0, source = 0;  // where the block was opened
  int32_t start = 0;
  int32_t alignment = 1;
  int32_t blockNo = 0;
  bool on = true;
};

struct StructSave {
  int32_t PC = 0, StatementPC = 0, ElementPC = 0;
  bool Flows = false;
};

struct PlacementState {
  std::array<TSegmentEntry, 256> segments{};
  int32_t current = 0;
  int32_t userSegments = 0;  // per run
  std::vector<StructSave> structStack;
  bool inStruct = false;
  std::vector<MalignEntry> malignStack;
  int32_t malignCounter = 0;
  std::vector<uint8_t> malignDecisions;  // per run, by block number (0 unknown,1 off,2 on)
};
