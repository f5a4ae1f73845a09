// libFuzzer target for binary import slices: IMPORT_BIN and
// IMPORT_COMPARISON with any address, length and offset (negative, huge or
// absent) over a file of any contents, assembled in-process by the real
// assembler. Each must assemble or stop with an error, without a crash, a
// hang or a sanitizer report; an IMPORT_BIN that succeeds leaves exactly the
// slice its arguments select in the image.
//
// The input: a control byte (bits 0..1 how many numbers follow the name, none
// meaning planted at PC; bit 2 an IMPORT_COMPARISON with the same arguments
// too), then three
// 32-bit little-endian numbers (address, length, offset), then the file's
// bytes. The file and the source go into a scratch folder that is the current
// folder; the assembly is sandboxed (no file written, no command run).
//
// Build and run: make fuzz, or by hand
//   cmake --build build-fuzz --target import_bin_fuzz
//   build-fuzz/import_bin_fuzz fuzz/corpus/import_bin

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "assembler/assembly.h"
#include "scratch_folder.h"

namespace {

constexpr size_t kHeader = 13;
constexpr int64_t kOrigin = 0x8000;

int32_t Le32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 |
                              static_cast<uint32_t>(p[3]) << 24);
}

// The slice the arguments select, by the import rule: from `offset` at most
// `length` bytes (all when absent), never past the end; nothing when the
// offset is negative.
int64_t ExpectedCount(int64_t size, int argCount, int32_t length, int32_t offset) {
  int64_t off = argCount >= 3 ? offset : 0;
  if (off < 0 || off >= size) return 0;
  int64_t n = argCount >= 2 ? std::min<int64_t>(length, size) : size;
  return std::min<int64_t>(n, size - off);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeader) return 0;
  const std::string& dir = Scratch();
  const uint8_t control = data[0];
  const int argCount = control & 3;
  const bool comparison = control & 4;
  const int32_t numbers[3] = {Le32(data + 1), Le32(data + 5), Le32(data + 9)};
  std::string_view file(reinterpret_cast<const char*>(data + kHeader), size - kHeader);
  WriteScratchFile(dir + "/data.bin", file);

  std::string args = "\"data.bin\"";
  for (int i = 0; i < argCount; ++i) args += ", " + std::to_string(numbers[i]);
  std::string source = " ORG " + std::to_string(kOrigin) + "\n IMPORT_BIN " + args + "\n";
  if (comparison) source += " IMPORT_COMPARISON " + args + "\n";
  source += "after:\n";
  WriteScratchFile(dir + "/main.asm", source);

  CapturingConsole console;
  FixedClock clock;
  Environment env{&console, &clock, [] { return 12345u; }, dir};
  env.sandbox = true;
  auto a = std::make_unique<Assembly>(env);
  int exit = AssembleMain(*a, dir + "/main.asm");

  // A slice that fits in the plain 64K space must be in the image, byte for
  // byte, when the assembly succeeded.
  int64_t count =
      ExpectedCount(static_cast<int64_t>(file.size()), argCount, numbers[1], numbers[2]);
  if (exit == 0 && count == 0) std::abort();  // an empty or negative slice is an error
  int64_t at = argCount >= 1 ? numbers[0] : kOrigin;
  if (exit == 0 && at >= 0 && at + count <= 0x10000) {
    int64_t offset = argCount >= 3 ? numbers[2] : 0;
    for (int64_t i = 0; i < count; ++i)
      if (ReadImageByte(*a, at + i) != static_cast<uint8_t>(file[offset + i])) std::abort();
  }
  return 0;
}
