#pragma once
// Console reporting: the numbered error table, errors (ordinary, with text,
// fatal) and warnings in the "file:line : error: text" layout.

#include <cstdint>
#include <string>
#include <string_view>

struct Assembly;

enum ErrorNo : int {
  E_SyntaxError = 201,
  E_IntegerExpected = 202,
  E_IllegalString = 203,
  E_LabelRedefined = 204,
  E_AddressError = 205,
  E_RangeError = 206,
  E_MissingBlockComment = 207,
  E_MissingComma = 208,
  E_MisuseOfVariable = 209,
  E_PlantInStruct = 210,
  E_NotImplemented = 211,
  E_OutOfResources = 212,
  E_MissingLoop = 213,
  E_MissingRepeat = 214,
  E_MissingWhile = 215,
  E_MissingIf = 216,
  E_InternalError = 217,
  E_DivideByZero = 218,
  E_NestingError = 219,
  E_SegmentFatal = 220,
  E_TypeMismatch = 221,
  E_LabelNotFound = 222,
  E_ParameterDuplicated = 223,
  E_TooManyParameters = 224,
  E_NotEnoughParameters = 225,
  E_RecursiveMacro = 226,
  E_MissingMacro = 227,
  E_UserError = 228,
  E_IllegalSMCLabel = 229,
  E_SwitchTypeMismatch = 236,
  E_BitMappingError = 239,
  E_FileNotFound = 245,
  E_TapeGeneration = 246,
  E_NotYetImplemented = 247,
  E_NotSupported = 248,
  E_UserAborted = 249,
  E_MissingMalign = 250,
  E_AlignmentError = 251,
  E_Snail = 252,
  E_OutOfStack = 253,
  E_Assertion = 254,
  E_MissingClose = 255,
};

struct Diagnostics {
  int32_t currentLine = 0;     // line of the statement being assembled
  int32_t currentSource = 0;   // slot of the file the lexer is reading
  int32_t lastErrorLine = -1;  // one error per line
  uint32_t reports = 0;        // every error report, counted or not
};

// Text of an error number; empty for numbers without a message.
std::string_view ErrorMessage(int n);

// "%s:%5d " for the current source and the given line.
std::string LocationPrefix(const Assembly& a, int32_t line);
// The same for an explicit source slot.
std::string LocationPrefixFor(const Assembly& a, int32_t slot, int32_t line);

void PrintOut(Assembly& a, std::string_view line);
void PrintErr(Assembly& a, std::string_view line);

// The ordinary error: counted once per line, printed only in the final pass
// (after pass 1); the rest of the statement is skipped.
void ReportError(Assembly& a, int n);
// As ReportError with extra text after the message; skips only when asked.
void ReportErrorText(Assembly& a, int n, std::string_view extra, bool skip);
// Counted and printed at once; sets the abort flag, ending the pass.
void FatalError(Assembly& a, int n);
// Printed only while the clean flag is set. Line 0 is a continuation line.
void Warning(Assembly& a, int32_t line, std::string_view text);
