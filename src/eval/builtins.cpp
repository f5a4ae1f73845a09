// Reading the arguments of the built-in functions and dispatching to the
// computations of builtin_library.h.
//
// Argument conventions:
//   float-arg   "(" expression ")", an integer converted to a float;
//   paren-opt   "(" expression ")", or without "(" a whole conditional
//               expression (LOW x + 1 is LOW (x + 1));
//   paren-soft  "(" expression ")"; without "(" nothing is read and the
//               result is the integer 0;
//   paren       "(" expression ")".
// A missing "(" (where required), "," or ")" is "Syntax Error". Only a
// parenthesised operand lets an expression run on over several lines; the
// parentheses of a function call do not.

#include "eval/builtins.h"

#include <cmath>

#include "assembler/assembly.h"
#include "eval/builtin_library.h"
#include "output/output_defs.h"
#include "support/roman.h"

namespace {

// Longest zero padding TOHEX accepts: more is surely a mistake, and an
// unchecked count could ask for gigabytes.
constexpr int32_t kMaxHexDigits = 255;

void SetInt(TExpRes& r, int32_t v) {
  r.Sort = erInteger;
  r.Int = v;
}
void SetString(TExpRes& r, std::string s) {
  r.Sort = erString;
  r.Str = std::move(s);
}
void SetFloat(TExpRes& r, long double f) {
  r.Sort = erFloat;
  r.Float = f;
}

bool NextIsChar(Assembly& a, std::string_view c) {
  LexPeek(a);
  return ItemIsChar(a.lex.pos, c);
}

bool Accept(Assembly& a, std::string_view c) {
  if (!NextIsChar(a, c)) return false;
  LexNext(a);
  return true;
}

// Consumes the punctuation or reports "Syntax Error".
bool Expect(Assembly& a, std::string_view c) {
  if (Accept(a, c)) return true;
  ReportError(a, E_SyntaxError);
  return false;
}

// One argument as a value of any kind: a whole conditional expression (no
// leading [name] form).
TExpRes Argument(Assembly& a) {
  TExpRes r;
  EvalConditional(a, r);
  return r;
}

// An argument that must be an integer: strings (even of one character) and
// floats are "Syntax Error".
bool IntegerOnly(Assembly& a, int32_t& v) {
  TExpRes r = Argument(a);
  v = r.Int;
  if (r.Sort == erInteger) return true;
  ReportError(a, E_SyntaxError);
  v = 0;
  return false;
}

// "(" first "," second ")" with integers.
bool TwoIntegers(Assembly& a, int32_t& x, int32_t& y) {
  x = y = 0;
  if (!Expect(a, "(")) return false;
  x = EvalInteger(a);
  if (!Expect(a, ",")) return false;
  y = EvalInteger(a);
  return Expect(a, ")");
}

void FloatFunction(Assembly& a, TToken t, TExpRes& result) {
  if (!Expect(a, "(")) return;
  long double x = EvalFloat(a);
  if (!Expect(a, ")")) return;
  if (t == tROUND) {
    int32_t v = 0;
    RoundFloatToInt(x, v);  // failure gives the integer 0
    SetInt(result, v);
    return;
  }
  long double f = 0;
  if (ApplyFloatFunction(t, x, f)) SetFloat(result, f);  // else the integer 0 stays
}

// paren-soft with one argument of any kind; false when no "(" follows.
bool SoftArgument(Assembly& a, TExpRes& arg) {
  if (!Accept(a, "(")) return false;
  arg = Argument(a);
  return Expect(a, ")");
}

void KeyFunction(Assembly& a, TToken t, TExpRes& result) {
  TExpRes arg;
  if (!SoftArgument(a, arg)) return;
  std::string keys;
  if (arg.Sort == erInteger) {
    keys.assign(1, static_cast<char>(arg.Int & 0xFF));
  } else if (arg.Sort == erString) {
    keys = UpperCaseAscii(arg.Str);
  } else {
    ReportError(a, E_SyntaxError);
    return;
  }
  KeyScan scan = ScanKeys(keys);
  bool illegal = scan.illegal;
  switch (t) {
    case tVELDKEYADDR:
      SetInt(result, scan.address);
      break;
    case tVELDKEYMASK:
      SetInt(result, scan.mask);
      break;
    default: {
      int32_t bit = KeyMaskToBit(scan.mask);
      if (bit < 0) illegal = true;
      SetInt(result, bit < 0 ? 0 : bit);
      break;
    }
  }
  if (illegal) ReportError(a, E_IllegalString);
}

void ScreenFunction(Assembly& a, TToken t, TExpRes& result) {
  if (!NextIsChar(a, "(")) return;  // paren-soft
  int32_t x = 0, y = 0;
  if (!TwoIntegers(a, x, y)) return;
  int32_t addr = 0;
  bool ok = t == tZXPIXELADDR ? ZxPixelAddress(x, y, addr) : ZxAttrAddress(x, y, addr);
  SetInt(result, addr);
  if (!ok) ReportError(a, E_RangeError);
}

void ByteWordFunction(Assembly& a, TToken t, TExpRes& result) {
  int32_t v = 0;
  if (Accept(a, "(")) {
    if (!IntegerOnly(a, v) || !Expect(a, ")")) return;
  } else if (!IntegerOnly(a, v)) {
    return;
  }
  const auto u = static_cast<uint32_t>(v);
  if (t == tLOW) SetInt(result, static_cast<int32_t>(u & 0xFF));
  if (t == tHIGH) SetInt(result, static_cast<int32_t>((u >> 8) & 0xFF));
  if (t == tWORD) SetInt(result, static_cast<int32_t>(u & 0xFFFF));
}

void BitmapFunction(Assembly& a, TToken t, TExpRes& result) {
  if (!Expect(a, "(")) return;
  std::string pattern = EvalString(a);
  if (!Expect(a, ",")) return;
  int32_t ink = EvalInteger(a);
  if (!Expect(a, ")")) return;
  const bool inverted = t == tINVBITMAP;
  bool failed = false;
  SetInt(result, BitmapPattern(pattern, ink, inverted, failed));
  if (failed) ReportError(a, inverted ? E_RangeError : E_BitMappingError);
}

void MorseFunction(Assembly& a, TExpRes& result) {
  if (!Expect(a, "(")) return;
  TExpRes arg = Argument(a);
  if (!Expect(a, ")")) return;
  if (arg.Sort == erInteger)
    SetString(result, MorseText(IntToDecimal(arg.Int)));
  else if (arg.Sort == erString && arg.Str.size() > kMaxStringLength / 8)
    ReportError(a, E_OutOfResources);  // each character takes up to 7 in Morse
  else if (arg.Sort == erString)
    SetString(result, MorseText(arg.Str));
  else
    ReportError(a, E_SyntaxError);
}

void ToHexFunction(Assembly& a, TExpRes& result) {
  if (!Expect(a, "(")) return;
  int32_t v = 0;
  if (!IntegerOnly(a, v)) return;
  int32_t digits = 2;
  if (Accept(a, ",")) digits = EvalInteger(a);
  if (!Expect(a, ")")) return;
  if (digits > kMaxHexDigits) {
    ReportError(a, E_RangeError);
    return;
  }
  SetString(result, IntToHexText(v, digits));
}

// "(" integer-only ")" for ROMAN, TOSTR and CHR.
void IntegerToStringFunction(Assembly& a, TToken t, TExpRes& result) {
  int32_t v = 0;
  if (!Expect(a, "(") || !IntegerOnly(a, v) || !Expect(a, ")")) return;
  if (t == tROMAN) SetString(result, IntToRoman(v));
  if (t == tTOSTR) SetString(result, IntToDecimal(v));
  if (t == tCHR) SetString(result, std::string(1, static_cast<char>(v & 0xFF)));
}

void CaseFunction(Assembly& a, TToken t, TExpRes& result) {
  if (!Expect(a, "(")) return;
  std::string s = EvalString(a);
  if (!Expect(a, ")")) return;
  if (t == tLOWERCASE) SetString(result, LowerCaseAscii(s));
  if (t == tUPPERCASE) SetString(result, UpperCaseAscii(s));
  if (t == tTITLECASE) SetString(result, TitleCase(s));
}

// "(" integer ")" for the paging functions.
void PagingFunction(Assembly& a, TToken t, TExpRes& result) {
  if (!Expect(a, "(")) return;
  int32_t n = EvalInteger(a);
  if (!Expect(a, ")")) return;
  if (t == tVELDPAGE) SetInt(result, VeldPageOffset(a, n));
  if (t == tVELDMMU) SetInt(result, VeldMmuOffset(n));
  if (t == tVELDROM) SetInt(result, VeldRomOffset(n));
}

void MemoryFunction(Assembly& a, TToken t, TExpRes& result) {
  int32_t start = 0, length = 0;
  if (!TwoIntegers(a, start, length)) return;
  const uint32_t v =
      t == tSUM_MEM ? SumImageBytes(a, start, length) : XorImageBytes(a, start, length);
  SetInt(result, static_cast<int32_t>(v));
}

void StringSoftFunction(Assembly& a, TToken t, TExpRes& result) {
  TExpRes arg;
  if (!SoftArgument(a, arg)) return;
  if (arg.Sort != erString) {
    ReportError(a, E_SyntaxError);
    return;
  }
  if (t == tLENGTH) SetInt(result, static_cast<int32_t>(arg.Str.size()));
  if (t == tORD) SetInt(result, arg.Str.empty() ? 0 : static_cast<unsigned char>(arg.Str[0]));
  if (t == tVELDGETFILELENGTH) SetInt(result, FileLengthOf(a, arg.Str));
}

void AbsFunction(Assembly& a, TExpRes& result) {
  TExpRes arg;
  if (!SoftArgument(a, arg)) return;
  if (arg.Sort == erInteger)
    SetInt(result, AbsInt(arg.Int));
  else if (arg.Sort == erFloat)
    SetFloat(result, std::fabs(arg.Float));
  else
    ReportError(a, E_SyntaxError);
}

void NexDataFunction(Assembly& a, TExpRes& result) {
  if (!Expect(a, "(")) return;
  std::string name = EvalString(a);
  if (!Expect(a, ")")) return;
  // NEX definitions are recorded in every pass, so the count is that of the
  // data appended so far in this pass.
  const int32_t slot = FindFileDef(a, ResolveOutputName(a, name));
  if (slot < 0) {
    ReportError(a, E_FileNotFound);
    return;
  }
  SetInt(result, static_cast<int32_t>(a.outputs.slots[slot].ExtraCount));
}

}  // namespace

bool IsBuiltinFunction(TToken t) {
  switch (t) {
    case tFLT:
    case tSIN:
    case tCOS:
    case tTAN:
    case tASIN:
    case tACOS:
    case tATAN:
    case tLOG:
    case tLN:
    case tEXP:
    case tSQRT:
    case tINT:
    case tFRAC:
    case tROUND:
    case tABS:
    case tLENGTH:
    case tORD:
    case tVELDGETFILELENGTH:
    case tVELDKEYADDR:
    case tVELDKEYMASK:
    case tVELDKEYBIT:
    case tZXPIXELADDR:
    case tZXATTRADDR:
    case tLOW:
    case tHIGH:
    case tWORD:
    case tSUM_MEM:
    case tXOR_MEM:
    case tVELDRAND:
    case tokBITMAP:
    case tINVBITMAP:
    case tMORSE:
    case tROMAN:
    case tTOSTR:
    case tCHR:
    case tTOHEX:
    case tLOWERCASE:
    case tUPPERCASE:
    case tTITLECASE:
    case tOUTPUT_NEX_DATA:
    case tVELDPAGE:
    case tVELDMMU:
    case tVELDROM:
      return true;
    default:
      return false;
  }
}

void EvalBuiltinFunction(Assembly& a, TToken t, TExpRes& result) {
  result = TExpRes{};
  LexNext(a);  // the keyword
  switch (t) {
    case tFLT:
    case tSIN:
    case tCOS:
    case tTAN:
    case tASIN:
    case tACOS:
    case tATAN:
    case tLOG:
    case tLN:
    case tEXP:
    case tSQRT:
    case tINT:
    case tFRAC:
    case tROUND:
      FloatFunction(a, t, result);
      break;
    case tABS:
      AbsFunction(a, result);
      break;
    case tLENGTH:
    case tORD:
    case tVELDGETFILELENGTH:
      StringSoftFunction(a, t, result);
      break;
    case tVELDKEYADDR:
    case tVELDKEYMASK:
    case tVELDKEYBIT:
      KeyFunction(a, t, result);
      break;
    case tZXPIXELADDR:
    case tZXATTRADDR:
      ScreenFunction(a, t, result);
      break;
    case tLOW:
    case tHIGH:
    case tWORD:
      ByteWordFunction(a, t, result);
      break;
    case tSUM_MEM:
    case tXOR_MEM:
      MemoryFunction(a, t, result);
      break;
    case tVELDRAND:
      SetInt(result, static_cast<int32_t>(a.random.Next()));
      break;
    case tokBITMAP:
    case tINVBITMAP:
      BitmapFunction(a, t, result);
      break;
    case tMORSE:
      MorseFunction(a, result);
      break;
    case tROMAN:
    case tTOSTR:
    case tCHR:
      IntegerToStringFunction(a, t, result);
      break;
    case tTOHEX:
      ToHexFunction(a, result);
      break;
    case tLOWERCASE:
    case tUPPERCASE:
    case tTITLECASE:
      CaseFunction(a, t, result);
      break;
    case tOUTPUT_NEX_DATA:
      NexDataFunction(a, result);
      break;
    case tVELDPAGE:
    case tVELDMMU:
    case tVELDROM:
      PagingFunction(a, t, result);
      break;
    default:
      ReportError(a, E_SyntaxError);
      break;
  }
}
