// libFuzzer target for NEX data lists: OUTPUT_NEX_DATA with any data list
// (data keywords, values, spaces with fills, length fields, and DF with a
// file appended whole) over an appended file of any contents, then the NEX
// writer building the file with those bytes. The real assembler runs
// in-process, sandboxed (the NEX file is built but not written) in a scratch
// folder that is the current folder. It must finish without a crash, a hang
// or a sanitizer report.
//
// The input is split at the first line holding only "%%": before it the data
// list (its line breaks become spaces, so it stays one statement), after it
// the bytes of data.bin, the file a DF item may name.
//
// Build and run: make fuzz, or by hand
//   cmake --build build-fuzz --target nex_data_fuzz
//   build-fuzz/nex_data_fuzz -dict=fuzz/nex_data.dict fuzz/corpus/nex_data

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "assembler/assembly.h"
#include "scratch_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& dir = Scratch();
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t cut = input.find("\n%%\n");
  std::string list(input.substr(0, cut));
  std::string_view file =
      cut == std::string_view::npos ? std::string_view() : input.substr(cut + 4);
  for (char& c : list)
    if (c == '\n' || c == '\r') c = ' ';
  WriteScratchFile(dir + "/data.bin", file);
  WriteScratchFile(dir + "/main.asm",
                   " EMULATE_SPECTRUM \"NEXT\"\n ORG $8000\n DB 1, 2, 3\n"
                   " OUTPUT_NEX \"out.nex\", $FF00, $8000\n"
                   " OUTPUT_NEX_DATA \"out.nex\", " +
                       list + "\n");

  AssembleSandboxed(dir, dir + "/main.asm");
  return 0;
}
