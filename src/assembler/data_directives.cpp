#include "assembler/assembly.h"

void RegisterDataDirectives(DispatchTable&) {}
