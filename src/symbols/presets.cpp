#include "symbols/presets.h"

#include "assembler/assembly.h"

void ApplyRegisterPresets(Assembly&) {}
void ReadCpmSettings(Assembly&) {}
bool LogicPriorityUntouched(const Assembly&) { return false; }
