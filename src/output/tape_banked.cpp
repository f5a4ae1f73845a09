// Tape modes 3 and 4: a BASIC loader whose machine code moves itself to a
// free 256-byte place and loads a stream of records into the 48K view or any
// 128K bank, drawing the loading screen as its rows arrive between the code
// pieces; mode 4 adds a second block at a speed of the source's choosing
// (src/output/loaders/banked_loader.asm).

#include <algorithm>
#include <cmath>

#include "assembler/assembly.h"
#include "output/output_defs.h"
#include "output/tape_build.h"
#include "output/tape_loader_code.h"

namespace {

constexpr uint32_t kBankSize = 0x4000;
constexpr uint32_t kBanks = 8;
constexpr uint32_t kBankSpace = kBankSize * kBanks;
constexpr uint32_t kScreenPos = 5 * kBankSize;  // the screen in bank 5
constexpr uint32_t kScreenLen = kScreenEnd - kScreenBase;
constexpr uint32_t kLoaderRun = 0x7F00;  // where the loader body is assembled to run
constexpr uint32_t kPlaceSize = 256;
constexpr uint32_t kOverlaySize = kPlaceSize + 14;
constexpr size_t kMaxRuns = 256;

// The 128K of RAM by bank position (bank n from n * $4000), with the bytes
// the stream must carry marked used.
struct Banks {
  std::string bytes = std::string(kBankSpace, '\0');
  std::vector<bool> used = std::vector<bool>(kBankSpace, false);
};

// Bank position of a logical address: the 48K view is banks 5, 2, 0;
// from $10000 on, bank n at $10000 + n * $4000. -1 where no bank is.
int64_t BankPosition(uint32_t logical) {
  static constexpr uint32_t kViewBanks[4] = {0, 5, 2, 0};
  if (logical >= 0x4000 && logical < 0x10000)
    return kViewBanks[logical / kBankSize] * kBankSize + logical % kBankSize;
  if (logical >= 0x10000 && logical < 0x30000) return logical - 0x10000;
  return -1;
}

uint32_t BankOf(uint32_t pos) { return pos / kBankSize; }

// The address a bank position has in its paging window, and the bank the
// loader pages at $C000 for it (0 for banks 2 and 5, which are always in).
uint16_t WindowAddress(uint32_t pos) {
  uint32_t bank = BankOf(pos), offset = pos % kBankSize;
  if (bank == 5) return static_cast<uint16_t>(0x4000 + offset);
  if (bank == 2) return static_cast<uint16_t>(0x8000 + offset);
  return static_cast<uint16_t>(0xC000 + offset);
}
uint8_t WindowBank(uint32_t pos) {
  uint32_t bank = BankOf(pos);
  return static_cast<uint8_t>(bank == 2 || bank == 5 ? 0 : bank);
}

void PutWord(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}

// One record: address in its window, bank, count (256 as 0), bytes, XOR.
void PutRecord(std::string& stream, uint32_t pos, std::string_view data) {
  size_t start = stream.size();
  PutWord(stream, WindowAddress(pos));
  stream += static_cast<char>(WindowBank(pos));
  stream += static_cast<char>(data.size() & 0xFF);
  stream += data;
  stream += static_cast<char>(XorOf(std::string_view(stream).substr(start)));
}

bool InScreen(uint32_t pos) { return pos >= kScreenPos && pos < kScreenPos + kScreenLen; }

// Copies the code blocks to their bank positions; refuses blocks that reach
// outside the banks (the ROM, or beyond $2FFFF).
bool PlaceBlocks(TapeBuild& t, Banks& b) {
  for (int i = 0; i < t.d.BlockCnt && i < static_cast<int>(t.d.BlockList.size()); ++i) {
    const TBLOCK_DEFN& blk = t.d.BlockList[i];
    const uint64_t end = static_cast<uint64_t>(blk.Base) + blk.Length;
    const bool view = blk.Base >= 0x4000 && end <= 0x10000;
    const bool banks = blk.Base >= 0x10000 && end <= 0x30000;
    if (blk.Length == 0 || !(view || banks)) {
      char text[160];
      std::snprintf(text, sizeof text,
                    " TZX cannot be generated! Block %d ($%04X, length %u) must lie within "
                    "$4000-$FFFF or $10000-$2FFFF and hold at least one byte.",
                    i + 1, blk.Base, blk.Length);
      TapeError(t, text);
      return false;
    }
    std::string code = TapeCode(t, blk.Base, blk.Length);
    for (uint32_t k = 0; k < blk.Length; ++k) {
      uint32_t pos = static_cast<uint32_t>(BankPosition(blk.Base + k));
      b.bytes[pos] = code[k];
      if (!InScreen(pos)) b.used[pos] = true;
    }
  }
  std::string screen = FetchRangeBytes(t.a, kScreenBase, kScreenLen);
  std::copy(screen.begin(), screen.end(), b.bytes.begin() + kScreenPos);
  return true;
}

bool AreaFree(const Banks& b, uint32_t pos, uint32_t size) {
  return std::none_of(b.used.begin() + pos, b.used.begin() + pos + size, [](bool u) { return u; });
}

// The loader's place: the first free 256-byte area from the start down to
// $8000 (48K view); -1 when there is none.
int64_t FindPlace(const Banks& b, uint32_t start) {
  for (int64_t at = start; at >= 0x8000; at -= kPlaceSize)
    if (AreaFree(b, static_cast<uint32_t>(BankPosition(at)), kPlaceSize)) return at;
  return -1;
}

// The overlay for the bytes at $BF00: 270 free bytes in banks 0 to 7, clear of
// the screen and of the last 256 bytes of bank 0; -1 when there are none.
int64_t FindOverlay(const Banks& b) {
  uint32_t run = 0;
  for (uint32_t pos = 0; pos < kBankSpace; ++pos) {
    bool ok = !b.used[pos] && !InScreen(pos) && !(pos >= kBankSize - kPlaceSize && pos < kBankSize);
    if (pos % kBankSize == 0) run = 0;  // an overlay stays in one bank
    run = ok ? run + 1 : 0;
    if (run == kOverlaySize) return pos + 1 - kOverlaySize;
  }
  return -1;
}

// Moves the bytes at $BF00 to the overlay and puts the stub after them that
// copies them back and runs the program; returns the stub's position.
uint32_t MakeOverlay(Banks& b, uint32_t overlay, uint32_t execute) {
  const uint32_t place = static_cast<uint32_t>(BankPosition(0xBF00));
  std::string stub;
  stub += '\x21';  // LD HL,overlay
  PutWord(stub, WindowAddress(overlay));
  stub += '\x11';  // LD DE,$BF00
  PutWord(stub, 0xBF00);
  stub += '\x01';  // LD BC,256
  PutWord(stub, kPlaceSize);
  stub += "\xED\xB0";  // LDIR
  stub += '\xC3';      // JP execute
  PutWord(stub, execute);
  for (uint32_t k = 0; k < kPlaceSize; ++k) {
    b.bytes[overlay + k] = b.bytes[place + k];
    b.used[overlay + k] = b.used[place + k];
    b.used[place + k] = false;
  }
  for (uint32_t k = 0; k < stub.size(); ++k) {
    b.bytes[overlay + kPlaceSize + k] = stub[k];
    b.used[overlay + kPlaceSize + k] = true;
  }
  return overlay + kPlaceSize;
}

struct Piece {
  uint32_t pos, size;
};

// The runs of used bytes cut into pieces of at most `most` bytes that never
// cross a bank boundary.
std::vector<Piece> Pieces(const Banks& b, uint32_t most, size_t& runs) {
  std::vector<Piece> pieces;
  runs = 0;
  for (uint32_t pos = 0; pos < kBankSpace;) {
    if (!b.used[pos]) {
      ++pos;
      continue;
    }
    ++runs;
    uint32_t end = pos;
    while (end < kBankSpace && b.used[end]) ++end;
    for (uint32_t p = pos; p < end;) {
      uint32_t bankEnd = (BankOf(p) + 1) * kBankSize;
      uint32_t size = std::min({most, end - p, bankEnd - p});
      pieces.push_back({p, size});
      p += size;
    }
    pos = end;
  }
  return pieces;
}

// The order of the pixel rows, by bits 24 to 26 of the sixth value.
std::vector<int> PixelOrder(Assembly& a, uint32_t order) {
  std::vector<int> rows(kPixelRows);
  for (int k = 0; k < kPixelRows; ++k) rows[k] = k;
  auto swapAhead = [&](int reach) {
    for (int k = 0; k + 1 < kPixelRows; ++k) {
      int other = std::min(kPixelRows - 1, k + 1 + static_cast<int>(a.random.Next() % reach));
      std::swap(rows[k], rows[other]);
    }
  };
  switch (order) {
    case 1:
      std::reverse(rows.begin(), rows.end());
      break;
    case 2:  // from the middle outwards: 95, 96, 94, 97, ...
      for (int k = 0; k < kPixelRows; ++k) rows[k] = k % 2 == 0 ? 95 - k / 2 : 96 + k / 2;
      break;
    case 3:  // from the edges inwards: 0, 191, 1, 190, ...
      for (int k = 0; k < kPixelRows; ++k) rows[k] = k % 2 == 0 ? k / 2 : kPixelRows - 1 - k / 2;
      break;
    case 4:
      swapAhead(2);
      break;
    case 5:
      swapAhead(15);
      break;
    case 6:  // a shuffle drawn from the run's random generator
      for (int k = kPixelRows - 1; k > 0; --k)
        std::swap(rows[k], rows[static_cast<int>(a.random.Next() % (k + 1))]);
      break;
    default:
      break;
  }
  return rows;
}

// A screen row trimmed of its leading and trailing zero bytes; empty when
// the row holds nothing.
void PutScreenRow(std::string& stream, const ScreenRows& s, uint32_t address) {
  std::string_view row = RowBytes(s, address);
  size_t first = row.find_first_not_of('\0');
  if (first == std::string_view::npos) return;
  size_t last = row.find_last_not_of('\0');
  PutRecord(stream, kScreenPos + (address - kScreenBase) + first,
            row.substr(first, last - first + 1));
}

std::string BankedStream(TapeBuild& t, const Banks& b, uint32_t entry) {
  ScreenRows s = ReadScreen(t, false);
  size_t runs = 0;
  std::vector<Piece> firstCut = Pieces(b, 256, runs);
  uint64_t total = 0;
  for (const Piece& p : firstCut) total += p.size;
  if (runs > kMaxRuns)
    TapeError(t, " TZX cannot be generated! The code makes more than 256 runs of bytes.");
  const uint32_t most =
      static_cast<uint32_t>(std::min<uint64_t>(256, total / std::max(1, s.count) + 1));
  std::vector<Piece> pieces = Pieces(b, most, runs);

  std::string stream;
  size_t next = 0;
  uint64_t sent = 0;
  int rowsSent = 0;
  auto piecesToShare = [&]() {
    while (next < pieces.size() && sent * s.count < total * rowsSent) {
      const Piece& p = pieces[next++];
      PutRecord(stream, p.pos, std::string_view(b.bytes).substr(p.pos, p.size));
      sent += p.size;
    }
  };
  std::array<bool, kAttrRows> attrDone{};
  for (int k : PixelOrder(t.a, (t.d.Param5 >> 24) & 7)) {
    int r = k / 8;
    if (!attrDone[r]) {
      attrDone[r] = true;
      if (s.attr[r]) {
        PutScreenRow(stream, s, AttrRowAddress(r));
        ++rowsSent;
        piecesToShare();
      }
    }
    if (s.pixel[k]) {
      PutScreenRow(stream, s, PixelRowAddress(k));
      ++rowsSent;
      piecesToShare();
    }
  }
  rowsSent = s.count;
  total = 0;  // the rest, whatever the shares
  while (next < pieces.size()) {
    const Piece& p = pieces[next++];
    PutRecord(stream, p.pos, std::string_view(b.bytes).substr(p.pos, p.size));
  }
  PutWord(stream, WindowAddress(entry));
  stream += static_cast<char>(WindowBank(entry) | 0x80);
  stream += '\0';
  return stream;
}

// ---- Mode 4: the turbo part ----

constexpr uint32_t kTurboSpace = 0x20000;  // logical $0000-$1FFFF
constexpr uint32_t kJoinGap = 5;
constexpr uint32_t kBasicStart = 23755;
constexpr uint32_t kProgramExtra = 34;

// Sample counts of the tape routines (see tape_routines.asm): a bit of T
// T-states gives about (T - 467) / 43 + 2 samples, a single half period h
// about (h - 244) / 43 + 1.
double BitSamples(double t) { return (t - 467) / 43 + 2; }
double HalfSamples(double h) { return (h - 244) / 43 + 1; }

// The loader's timing table for pulse lengths `tm`: start values and limits
// of the sample counter for the pilot, the sync pulse and the bits. The
// counter must not wrap on pulses 25% longer than given. False when the
// pulses cannot be told apart or timed by the loader.
bool TurboTable(const TapeTimings& tm, std::array<uint8_t, 7>& out) {
  if (tm.zero < 400 || tm.one < tm.zero + 200 || tm.pilot < 600 || tm.sync1 * 10 > tm.pilot * 7)
    return false;
  const int lead = 250 - static_cast<int>(std::ceil(BitSamples(2.5 * tm.pilot)));
  const int leadMin = lead + static_cast<int>(BitSamples(1.2 * tm.pilot));
  const int sync = 250 - static_cast<int>(std::ceil(HalfSamples(1.25 * tm.pilot))) -
                   static_cast<int>(std::ceil(HalfSamples(1.25 * tm.sync2)));
  const int syncMax = sync + static_cast<int>(HalfSamples((tm.sync1 + tm.pilot) / 2.0));
  const int bit = 250 - static_cast<int>(std::ceil(BitSamples(2.5 * tm.one)));
  const int one = bit + static_cast<int>(BitSamples(tm.zero + tm.one));
  if (lead < 0 || sync < 0 || bit < 0 || syncMax <= sync) return false;
  out = {static_cast<uint8_t>(lead),    static_cast<uint8_t>(leadMin), static_cast<uint8_t>(sync),
         static_cast<uint8_t>(syncMax), static_cast<uint8_t>(bit + 3), static_cast<uint8_t>(bit),
         static_cast<uint8_t>(one)};
  return true;
}

TapeTimings CustomTimings(Assembly& a) {
  TapeTimings tm;
  auto get = [&](const char* name, uint16_t def) {
    return static_cast<uint16_t>(IntegerOfSymbolAnyKind(a, name, def));
  };
  tm.pilot = get("zx_custompulselength_pilot", 2168);
  tm.sync1 = get("zx_custompulselength_sync1", 667);
  tm.sync2 = get("zx_custompulselength_sync2", 735);
  tm.zero = get("zx_custompulselength_zero", 855);
  tm.one = get("zx_custompulselength_one", 1710);
  tm.pilotPulses = get("zx_custompilotlength", 3223);
  return tm;
}

// The turbo part: the memory the further blocks cover in $0000-$1FFFF, the
// screen left out, as runs (gaps of up to 5 bytes joined) cut at bank
// boundaries and into pieces of about total / Param6 bytes, one record each
// with Param7 bytes of padding after it; then the end marks.
std::string TurboStream(TapeBuild& t) {
  std::vector<bool> covered(kTurboSpace, false);
  for (int i = 1; i < t.d.BlockCnt && i < static_cast<int>(t.d.BlockList.size()); ++i) {
    const TBLOCK_DEFN& blk = t.d.BlockList[i];
    for (uint64_t a = blk.Base; a < static_cast<uint64_t>(blk.Base) + blk.Length; ++a)
      if (a < kTurboSpace && !(a >= kScreenBase && a < kScreenEnd)) covered[a] = true;
  }
  struct Run {
    uint32_t from, to;
  };
  std::vector<Run> runs;
  uint64_t total = 0;
  for (uint32_t a = 0; a < kTurboSpace; ++a) {
    if (!covered[a]) continue;
    uint32_t end = a;
    while (end < kTurboSpace && covered[end]) ++end;
    if (!runs.empty() && a - runs.back().to <= kJoinGap)
      runs.back().to = end;
    else
      runs.push_back({a, end});
    a = end;
  }
  if (runs.size() > kMaxRuns)
    TapeError(t, " TZX cannot be generated! The turbo part makes more than 256 runs of bytes.");
  for (const Run& r : runs) total += r.to - r.from;
  const uint32_t records = t.d.Param6;
  const uint64_t most = records ? std::max<uint64_t>(1, (total + records - 1) / records) : 0xFFFF;
  const uint32_t pad = t.d.Param7;
  std::string stream;
  for (const Run& r : runs) {
    for (uint32_t a = r.from; a < r.to;) {
      uint32_t pos = static_cast<uint32_t>(BankPosition(a));
      uint32_t size = 1;
      while (a + size < r.to && size < most && BankPosition(a + size) == pos + size) ++size;
      uint8_t param = static_cast<uint8_t>(0x80 | WindowBank(pos));
      if (param == 0xFF)
        TapeError(t, "This TZX cannot be generated! There's a parameter byte of $7F or $FF.");
      size_t start = stream.size();
      stream += static_cast<char>(param);
      PutWord(stream, WindowAddress(pos));
      PutWord(stream, size);
      stream += TapeCode(t, a, size);
      stream += static_cast<char>(XorOf(std::string_view(stream).substr(start)));
      stream.append(pad, '\0');
      a += size;
    }
  }
  const int extra = std::max(0, IntegerOfSymbolAnyKind(t.a, "zx_customextradatacount", 0));
  stream.append(1 + static_cast<size_t>(std::min(extra, 0xFFFF)), '\xFF');
  stream.append(2, '\0');
  return stream;
}

template <size_t N, size_t R>
std::string LoaderBody(const uint8_t (&bytes)[N], const int (&relocations)[R],
                       const banked_loader::Patches& p, TapeBuild& t, uint32_t place) {
  std::string body(reinterpret_cast<const char*>(bytes), N);
  for (int at : relocations) {
    uint32_t word = static_cast<uint8_t>(body[at]) | static_cast<uint8_t>(body[at + 1]) << 8;
    word = (word + place - kLoaderRun) & 0xFFFF;
    body[at] = static_cast<char>(word & 0xFF);
    body[at + 1] = static_cast<char>(word >> 8);
  }
  std::array<uint8_t, 6> c = LoaderColours(t);
  const int at[6] = {p.colour0, p.mask01, p.colour2, p.mask23, p.colour4, p.colour5};
  for (int i = 0; i < 6; ++i) body[at[i]] = static_cast<char>(c[i]);
  if (p.pad >= 0) body[p.pad] = static_cast<char>(t.d.Param7 & 0xFF);
  return body;
}

// Mode 4 keeps part of its loader in the REM line while the code loads: no
// block may reach the BASIC program.
bool ClearOfBasic(TapeBuild& t) {
  const uint32_t top = kBasicStart + sizeof banked_loader::kTurboBytes + kProgramExtra;
  for (int i = 0; i < t.d.BlockCnt && i < static_cast<int>(t.d.BlockList.size()); ++i) {
    const TBLOCK_DEFN& blk = t.d.BlockList[i];
    if (blk.Base<top&& static_cast<uint64_t>(blk.Base) + blk.Length> kBasicStart) {
      TapeError(t, " TZX cannot be generated! A block would overwrite the BASIC loader.");
      return false;
    }
    if (i > 0 && static_cast<uint64_t>(blk.Base) + blk.Length > kTurboSpace) {
      TapeError(t, " TZX cannot be generated! The turbo part holds only $0000-$1FFFF.");
      return false;
    }
  }
  return true;
}

}  // namespace

void BuildBankedLoader(TapeBuild& t) {
  Banks b;
  if (!PlaceBlocks(t, b)) return;
  const bool turbo = t.d.Param3 == 4;
  if (turbo && !ClearOfBasic(t)) return;
  const bool is48K = Is48K(t.a.machine.model);
  const bool fits = AddressCheckFits(t.d);
  uint32_t entry = 0;
  int64_t entryPos = BankPosition(t.d.Param4);
  if (entryPos < 0) {
    return TapeError(t,
                     " TZX cannot be generated! The execute address must lie within "
                     "$4000-$FFFF or $10000-$2FFFF.");
  }
  entry = static_cast<uint32_t>(entryPos);
  int64_t place = FindPlace(b, is48K ? (fits ? 0xFD00 : 0xFE00) : 0xBF00);
  bool overlay = false;
  if (place < 0) {
    if (is48K)
      return TapeError(t, " TZX cannot be generated! There's not enough free room for the loader.");
    int64_t at = FindOverlay(b);
    if (at < 0)
      return TapeError(t,
                       " TZX cannot be generated! There's not enough free room for the loader or "
                       "even an overlay.");
    entry = MakeOverlay(b, static_cast<uint32_t>(at), t.d.Param4 & 0xFFFF);
    place = 0xBF00;
    overlay = true;
  }
  // With an overlay the stub copies the program's bytes over the loader's
  // place and stack, so interrupts stay off.
  const bool enable = fits && !overlay;
  const uint32_t at = static_cast<uint32_t>(place);
  std::string body = turbo
                         ? LoaderBody(banked_loader::kTurboBytes, banked_loader::kTurboRelocations,
                                      banked_loader::kTurboPatches, t, at)
                     : enable ? LoaderBody(banked_loader::kFitBytes, banked_loader::kFitRelocations,
                                           banked_loader::kFitPatches, t, at)
                              : LoaderBody(banked_loader::kLowBytes, banked_loader::kLowRelocations,
                                           banked_loader::kLowPatches, t, at);
  std::string stream = BankedStream(t, b, entry);
  // A TAP file knows no speeds: its turbo part plays at the standard one.
  TapeTimings tm = t.tap ? TapeTimings{} : CustomTimings(t.a);
  std::array<uint8_t, 7> table{};
  if (turbo) {
    if (!TurboTable(tm, table))
      return TapeError(t,
                       " TZX cannot be generated! The zx_custom pulse lengths cannot be read "
                       "by the loader.");
    if (t.d.Param7 > 255)
      return TapeError(t, " TZX cannot be generated! The padding after a record is 0 to 255.");
    std::copy(table.begin(), table.end(), body.begin() + banked_loader::kTurboPatches.timing);
  }
  for (TapeBlock& blk : BasicLoaderBlocks(t.name, body)) t.blocks.push_back(std::move(blk));
  const uint16_t beginPause =
      turbo ? static_cast<uint16_t>(IntegerOfSymbolAnyKind(t.a, "zx_custombeginpause", 0)) : 0;
  TapeBlock data = StreamBlock(stream, beginPause);
  data.turbo = true;  // standard timings, written as a turbo-speed block in TZX
  const size_t first = data.bytes.size();
  if (t.tap && first >= 0xFFFF) {
    TapeError(t, "Error - sorry, this file is too long for a TAP file!");
  } else {
    t.blocks.push_back(std::move(data));
  }
  if (!turbo) return;
  TapeBlock fast = StreamBlock(TurboStream(t), 0);
  fast.turbo = true;
  fast.timings = tm;
  fast.pause = static_cast<uint16_t>(IntegerOfSymbolAnyKind(t.a, "zx_customendpause", 0));
  if (t.tap && (fast.bytes.size() >= 0xFFFF || fast.bytes.size() + first >= 65500)) {
    TapeError(t, "Error - sorry, this file is too long for a TAP file!");
    return;
  }
  t.blocks.push_back(std::move(fast));
}
