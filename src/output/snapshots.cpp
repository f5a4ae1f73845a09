// The snapshot write-out: the start registers of a definition, the checks
// that keep a snapshot loadable, and the writer of each kind.

#include "output/snapshots.h"

#include <cstdio>

#include "assembler/assembly.h"
#include "output/file_writer.h"

namespace {

std::string Hex(int64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "$%04llX", static_cast<long long>(v));
  return buf;
}

void Refuse(Assembly& a, const TFILE_Def& d, const std::string& reason) {
  PrintErr(a, " Output file \"" + d.FileName + "\" can't be written: " + reason);
}

// A register given by the definition, or the model's default when negative.
// Values past 16 bits are refused.
bool StartRegister(Assembly& a, const TFILE_Def& d, const char* name, int32_t given,
                   uint16_t fallback, uint16_t& value) {
  if (given < 0) {
    value = fallback;
    return true;
  }
  if (given > 0xFFFF) {
    Refuse(a, d, std::string(name) + " " + Hex(given) + " is out of range ($0000 to $FFFF)");
    return false;
  }
  value = static_cast<uint16_t>(given);
  return true;
}

}  // namespace

bool SnaSupported(uint8_t model) {
  return IsCPC(model) || Is48K(model) || Is128KFamily(model) || IsNext(model);
}

SnapshotResult WriteSnapshot(Assembly& a, const TFILE_Def& d) {
  const uint8_t model = a.machine.model;
  if (d.Sort == ftSNA && !SnaSupported(model)) {
    PrintOut(a, "Sorry, Veld can't generate SNA files for this machine model");
    return SnapshotResult::kRefused;
  }
  SnapshotStart s;
  if (!StartRegister(a, d, "SP", d.SP, a.machine.defaultStartSP, s.SP) ||
      !StartRegister(a, d, "PC", d.PC, a.machine.defaultStartPC, s.PC))
    return SnapshotResult::kRefused;

  std::string file;
  switch (d.Sort) {
    case ftSZX:
      file = SzxFile(a, s);
      break;
    case ftZ80:
      file = Z80File(a, s);
      break;
    default:
      if (IsCPC(model)) {
        file = CpcSnaFile(a, s);
      } else {
        // The start address is stacked below SP; both its bytes must land in RAM.
        if (SnaStacksPC(a) && !StackedStartFits(s.SP)) {
          Refuse(
              a, d,
              "SP " + Hex(s.SP) + " puts the stacked start address outside RAM ($4000 to $FFFF)");
          return SnapshotResult::kRefused;
        }
        file = SpectrumSnaFile(a, s);
      }
      break;
  }
  return SaveOutputFile(a, d.FileName, file) ? SnapshotResult::kWritten
                                             : SnapshotResult::kIoFailure;
}
