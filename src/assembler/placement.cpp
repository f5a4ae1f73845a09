#include "assembler/assembly.h"

void RegisterPlacementDirectives(DispatchTable&) {}
