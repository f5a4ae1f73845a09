#include "symbols/symbol_table.h"

#include "assembler/assembly.h"

void ClearSymbols(Assembly& a) {
  a.symbols.storage.clear();
  a.symbols.first = a.symbols.last = a.symbols.current = nullptr;
  for (auto& b : a.symbols.buckets) b = nullptr;
}
TRec* FindSymbol(Assembly&, std::string_view, bool) { return nullptr; }
TRec* FindOrCreateSymbol(Assembly&, std::string_view) { return nullptr; }
void DefineAddress(Assembly&, TRec*, int32_t) {}
void DefineIntegerVariable(Assembly&, TRec*, int32_t) {}
void DefineFloat(Assembly&, TRec*, long double) {}
void DefineText(Assembly&, TRec*, std::string_view) {}
void DefineValue(Assembly&, TRec*, const TExpRes&, bool) {}
int32_t IntegerOfSymbol(Assembly&, std::string_view, int32_t def) { return def; }
int32_t IntegerOfSymbolAnyKind(Assembly&, std::string_view, int32_t def) { return def; }
std::string KindDescription(VarType, const TExpRes&) { return {}; }
void PrintRedefinitionListing(Assembly&) {}
void PrintUndefinedListing(Assembly&) {}
