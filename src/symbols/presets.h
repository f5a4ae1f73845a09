#pragma once
// What the pass driver reads from symbols after the final pass: register
// presets for snapshots, the 128K SNA vector flag, and the CP/M settings.

#include <cstdint>
#include <string>

struct Assembly;

// Initial CPU state of snapshot outputs, filled from the register presets.
struct SnapshotCpuState {
  uint16_t PC = 0, SP = 0, AF = 0, BC = 0, DE = 0, HL = 0, IX = 0, IY = 0;
  uint16_t AltAF = 0, AltBC = 0, AltDE = 0, AltHL = 0, MEMPTR = 0;
  uint8_t I = 0, R = 0, IM = 0;
  bool IFF1 = false, IFF2 = false;
  int32_t P1FFD = -1, P7FFD = -1, PDFFD = -1;
  bool onlyUse128KSNAVector = false;
};

// CP/M drive file and disk geometry (the Veld_cpm_* symbols).
struct CpmSettings {
  int32_t secPerTrack = 128, secPerBlock = 32, blocksPerDisk = 2048, dirCnt = 512;
  int32_t resTracks0 = 1, resTracksX = 0, diskCnt = 8;
  bool haveDrives = false;
  std::string drives;
};

void ApplyRegisterPresets(Assembly& a);
// The CP/M drive file name (taken only from a variable or constant holding a
// string) and disk geometry as the symbols hold them now; defaults for
// missing symbols.
CpmSettings CpmSettingsFromSymbols(Assembly& a);
// Copies them into the context after a successful assembly, for OUTPUT_CPM.
void ReadCpmSettings(Assembly& a);
// True while the source has not assigned zoLogicOperatorsHighPri itself.
bool LogicPriorityUntouched(const Assembly& a);
