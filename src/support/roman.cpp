#include "support/roman.h"

int32_t RomanToInt(std::string_view) { return 0; }
std::string IntToRoman(int32_t) { return {}; }
