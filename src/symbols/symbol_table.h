#pragma once
// Labels, constants, variables and the other named things of a run, with the
// per-pass rules that let forward references settle.

#include <cmath>
#include <cstdint>
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

// The value of a symbol. Labels and integer constants, nearly every symbol
// of a program, hold only a sort and an integer; a value with a string or a
// float, and one whose storage a reference parameter or an option shortcut
// points at, is held whole beside the record: 16 bytes in the record instead
// of a full value's 64.
class SymbolValue {
 public:
  SymbolValue() = default;
  SymbolValue(const SymbolValue& o) { *this = o; }
  SymbolValue(SymbolValue&&) noexcept = default;
  SymbolValue& operator=(const SymbolValue& o) {
    if (this != &o) {
      whole_ = o.whole_ ? std::make_unique<TExpRes>(*o.whole_) : nullptr;
      int_ = o.int_;
      sort_ = o.sort_;
    }
    return *this;
  }
  SymbolValue& operator=(SymbolValue&&) noexcept = default;
  SymbolValue& operator=(const TExpRes& v) { return *this = TExpRes(v); }
  SymbolValue& operator=(TExpRes&& v) {
    if (whole_)
      *whole_ = std::move(v);
    else if (Narrow(v))
      SetNarrow(v.Sort, v.Int);
    else
      whole_ = std::make_unique<TExpRes>(std::move(v));
    return *this;
  }

  TExpSort Sort() const { return whole_ ? whole_->Sort : sort_; }
  int32_t Int() const { return whole_ ? whole_->Int : int_; }
  long double Float() const { return whole_ ? whole_->Float : 0.0L; }
  const std::string& Str() const {
    static const std::string kEmpty;
    return whole_ ? whole_->Str : kEmpty;
  }
  TExpRes Get() const {
    TExpRes v;
    CopyTo(v);
    return v;
  }
  void CopyTo(TExpRes& out) const {
    if (whole_) {
      out = *whole_;
    } else {
      out.Sort = sort_;
      out.Int = int_;
      out.Str.clear();
      out.Float = 0.0L;
    }
  }
  // An integer of the sort erInteger (with no string and no float).
  void SetInteger(int32_t v) {
    if (whole_) {
      *whole_ = TExpRes{};
      whole_->Int = v;
    } else {
      SetNarrow(erInteger, v);
    }
  }
  // No value yet (the sort erError, no string, no float).
  void SetError() {
    if (whole_) {
      *whole_ = TExpRes{};
      whole_->Sort = erError;
    } else {
      SetNarrow(erError, 0);
    }
  }
  // The value's full storage, made on first use and kept for the record's
  // life, so a pointer to it stays valid.
  TExpRes& Whole() {
    if (!whole_) whole_ = std::make_unique<TExpRes>(Get());
    return *whole_;
  }

 private:
  // A value that is only a sort and an integer: no string, a float of +0.
  static bool Narrow(const TExpRes& v) {
    return v.Str.empty() && v.Float == 0.0L && !std::signbit(v.Float);
  }
  void SetNarrow(TExpSort sort, int32_t v) {
    sort_ = sort;
    int_ = v;
  }
  std::unique_ptr<TExpRes> whole_;
  int32_t int_ = 0;
  TExpSort sort_ = erInteger;
};

// What only macros, functions and aliases have: where their body starts and
// their formal parameters.
struct TRecBody {
  TLexPos StartLex;
  std::vector<TMacroParam> pMacroParams;
};

// A record's name as stored: one length byte and the bytes, or for a name of
// 255 bytes or more the byte 255, four length bytes and the bytes.
inline constexpr char kEmptyStoredName[1] = {0};
std::string_view StoredNameView(const char* stored);
void AppendStoredName(std::string& out, std::string_view name);

// The names of a run's records, each stored once in blocks that never move:
// a record keeps one pointer where a string would take 32 bytes.
class NameStore {
 public:
  // A lasting stored copy of `name` (see StoredNameView).
  const char* Add(std::string_view name);
  void clear();

 private:
  static constexpr size_t kBlock = 64 * 1024;
  std::vector<std::unique_ptr<char[]>> blocks_;
  size_t used_ = 0, capacity_ = 0;
};

// Fields are ordered by alignment so that no padding lies between them: tens
// of thousands of labels are kept in these records, 48 bytes each.
struct TRec {
  const char* StoredName = kEmptyStoredName;  // in the table's NameStore
  SymbolValue Val;
  OnDemand<TRecBody> Body;  // macros, functions, aliases
  int32_t Line = 0;
  int32_t RedefinedLine = 0;
  int16_t SourceID = 0;             // source slot, below 256
  int16_t RedefinedSrcListPos = 0;  // source slot, below 256
  // The pass of the last definition: a run has at most about 210 passes.
  int16_t LastPass = 0;
  VarType Mode = T_Undef;
  bool bInternal : 1 = false;
  bool BeenRedefined : 1 = false;
  bool Referenced : 1 = false;  // found by a look-up that counts references

  std::string_view Name() const { return StoredNameView(StoredName); }
};
static_assert(sizeof(TRec) <= 48);

// The most symbols of one run (about 180 MB of records): far above any real
// program, reached only by a runaway generator of labels.
inline constexpr size_t kMaxSymbols = 2'000'000;

// The records of a run in chunks of 256 that never move: a record's address
// stays valid for the run, and its number finds it with a shift and a mask.
class RecordStore {
 public:
  size_t size() const { return size_; }
  TRec& operator[](size_t i) { return chunks_[i >> kChunkBits][i & (kChunk - 1)]; }
  const TRec& operator[](size_t i) const { return chunks_[i >> kChunkBits][i & (kChunk - 1)]; }
  TRec& emplace_back() {
    if (size_ == chunks_.size() * kChunk) AddChunk();
    return (*this)[size_++];
  }
  void clear() {
    chunks_.clear();
    size_ = 0;
  }

  // The records in creation order, as pointers: for (TRec* r : store).
  template <class Store, class Rec>
  class Iterator {
   public:
    Iterator(Store* s, size_t i) : s_(s), i_(i) {}
    Rec* operator*() const { return &(*s_)[i_]; }
    Iterator& operator++() {
      ++i_;
      return *this;
    }
    bool operator!=(const Iterator& o) const { return i_ != o.i_; }

   private:
    Store* s_;
    size_t i_;
  };
  Iterator<RecordStore, TRec> begin() { return {this, 0}; }
  Iterator<RecordStore, TRec> end() { return {this, size_}; }
  Iterator<const RecordStore, const TRec> begin() const { return {this, 0}; }
  Iterator<const RecordStore, const TRec> end() const { return {this, size_}; }

 private:
  static constexpr size_t kChunkBits = 8;
  static constexpr size_t kChunk = size_t{1} << kChunkBits;
  // A chunk's memory is made present in one step before its records are
  // made (support/fresh_memory.h); it is freed the same way it was taken.
  struct ChunkFree {
    void operator()(TRec* chunk) const;
  };
  void AddChunk();
  std::vector<std::unique_ptr<TRec[], ChunkFree>> chunks_;
  size_t size_ = 0;
};

struct SymbolTable {
  TRec* current = nullptr;
  RecordStore storage;  // in creation order
  // Look-up index over the same records: open addressing on the name's
  // hash, four bytes a slot: the record's number plus one in the low
  // kIndexRecordBits (0 for a free slot) and the hash's top bits above it.
  // A look-up touches one or two compact slots and then, nearly always,
  // only the record whose name it seeks.
  using IndexSlot = uint32_t;
  static constexpr int kIndexRecordBits = 21;
  std::vector<IndexSlot> index;  // size a power of two, at most 70% full
  // Records made aliases in this run: while there are none, identifiers
  // need no look-up for alias expansion.
  int32_t aliasCount = 0;
  NameStore names;
  // Handed out instead of a new record once the table is full (the pass is
  // then ending with an error), so that callers always get a record; its
  // name is kept apart so that the store does not grow.
  TRec overflow;
  std::string overflowName;
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
