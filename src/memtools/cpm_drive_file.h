#pragma once
// The virtual CP/M drive as the assembler uses it: the host file named by
// Veld_cpm_drives, opened for each operation and read or written at offsets.
// Console lines that explain a failure go to standard error.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

struct Assembly;
struct TFILE_Def;

// IMPORT_CPM: reads `name` with the settings and user number the symbols
// hold now. The explaining lines are printed only when `print` is set (the
// final pass), so a source does not repeat them once per pass.
bool ReadCpmFileNow(Assembly& a, std::string_view name, std::vector<uint8_t>& out, bool print);

// OUTPUT_CPM after the run: writes the definition's range into the drive with
// the settings read after the last pass.
enum class CpmOutputStatus { kWritten, kFailed, kIoError };
CpmOutputStatus WriteCpmOutput(Assembly& a, const TFILE_Def& d);
