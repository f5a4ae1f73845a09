// The NEX file: header, loading screen, banks and appended data.

#include "output/nex_writer.h"

#include <array>

#include "assembler/assembly.h"
#include "output/file_writer.h"
#include "output/nex_rules.h"

namespace {

constexpr size_t kHeaderBytes = 512;
constexpr int kBanks = 112;
constexpr size_t kBankBytes = 0x4000;
constexpr size_t kPaletteBlockBytes = 512;
// A bank of 16K is two 8K pages of the page table: bank b owns 2b and 2b + 1.
constexpr int kPagesPerBank = 2;
constexpr int32_t kBankPageCells = 0x2000;  // cells of one 8K page
static_assert(kBankPageCells % MemoryImage::kPageSize == 0);

// Header offsets.
enum : size_t {
  kVersionAt = 4,
  kRamRequiredAt = 8,
  kBankCountAt = 9,
  kScreenFlagsAt = 10,
  kBorderAt = 11,
  kSpAt = 12,
  kPcAt = 14,
  kBankTableAt = 18,
  kLoadingBarAt = 130,
  kLoadingColourAt = 131,
  kBankDelayAt = 132,
  kLoadedDelayAt = 133,
  kKeepRegistersAt = 134,
  kCoreVersionAt = 135,
  kHiResColourAt = 138,
  kEntryBankAt = 139,
  kFileHandleAt = 140,
  kCommandLineBaseAt = 142,
  kCommandLineLengthAt = 144,
};

// Banks at or above this one need the larger memory of the Next.
constexpr int kFirstHighRamBank = 48;

// The cells of one 8K page of the page table, or null when that page is not
// part of the machine model (such pages map to the dump cell, whose stray
// bytes belong to no bank). Its cells are consecutive; the image holds them
// in pages of its own, which are null where nothing was written.
int32_t PageBase(const Assembly& a, int page) {
  const int32_t base = a.image.pageTable[page];
  return (base == kDumpCell || base % kBankPageCells != 0) ? -1 : base;
}

// Calls f(cells, count) for each allocated image page of one 8K page.
template <class F>
void ForEachImagePage(const Assembly& a, int page, F f) {
  const int32_t base = PageBase(a, page);
  if (base < 0) return;
  for (int32_t cell = base; cell < base + kBankPageCells; cell += MemoryImage::kPageSize)
    if (const TMemCell* cells = a.image.pages[cell >> MemoryImage::kPageBits])
      f(cells, cell - base);
}

bool BankUsed(const Assembly& a, int bank) {
  bool used = false;
  for (int half = 0; half < kPagesPerBank && !used; ++half)
    ForEachImagePage(a, kPagesPerBank * bank + half, [&](const TMemCell* cells, int32_t) {
      for (int32_t i = 0; i < MemoryImage::kPageSize && !used; ++i) used = cells[i].Used;
    });
  return used;
}

void AppendBank(const Assembly& a, int bank, std::string& out) {
  for (int half = 0; half < kPagesPerBank; ++half) {
    const size_t at = out.size();
    out.resize(at + kBankPageCells, '\0');
    ForEachImagePage(a, kPagesPerBank * bank + half, [&](const TMemCell* cells, int32_t offset) {
      for (int32_t i = 0; i < MemoryImage::kPageSize; ++i)
        out[at + static_cast<size_t>(offset + i)] = static_cast<char>(cells[i].Value);
    });
  }
}

// Banks are loaded in this order: 5, 2, 0, 1, 3, 4, 6, 7, 8 ... 111.
constexpr std::array<int, kBanks> LoadingOrder() {
  std::array<int, kBanks> order{5, 2, 0, 1, 3, 4};
  for (int i = 6; i < kBanks; ++i) order[i] = i;
  return order;
}

void Put16(std::string& h, size_t at, int32_t value) {
  h[at] = static_cast<char>(value & 0xFF);
  h[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

// The screen block's size for the loading-screen flags: by the lowest flag
// bit set.
size_t ScreenBlockBytes(uint8_t flags) {
  if (flags & kNexLayer2) return 256 * 192;
  if (flags & kNexUla) return 6912;
  if (flags & (kNexLowRes | kNexTimexHiRes | kNexTimexHiColour)) return 12288;
  return 0;
}

void NexWarning(Assembly& a, const std::string& text) {
  // Printed after the assembly, so no statement is to blame: line 0.
  if (a.pass.clean) PrintOut(a, LocationPrefixFor(a, 0, 0) + " : warning: " + text);
}

// The palette block and the screen block of a prepared loading screen. A
// screen whose data is too short is left out altogether, flags included, so
// that the header never announces a block the file lacks.
void AppendScreenBlocks(Assembly& a, NexLoadingScreen& s, std::string& blocks) {
  const size_t screenBytes = ScreenBlockBytes(s.flags);
  if (screenBytes == 0) {
    s.flags = 0;
    return;
  }
  if (s.screen.size() != screenBytes)
    NexWarning(a, "While generating a nex file, Outputscreen sizes didn't match");
  if (s.screen.size() < screenBytes) {
    s.flags = 0;
    return;
  }
  const bool paletteBlock = (s.flags & kNexNoPalette) == 0 &&
                            (s.flags & (kNexUla | kNexTimexHiRes | kNexTimexHiColour)) == 0;
  if (paletteBlock) {
    if (s.palette.size() == kPaletteBlockBytes) {
      blocks += s.palette;
    } else if (s.palette.size() == 256) {
      blocks += NexPaletteFrom8Bit(s.palette);
    } else {
      NexWarning(a, "While generating a nex file, OutputPalette sizes didn't match");
      blocks += DefaultNexPalette();
    }
  }
  blocks.append(s.screen, 0, screenBytes);
}

}  // namespace

std::optional<std::string> BuildNexFile(Assembly& a, const TFILE_Def& d) {
  uint8_t core[3];
  if (!ParseNexCoreVersion(d.sNEX_CORE_REQUIRED, core)) return std::nullopt;

  std::array<bool, kBanks> used{};
  int bankCount = 0;
  bool highRam = false;
  for (int b = 0; b < kBanks; ++b) {
    used[b] = BankUsed(a, b);
    if (!used[b]) continue;
    ++bankCount;
    if (b >= kFirstHighRamBank) highRam = true;
  }

  NexLoadingScreen screen = PrepareNexLoadingScreen(a, d);
  for (const std::string& w : screen.warnings) NexWarning(a, w);
  std::string blocks;
  AppendScreenBlocks(a, screen, blocks);

  const bool v12 = d.NEX_ENTRY_BANK != 0 || d.NEXpu8FileHandle >= 0 || d.NEXu16CmdLineLength >= 0 ||
                   d.NEXpu8CmdLineBase >= 0;
  std::string out(kHeaderBytes, '\0');
  out.replace(0, 8, v12 ? "NextV1.2" : "NextV1.1");
  out[kRamRequiredAt] = highRam ? 1 : 0;
  out[kBankCountAt] = static_cast<char>(bankCount);
  out[kScreenFlagsAt] = static_cast<char>(screen.flags);
  out[kBorderAt] = static_cast<char>(d.NEX_BORDER_COLOUR);
  Put16(out, kSpAt, d.SP);
  Put16(out, kPcAt, d.PC);
  for (int b = 0; b < kBanks; ++b) out[kBankTableAt + static_cast<size_t>(b)] = used[b] ? 1 : 0;
  out[kLoadingBarAt] = d.bNEXLOADING_BAR ? 1 : 0;
  out[kLoadingColourAt] = static_cast<char>(d.NEXLOADING_COLOUR & 0xFF);
  out[kBankDelayAt] = static_cast<char>(d.NEX_LOADING_BANK_DELAY);
  out[kLoadedDelayAt] = static_cast<char>(d.NEX_LOADED_DELAY);
  out[kKeepRegistersAt] = d.bNEX_DONT_RESET_REGS ? 1 : 0;
  for (size_t i = 0; i < 3; ++i) out[kCoreVersionAt + i] = static_cast<char>(core[i]);
  out[kHiResColourAt] = static_cast<char>(screen.hiResColour);
  out[kEntryBankAt] = static_cast<char>(d.NEX_ENTRY_BANK);
  if (v12) {
    Put16(out, kFileHandleAt, d.NEXpu8FileHandle < 0 ? 0 : d.NEXpu8FileHandle);
    Put16(out, kCommandLineBaseAt, d.NEXpu8CmdLineBase < 0 ? 0 : d.NEXpu8CmdLineBase);
    Put16(out, kCommandLineLengthAt, d.NEXu16CmdLineLength < 0 ? 0 : d.NEXu16CmdLineLength);
  }

  out.reserve(out.size() + blocks.size() + static_cast<size_t>(bankCount) * kBankBytes +
              d.ExtraData.size());
  out += blocks;
  for (int b : LoadingOrder())
    if (used[b]) AppendBank(a, b, out);
  out.append(reinterpret_cast<const char*>(d.ExtraData.data()),
             std::min<size_t>(d.ExtraCount, d.ExtraData.size()));
  return out;
}

NexWriteResult WriteNexFile(Assembly& a, const TFILE_Def& d) {
  std::optional<std::string> bytes = BuildNexFile(a, d);
  if (!bytes) return NexWriteResult::kNoFile;
  if (bytes->size() > kMaxNexFileBytes) {
    PrintErr(a, " Output file \"" + d.FileName + "\" can't be written: it would hold " +
                    std::to_string(bytes->size()) + " bytes, more than the " +
                    std::to_string(kMaxNexFileBytes) + " a NEX file may hold");
    return NexWriteResult::kTooLarge;
  }
  return SaveOutputFile(a, d.FileName, *bytes) ? NexWriteResult::kWritten
                                               : NexWriteResult::kIoFailure;
}
