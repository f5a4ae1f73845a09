#include "symbols/symbol_table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <type_traits>

#include "assembler/assembly.h"
#include "support/fresh_memory.h"

namespace {

// A source assignment to the logic-priority option makes the other-assembler
// advice pointless; every define operation passes through here.
inline void NoteAssignment(Assembly& a, const TRec* r) {
  if (r == a.options.record[zoLogicOperatorsHighPri]) a.options.logicPriorityAssigned = true;
}

void MarkRedefined(Assembly& a, TRec* r) {
  ++a.pass.nRedef;
  r->BeenRedefined = true;
  r->RedefinedLine = a.diag.currentLine;
  r->RedefinedSrcListPos = static_cast<int16_t>(a.diag.currentSource);
}

bool SameValue(const SymbolValue& x, const TExpRes& y) {
  if (x.Sort() != y.Sort) return false;
  switch (y.Sort) {
    case erInteger:
      return x.Int() == y.Int;
    case erString:
      return x.Str() == y.Str;
    case erFloat:
      return x.Float() == y.Float;
    case erError:
      return true;
  }
  return false;
}

// The integer a value stands for when it holds an integer or a float.
bool NumericValue(const SymbolValue& v, int32_t& out) {
  if (v.Sort() == erInteger) {
    out = v.Int();
    return true;
  }
  if (v.Sort() == erFloat) {
    out = FloatToInt(v.Float());
    return true;
  }
  return false;
}

constexpr size_t kInitialIndexSize = 1024;
constexpr uint32_t kRecordMask = (1u << SymbolTable::kIndexRecordBits) - 1;
static_assert(kMaxSymbols < kRecordMask);

constexpr uint32_t HashTag(uint32_t hash) { return hash & ~kRecordMask; }

// The index's own hash of a name (nothing outside the index sees it): eight
// characters at a time, each word folded in by a multiplication, where a
// checksum of each character would cost several instructions per character
// of the long scoped names of macro expansions. Both the low bits (the
// slot) and the high bits (the tag) depend on every character.
uint32_t IndexHash(std::string_view name) {
  constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;
  const char* s = name.data();
  size_t n = name.size();
  uint64_t h = kMul ^ n;
  auto fold = [&h](uint64_t w) {
    h = (h ^ w) * kMul;
    h ^= h >> 29;
  };
  for (; n >= 8; s += 8, n -= 8) {
    uint64_t w;
    std::memcpy(&w, s, 8);
    fold(w);
  }
  if (n >= 4) {
    uint32_t lo, hi;
    std::memcpy(&lo, s, 4);
    std::memcpy(&hi, s + n - 4, 4);
    fold(lo | (static_cast<uint64_t>(hi) << 32));
  } else if (n > 0) {
    const auto c = [s](size_t k) { return static_cast<uint64_t>(static_cast<uint8_t>(s[k])); };
    fold(c(0) | (c(n / 2) << 8) | (c(n - 1) << 16));
  }
  h *= 0xC4CEB9FE1A85EC53ull;
  return static_cast<uint32_t>(h ^ (h >> 32));
}

void IndexInsert(std::vector<SymbolTable::IndexSlot>& index, uint32_t hash, uint32_t recPlusOne) {
  const size_t mask = index.size() - 1;
  size_t i = hash & mask;
  while (index[i]) i = (i + 1) & mask;
  index[i] = HashTag(hash) | recPlusOne;
}

// The slots keep only part of the hash: growing hashes the names of the
// first `records` records again (those the index holds). They are taken in
// the order they were made, in which they and their names lie in memory;
// taken slot by slot they would be visited at random.
void GrowIndex(SymbolTable& t, size_t records) {
  const size_t size = t.index.empty() ? kInitialIndexSize : t.index.size() * 2;
  std::vector<SymbolTable::IndexSlot> bigger;
  bigger.reserve(size);
  PrepareForFilling(bigger.data(), size * sizeof(SymbolTable::IndexSlot));
  bigger.resize(size);
  for (size_t i = 0; i < records; ++i)
    IndexInsert(bigger, IndexHash(t.storage[i].Name()), static_cast<uint32_t>(i + 1));
  t.index.swap(bigger);
}

TRec* Lookup(SymbolTable& t, std::string_view name, uint32_t hash) {
  if (t.index.empty()) return nullptr;
  const size_t mask = t.index.size() - 1;
  const uint32_t tag = HashTag(hash);
  for (size_t i = hash & mask; t.index[i]; i = (i + 1) & mask) {
    const SymbolTable::IndexSlot slot = t.index[i];
    if (HashTag(slot) != tag) continue;
    TRec& r = t.storage[(slot & kRecordMask) - 1];
    if (r.Name() == name) return &r;
  }
  return nullptr;
}

}  // namespace

std::string_view StoredNameView(const char* stored) {
  const auto n = static_cast<uint8_t>(stored[0]);
  if (n < 255) return {stored + 1, n};
  uint32_t length;
  std::memcpy(&length, stored + 1, sizeof length);
  return {stored + 5, length};
}

namespace {

size_t StoredNameSize(std::string_view name) { return name.size() + (name.size() < 255 ? 1 : 5); }

void WriteStoredName(char* at, std::string_view name) {
  if (name.size() < 255) {
    *at++ = static_cast<char>(name.size());
  } else {
    *at++ = static_cast<char>(255);
    const auto length = static_cast<uint32_t>(name.size());
    std::memcpy(at, &length, sizeof length);
    at += sizeof length;
  }
  std::memcpy(at, name.data(), name.size());
}

}  // namespace

void AppendStoredName(std::string& out, std::string_view name) {
  const size_t at = out.size();
  out.resize(at + StoredNameSize(name));
  WriteStoredName(out.data() + at, name);
}

const char* NameStore::Add(std::string_view name) {
  const size_t need = StoredNameSize(name);
  if (capacity_ - used_ < need) {
    capacity_ = std::max(kBlock, need);
    // Not cleared: the first block's memory is touched only as names fill
    // it (a small program needs a few pages of it). A run that fills one
    // block fills more: the later ones are made present in one step.
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(capacity_));
    if (blocks_.size() > 1) PrepareForFilling(blocks_.back().get(), capacity_);
    used_ = 0;
  }
  char* at = blocks_.back().get() + used_;
  WriteStoredName(at, name);
  used_ += need;
  return at;
}

void RecordStore::ChunkFree::operator()(TRec* chunk) const {
  std::destroy_n(chunk, kChunk);
  ::operator delete(chunk);
}

void RecordStore::AddChunk() {
  const size_t bytes = sizeof(TRec) * kChunk;
  static_assert(alignof(TRec) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
  static_assert(std::is_nothrow_default_constructible_v<TRec>);
  void* raw = ::operator new(bytes);
  PrepareForFilling(raw, bytes);
  // Records are made without throwing; the chunk is owned before the table
  // of chunks may grow (and throw).
  std::unique_ptr<TRec[], ChunkFree> chunk(static_cast<TRec*>(raw));
  std::uninitialized_value_construct_n(chunk.get(), kChunk);
  chunks_.push_back(std::move(chunk));
}

void NameStore::clear() {
  blocks_.clear();
  used_ = capacity_ = 0;
}

void ClearSymbols(Assembly& a) {
  SymbolTable& t = a.symbols;
  // The option shortcuts point into the records about to go.
  a.options.PointAtNeutral();
  t.current = nullptr;
  t.storage.clear();
  t.names.clear();
  t.index.clear();
  t.index.shrink_to_fit();
  t.aliasCount = 0;
}

TRec* FindSymbol(Assembly& a, std::string_view name, bool countReference) {
  TRec* r = Lookup(a.symbols, name, IndexHash(name));
  if (r && countReference) r->Referenced = true;
  return r;
}

TRec* FindOrCreateSymbol(Assembly& a, std::string_view name) {
  SymbolTable& t = a.symbols;
  const uint32_t hash = IndexHash(name);
  TRec* r = Lookup(t, name, hash);
  if (!r && t.storage.size() >= kMaxSymbols) {
    if (!a.pass.abort) FatalError(a, E_OutOfResources);
    t.overflow = TRec();
    t.overflowName.clear();
    AppendStoredName(t.overflowName, name);
    t.overflow.StoredName = t.overflowName.data();
    t.overflow.Val.SetError();
    t.current = &t.overflow;
    return t.current;
  }
  if (!r) {
    r = &t.storage.emplace_back();
    r->StoredName = t.names.Add(name);
    r->Line = a.lex.pos.ILine;
    r->SourceID = static_cast<int16_t>(a.lex.pos.cSourceListPos);
    r->Mode = T_Undef;
    r->Val.SetError();
    r->LastPass = a.pass.pass;
    r->RedefinedLine = a.diag.currentLine;
    if (t.storage.size() * 10 >= t.index.size() * 7) GrowIndex(t, t.storage.size() - 1);
    IndexInsert(t.index, hash, static_cast<uint32_t>(t.storage.size()));
  }
  t.current = r;
  return r;
}

void DefineAddress(Assembly& a, TRec* r, int32_t value) {
  r->BeenRedefined = false;
  switch (r->Mode) {
    case T_Undef:
      r->Mode = T_Addr;
      r->Val.SetInteger(value);
      r->LastPass = a.pass.pass;
      break;
    case T_VarVal:
      NoteAssignment(a, r);
      r->Val.SetInteger(value);
      r->LastPass = a.pass.pass;
      break;
    case T_Addr:
      if (r->Val.Sort() == erInteger && r->Val.Int() == value) {
        // Defined again with its value: it still counts as defined in this
        // pass, so a second, different value later in the pass is "Label
        // Redefined" in every pass (not only every other one).
        r->LastPass = a.pass.pass;
        break;
      }
      if (r->LastPass == a.pass.pass) {
        ReportError(a, E_LabelRedefined);
        break;
      }
      r->Val.SetInteger(value);
      r->LastPass = a.pass.pass;
      MarkRedefined(a, r);
      break;
    case T_Macro:
    case T_Alias:
    case T_Function:
      break;
    case T_FixedVal:
    case T_Segment:
      ReportError(a, E_SyntaxError);
      break;
  }
}

void DefineIntegerVariable(Assembly& a, TRec* r, int32_t value) {
  r->BeenRedefined = false;
  switch (r->Mode) {
    case T_Undef:
      r->Mode = T_VarVal;
      r->Val.SetInteger(value);
      r->LastPass = a.pass.pass;
      break;
    case T_VarVal:
      NoteAssignment(a, r);
      if (r->Val.Sort() == erInteger && r->Val.Int() == value) {
        r->LastPass = a.pass.pass;
        break;
      }
      // A failed definition leaves the stored value (and its sort) as it was.
      if (r->LastPass == a.pass.pass) {
        ReportError(a, E_LabelRedefined);
        break;
      }
      r->Val.SetInteger(value);
      r->LastPass = a.pass.pass;
      MarkRedefined(a, r);
      break;
    default:
      ReportError(a, E_SyntaxError);
      break;
  }
}

void DefineFloat(Assembly& a, TRec* r, long double value) {
  if (r->Mode == T_Undef) r->Mode = T_FixedVal;
  if (r->Mode != T_FixedVal) {
    ReportError(a, E_SyntaxError);
    return;
  }
  TExpRes v;
  v.Sort = erFloat;
  v.Float = value;
  r->Val = std::move(v);
  r->LastPass = a.pass.pass;
}

void DefineText(Assembly& a, TRec* r, std::string_view text) {
  if (r->Mode == T_Undef) r->Mode = T_FixedVal;
  if (r->Mode != T_FixedVal) {
    ReportError(a, E_SyntaxError);
    return;
  }
  TExpRes v;
  v.Sort = erString;
  v.Str.assign(text);
  r->Val = std::move(v);
  r->LastPass = a.pass.pass;
}

void DefineValue(Assembly& a, TRec* r, const TExpRes& value, bool constant) {
  switch (r->Mode) {
    case T_Undef:
      r->LastPass = a.pass.pass;
      r->Mode = constant ? T_FixedVal : T_VarVal;
      r->Val = value;
      break;
    case T_VarVal:
      if (value.Sort == erError) {
        ReportError(a, E_SyntaxError);
        break;
      }
      NoteAssignment(a, r);
      r->Val = value;
      break;
    case T_FixedVal:
      r->LastPass = a.pass.pass;
      if (!SameValue(r->Val, value)) ReportError(a, E_SyntaxError);
      break;
    default:
      ReportError(a, E_SyntaxError);
      break;
  }
}

int32_t IntegerOfSymbol(Assembly& a, std::string_view name, int32_t def) {
  const TRec* r = FindSymbol(a, name, false);
  if (!r) return def;
  if (r->Mode == T_Addr) return r->Val.Int();
  int32_t v;
  if ((r->Mode == T_VarVal || r->Mode == T_FixedVal) && NumericValue(r->Val, v)) return v;
  return def;
}

int32_t IntegerOfSymbolAnyKind(Assembly& a, std::string_view name, int32_t def) {
  const TRec* r = FindSymbol(a, name, false);
  int32_t v;
  if (r && NumericValue(r->Val, v)) return v;
  return def;
}

std::string KindDescription(VarType kind, const TExpRes& v) {
  switch (kind) {
    case T_Undef:
      return "Undef";
    case T_Addr:
      return "Addr";
    case T_VarVal:
    case T_FixedVal: {
      std::string s = kind == T_VarVal ? "var " : "const ";
      switch (v.Sort) {
        case erInteger:
          return s + "int";
        case erString:
          return s + "str";
        case erFloat:
          return s + "float";
        case erError:
          return "undef";
      }
      return "undef";
    }
    case T_Macro:
      return "Macro";
    case T_Alias:
      return {};
    case T_Function:
      return "Function";
    case T_Segment:
      return "Segment";
  }
  return {};
}

void PrintRedefinitionListing(Assembly& a) {
  for (const TRec* r : a.symbols.storage) {
    if (!r->BeenRedefined) continue;
    std::string_view shortName;
    if (r->RedefinedSrcListPos >= 0 && r->RedefinedSrcListPos < kSourceSlots)
      shortName = a.sources.slots[r->RedefinedSrcListPos].ShortName;
    std::string line = "\"";
    line += shortName;
    char num[24];
    std::snprintf(num, sizeof num, "\":%5d ", r->RedefinedLine);
    line += num;
    line += ": Symbol redefined: ";
    line += r->Name();
    PrintErr(a, line);
  }
}

void PrintUndefinedListing(Assembly& a) {
  for (const TRec* r : a.symbols.storage) {
    if (r->Mode != T_Undef) continue;
    PrintErr(a, LocationPrefixFor(a, r->SourceID, r->Line) + " : Label " + std::string(r->Name()) +
                    " is undefined");
  }
}
