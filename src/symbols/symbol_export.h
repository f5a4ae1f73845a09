#pragma once
// The symbol file of EXPORT_SYM: the symbol table as text lines for
// debuggers, emulators and other assemblers, in one of three layouts chosen
// by the options word.

#include <cstdint>
#include <string>
#include <vector>

struct Assembly;

// Option bits of EXPORT_SYM.
enum SymbolExportOption : uint32_t {
  kSymLayoutMask = 0x00010003,   // value layout of the standard layout
  kSymIntegers = 0x00000004,     // variables and constants with an integer value
  kSymFloats = 0x00000008,       // ... with a float value
  kSymStrings = 0x00000010,      // ... with a string value
  kSymLocalLabels = 0x00000020,  // address labels with a "." in the name
  kSymSegments = 0x00000040,
  kSymLabels = 0x00000080,        // address labels without a "."
  kSymUnsorted = 0x00000100,      // variables whose value has no sort
  kSymMacros = 0x00000200,        // macros, aliases and functions
  kSymAnonymous = 0x00000400,     // also names of anonymous procedure scopes
  kSymPredefined = 0x00001000,    // also the assembler's predefined symbols
  kSymVariableList = 0x00002000,  // layout: "name,VALUE" for every variable
  kSymLabelFile = 0x00004000,     // layout: "Lnnnn name" for every address
  kSymSort = 0x00008000,          // sort the lines, ignoring case
  kSymWideHex = 0x00020000,       // hexadecimal values with 8 digits
  kSymUnreferenced = 0x00100000,  // append the unreferenced labels
};

// The lines of the symbol file for the current symbol table.
std::vector<std::string> BuildSymbolLines(Assembly& a, uint32_t options);
