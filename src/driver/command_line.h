#pragma once
// The command line: one parameter, the main source file. Two spellings are
// answered by the program itself, since no source is named like them:
// "--version" and "--help" print and exit with 0.

#include <string>
#include <string_view>
#include <vector>

enum class InfoRequest { None, Version, Help };

InfoRequest InfoRequestOf(std::string_view param);

// The lines printed on standard output for a request (none for None).
std::vector<std::string> InfoLines(InfoRequest request, std::string_view version);
