#pragma once
// The list file of OUTPUT_LIST: every planted byte of the memory image beside
// the source line that planted it, grouped by file and line.

#include <string>
#include <vector>

struct Assembly;

// The lines of the list file: cells in cell order, consecutive cells of one
// source line on one line ("cell  XX XX ...  source text"), with "# File" and
// "# End of file" lines around the stretches of each source file.
std::vector<std::string> BuildListLines(const Assembly& a);
