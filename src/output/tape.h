#pragma once
// The tape writers: TAP and TZX images of a tape definition, with the BASIC
// loaders and their machine code.

struct Assembly;
struct TFILE_Def;

enum class TapeResult {
  kWritten,          // the file is written and every block was generated
  kGenerationError,  // the file is written, but "Tape Generation Error" was reported
  kIoFailure,        // the file could not be written (the reason is printed)
};

// Builds the blocks of `d` (kind ftTAP or ftTZX) and saves the image.
TapeResult WriteTape(Assembly& a, const TFILE_Def& d);
