#include "eval/user_functions.h"

#include "assembler/assembly.h"

bool LookupFrameName(Assembly&, std::string_view, TExpRes&) { return false; }
void CallUserFunction(Assembly& a, TRec*, TExpRes&) { ReportError(a, E_SyntaxError); }
