#pragma once
// Conditional assembly (IF, SWITCH) and loops (REPEAT, WHILE, FOR, LOOP,
// REPT), done by scanning the token stream and returning to saved positions.
// There is no parse tree: untaken text is read item by item with the lexer's
// SkippingFlag set, and a loop repeats by restoring the TLexPos saved at its
// start (which also restores the scope prefix and the active macro).

#include <cstdint>
#include <vector>

#include "common/types.h"

struct Assembly;
struct TRec;

// Open constructs of each kind are bounded: the next one is error 212.
inline constexpr size_t kMaxOpenConstructs = 255;

// Runaway loops (Limits in driver/console.h): one WHILE, REPEAT or float FOR
// stops after `loopTrips` repetitions and a LOOP or REPT asking for more is
// refused before its body runs; all loops of a pass together may make
// `passLoopRounds` rounds (nested counted loops multiply). Past either the
// pass ends with fatal error 212.

// Where a construct was opened: its line for end-of-pass reports, and the
// macro expansion and include depth it belongs to, so that a closing keyword
// met in another expansion or file does not jump back into a finished one.
struct TConstructOrigin {
  int32_t line = 0;
  int32_t source = 0;
  int32_t macroDepth = 0;
  size_t includeDepth = 0;
};

struct TIfLevel {
  bool elseSeen = false;
  int32_t line = 0;
  int32_t source = 0;
};

struct TSwitchLevel {
  TExpSort sort = erInteger;  // kind of the SWITCH value; CASE items must match it
  int32_t line = 0;
  int32_t source = 0;
};

struct TRepeatEntry {
  TLexPos StartPos;  // just after the REPEAT keyword
  TConstructOrigin origin;
  int64_t trips = 0;
};

struct TWhileEntry {
  TLexPos StartPos;  // the WHILE keyword itself: WEND re-executes it
  TConstructOrigin origin;
  int64_t trips = 0;
};

enum TForType : uint8_t { ftInteger, ftFloat, ftString };

struct TForEntry {
  TRec* pForVar = nullptr;
  TLexPos StartPos;      // the end of the FOR statement
  int32_t EndCount = 0;  // integer loops: the final value
  TForType VarType = ftInteger;
  TExpRes StepV;             // integer, float or (string loops) integer piece length
  TExpRes FinalV;            // float loops: the final value; string loops: the whole text
  int64_t NextStrIndex = 0;  // string loops: 1-based start of the next piece
  TExpRes current;           // the value last given to the variable
  TConstructOrigin origin;
  int64_t trips = 0;
};

struct TLoopEntry {
  TLexPos StartPos;  // the end of the LOOP or REPT statement
  int32_t Count = 0;
  int32_t Index = 0;
  TRec* pLoopVar = nullptr;
  bool isRept = false;  // opened by REPT: MEND closes it
  TConstructOrigin origin;
};

struct CondState {
  std::vector<TIfLevel> ifs;
  std::vector<TSwitchLevel> switches;
  std::vector<TRepeatEntry> repeats;
  std::vector<TWhileEntry> whiles;
  std::vector<TForEntry> fors;
  std::vector<TLoopEntry> loops;
  int32_t reptCounter = 0;  // REPT bodies being repeated
  // WEND pops its entry and sends the lexer back to the WHILE, which pushes a
  // fresh one; the repetition count is carried across in these.
  bool whileReentry = false;
  int64_t whileReentryTrips = 0;
  int64_t passRounds = 0;  // repetitions of every loop in this pass
};

void ResetConditionals(Assembly& a);    // pass start and end of run
void CheckOpenConstructs(Assembly& a);  // end-of-pass errors

// MEND is shared with macro expansions. When the innermost open loop is a REPT
// body opened in the current macro context, this consumes the MEND (the
// current, peeked item), ends or repeats the body and returns true; otherwise
// it returns false and leaves the MEND to end a macro expansion. Whatever
// handler is registered for MEND must ask this first.
bool MendEndsRept(Assembly& a);
