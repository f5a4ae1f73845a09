#pragma once
// The run loop (MULTIPASS repeats whole runs) and the pass loop with its stop
// rules, the final pass and the summary.

#include <array>
#include <cstdint>
#include <string>

struct Assembly;

// Lives for the whole process.
struct RunState {
  int32_t runCounter = 0;  // completed runs; value of MULTIPASS in expressions
  int32_t runLimit = 0;    // set by the MULTIPASS directive
  bool success = false;
  int exitCode = 1;
  std::string mainParam;  // the command-line parameter as given
};

// Register presets for snapshots, filled after the final pass.
enum PresetReg : int {
  rPC,
  rSP,
  rAF,
  rBC,
  rDE,
  rHL,
  rIX,
  rIY,
  rF,
  rI,
  rR,
  rAltAF,
  rAltBC,
  rAltDE,
  rAltHL,
  rA,
  rB,
  rC,
  rD,
  rE,
  rH,
  rL,
  rAltA,
  rAltB,
  rAltC,
  rAltD,
  rAltE,
  rAltH,
  rAltL,
  rAltF,
  rMEMPTR,
  rA32,
  rIM,
  rIE,
  rP1FFD,
  rP7FFD,
  rPDFFD,
  kPresetCount
};

struct RegisterPreset {
  bool set = false;
  int32_t value = 0;
};

struct PassState {
  int32_t pass = 1;
  int32_t nErrors = 0;
  int32_t nRedef = 0;
  int32_t nUndef = 0;
  int32_t statementCount = 0;
  int32_t prevStatementCount = 0;
  int32_t stallCount = 0;
  bool abort = false;
  bool forcePass = false;
  bool realignAllowed = true;
  bool finalPass = false;
  bool clean = false;
  bool message = false;
  bool comparisonData = false;  // IMPORT_COMPARISON loaded reference bytes this run
  bool otherAssembler = false;  // LOCAL or REPT seen
  bool compressSeen = false;    // VELDCOMPRESS met in this pass
  bool holdWarnings = false;    // a repeated pass: its warnings were printed already
  uint32_t runSeed = 0;
  std::string timeStr;
  std::array<RegisterPreset, kPresetCount> presets{};
};

// Assembles the file named on the command line: every run, then the exit
// code (0 success, 1 failure).
int AssembleMain(Assembly& a, const std::string& param);

// One run: load, passes, outputs, clean-up. Returns the success flag.
bool DoOneRun(Assembly& a);

// "hh:mm am ddd d/mmm/yyyy".
std::string FormatTimeString(const struct tm& t);
