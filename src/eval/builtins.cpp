#include "eval/builtins.h"

#include "assembler/assembly.h"

bool IsBuiltinFunction(TToken) { return false; }
void EvalBuiltinFunction(Assembly& a, TToken, TExpRes&) { ReportError(a, E_SyntaxError); }
