#pragma once
// The built-in function library of expressions.

#include "common/types.h"

struct Assembly;

// True for keywords that are built-in functions in expressions.
bool IsBuiltinFunction(TToken t);
// Evaluates the built-in function whose keyword is the current, peeked item
// (the keyword is consumed here) into the result.
void EvalBuiltinFunction(Assembly& a, TToken t, TExpRes& result);
