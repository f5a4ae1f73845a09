#pragma once
// Labels, constants, variables and the other named things of a run, with the
// per-pass rules that let forward references settle.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/types.h"

struct Assembly;

enum VarType : uint8_t {
  T_Undef,
  T_Addr,
  T_VarVal,
  T_FixedVal,
  T_Macro,
  T_Alias,
  T_Function,
  T_Segment,
};

// A formal parameter of a macro or user function.
struct TMacroParam {
  std::string Name;
  bool isVar = false;  // VAR (by reference) parameter of a user function
};

struct TRec {
  std::string Name;
  int32_t Len = 0;
  uint32_t CRC = 0;
  int32_t Line = 0;
  int32_t SourceID = 0;
  TRec* AllSymbolsNext = nullptr;
  TRec* ListNext = nullptr;
  int32_t LastPass = 0;
  TExpRes Val;
  VarType Mode = T_Undef;
  int32_t cIndex_Defn = 0;
  TLexPos StartLex;
  std::vector<TMacroParam> pMacroParams;
  bool bInternal = false;
  int32_t RefCount = 0;
  bool BeenRedefined = false;
  int32_t RedefinedLine = 0;
  int32_t RedefinedSrcListPos = 0;
};

inline constexpr int kSymbolBuckets = 4096;

struct SymbolTable {
  TRec* buckets[kSymbolBuckets] = {};  // chains by hash AND $FFF, newest first
  TRec* first = nullptr;               // creation order
  TRec* last = nullptr;
  TRec* current = nullptr;
  std::deque<TRec> storage;  // stable addresses
  // Look-up index over the same records: open addressing on the full hash.
  // A look-up touches one or two compact slots instead of walking a bucket
  // chain of large records, which grows long with tens of thousands of names.
  struct IndexSlot {
    uint32_t crc = 0;
    int32_t len = 0;
    TRec* rec = nullptr;
  };
  std::vector<IndexSlot> index;  // size a power of two, at most half full
};

void ClearSymbols(Assembly& a);
TRec* FindSymbol(Assembly& a, std::string_view name, bool countReference);
TRec* FindOrCreateSymbol(Assembly& a, std::string_view name);

void DefineAddress(Assembly& a, TRec* r, int32_t value);
void DefineIntegerVariable(Assembly& a, TRec* r, int32_t value);
void DefineFloat(Assembly& a, TRec* r, long double value);
void DefineText(Assembly& a, TRec* r, std::string_view text);
void DefineValue(Assembly& a, TRec* r, const TExpRes& value, bool constant);

// Value of a T_Addr symbol, or of a variable/constant holding an integer or a
// float (rounded, ties to even); otherwise the default.
int32_t IntegerOfSymbol(Assembly& a, std::string_view name, int32_t def);
// The tape writers' variant: looks only at the value's sort.
int32_t IntegerOfSymbolAnyKind(Assembly& a, std::string_view name, int32_t def);

std::string KindDescription(VarType kind, const TExpRes& v);

// Listings printed by the pass driver.
void PrintRedefinitionListing(Assembly& a);
void PrintUndefinedListing(Assembly& a);
