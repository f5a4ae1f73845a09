#include "assembler/assembly.h"

void RegisterOutputDirectives(DispatchTable&) {}
