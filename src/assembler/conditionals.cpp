#include "assembler/conditionals.h"

#include "assembler/assembly.h"

void RegisterConditionals(DispatchTable&) {}
void ResetConditionals(Assembly&) {}
void CheckOpenConstructs(Assembly&) {}
