#pragma once
// The pull lexer: source lines become items, with one item of look-ahead and
// a complete, copyable position (TLexPos) that loops, macros, aliases and
// includes save and restore.
//
// Item protocol: LexPeek makes sure the current item is read without
// consuming it; LexNext consumes it (reading one first unless it was peeked).
// After LexNext the consumed item's fields stay readable in a.lex.pos.
//
// Lines: empty lines give nothing; every other line ends with one I_EOL (the
// reader moves on to the next line as it delivers it, so after an I_EOL has
// been read, Line already names the following line while ILine still names
// the line that ended). After the last line's I_EOL every read gives I_Null.
//
// Macro-parameter substitution: when an identifier is read (not skipping,
// pActiveMacro != 0), FindMacroArgument may hand back the argument's start
// position and its end marker. Reading continues at the start (a start saved
// with its look-ahead read is re-read from that item's beginning) until the
// marker is reached: the marker is (line, LPos, source) just after the ","
// or ")" that ends the argument, as recorded in LexerState::argEnd* when that
// item was read; an argument that runs to the end of its line has a marker
// with a position past the line's last character (e.g. its length + 1). The
// reading then resumes after the identifier.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "common/types.h"
#include "lexer/item_cache.h"

struct Assembly;

struct ParamSubstEntry {
  TLexPos saved;  // where scanning resumes after the argument
  int32_t LexTermLine = 0, LexTermPos = 0, LexTermSrc = 0;  // argument end
};

struct TAliasStackEntry {
  TLexPos saved;
  int32_t line = 0;    // invoking line, restored for messages on return
  int32_t source = 0;  // invoking source
  // The alias name was the last item of an enclosing alias body: returning
  // here ends that body too, so the return goes on to the entry below.
  bool atBodyEnd = false;
  // The body's line and source: only the end of that line ends the body
  // (a macro invoked in the body reads other lines before coming back).
  int32_t bodyLine = 0, bodySource = 0;
};

struct LexerState {
  TLexPos pos;                // the live position
  bool SkippingFlag = false;  // text is being skipped (no substitutions, no warnings)
  bool radixActive = false;   // SETRADIX in force
  int32_t radix = 10;
  bool aliasExpansionOff = false;
  // While the item after an alias name is read ahead: the end of an alias
  // body met then is not a return yet (aliasFollowerAtBodyEnd records it).
  bool readingAliasFollower = false;
  bool aliasFollowerAtBodyEnd = false;
  // The latest end of a macro argument: line, LPos just after the "," or
  // ")" and source, recorded whenever one of them is read.
  int32_t argEndLine = 0, argEndPos = 0, argEndSrc = 0;
  // Items read so far whose meaning may differ from pass to pass or from
  // place to place: names, "$", keywords other than register and condition
  // names, "\" and the block-mode switches. A line whose only such item is
  // its statement keyword assembles alike wherever the options agree
  // (assembler/line_skip.h).
  uint32_t opaqueItems = 0;
  std::vector<ParamSubstEntry> paramStack;   // at most 255
  std::vector<TAliasStackEntry> aliasStack;  // at most 250
  // Item texts that are not a slice of their line, each kept once for as
  // long as the context lives: positions saved anywhere (macro definitions
  // included) may still view them. Their number is bounded by the distinct
  // literals of the sources.
  std::unordered_set<std::string> keptTexts;
  std::string quoted;  // buffer of the quoted-text reader
  // Items of loop and macro bodies, kept while such text is being read
  // (cacheItems: a loop or an expansion is open).
  ItemCache items;
  bool cacheItems = false;
};

// A view of the text that stays valid for the context's life.
std::string_view KeepItemText(Assembly& a, std::string_view text);

// Starts reading the given source slot at its first line: the next item read
// is the first item of its first non-empty line (I_Null for an empty source).
// Only the reading fields change; prefixes, segment, block mode and macro
// context carry over (INCLUDE keeps them).
void LexResetSource(Assembly& a, int32_t slot);
// Items are kept for reading again while a loop or a macro expansion is
// open (LexerState::items): called wherever one opens or closes.
void LexNoteRepetition(Assembly& a);
void LexNext(Assembly& a);
// While a.eval.ExprParenDepth > 0, peek also passes over I_EOL items, so a
// parenthesised expression may go on over the following lines.
void LexPeek(Assembly& a);
// Consumes items up to (not including) the end of the line or of input. Ends
// of lines are not skipped here even inside parentheses.
void LexSkipToEOL(Assembly& a);

// Passes over the rest of the line being read, a line with items, as reading
// its end and consuming it would, with no macro argument or alias body being
// read.
void LexPassLine(Assembly& a);

// The complete position, look-ahead included. Cheap: line texts are views.
TLexPos LexSave(const Assembly& a);
// The same into an existing position (its buffers are reused).
void LexSaveInto(const Assembly& a, TLexPos& out);
// Every field; the parameter-stack depth only when asked.
void LexRestore(Assembly& a, const TLexPos& p, bool withParamDepth);
// The item after the current one, read ahead and given back: the lexer, its
// macro-argument substitutions and alias expansions are left as they were.
TLexPos LexPeekFollowing(Assembly& a);
// All but pCurrSegment, TokenMask, FunctionBlockLevel and the stack depth.
void LexRestoreForParam(Assembly& a, const TLexPos& p);
// As for parameters, and also leaves the prefixes and last labels alone.
void LexRestoreForReturn(Assembly& a, const TLexPos& p);

// Convenience tests on the current item (after LexPeek).
inline bool ItemIsChar(const TLexPos& p, std::string_view c) {
  return p.Item == I_Char && p.ITxt == c;
}
inline bool ItemIsToken(const TLexPos& p, TToken t) { return p.Item == I_TokenN && p.ITokVal == t; }
inline bool ItemEndsStatement(const TLexPos& p) {
  return p.Item == I_EOL || p.Item == I_Null || (p.Item == I_Char && p.ITxt == ":");
}
