#include "assembler/assembly.h"
#include "symbols/options.h"

void DefinePredefinedSymbols(Assembly&) {}
