#include "assembler/macros.h"

#include "assembler/assembly.h"

void RegisterMacroDirectives(DispatchTable&) {}
void ResetMacros(Assembly&) {}
void CheckOpenExpansions(Assembly&) {}
int32_t ProcDepth(const Assembly&) { return 0; }
std::string ProcPrefixAtLevel(const Assembly&, int32_t) { return {}; }
bool FindMacroArgument(Assembly&, std::string_view, TLexPos&, int32_t&, int32_t&, int32_t&) {
  return false;
}
bool InvocationLine(const Assembly&, int32_t&, int32_t&) { return false; }
void InvokeByName(Assembly& a, std::string_view) { ReportError(a, E_SyntaxError); }
