#include "assembler/assembly.h"

void RegisterOptionDirectives(DispatchTable&) {}
