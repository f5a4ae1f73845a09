// The write-out: after the run every recorded definition goes to the writer
// of its kind, in slot order; recorded commands run after all files.

#include <algorithm>

#include "assembler/assembly.h"
#include "memtools/cpm_drive_file.h"
#include "output/file_ops.h"
#include "output/file_writer.h"
#include "output/hex_formats.h"
#include "output/list_file.h"
#include "output/nex_writer.h"
#include "output/output_defs.h"
#include "output/snapshots.h"
#include "output/source_exports.h"
#include "output/tape.h"
#include "symbols/symbol_export.h"

namespace {

// Outcome of one definition. A hard failure ends the write-out at once; a
// soft one (a writer whose files are secondary, such as the text file) lets
// the other definitions be written, but the run still reports failure.
enum class Outcome { kDone, kSoftFailure, kHardFailure };

Outcome Hard(bool ok) { return ok ? Outcome::kDone : Outcome::kHardFailure; }
Outcome Soft(bool ok) { return ok ? Outcome::kDone : Outcome::kSoftFailure; }

// The writers of a memory range: the bytes come from the image through the
// machine model's mapping.
Outcome WriteMemoryRange(Assembly& a, const TFILE_Def& d) {
  switch (d.Sort) {
    case ftBinary:
      return Hard(SaveOutputFile(a, d.FileName, FetchRangeBytes(a, d.Start, d.Length)));
    case ftBinaryInsert:
      return Hard(PatchOutputFile(a, d.FileName, d.Param1, FetchRangeBytes(a, d.Start, d.Length)));
    case ftIntelHex:
      return Hard(SaveOutputFile(a, d.FileName,
                                 IntelHexText(d.Start, FetchRangeBytes(a, d.Start, d.Length))));
    case ftSrecHex:
      return Hard(SaveOutputFile(
          a, d.FileName, SRecordText(d.Start, FetchRangeBytes(a, d.Start, d.Length), d.Length)));
    case ftHexDB:
      return Hard(SaveOutputFile(a, d.FileName,
                                 AssemblerDbText(d.Start, FetchRangeBytes(a, d.Start, d.Length))));
    case ftRawHex:
      return Hard(SaveOutputFile(
          a, d.FileName,
          HexDumpText(d.Start, FetchRangeBytes(a, d.Start, d.Length), d.Param1, d.Param2)));
    case ftDelphiUnit:
      return Soft(
          SaveOutputFile(a, d.FileName, PascalUnitText(d, FetchRangeBytes(a, d.Start, d.Length))));
    case ftZivevuArray:
      return Soft(
          SaveOutputFile(a, d.FileName, CHeaderText(d, FetchRangeBytes(a, d.Start, d.Length))));
    case ftCPM:
      switch (WriteCpmOutput(a, d)) {
        case CpmOutputStatus::kWritten:
          return Outcome::kDone;
        case CpmOutputStatus::kFailed:
          return Outcome::kSoftFailure;
        case CpmOutputStatus::kIoError:
          return Outcome::kHardFailure;
      }
      return Outcome::kHardFailure;
    case ftPara:
    default:
      return Outcome::kDone;  // recorded only
  }
}

Outcome Snapshot(Assembly& a, const TFILE_Def& d) {
  switch (WriteSnapshot(a, d)) {
    case SnapshotResult::kWritten:
      return Outcome::kDone;
    case SnapshotResult::kRefused:
      return Outcome::kSoftFailure;
    case SnapshotResult::kIoFailure:
      break;
  }
  return Outcome::kHardFailure;
}

// Definitions that act on the host beyond writing a new output file: commands,
// file operations, and writing into the existing CP/M drive file.
bool IsHostAction(TFileKind k) {
  return k == ftInvoke || k == ftFileCopy || k == ftFileMove || k == ftFileDelete || k == ftCPM;
}

Outcome WriteDefinition(Assembly& a, const TFILE_Def& d) {
  if (a.env.sandbox && IsHostAction(d.Sort)) return Outcome::kDone;
  switch (d.Sort) {
    case ftNull:
    case ftHex:
    case ftRaw:
    case ftHexNAS:
    case ftInvoke:  // run after every file, below
      return Outcome::kDone;
    case ftTextFile:
      return Soft(SaveOutputFile(a, d.FileName, TextFileText(d.Comment)));
    case ftSNA:
    case ftSZX:
    case ftZ80:
      return Snapshot(a, d);
    case ftTAP:
    case ftTZX:
      switch (WriteTape(a, d)) {
        case TapeResult::kWritten:
          return Outcome::kDone;
        case TapeResult::kGenerationError:
          return Outcome::kSoftFailure;  // the file holds the blocks made so far
        case TapeResult::kIoFailure:
          return Outcome::kHardFailure;
      }
      return Outcome::kHardFailure;
    // Without a file name the symbol and list files are not saved.
    case ftSYM:
      if (d.FileName.empty()) return Outcome::kDone;
      return Soft(SaveOutputFile(a, d.FileName, JoinLinesCrLf(BuildSymbolLines(a, d.Options))));
    case ftList:
      if (d.FileName.empty()) return Outcome::kDone;
      return Soft(SaveOutputFile(a, d.FileName, JoinLinesCrLf(BuildListLines(a))));
    case ftNex:
      switch (WriteNexFile(a, d)) {
        case NexWriteResult::kIoFailure:
          return Outcome::kHardFailure;
        case NexWriteResult::kTooLarge:
          return Outcome::kSoftFailure;
        default:
          return Outcome::kDone;
      }
    // A failed file operation is reported and the write-out goes on; the
    // run's result stays as it was (a copy onto a file left by an earlier
    // build must not fail the build).
    case ftFileCopy:
      CopyHostFile(a, d.FileName, d.Directory);
      return Outcome::kDone;
    case ftFileMove:
      MoveHostFile(a, d.FileName, d.Directory);
      return Outcome::kDone;
    case ftFileDelete:
      DeleteHostFile(a, d.FileName);
      return Outcome::kDone;
    default:
      return WriteMemoryRange(a, d);
  }
}

}  // namespace

std::string FetchRangeBytes(const Assembly& a, uint32_t start, uint32_t length) {
  uint32_t n = std::min(length, kMaxRangeBytes);
  std::string bytes(n, '\0');
  ReadImageBytes(a, start, std::span(reinterpret_cast<uint8_t*>(bytes.data()), n));
  return bytes;
}

bool WriteOutputFiles(Assembly& a) {
  bool ok = true;
  const int32_t end = a.outputs.nextFree;
  for (int32_t i = 1; i < end; ++i) {
    Outcome r = WriteDefinition(a, a.outputs.slots[i]);
    if (r == Outcome::kHardFailure) {
      ClearFileDefs(a);
      return false;
    }
    if (r == Outcome::kSoftFailure) ok = false;
  }
  // Commands run after every file is written, in source order. A command
  // that fails is reported and the others still run. A sandboxed assembly
  // runs none.
  for (int32_t i = 1; i < end; ++i)
    if (a.outputs.slots[i].Sort == ftInvoke && !a.env.sandbox) InvokeCommand(a, a.outputs.slots[i]);
  ClearFileDefs(a);
  return ok;
}
