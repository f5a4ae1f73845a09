#pragma once
// Macros, procedures, FUNCTION definitions, aliases and label scopes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/types.h"

struct Assembly;

struct MacroState {
  std::vector<std::string> procPrefixStack;  // saved prefixes of open procedures
  int32_t scopeCounter = 0;                  // shared by expansions and anonymous procedures
};

void ResetMacros(Assembly& a);          // pass start
void CheckOpenExpansions(Assembly& a);  // end-of-pass errors

// Procedure nesting depth and the prefix stack entry of a level, for "^^".
int32_t ProcDepth(const Assembly& a);
std::string ProcPrefixAtLevel(const Assembly& a, int32_t level);

// Macro-parameter substitution: when the identifier names a parameter of the
// active expansion, gives the start of its argument text and the argument's
// end marker.
bool FindMacroArgument(Assembly& a, std::string_view name, TLexPos& start, int32_t& endLine,
                       int32_t& endPos, int32_t& endSrc);

// Line and source of the innermost active macro or alias invocation, for the
// memory image's line marks; false when none is active.
bool InvocationLine(const Assembly& a, int32_t& line, int32_t& source);

// Invocation of a macro or user function by name from a statement.
void InvokeByName(Assembly& a, std::string_view name);
