#include "driver/pass_driver.h"

#include <cstdio>

#include "assembler/assembly.h"
#include "support/fresh_memory.h"
#include "support/paths.h"
#include "symbols/presets.h"

namespace {

constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Default snapshot stack pointer by model family; other models keep theirs.
void SetDefaultStackPointer(Assembly& a) {
  uint8_t m = a.machine.model;
  if (m <= 1)
    a.machine.defaultStartSP = 0xFF40;
  else if (m <= 3)
    a.machine.defaultStartSP = 0xFF46;
  else if (m <= 5)
    a.machine.defaultStartSP = 0xFF3E;
  else if (m <= 7)
    a.machine.defaultStartSP = 0xFF3C;
}

void ClearRunState(Assembly& a) {
  ClearSymbols(a);
  ClearLineSkips(a);
  a.image.keepOrigins = false;
  a.pass = PassState{};
  a.compress = CompressState{};
  SetDefaultStackPointer(a);
  a.options.PointAtNeutral();
  a.pass.timeStr = FormatTimeString(a.env.clock->LocalNow());
  a.pass.runSeed = a.env.seed ? a.env.seed() : 0;
  a.pass.pass = 1;
  a.pass.realignAllowed = true;
  a.pass.prevStatementCount = 0;
}

void PrintCounts(Assembly& a) {
  char line[128];
  std::snprintf(line, sizeof line, "nErrors = %d nRedef = %d nUndef = %d", a.pass.nErrors,
                a.pass.nRedef, a.pass.nUndef);
  PrintErr(a, line);
  if (a.pass.otherAssembler && LogicPriorityUntouched(a)) {
    PrintErr(a,
             "Be careful... you seem to be assembling a pasmo source with logical operators set to "
             "high priority... Look at the assembler options on the config tab.");
    PrintErr(a,
             "You can avoid this warning by adding \"zoLogicOperatorsHighPri = false\" at the top "
             "of your sourcefile. Or = true if you really want high priority logical operators.");
  }
  if (a.pass.nErrors == 0 && a.pass.nUndef > 0) PrintUndefinedListing(a);
}

// More rounds of "compress, one more pass" are made while the pass after the
// compressor still moves labels (code after the directive now follows the
// planted block) or the block's end changes; they always settle at once
// unless the compressed bytes depend on what follows them.
constexpr int kMaxCompressionRounds = 8;

// The compression step after a clean final pass that met VELDCOMPRESS: the
// compressor plants the block, one more pass lets the code after the
// directive see the block's end, and the compressor runs again on that
// pass's image. The first extra pass prints the source's messages; warnings
// were printed by the final pass already.
void CompressionPasses(Assembly& a) {
  PassState& p = a.pass;
  CompressState& c = a.compress;
  int32_t end = 0;
  if (!CompressImage(a, c.params, end)) return;
  for (int round = 0;; ++round) {
    c.compressed = true;
    c.endAddress = end;
    p.clean = true;  // a later round follows a pass whose only fault was labels moving
    p.message = round == 0;
    p.holdWarnings = true;
    ++p.pass;
    a.runPass(a);
    p.holdWarnings = false;
    p.clean = p.nErrors == 0 && p.nRedef == 0 && p.nUndef == 0;
    if (p.abort) return;
    int32_t again = 0;
    if (!CompressImage(a, c.params, again)) return;
    bool onlyMoved = p.nErrors == 0 && p.nUndef == 0 && p.nRedef > 0;
    if (again == end && !onlyMoved) return;
    if (round + 1 >= kMaxCompressionRounds) {
      if (again != end)
        CompressError(a, c.params, E_AddressError, " - the compressed block's end does not settle");
      return;
    }
    end = again;
  }
}

// The compression step, then: when it failed, the files recorded for the
// uncompressed image are not written.
void CompressAfterFinalPass(Assembly& a) {
  const int32_t errors = a.pass.nErrors;
  CompressionPasses(a);
  if (a.pass.abort || a.pass.nErrors > errors) ClearFileDefs(a);
}

// Passes until the counts settle or a stop rule holds, then the final pass.
bool AssembleInPasses(Assembly& a) {
  ClearRunState(a);
  PassState& p = a.pass;
  a.runPass(a);
  p.stallCount = 0;
  for (;;) {
    int32_t prevUndef = p.nUndef, prevRedef = p.nRedef;
    ++p.pass;
    if (!p.abort) a.runPass(a);
    if (p.nErrors == 0 && p.nUndef == 0 && p.nRedef == 0 && !p.forcePass) break;
    if (p.pass > 200) break;
    bool progress =
        p.statementCount != p.prevStatementCount || p.nRedef < prevRedef || p.nUndef < prevUndef;
    if (progress) {
      p.stallCount = 0;
    } else {
      p.realignAllowed = false;
      ++p.stallCount;
      if (p.stallCount > 20 || p.nErrors > 0) break;
    }
    p.prevStatementCount = p.statementCount;
  }
  p.finalPass = true;
  if (p.abort) {
    PrintErr(a, "ABORTED!");
  } else {
    p.clean = p.nErrors == 0 && p.nRedef == 0 && p.nUndef == 0;
    p.message = p.clean && !p.compressSeen;
    ++p.pass;
    a.runPass(a);
    ApplyRegisterPresets(a);
    if (p.clean && p.compressSeen && !p.abort) {
      CompressAfterFinalPass(a);
      ApplyRegisterPresets(a);
    }
    PrintCounts(a);
  }
  a.stmt.PendingLabel = nullptr;
  ResetConditionals(a);
  bool ok = !p.abort && p.nErrors == 0 && p.nRedef == 0 && p.nUndef == 0 && p.clean;
  if (ok) ReadCpmSettings(a);
  if (!ok && p.nRedef > 0) PrintRedefinitionListing(a);
  return ok;
}

}  // namespace

std::string FormatTimeString(const struct tm& t) {
  int hour12 = t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02d:%02d %s %s %d/%s/%d", hour12, t.tm_min,
                t.tm_hour < 12 ? "am" : "pm", kDays[(t.tm_wday % 7 + 7) % 7], t.tm_mday,
                kMonths[(t.tm_mon % 12 + 12) % 12], t.tm_year + 1900);
  return buf;
}

bool DoOneRun(Assembly& a) {
  BuildKeywordTable(a.keywords);
  ClearSymbols(a);
  ClearSources(a);
  LoadSource(a, a.run.mainParam);
  const TSource& main = a.sources.slots[0];
  // A run's heap grows with its lines (their index, what is known of them,
  // the labels on them): about this much a line is made present at once.
  constexpr size_t kHeapPerLine = 16;
  PrepareHeapGrowth(main.Lines.size() * kHeapPerLine);
  bool ok;
  if (!main.readError.empty()) {
    PrintErr(a, " Source file \"" + a.run.mainParam + "\" can't be read: " + main.readError);
    ok = false;
  } else {
    ok = AssembleInPasses(a);
  }
  if (ok) {
    std::string line = "Assembled: " + a.run.mainParam;
    if (a.run.runCounter > 0) line += " (Multipass " + std::to_string(a.run.runCounter) + ")";
    PrintOut(a, line);
  }
  bool written = WriteOutputFiles(a);
  // The symbols and sources stay until the next run starts, so whoever
  // drives the assembler in-process can still inspect them.
  FreeKeywordTable(a.keywords);
  return ok && written;
}

int AssembleMain(Assembly& a, const std::string& param) {
  std::string name = param;
  for (char& c : name)
    if (c == '\\') c = '/';
  if (!IsRegularFile(name)) {
    PrintErr(a, " Source file \"" + param + "\" not found");
    return 1;
  }
  a.run.mainParam = param;
  a.run.runCounter = 0;
  a.run.runLimit = 0;
  do {
    a.run.success = DoOneRun(a);
    a.run.exitCode = a.run.success ? 0 : 1;
    ++a.run.runCounter;
  } while (a.run.success && a.run.runCounter < a.run.runLimit);
  return a.run.exitCode;
}
