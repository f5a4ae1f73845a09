#pragma once
// Stepping over settled lines in the passes before the final one.
//
// Those passes only settle label values and counts: a line whose one
// statement is an instruction or a data list that reads nothing but its
// keyword, register and condition names, numbers and operators, and that
// makes no error, does nothing there but move PC by its size. It does the
// same wherever it is met again with the same options and radix, so once it
// has been assembled, a later pass (or a later round of a loop) that is not
// final steps over it: PC moves, two statements (the line and its end) are
// counted, and reading goes on at the next line.
//
// What a line is known to do is one byte of its source (SourceLines::
// Settled): 0 for nothing known, $20 for a line that did more than move PC
// (it is not watched again), else its size in bits 0-4 (1 to 31), bit 5 set
// when code flows on after it, and in bits 6-7 the number (1 to 3) of the
// options-and-radix context it was assembled in.

#include <array>
#include <cstdint>
#include <vector>

#include "common/types.h"
#include "symbols/options.h"

struct Assembly;
class SourceLines;

// What may change how a settled line assembles: the options, the radix.
struct LineContext {
  std::array<int32_t, kOptionCount + 3> values{};
};

// A line being assembled whose effect is checked when its end is reached.
struct LineWatch {
  bool armed = false;
  int32_t source = 0, line = 0;
  int32_t statements = 0, undefs = 0, redefs = 0;
  uint32_t reports = 0, opaqueItems = 0;
  int32_t segment = 0, pc = 0, macro = 0;
};

struct LineSkipState {
  bool stepping = false;              // this pass steps over settled lines
  std::vector<LineContext> contexts;  // at most 3 a run, numbered from 1
  LineWatch watch;
  // The number of the context in force, while only settled lines have run
  // since it was taken; -1 when not known.
  int context = -1;
  int lastContext = 0;  // the number of the context taken last
  // The lines of the source slot looked at last in this pass.
  int32_t viewSlot = -1;
  const SourceLines* view = nullptr;
};

// Every pass starts with no line watched and its context not known; the
// final pass assembles every line.
inline void StartLineSkipPass(LineSkipState& k, bool stepping) {
  k.stepping = stepping;
  k.watch = LineWatch{};
  k.context = -1;
  k.viewSlot = -1;
}

// Every run starts knowing nothing of its lines.
void ClearLineSkips(Assembly& a);

// Whether reading stands at the start of a non-empty line: the end of the
// line before has just been consumed and nothing of this one is read yet.
inline bool AtLineStart(const TLexPos& p) {
  return !p.SValid && p.Item == I_EOL && p.LPos == 1 && p.LEnd > 0;
}

// When the end of a line has been consumed in a pass that is not final and
// the next line starts: records what the line watched before did, steps over
// the settled lines from here on, and reads the first item of the line it
// stops at, watching the line when it starts with an instruction or data list.
void StepOverSettledLines(Assembly& a);
