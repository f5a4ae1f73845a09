#include "assembler/memory_image.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <type_traits>

#include "assembler/assembly.h"
#include "support/fresh_memory.h"

namespace {

const TMemCell kInitialCell{};
const CellOrigin kNoOrigin{};

void RebuildPageTables(Assembly& a) {
  MemoryImage& m = a.image;
  m.pageTable.fill(kDumpCell);
  uint8_t model = a.machine.model;
  if (Is128KFamily(model)) {
    // Bank b owns pages 2b and 2b+1.
    static constexpr int32_t kBankBase[8] = {0xC000,  0x0000, 0x8000,  0x10000,
                                             0x18000, 0x4000, 0x1C000, 0x14000};
    for (int b = 0; b < 8; ++b) {
      m.pageTable[2 * b] = kBankBase[b];
      m.pageTable[2 * b + 1] = kBankBase[b] + 0x2000;
    }
  } else if (IsNext(model)) {
    for (int i = 0; i < 224; ++i) m.pageTable[i] = 0x40000 + i * 0x2000;
  }
  ResetNextMap(a);
}

int32_t PageCell(const Assembly& a, int page, int64_t address) {
  return a.image.pageTable[page] + static_cast<int32_t>(address % 0x2000);
}

// Every model maps an aligned 8K window of addresses onto consecutive
// cells, so a run inside one window (and one page of cells) is mapped once,
// by its two ends. Calls visit(offset, length, first cell) for each run of
// `count` addresses from `address` on; the first cell is -1 when the run is
// not one stretch of real cells, and its addresses must be mapped one by one.
template <typename Visit>
void ForEachLinearRun(const Assembly& a, int64_t address, size_t count, bool storing, Visit visit) {
  constexpr int64_t kWindow = std::min<int64_t>(0x2000, MemoryImage::kPageSize);
  size_t i = 0;
  while (i < count) {
    int64_t at = address + static_cast<int64_t>(i);
    size_t run = std::min<size_t>(count - i, static_cast<size_t>(kWindow - (at & (kWindow - 1))));
    int32_t first = MapAddress(a, at, storing);
    int32_t last = MapAddress(a, at + static_cast<int64_t>(run) - 1, storing);
    bool linear = first >= 0 && first != kDumpCell &&
                  last - first == static_cast<int32_t>(run) - 1 &&
                  (first >> MemoryImage::kPageBits) == (last >> MemoryImage::kPageBits);
    visit(i, run, linear ? first : -1);
    i += run;
  }
}

}  // namespace

const TMemCell& MemoryImage::Cell(int32_t cell) const {
  const auto& page = pages[cell >> kPageBits];
  return page ? page[cell & (kPageSize - 1)] : kInitialCell;
}

// A page of initial cells: the next one of the blocks, a new block when they
// are all handed out.
TMemCell* MemoryImage::TakePage() {
  if (nextBlock == static_cast<int32_t>(blocks.size())) {
    int32_t held = 0;
    for (int32_t n : blockPages) held += n;
    const int32_t n = std::clamp(held, 1, kMaxBlockPages);
    const size_t bytes = static_cast<size_t>(n) * kPageSize * sizeof(TMemCell);
    blocks.push_back(std::make_unique_for_overwrite<std::byte[]>(bytes));
    blockPages.push_back(n);
    PrepareForFilling(blocks.back().get(), bytes);
  }
  std::byte* room = blocks[static_cast<size_t>(nextBlock)].get() +
                    static_cast<size_t>(nextPage) * kPageSize * sizeof(TMemCell);
  if (++nextPage == blockPages[static_cast<size_t>(nextBlock)]) {
    ++nextBlock;
    nextPage = 0;
  }
  // Cells hold only bytes and bits: they need no destruction when the room
  // is handed out again.
  static_assert(std::is_trivially_destructible_v<TMemCell>);
  return std::uninitialized_fill_n(reinterpret_cast<TMemCell*>(room), kPageSize, TMemCell{}) -
         kPageSize;
}

TMemCell& MemoryImage::WritableCell(int32_t cell) {
  TMemCell*& page = pages[cell >> kPageBits];
  if (!page) {
    page = TakePage();
    usedPages.push_back(cell >> kPageBits);
  }
  return page[cell & (kPageSize - 1)];
}

const CellOrigin& MemoryImage::Origin(int32_t cell) const {
  if (origins.empty()) return kNoOrigin;
  const auto& page = origins[cell >> kPageBits];
  return page ? page[cell & (kPageSize - 1)] : kNoOrigin;
}

CellOrigin* MemoryImage::WritableOrigins(int32_t cell) {
  if (origins.empty()) origins.resize(kPageCount);
  auto& page = origins[cell >> kPageBits];
  if (!page) page = std::make_unique<CellOrigin[]>(kPageSize);
  return &page[cell & (kPageSize - 1)];
}

void ResetNextMap(Assembly& a) {
  MemoryImage& m = a.image;
  static constexpr int kDefaultSlotPage[8] = {-1, -1, 10, 11, 4, 5, 0, 1};
  for (int i = 0; i < 8; ++i)
    m.mmuSlots[i] = kDefaultSlotPage[i] < 0 ? kDumpCell : 0x40000 + kDefaultSlotPage[i] * 0x2000;
  m.nextMapActive = false;
}

int32_t MapAddress(const Assembly& a, int64_t address, bool storing) {
  if (storing && address >= kImageCells) return -1;
  int64_t cell = kDumpCell;
  uint8_t model = a.machine.model;
  if (IsNext(model)) {
    if (address >= 0 && address < 0x10000) {
      if (a.image.nextMapActive) {
        cell = a.image.mmuSlots[address / 0x2000] + address % 0x2000;
      } else if (address >= 0x4000) {
        static constexpr int kPage[8] = {0, 0, 10, 11, 4, 5, 0, 1};
        cell = PageCell(a, kPage[address / 0x2000], address);
      }
    } else if (address >= 0x40000 && address <= 0x1FFFFF) {
      cell = PageCell(a, static_cast<int>((address - 0x40000) / 0x2000), address);
    }
  } else if (Is128KFamily(model)) {
    if (address >= 0) {
      // Bank of each 16K window of the 256K view; -1 maps nowhere.
      static constexpr int kWindowBank[16] = {-1, 5, 2, 0, 0, 1, 2, 3, 4, 5, 6, 7, -1, -1, -1, -1};
      int64_t within = address % 0x40000;
      int bank = kWindowBank[within / 0x4000];
      if (bank >= 0) cell = PageCell(a, 2 * bank + static_cast<int>((within / 0x2000) & 1), within);
    }
  } else {
    cell = address;
  }
  if (cell < 0 || cell > kDumpCell) cell = kDumpCell;
  return static_cast<int32_t>(cell);
}

MapShape MappingShape(const Assembly& a) {
  const uint8_t model = a.machine.model;
  if (IsNext(model)) return {0, 0x200000};
  if (Is128KFamily(model)) return {0x40000, INT64_MAX};
  return {0, kDumpCell};
}

const TMemCell& ReadImageCell(const Assembly& a, int64_t address) {
  int32_t cell = MapAddress(a, address);
  return a.image.Cell(cell < 0 ? kDumpCell : cell);
}

uint8_t ReadImageByte(const Assembly& a, int64_t address) {
  return ReadImageCell(a, address).Value;
}

void StoreImageByte(Assembly& a, int64_t address, uint8_t value, bool isCode, bool writable) {
  int32_t cellNo = a.image.storesWithheld ? -1 : MapAddress(a, address, true);
  if (cellNo < 0) return;
  TMemCell& c = a.image.WritableCell(cellNo);
  c.Value = value;
  c.Execute = isCode;
  c.Write = writable;
  c.Read = true;
  c.Used = true;
  c.Profile = a.image.profiling;
  if (!a.image.keepOrigins) return;
  int32_t line = a.diag.currentLine, source = a.diag.currentSource;
  InvocationLine(a, line, source);
  *a.image.WritableOrigins(cellNo) = CellOrigin{source, line};
}

namespace {

// Stores consecutive bytes with their marks; `writableAt(i)` gives the write
// mark of byte i. Runs that map to consecutive cells of one page are
// written directly; the line and source are found once for all bytes.
template <typename WritableAt>
void StoreRun(Assembly& a, int64_t address, std::span<const uint8_t> bytes, bool isCode,
              WritableAt writableAt) {
  MemoryImage& m = a.image;
  if (m.storesWithheld) return;
  CellOrigin origin{a.diag.currentSource, a.diag.currentLine};
  if (m.keepOrigins) InvocationLine(a, origin.Line, origin.SourceID);
  auto store = [&](TMemCell& c, size_t i) {
    c.Value = bytes[i];
    c.Execute = isCode;
    c.Write = writableAt(i);
    c.Read = true;
    c.Used = true;
    c.Profile = m.profiling;
  };
  ForEachLinearRun(a, address, bytes.size(), true, [&](size_t i, size_t run, int32_t first) {
    if (first >= 0) {
      TMemCell* cells = &m.WritableCell(first);
      for (size_t k = 0; k < run; ++k) store(cells[k], i + k);
      if (m.keepOrigins) std::fill_n(m.WritableOrigins(first), run, origin);
      return;
    }
    for (size_t k = 0; k < run; ++k) {
      int32_t cellNo = MapAddress(a, address + static_cast<int64_t>(i + k), true);
      if (cellNo < 0) continue;
      store(m.WritableCell(cellNo), i + k);
      if (m.keepOrigins) *m.WritableOrigins(cellNo) = origin;
    }
  });
}

}  // namespace

void StoreImageBytes(Assembly& a, int64_t address, std::span<const uint8_t> bytes, bool isCode,
                     bool writable) {
  StoreRun(a, address, bytes, isCode, [writable](size_t) { return writable; });
}

void StoreImageCode(Assembly& a, int64_t address, std::span<const uint8_t> bytes,
                    uint32_t writableBits) {
  StoreRun(a, address, bytes, true, [writableBits](size_t i) { return (writableBits >> i) & 1u; });
}

void ReadImageBytes(const Assembly& a, int64_t address, std::span<uint8_t> out) {
  ForEachLinearRun(a, address, out.size(), false, [&](size_t i, size_t run, int32_t first) {
    if (first < 0) {
      for (size_t k = 0; k < run; ++k)
        out[i + k] = ReadImageByte(a, address + static_cast<int64_t>(i + k));
      return;
    }
    const auto& page = a.image.pages[first >> MemoryImage::kPageBits];
    if (!page) {
      std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(i), run, kInitialCell.Value);
      return;
    }
    const TMemCell* cells = &page[first & (MemoryImage::kPageSize - 1)];
    for (size_t k = 0; k < run; ++k) out[i + k] = cells[k].Value;
  });
}

void ClearImage(Assembly& a) {
  for (int32_t p : a.image.usedPages) {
    a.image.pages[p] = nullptr;
    if (!a.image.origins.empty()) a.image.origins[p].reset();
  }
  a.image.usedPages.clear();
  // The blocks serve the next pass's pages again.
  a.image.nextBlock = a.image.nextPage = 0;
  RebuildPageTables(a);
}
