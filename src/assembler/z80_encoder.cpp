#include "assembler/assembly.h"

void RegisterZ80Instructions(DispatchTable&) {}
