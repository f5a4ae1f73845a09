#pragma once
// Records shared by several subsystems: expression values, lexer items and
// the complete, copyable lexer position.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/shared_text.h"
#include "lexer/token_enum.h"

// Which field of a TExpRes holds the value.
enum TExpSort : uint8_t { erError, erInteger, erString, erFloat };

// The value of every expression and every symbol: a 32-bit integer that wraps
// silently, an 80-bit float or an 8-bit byte string (one byte per character,
// Latin-1). Booleans are the integers 1 and 0.
struct TExpRes {
  TExpSort Sort = erInteger;
  std::string Str;
  int32_t Int = 0;
  long double Float = 0.0L;
};

// Kind of the lexer's current item.
enum TItem : uint8_t {
  I_Null,     // no more input in the current source
  I_EOL,      // end of a line (also after a ";" or "//" comment)
  I_TokenN,   // a keyword; ITokVal holds the token
  I_Ident,    // an identifier that is not a keyword in the current mode
  I_Char,     // punctuation or operator, one or two characters, in ITxt
  I_Integer,  // integer or character literal; value in INumVal
  I_String,   // string literal (after escape processing) in ITxt
  I_Float,    // decimal literal with a fraction; value beside the position
  I_Unknown,  // malformed number or a lone "#"
};

// The complete lexer state. Copying it saves a position; copying it back
// restores it. Line texts are views into the loaded sources, which stay put
// for the whole run, so saving a position copies no line text.
struct TLexPos {
  int32_t Line = 0;            // lines read so far from the current source
  int32_t ILine = 0;           // line at which the current item started
  int32_t cSourceListPos = 0;  // source slot being read
  std::string_view lTxt;       // the line being scanned
  int32_t LPos = 1;            // 1-based index of the next character
  int32_t LEnd = 0;            // length of lTxt
  TItem Item = I_Null;
  // The item's text: a view into its line, or into text the lexer keeps
  // for the run (a string literal whose escapes were processed, a keyword
  // built by "\"), so a position is copied without copying any text.
  std::string_view ITxt;
  int32_t INumVal = 0;
  TToken ITokVal = tNil;
  bool SValid = false;  // the current item was read ahead and is valid
  SharedText ProcPrefix;
  int32_t pCurrSegment = 0;
  int32_t pActiveMacro = 0;  // active macro expansion, 0 = none
  int32_t LastLPos = 1;
  int32_t LastLine = 0;
  std::string_view LastLTxt;
  int32_t pParserParamStack = 0;
  uint8_t TokenMask = 1;  // 1 normal, 2 inside "[[" ... "]]"
  int32_t FunctionBlockLevel = 0;
  SharedText sLastMainLabel = SharedText::Global();
  SharedText sLastRawLabel = SharedText::Global();
  long double FloatVal = 0.0L;  // value of an I_Float item
};
