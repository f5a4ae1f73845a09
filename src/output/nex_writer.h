#pragma once
// The NEX writer: the ZX Spectrum Next's executable file, built from a NEX
// definition and the memory image.

#include <optional>
#include <string>

struct Assembly;
struct TFILE_Def;

// A NEX file holds at most this many bytes.
inline constexpr size_t kMaxNexFileBytes = 0x200000;

// The whole file for a definition: the 512-byte header, the loading screen's
// palette and screen blocks, the used banks 0 to 111 in loading order, and the
// appended data. Nothing when the required core version does not parse (no
// file is written then). Screen problems are printed as warnings.
std::optional<std::string> BuildNexFile(Assembly& a, const TFILE_Def& d);

enum class NexWriteResult { kWritten, kNoFile, kTooLarge, kIoFailure };

// Builds and saves the file. kTooLarge (reported on standard error) writes
// nothing; kIoFailure is reported by the file saving.
NexWriteResult WriteNexFile(Assembly& a, const TFILE_Def& d);
