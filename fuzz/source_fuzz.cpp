// libFuzzer target for the whole assembler: any bytes, taken as a main
// source (with an include file and a binary beside it), must assemble to the
// end without a crash, a hang or a sanitizer report.
//
// The input is split at lines holding only "%%": the first part is main.asm,
// the second inc.asm, the third data.bin, all written into a scratch folder
// that is the current folder. The assembly is sandboxed: output files are
// built but not written, and no command or file operation runs.
//
// Build and run: make fuzz (see the Makefile), or by hand
//   cmake -S . -B build-fuzz -DVELD_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
//   cmake --build build-fuzz --target source_fuzz
//   build-fuzz/source_fuzz -dict=fuzz/source.dict fuzz/corpus/source
// (scripts/fuzz.sh also seeds it with every end-to-end case source)

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "assembler/assembly.h"
#include "scratch_folder.h"

namespace {

std::vector<std::string_view> SplitParts(std::string_view text) {
  std::vector<std::string_view> parts;
  for (;;) {
    size_t cut = text.find("\n%%\n");
    if (cut == std::string_view::npos || parts.size() == 2) {
      parts.push_back(text);
      return parts;
    }
    parts.push_back(text.substr(0, cut + 1));
    text.remove_prefix(cut + 4);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& dir = Scratch();
  std::vector<std::string_view> parts =
      SplitParts(std::string_view(reinterpret_cast<const char*>(data), size));
  static const char* const kNames[] = {"main.asm", "inc.asm", "data.bin"};
  for (size_t i = 0; i < 3; ++i)
    WriteScratchFile(dir + "/" + kNames[i], i < parts.size() ? parts[i] : std::string_view());

  AssembleSandboxed(dir, dir + "/main.asm");
  return 0;
}
