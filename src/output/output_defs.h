#pragma once
// Output definitions recorded by the output directives in the clean final
// pass, and the write-out that hands each to its writer after the run.

#include <cstdint>
#include <vector>

struct Assembly;

struct OutputDefs {
  std::vector<int32_t> placeholder;
};

void ClearFileDefs(Assembly& a);
// Writes every recorded definition. Returns false after an I/O failure (the
// message is already printed).
bool WriteOutputFiles(Assembly& a);
