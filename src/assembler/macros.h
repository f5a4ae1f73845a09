#pragma once
// Macros, procedures, FUNCTION definitions, aliases and label scopes.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/types.h"

struct Assembly;

// One actual parameter of an active expansion: where its text starts and
// the position just after the "," or ")" that ends it.
struct TMacroArg {
  std::string Name;
  TLexPos Pos;
  int32_t LexTermLine = 0, LexTermPos = 0, LexTermSrc = 0;
};

struct TMacroStackEntry {
  TLexPos ReturnPos;
  std::vector<TMacroArg> LocalParameterList;
  int32_t InvocationLine = 0, InvocationSrc = 0;
};

struct TAnonProcEntry {
  std::string PreviousPrefix;
  uint32_t IndexNumber = 0;
};

inline constexpr int32_t kMaxProcDepth = 255;

struct MacroState {
  std::vector<TMacroStackEntry> macroStack;                 // depth = pActiveMacro of the lexer
  std::array<TAnonProcEntry, kMaxProcDepth + 1> procStack;  // entries 1..depth
  int32_t procDepth = 0;
  // Deepest entry used since the pass began: the entries past it still hold
  // their initial values, so resets stop there.
  int32_t procHigh = 0;
  int32_t scopeCounter = 0;    // shared by expansions and outermost procedures
  std::string scopedName;      // buffer for the "mexit" and "pexit" labels' names
  std::string expansionScope;  // buffer for the scope prefix of an expansion
  // The prefix text of the last ended expansion: when nothing else holds
  // it, the next expansion writes its own prefix into the same buffer
  // instead of allocating one.
  SharedText sparePrefix;
  // Argument lists of ended expansions, emptied, kept for the next ones so
  // that an expansion allocates no list.
  std::vector<std::vector<TMacroArg>> spareArgLists;
};

void ResetMacros(Assembly& a);          // pass start
void CheckOpenExpansions(Assembly& a);  // end-of-pass errors

// Procedure nesting depth and the prefix of a level, for "^^": level
// depth + 1 is the current prefix, level d (1..depth) the prefix that was in
// force when procedure d opened.
int32_t ProcDepth(const Assembly& a);
std::string ProcPrefixAtLevel(const Assembly& a, int32_t level);

// Macro-parameter substitution: when the identifier names a parameter of the
// expansion the lexer is in, its argument (start of the text and end marker);
// null otherwise.
const TMacroArg* FindMacroArgument(const Assembly& a, std::string_view name);

// Line and source of the innermost active macro or alias invocation, for the
// memory image's line marks; false when none is active.
bool InvocationLine(const Assembly& a, int32_t& line, int32_t& source);

// Invocation of a macro or user function by name from a statement; the
// lexer is on the "(" after the name.
void InvokeByName(Assembly& a, std::string_view name);
