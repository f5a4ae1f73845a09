// The item reader, line reading, peek and next, and saved positions.

#include "lexer/lexer.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>

#include "assembler/assembly.h"
#include "assembler/z80_common.h"
#include "lexer/lexer_detail.h"

using namespace lexdetail;

namespace {

constexpr size_t kMaxParamStack = 255;

// 1 for a keyword that is neither a register nor a condition name.
constexpr std::array<uint8_t, kTokenCount> kOpaqueKeyword = [] {
  std::array<uint8_t, kTokenCount> t{};
  for (size_t k = 0; k < t.size(); ++k) t[k] = kTokenReg[k] == zrNone && kTokenCond[k] < 0;
  return t;
}();

// Punctuation of one or two characters.
[[gnu::always_inline]] inline void SetChar(TLexPos& p, int32_t i, int32_t len) {
  p.Item = I_Char;
  p.ITxt = std::string_view(p.lTxt.data() + i, static_cast<size_t>(len));
  p.LPos = i + len + 1;
}

// Index of the first character at or after i that is not a blank or tab.
// Indentation comes in runs of blanks, so whole words of eight are passed
// at a time.
int32_t SkipBlanks(const char* s, int32_t i, int32_t n) {
  constexpr uint64_t kEightBlanks = 0x2020202020202020ull;
  while (i + 8 <= n) {
    uint64_t w;
    std::memcpy(&w, s + i, 8);
    if (w != kEightBlanks) break;
    i += 8;
  }
  while (i < n && (ClassOf(s[i]) & kBlank)) ++i;
  return i;
}

// The two-character operators.
[[gnu::always_inline]] inline bool IsOperatorPair(char c, char d) {
  switch (c) {
    case '<':
      return d == '=' || d == '>' || d == '<';
    case '>':
      return d == '=' || d == '>';
    case '&':
      return d == '&';
    case '*':
      return d == '/';
    case '!':
      return d == '=';
    case '.':
      return d == '.';
    case '=':
      return d == '=';
    case ':':
      return d == '=' || d == ':';
    case '|':
      return d == '|';
    case '^':
      return d == '^';
    case '[':
      return d == '[';
    case ']':
      return d == ']';
    default:
      return false;
  }
}

// Characters that keep "#define" from being the directive when they follow it.
bool ContinuesDefine(char c) {
  return c == '#' || c == '$' || c == '%' || c == '~' || c == '_' || IsDigit(c) || IsLetter(c);
}

bool IsDefineWord(std::string_view w) {
  static constexpr char kWord[] = "define";
  for (size_t k = 0; k < 6; ++k)
    if ((w[k] | 0x20) != kWord[k]) return false;
  return true;
}

// Makes the line text a view of the current source's line; a line too long
// for the 32-bit positions is cut (no real source comes near that).
void SetLine(TLexPos& p, std::string_view line) {
  size_t len = line.size();
  if (len > static_cast<size_t>(INT32_MAX - 2)) len = INT32_MAX - 2;
  p.lTxt = std::string_view(line.data(), len);
  p.LPos = 1;
  p.LEnd = static_cast<int32_t>(len);
}

// What the reading of a place depends on besides its text: the keyword
// set ("[[" ... "]]" switches it) and SETRADIX, for numbers.
uint8_t ReadingMode(const Assembly& a) {
  return static_cast<uint8_t>(a.lex.pos.TokenMask | (a.lex.radixActive ? 4 : 0));
}

// Moves to the next non-empty line of the source. The item is I_EOL when a
// line was found, and at the end of the source I_EOL once more unless the
// previous item already was an end of line, then I_Null for good. Returns
// whether a line was found.
bool FetchLine(Assembly& a) {
  TLexPos& p = a.lex.pos;
  const int32_t slot = p.cSourceListPos;
  if (slot >= 0 && slot < kSourceSlots) {
    const SourceLines& lines = std::as_const(a.sources.slots)[slot].Lines;
    const int32_t count = static_cast<int32_t>(std::min<size_t>(lines.size(), INT32_MAX - 1));
    while (p.Line < count) {
      ++p.Line;
      const std::string_view l = lines[static_cast<size_t>(p.Line - 1)];
      if (!l.empty()) {
        SetLine(p, l);
        p.Item = I_EOL;
        return true;
      }
    }
  }
  p.Item = (p.Item == I_EOL || p.Item == I_Null) ? I_Null : I_EOL;
  return false;
}

// A position saved with its look-ahead read is taken back to the start of
// that item, so reading from it yields the item again.
void RewindToItemStart(TLexPos& p) {
  if (!p.SValid) return;
  p.LPos = p.LastLPos;
  p.Line = p.LastLine;
  p.lTxt = p.LastLTxt;
  p.LEnd = static_cast<int32_t>(p.lTxt.size());
  p.SValid = false;
}

void CopyReadingState(TLexPos& d, const TLexPos& s);

// The reading state, prefixes and last labels of a position that is dropped
// afterwards: its texts are taken over, not shared and then let go.
void RestoreForParamFrom(TLexPos& d, TLexPos&& s) {
  CopyReadingState(d, s);
  d.ProcPrefix = std::move(s.ProcPrefix);
  d.sLastMainLabel = std::move(s.sLastMainLabel);
  d.sLastRawLabel = std::move(s.sLastRawLabel);
}

[[gnu::noinline, gnu::cold]] void PopParamSubstitution(Assembly& a) {
  RestoreForParamFrom(a.lex.pos, std::move(a.lex.paramStack.back().saved));
  a.lex.paramStack.pop_back();
  a.lex.pos.pParserParamStack = static_cast<int32_t>(a.lex.paramStack.size());
}

// Does the innermost parameter substitution end here? Its argument ends
// just after a "," or ")" (rule of the item reader), or at the end of the
// line when the argument ran to the end (marker past the last character).
bool SubstitutionEndsAt(const Assembly& a, int32_t lpos, bool atLineEnd) {
  if (a.lex.paramStack.empty()) return false;
  const ParamSubstEntry& e = a.lex.paramStack.back();
  const TLexPos& p = a.lex.pos;
  if (e.LexTermLine != p.Line || e.LexTermSrc != p.cSourceListPos) return false;
  return atLineEnd ? e.LexTermPos > p.LEnd : e.LexTermPos == lpos;
}

// Macro-parameter substitution: an identifier naming a parameter of the
// active expansion continues the reading at the argument's text. Returns
// true when reading moved there.
[[gnu::noinline]] bool SubstituteParameterSlow(Assembly& a) {
  TLexPos& p = a.lex.pos;
  const TMacroArg* arg = FindMacroArgument(a, p.ITxt);
  if (!arg) return false;
  if (a.lex.paramStack.size() >= kMaxParamStack) {
    FatalError(a, E_OutOfResources);
    return false;
  }
  // Made from the position and moved in: made empty and then assigned, the
  // entry would first clear a whole position and swap every text.
  a.lex.paramStack.push_back(
      ParamSubstEntry{p, arg->LexTermLine, arg->LexTermPos, arg->LexTermSrc});
  // Reading goes on at the argument's start (its look-ahead, when it was
  // saved with one, is read again).
  LexRestoreForParam(a, arg->Pos);
  RewindToItemStart(p);
  p.pParserParamStack = static_cast<int32_t>(a.lex.paramStack.size());
  return true;
}

bool SubstituteParameter(Assembly& a) {
  if (a.lex.SkippingFlag || a.lex.pos.pActiveMacro == 0 || a.pass.abort) return false;
  return SubstituteParameterSlow(a);
}

void ReadItem(Assembly& a);

constexpr size_t kMaxAliasStack = 250;

// Alias expansion of an identifier: the item after the name is read first
// and kept as the look-ahead of the return position (it is delivered after
// the body), unless it is ALIAS, which redefines the alias instead. When the
// name ends an enclosing alias body, that body's end is the return position:
// the stack grows, so an alias that expands to itself, directly or through
// others, meets the stack limit instead of looping for ever. Returns true
// when reading moved to the alias body.
[[gnu::noinline]] bool ExpandAlias(Assembly& a) {
  TLexPos& p = a.lex.pos;
  // After a fatal error (such as the alias stack limit) names are read as they
  // stand: a body naming its alias twice would otherwise branch for ever.
  if (a.lex.SkippingFlag || a.pass.abort || a.symbols.aliasCount == 0) return false;
  TRec* r = FindSymbol(a, p.ITxt, false);
  if (!r || r->Mode != T_Alias) return false;
  TLexPos atName = p;
  a.lex.aliasExpansionOff = true;
  a.lex.readingAliasFollower = true;
  a.lex.aliasFollowerAtBodyEnd = false;
  ReadItem(a);
  a.lex.readingAliasFollower = false;
  a.lex.aliasExpansionOff = false;
  const bool atBodyEnd = a.lex.aliasFollowerAtBodyEnd;
  if (p.Item == I_TokenN && p.ITokVal == tALIAS) {
    p = atName;
    return false;
  }
  if (a.lex.aliasStack.size() >= kMaxAliasStack) {
    p = atName;
    FatalError(a, E_OutOfResources);
    return false;
  }
  TLexPos back = p;
  back.SValid = true;
  a.lex.aliasStack.push_back(
      TAliasStackEntry{std::move(back), a.diag.currentLine, a.diag.currentSource, atBodyEnd,
                       r->Body->StartLex.Line, r->Body->StartLex.cSourceListPos});
  LexRestoreForReturn(a, r->Body->StartLex);
  p.SValid = false;
  return true;
}

// The end of a line while an alias is expanded: at the end of the body's own
// line reading returns to the invoking line (past the ends of enclosing
// bodies that ended with the alias name).
// Returns true when it did; the restored position's look-ahead (the item
// after the alias name) is then the item delivered.
[[gnu::noinline, gnu::cold]] bool EndAliasBody(Assembly& a) {
  if (a.lex.aliasStack.empty()) return false;
  const TAliasStackEntry& top = a.lex.aliasStack.back();
  if (top.bodyLine != a.lex.pos.Line || top.bodySource != a.lex.pos.cSourceListPos) return false;
  if (a.lex.readingAliasFollower) {
    // The item after an alias name that ends this body: the return is
    // made later, when the inner expansion ends.
    TLexPos& p = a.lex.pos;
    a.lex.aliasFollowerAtBodyEnd = true;
    p.Item = I_EOL;
    p.ITxt = {};
    p.SValid = true;
    return true;
  }
  bool bodyEnd = true;
  while (bodyEnd && !a.lex.aliasStack.empty()) {
    TAliasStackEntry e = std::move(a.lex.aliasStack.back());
    a.lex.aliasStack.pop_back();
    LexRestoreForReturn(a, e.saved);
    a.diag.currentLine = e.line;
    a.diag.currentSource = e.source;
    bodyEnd = e.atBodyEnd;
  }
  return true;
}

// How the reading of an item ended: the item is delivered, or reading moved
// elsewhere (an argument, an alias body, back from an argument) and goes
// on there; a miss is a place with no record.
enum class Reading { kMiss, kDelivered, kMoved };

// After a name: a macro parameter continues the reading at its argument, an
// alias at its body.
[[gnu::always_inline]] inline Reading AfterName(Assembly& a) {
  if (SubstituteParameter(a)) {
    a.lex.pos.ITxt = {};
    return Reading::kMoved;
  }
  if (a.symbols.aliasCount != 0 && !a.lex.aliasExpansionOff && ExpandAlias(a))
    return Reading::kMoved;
  return Reading::kDelivered;
}

// Records the "," or ")" just read as the latest end of an argument.
void NoteArgumentEnd(Assembly& a) {
  const TLexPos& p = a.lex.pos;
  a.lex.argEndLine = p.Line;
  a.lex.argEndPos = p.LPos;
  a.lex.argEndSrc = p.cSourceListPos;
}

// After "," or ")": the latest end of an argument. When the innermost
// substitution's argument ends here, reading returns to where it began.
[[gnu::always_inline]] inline Reading AfterArgumentEnd(Assembly& a) {
  TLexPos& p = a.lex.pos;
  NoteArgumentEnd(a);
  if (SubstitutionEndsAt(a, p.LPos, false)) {
    PopParamSubstitution(a);
    p.ITxt = {};
    return Reading::kMoved;
  }
  return Reading::kDelivered;
}

Reading AfterItem(Assembly& a, uint8_t after) {
  switch (after) {
    case CachedItem::kAfterName:
      return AfterName(a);
    case CachedItem::kAfterArgumentEnd:
      return AfterArgumentEnd(a);
    default:
      return Reading::kDelivered;
  }
}

// Sets the reading state as reading record c's item from the text would.
[[gnu::always_inline]] inline void CopyRecord(Assembly& a, const CachedItem& c) {
  TLexPos& p = a.lex.pos;
  p.LastLPos = p.LPos + c.startOff;
  p.LastLine = p.Line;
  p.LastLTxt = p.lTxt;
  p.LPos += c.endOff;
  p.Item = c.item;
  p.ITxt = c.text;
  if (c.fields & CachedItem::kSetsNumber) p.INumVal = c.num;
  if (c.fields & CachedItem::kSetsToken) p.ITokVal = c.token;
  a.lex.opaqueItems += c.opaque;
}

// Sets the reading state as reading the end of the line and moving on to
// the next line (line end record c) would.
void MoveToNextLine(Assembly& a, const CachedItem& c) {
  TLexPos& p = a.lex.pos;
  p.LastLPos = p.LPos + c.startOff;
  p.LastLine = p.Line;
  p.LastLTxt = p.lTxt;
  p.Line = c.num;
  p.lTxt = c.text;
  p.LPos = 1;
  p.LEnd = static_cast<int32_t>(c.text.size());
  p.Item = I_EOL;
  p.ITxt = {};
}

// Whether nothing is to be worked out after the item of a record: no macro
// argument or alias can start at a name, no argument ends at a "," or ")"
// or at the end of the line, and no alias body ends there.
[[gnu::always_inline]] inline bool NothingAfter(const Assembly& a, uint8_t after) {
  const LexerState& l = a.lex;
  switch (after) {
    case CachedItem::kAfterName:
      return l.SkippingFlag || a.pass.abort ||
             (l.pos.pActiveMacro == 0 && (a.symbols.aliasCount == 0 || l.aliasExpansionOff));
    case CachedItem::kAfterArgumentEnd:
      return l.paramStack.empty();
    case CachedItem::kAfterLineEnd:
      return l.paramStack.empty() && l.aliasStack.empty();
    default:
      return true;
  }
}

// The address of index i of a text, as a key: worked out on the integer, so
// that the empty text (no address) gives a key too.
inline const char* PlaceIn(std::string_view text, int32_t i) {
  return reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(text.data()) +
                                       static_cast<uintptr_t>(i));
}

// Record c is the one for the reading place in the mode in force.
bool RecordFits(const Assembly& a, const CachedItem& c, const char* from) {
  const TLexPos& p = a.lex.pos;
  return c.from == from && c.lineEnd == PlaceIn(p.lTxt, p.LEnd) && c.mode == ReadingMode(a);
}

// The item at the reading place from its record, as reading the text would
// give it.
Reading ReplayItem(Assembly& a) {
  TLexPos& p = a.lex.pos;
  const int32_t i = p.LPos - 1;  // at most the line's length: its end is a place too
  const char* from = PlaceIn(p.lTxt, i);
  ItemCache& cache = a.lex.items;
  int32_t k = cache.hint;
  if (k >= 0 && cache[k].from == from) {
    cache.UsedHint(k);
  } else {
    k = cache.Find(from);
    if (k < 0) return Reading::kMiss;
    cache.Used(k);
  }
  const CachedItem& c = cache[k];
  if (!RecordFits(a, c, from)) return Reading::kMiss;
  if (c.after == CachedItem::kAfterLineEnd) {
    // An argument or alias body ending with the line is left to the reader.
    if (!NothingAfter(a, c.after)) return Reading::kMiss;
    cache.hint = c.next;
    MoveToNextLine(a, c);
    return Reading::kDelivered;
  }
  cache.hint = c.next;
  CopyRecord(a, c);
  // Substitution and aliases may add records: c is not used past here.
  return AfterItem(a, c.after);
}

// The common case inside a loop body: the hinted record is the reading
// place's and nothing is to be worked out after its item.
[[gnu::always_inline]] inline bool ReplayHinted(Assembly& a) {
  TLexPos& p = a.lex.pos;
  ItemCache& cache = a.lex.items;
  const int32_t k = cache.hint;
  if (k < 0) return false;
  const CachedItem& c = cache[k];
  if (!RecordFits(a, c, PlaceIn(p.lTxt, p.LPos - 1)) || !NothingAfter(a, c.after)) return false;
  cache.UsedHint(k);
  cache.hint = c.next;
  if (c.after == CachedItem::kAfterLineEnd) {
    MoveToNextLine(a, c);
    return true;
  }
  CopyRecord(a, c);
  if (c.after == CachedItem::kAfterArgumentEnd) NoteArgumentEnd(a);
  return true;
}

// Keeps the item just read from 0-based index `from` of its line, while loop
// or macro text is being read.
void KeepItem(Assembly& a, int32_t from, uint32_t opaqueBefore, uint8_t fields,
              uint8_t after = CachedItem::kAfterNothing) {
  if (!a.lex.cacheItems) return;
  const TLexPos& p = a.lex.pos;
  CachedItem c;
  c.from = PlaceIn(p.lTxt, from);
  c.lineEnd = PlaceIn(p.lTxt, p.LEnd);
  c.text = p.ITxt;
  c.num = p.INumVal;
  c.startOff = p.LastLPos - 1 - from;
  c.endOff = p.LPos - 1 - from;
  c.token = p.ITokVal;
  c.item = p.Item;
  c.mode = ReadingMode(a);
  c.opaque = static_cast<uint8_t>(a.lex.opaqueItems - opaqueBefore);
  c.fields = fields;
  c.after = after;
  a.lex.items.Add(c);
}

// Keeps the end of the line `ended`, read from its index `from`, now that
// reading has moved on to the next line.
void KeepLineEnd(Assembly& a, std::string_view ended, int32_t from) {
  const TLexPos& p = a.lex.pos;
  CachedItem c;
  c.from = PlaceIn(ended, from);
  c.lineEnd = PlaceIn(ended, static_cast<int32_t>(ended.size()));
  c.text = p.lTxt;
  c.num = p.Line;
  c.startOff = p.LastLPos - 1 - from;
  c.item = I_EOL;
  c.mode = ReadingMode(a);
  c.after = CachedItem::kAfterLineEnd;
  a.lex.items.Add(c);
}

// "\" inside an active macro expansion: the expression after it names a
// keyword, which becomes the item; scanning goes on where the expression
// ended. A name that is no keyword is a syntax error, and the end of the
// line is delivered instead (the rest of the line is skipped).
[[gnu::noinline]] void ReadKeywordBuilder(Assembly& a, int32_t i) {
  TLexPos& p = a.lex.pos;
  p.LPos = i + 2;
  p.SValid = false;
  TExpRes v = EvalExpression(a);
  RewindToItemStart(a.lex.pos);
  TToken t = tNil;
  if (v.Sort == erString)
    t = (v.Str == "AF'" || v.Str == "af'") ? tAFPRIME : TokenOf(a.keywords, v.Str, p.TokenMask);
  if (t == tNil) {
    ReportError(a, E_SyntaxError);
    return;
  }
  p.Item = I_TokenN;
  p.ITokVal = t;
  p.ITxt = KeepItemText(a, v.Str);
}

// Reads one item into a.lex.pos from the text. While items are kept
// (kKeep), each place reading moves on to is looked up in the records
// first (the first place too when asked) and what is read is kept; the
// other instance is the plain reader, with none of that.
template <bool kKeep>
[[gnu::noinline]] void ReadItemText(Assembly& a, bool recordsFirst) {
  TLexPos& p = a.lex.pos;
  for (bool tryRecords = recordsFirst;; tryRecords = true) {
    if constexpr (kKeep) {
      if (tryRecords && a.lex.cacheItems) {
        const Reading r = ReplayItem(a);
        if (r == Reading::kDelivered) return;
        if (r == Reading::kMoved) continue;
      }
    }
    const char* s = p.lTxt.data();
    int32_t i = p.LPos - 1;  // 0-based index of the next character
    const int32_t n = p.LEnd;
    // Where this reading started, and the count it adds to, for its record.
    [[maybe_unused]] int32_t readFrom = 0;
    [[maybe_unused]] uint32_t opaqueBefore = 0;
    if constexpr (kKeep) {
      readFrom = i;
      opaqueBefore = a.lex.opaqueItems;
    }
    auto keep = [&](uint8_t fields, uint8_t after = CachedItem::kAfterNothing) {
      if constexpr (kKeep) KeepItem(a, readFrom, opaqueBefore, fields, after);
    };
    if (i < n && (ClassOf(s[i]) & kBlank)) i = SkipBlanks(s, i, n);
    // The item starts here (after any substitution that ended on the way),
    // so a position rewound to its start reads it again.
    p.LastLPos = i + 1;
    p.LastLine = p.Line;
    p.LastLTxt = p.lTxt;
    if (i >= n) {
      p.LPos = n + 1;
      if (SubstitutionEndsAt(a, 0, true)) {
        PopParamSubstitution(a);
        continue;
      }
      if (!a.lex.aliasStack.empty() && EndAliasBody(a)) {
        if (p.SValid) return;
        continue;
      }
      const std::string_view ended = p.lTxt;
      // Kept only where it is copied again: with no argument or alias
      // body being read.
      if (FetchLine(a) && kKeep && a.lex.cacheItems && NothingAfter(a, CachedItem::kAfterLineEnd))
        KeepLineEnd(a, ended, readFrom);
      p.ITxt = {};
      return;
    }
    const char c = s[i];
    const uint8_t cls = ClassOf(c);

    if ((cls & kLetter) || c == '_') {
      int32_t j = i + 1;
      while (j < n && (ClassOf(s[j]) & kIdentTail)) ++j;
      const std::string_view word(s + i, static_cast<size_t>(j - i));
      p.ITxt = word;
      p.LPos = j + 1;
      uint32_t found = tNil;
      if (word.size() <= kShortKeywordLength) {
        const auto avail = static_cast<size_t>(n - i);
        const ShortKeywordHit* h = FindShortKeywordHit(
            a.keywords, ShortKeywordKey(s + i, word.size(), avail), p.TokenMask);
        if (h) found = h->token;
      } else if (word.size() <= kMaxKeywordLength) {
        if (const TTokenEntry* e = FindKeywordEntry(a.keywords, word, p.TokenMask))
          found = e->Value;
      }
      if (found != tNil) {
        const TToken t = static_cast<TToken>(found);
        p.Item = I_TokenN;
        p.ITokVal = t;
        a.lex.opaqueItems += kOpaqueKeyword[t];
        if (t == tAF && j < n && s[j] == '\'') {
          p.ITokVal = tAFPRIME;
          p.ITxt = std::string_view(s + i, word.size() + 1);
          ++p.LPos;
        }
        keep(CachedItem::kSetsToken);
        return;
      }
      p.Item = I_Ident;
      ++a.lex.opaqueItems;
      keep(0, CachedItem::kAfterName);
      if (AfterName(a) == Reading::kMoved) continue;
      return;
    }
    if (cls & kDigit) {
      ReadDigitNumber(a, i);
      // Numbers with a leading zero may warn, and SETRADIX reads them in a
      // radix that may change: those are read afresh each time.
      if (p.Item == I_Integer && !a.lex.radixActive && !(p.ITxt.size() >= 2 && p.ITxt[0] == '0'))
        keep(CachedItem::kSetsNumber);
      return;
    }

    switch (c) {
      case ';':
        p.LPos = n + 1;
        continue;
      case '/':
        if (i + 1 < n && s[i + 1] == '/') {
          p.LPos = n + 1;
          continue;
        }
        SetChar(p, i, (i + 1 < n && s[i + 1] == '*') ? 2 : 1);
        keep(0);
        return;
      case '$':
        if (ReadPrefixedHex(a, i)) {
          keep(CachedItem::kSetsNumber);
        } else {
          SetChar(p, i, 1);
          ++a.lex.opaqueItems;
          keep(0);
        }
        return;
      case '#':
        if (i + 7 < n && IsDefineWord(std::string_view(s + i + 1, 6)) &&
            !ContinuesDefine(s[i + 7])) {
          p.Item = I_TokenN;
          p.ITokVal = tHASHDEFINE;
          p.ITxt = "#define";
          p.LPos = i + 8;
          keep(CachedItem::kSetsToken);
          return;
        }
        if (ReadPrefixedHex(a, i)) {
          keep(CachedItem::kSetsNumber);
        } else {
          SetChar(p, i, 1);
          p.Item = I_Unknown;
          ++a.lex.opaqueItems;
          keep(0);
        }
        return;
      case '%':
        ReadPercentBinary(a, i);
        return;
      case '"':
        ReadString(a, i);
        return;
      case '\'':
        ReadCharLiteral(a, i);
        return;
      case '@':
        if (i + 1 < n && (s[i + 1] == '"' || s[i + 1] == '\'')) {
          ReadRawString(a, i);
        } else {
          SetChar(p, i, 1);
          keep(0);
        }
        return;
      case '\\':
        ++a.lex.opaqueItems;
        if ((p.pActiveMacro != 0 || !a.macros.macroStack.empty()) && !a.lex.SkippingFlag)
          ReadKeywordBuilder(a, i);
        else
          SetChar(p, i, 1);
        return;
      case ',':
      case ')':
        SetChar(p, i, 1);
        keep(0, CachedItem::kAfterArgumentEnd);
        if (AfterArgumentEnd(a) == Reading::kMoved) continue;
        return;
      default:
        break;
    }

    if (i + 1 < n && IsOperatorPair(c, s[i + 1])) {
      if (c == '[' || c == ']') {
        // Block mode switches are never delivered as items.
        ++a.lex.opaqueItems;
        if (c == '[') {
          ++p.FunctionBlockLevel;
          p.TokenMask = 2;
        } else {
          if (p.FunctionBlockLevel > 0) --p.FunctionBlockLevel;
          if (p.FunctionBlockLevel == 0) p.TokenMask = 1;
        }
        p.LPos = i + 3;
        continue;
      }
      SetChar(p, i, 2);
      keep(0);
      return;
    }
    SetChar(p, i, 1);
    keep(0);
    return;
  }
}

// The item from its record when there is one, else from the text.
[[gnu::noinline]] void ReadItemKept(Assembly& a) {
  const Reading r = ReplayItem(a);
  if (r != Reading::kDelivered) ReadItemText<true>(a, r == Reading::kMoved);
}

// While items are kept: the hinted record's item, copied with no further
// call when nothing is to be worked out after it.
[[gnu::noinline]] void ReadItemWhileKept(Assembly& a) {
  if (!ReplayHinted(a)) ReadItemKept(a);
}

// Reads one item into a.lex.pos (inlined into peek and next).
[[gnu::always_inline]] inline void ReadNextItem(Assembly& a) {
  TLexPos& p = a.lex.pos;
  p.ILine = p.Line;
  p.SValid = false;  // every item sets its own text
  if (!a.lex.cacheItems)
    ReadItemText<false>(a, false);
  else
    ReadItemWhileKept(a);
}

void ReadItem(Assembly& a) { ReadNextItem(a); }

// Copies what locates the reading (line, item, look-ahead, macro context)
// from a saved position, leaving the segment, the block mode and the
// substitution depth as they are.
void CopyReadingState(TLexPos& d, const TLexPos& s) {
  d.Line = s.Line;
  d.ILine = s.ILine;
  d.cSourceListPos = s.cSourceListPos;
  d.lTxt = s.lTxt;
  d.LPos = s.LPos;
  d.LEnd = s.LEnd;
  d.Item = s.Item;
  d.ITxt = s.ITxt;
  d.INumVal = s.INumVal;
  d.ITokVal = s.ITokVal;
  d.SValid = s.SValid;
  d.pActiveMacro = s.pActiveMacro;
  d.LastLPos = s.LastLPos;
  d.LastLine = s.LastLine;
  d.LastLTxt = s.LastLTxt;
  d.FloatVal = s.FloatVal;
}

}  // namespace

std::string_view KeepItemText(Assembly& a, std::string_view text) {
  return *a.lex.keptTexts.emplace(text).first;
}

void LexNoteRepetition(Assembly& a) {
  const CondState& c = a.cond;
  a.lex.cacheItems = (!a.macros.macroStack.empty() || !c.loops.empty() || !c.fors.empty() ||
                      !c.whiles.empty() || !c.repeats.empty()) &&
                     a.env.cacheRepeatedItems;
}

void LexResetSource(Assembly& a, int32_t slot) {
  TLexPos& p = a.lex.pos;
  a.lex.items.Clear();
  LexNoteRepetition(a);
  p.cSourceListPos = slot;
  p.Line = 0;
  p.lTxt = {};
  p.LPos = 1;
  p.LEnd = 0;
  p.ITxt = {};
  p.INumVal = 0;
  p.ITokVal = tNil;
  p.SValid = false;
  // Position on the first non-empty line without delivering an end of line
  // for it: reading starts as if just after one.
  p.Item = I_EOL;
  FetchLine(a);
  p.Item = I_EOL;
  p.ILine = p.LastLine = p.Line;
  p.LastLPos = p.LPos;
  p.LastLTxt = p.lTxt;
}

void LexNext(Assembly& a) {
  if (!a.lex.pos.SValid) ReadNextItem(a);
  a.lex.pos.SValid = false;
}

void LexPeek(Assembly& a) {
  TLexPos& p = a.lex.pos;
  if (!p.SValid) {
    ReadNextItem(a);
    p.SValid = true;
  }
  // Inside parentheses an expression may go on over the next lines.
  if (a.eval.ExprParenDepth > 0) {
    while (p.Item == I_EOL) {
      ReadNextItem(a);
      p.SValid = true;
    }
  }
}

void LexSkipToEOL(Assembly& a) {
  TLexPos& p = a.lex.pos;
  for (;;) {
    if (!p.SValid) {
      ReadNextItem(a);
      p.SValid = true;
    }
    if (p.Item == I_EOL || p.Item == I_Null) return;
    p.SValid = false;
  }
}

void LexPassLine(Assembly& a) {
  TLexPos& p = a.lex.pos;
  p.ILine = p.LastLine = p.Line;
  p.LastLPos = p.LPos = p.LEnd + 1;
  p.LastLTxt = p.lTxt;
  p.Item = I_Unknown;  // the line's last item: at the end of the source its end is still read
  FetchLine(a);
  p.ITxt = {};
  p.SValid = false;
}

TLexPos LexPeekFollowing(Assembly& a) {
  LexPeek(a);
  const TLexPos at = LexSave(a);
  // Reading past the end of an argument or alias body pops its entry.
  const std::vector<ParamSubstEntry> params = a.lex.paramStack;
  const std::vector<TAliasStackEntry> aliases = a.lex.aliasStack;
  LexNext(a);
  LexPeek(a);
  TLexPos next = a.lex.pos;
  a.lex.paramStack = params;
  a.lex.aliasStack = aliases;
  LexRestore(a, at, false);
  return next;
}

TLexPos LexSave(const Assembly& a) {
  TLexPos p = a.lex.pos;
  p.pParserParamStack = static_cast<int32_t>(a.lex.paramStack.size());
  return p;
}

void LexSaveInto(const Assembly& a, TLexPos& out) {
  out = a.lex.pos;
  out.pParserParamStack = static_cast<int32_t>(a.lex.paramStack.size());
}

void LexRestore(Assembly& a, const TLexPos& p, bool withParamDepth) {
  const int32_t depth = static_cast<int32_t>(a.lex.paramStack.size());
  a.lex.pos = p;
  if (withParamDepth && p.pParserParamStack >= 0 && p.pParserParamStack < depth)
    a.lex.paramStack.resize(static_cast<size_t>(p.pParserParamStack));
  a.lex.pos.pParserParamStack = static_cast<int32_t>(a.lex.paramStack.size());
}

void LexRestoreForParam(Assembly& a, const TLexPos& p) {
  TLexPos& d = a.lex.pos;
  CopyReadingState(d, p);
  d.ProcPrefix = p.ProcPrefix;
  d.sLastMainLabel = p.sLastMainLabel;
  d.sLastRawLabel = p.sLastRawLabel;
}

void LexRestoreForReturn(Assembly& a, const TLexPos& p) { CopyReadingState(a.lex.pos, p); }
