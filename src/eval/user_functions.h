#pragma once
// FUNCTION bodies run at assembly time, and the frames holding their
// parameters while they run.

#include <string_view>

#include "common/types.h"

struct Assembly;
struct TRec;

// When a user-function frame is visible and holds the name, copies its value.
bool LookupFrameName(Assembly& a, std::string_view name, TExpRes& out);
// Calls the user function (the lexer is on the item after its name).
void CallUserFunction(Assembly& a, TRec* function, TExpRes& result);
