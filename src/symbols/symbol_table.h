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

// A member that few records use, held outside the record and allocated on
// first write: a label needs no saved position or parameter list, and with
// tens of thousands of labels the record's size is most of the memory of a
// run. Reading an unset member gives the default value.
template <class T>
class OnDemand {
 public:
  OnDemand() = default;
  OnDemand(const OnDemand& o) : p_(o.p_ ? std::make_unique<T>(*o.p_) : nullptr) {}
  OnDemand(OnDemand&&) noexcept = default;
  OnDemand& operator=(const OnDemand& o) {
    if (this != &o) p_ = o.p_ ? std::make_unique<T>(*o.p_) : nullptr;
    return *this;
  }
  OnDemand& operator=(OnDemand&&) noexcept = default;
  OnDemand& operator=(const T& v) {
    Get() = v;
    return *this;
  }
  T* operator->() { return &Get(); }
  const T* operator->() const { return &Read(); }
  T& operator*() { return Get(); }
  const T& operator*() const { return Read(); }
  operator const T&() const { return Read(); }

 private:
  T& Get() {
    if (!p_) p_ = std::make_unique<T>();
    return *p_;
  }
  const T& Read() const {
    static const T kDefault{};
    return p_ ? *p_ : kDefault;
  }
  std::unique_ptr<T> p_;
};

// Fields are ordered by alignment so that no padding lies between them: tens
// of thousands of labels are kept in these records.
struct TRec {
  std::string Name;
  TExpRes Val;
  TRec* AllSymbolsNext = nullptr;
  TRec* ListNext = nullptr;
  OnDemand<TLexPos> StartLex;                       // macros, functions, aliases
  OnDemand<std::vector<TMacroParam>> pMacroParams;  // macros and functions
  int32_t Len = 0;
  uint32_t CRC = 0;
  int32_t Line = 0;
  int32_t SourceID = 0;
  int32_t LastPass = 0;
  int32_t cIndex_Defn = 0;
  int32_t RefCount = 0;
  int32_t RedefinedLine = 0;
  int32_t RedefinedSrcListPos = 0;
  VarType Mode = T_Undef;
  bool bInternal = false;
  bool BeenRedefined = false;
};
static_assert(sizeof(TRec) <= 176);

inline constexpr int kSymbolBuckets = 4096;
// The most symbols of one run (about 450 MB of records): far above any real
// program, reached only by a runaway generator of labels.
inline constexpr size_t kMaxSymbols = 2'000'000;

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
  std::vector<IndexSlot> index;  // size a power of two, at most 70% full
  // Records made aliases in this run: while there are none, identifiers
  // need no look-up for alias expansion.
  int32_t aliasCount = 0;
  // Handed out instead of a new record once the table is full (the pass is
  // then ending with an error), so that callers always get a record.
  TRec overflow;
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
