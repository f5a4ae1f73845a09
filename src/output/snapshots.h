#pragma once
// Machine snapshots: SZX, Z80 and SNA for the ZX Spectrum family, and the
// Amstrad CPC snapshot that OUTPUT_SNA gives for the CPC models. Each writer
// builds the whole file in memory from the memory image and the CPU state the
// source preset; the file is then saved in one go.

#include <cstdint>
#include <string>
#include <string_view>

#include "output/output_defs.h"

struct Assembly;

// The stack pointer and start address a snapshot starts with.
struct SnapshotStart {
  uint16_t SP = 0;
  uint16_t PC = 0;
};

enum class SnapshotResult {
  kWritten,
  kRefused,    // a clear line said why; no file was written
  kIoFailure,  // the file could not be saved (reported)
};

// Writes the snapshot of an ftSZX, ftZ80 or ftSNA definition.
SnapshotResult WriteSnapshot(Assembly& a, const TFILE_Def& d);

// Whole files. The SNA images expect a start whose stacked address lands in
// RAM (StackedStartFits).
std::string SzxFile(const Assembly& a, SnapshotStart s);
std::string Z80File(const Assembly& a, SnapshotStart s);
std::string SpectrumSnaFile(const Assembly& a, SnapshotStart s);
std::string CpcSnaFile(const Assembly& a, SnapshotStart s);

// The run-length compression of Z80 snapshots.
std::string Z80Compress(std::string_view bytes);

// True when SNA files exist for the current machine model.
bool SnaSupported(uint8_t model);
// The two bytes of a start address stacked at SP - 2 must both land in RAM
// ($4000 to $FFFF).
bool StackedStartFits(uint16_t sp);
// Whether the SNA writer stacks PC for the current model and CPU state.
bool SnaStacksPC(const Assembly& a);
