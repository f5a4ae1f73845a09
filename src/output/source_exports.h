#pragma once
// Assembled bytes as source text for another compiler: a C header holding a
// byte array, or a Pascal unit holding a typed constant array. Both are 8-bit
// text with CR LF line ends and upper-case hexadecimal.

#include <string>
#include <string_view>

struct TFILE_Def;

// The whole file for OUTPUT_C / OUTPUT_UNIT. `d` gives the names, the comment
// and the range (Start, Length); `bytes` holds the range's bytes in address
// order. A negative start or a length below 1 gives a file without an array.
std::string CHeaderText(const TFILE_Def& d, std::string_view bytes);
std::string PascalUnitText(const TFILE_Def& d, std::string_view bytes);
