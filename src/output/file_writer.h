#pragma once
// Writing output files safely: every file is built in memory, written to a
// temporary file in its target's folder and renamed over the target only when
// complete, so a failed or interrupted write never leaves a half-written file.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct Assembly;

// Creates the folder part of `path` with every missing parent. A failure is
// ignored: the write that follows reports the problem, if any.
void CreateOutputFolder(const std::string& path);

// Replaces (or creates) the file `path` with `bytes`. On failure prints one
// line on standard error naming the file and the system's reason and returns
// false; the target is then untouched. An existing device or named pipe
// (such as /dev/null or /dev/stdout) is written into instead of replaced.
bool SaveOutputFile(Assembly& a, const std::string& path, std::string_view bytes);

// Overwrites the stretch of the existing file `path` that starts at `offset`
// with `bytes`, keeping the bytes before and after it; a stretch running past
// the end makes the file longer (a gap before it reads as zeros). A missing
// file is a failure, reported as by SaveOutputFile.
bool PatchOutputFile(Assembly& a, const std::string& path, uint64_t offset, std::string_view bytes);

// Lines of 8-bit text, each ended by CR LF.
std::string JoinLinesCrLf(const std::vector<std::string>& lines);
