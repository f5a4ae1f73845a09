#pragma once
// Reading whole input files (sources, includes, imported binaries, pictures)
// with a size bound, so that a device such as /dev/zero, a pipe that never
// ends or a multi-gigabyte file gives a clear error instead of exhausting
// memory or hanging.

#include <cstdint>
#include <string>

// Largest input file read whole: far above any real source or binary.
inline constexpr uint64_t kMaxInputFileBytes = 128u << 20;

// Reads the file `path` into `bytes`. Returns "" on success, or why the file
// could not be read: the system's reason, "is a folder", or "is larger than
// 128 MiB". At most `limit` bytes are ever held.
std::string ReadInputFile(const std::string& path, std::string& bytes,
                          uint64_t limit = kMaxInputFileBytes);

// Reads at most `limit` bytes from the start of the file `path` into `bytes`
// (a longer file is cut, not refused). Returns "" on success or the system's
// reason.
std::string ReadFileStart(const std::string& path, std::string& bytes, uint64_t limit);

// Whether the file `path` can be opened for reading.
bool CanOpenForReading(const std::string& path);
