#pragma once
// Roman numerals, for the 0r number syntax, ROMAN and VELDPRINTROMAN.

#include <cstdint>
#include <string>
#include <string_view>

// Value of a Roman numeral written with C, D, I, L, M, V, X (either case).
int32_t RomanToInt(std::string_view letters);
// The Roman text of a value (with its special texts for values that have no
// ordinary numeral).
std::string IntToRoman(int32_t value);
