// libFuzzer target for the patch path of OUTPUT_BIN (a file name, start,
// length and an offset: the range is written over a stretch of an existing
// file). The fuzzer supplies the existing file's bytes and up to three patch
// directives, each with its start, length, offset and target: the existing
// file, a missing file, or the main source itself. The real assembler runs
// in-process and really writes, inside a scratch folder that is the current
// folder; the source is made here from numbers only, so nothing outside that
// folder can be named.
//
// Checked after each run, against a model of the rule: every patch before
// the first refused one is applied in order (the stretch replaced, the file
// grown with zeros when the stretch ends past it); a patch of a missing file
// or of the source fails the run and creates or changes nothing; no
// temporary file is left behind.
//
// Build and run: make fuzz, or by hand
//   cmake --build build-fuzz --target bin_patch_fuzz
//   build-fuzz/bin_patch_fuzz fuzz/corpus/bin_patch

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "assembler/assembly.h"
#include "scratch_folder.h"

namespace {

constexpr size_t kPatchBytes = 8;
constexpr size_t kHeader = 1 + 3 * kPatchBytes;

// Read in one call: a patched file may hold a megabyte, and reading it a
// character at a time through a stream iterator took a quarter of each run.
std::string ReadScratchFile(const std::string& name) {
  std::string bytes;
  std::FILE* f = std::fopen(name.c_str(), "rb");
  if (!f) return bytes;
  if (std::fseek(f, 0, SEEK_END) == 0) {
    long size = std::ftell(f);
    if (size > 0) {
      bytes.resize(static_cast<size_t>(size));
      std::rewind(f);
      if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
    }
  }
  std::fclose(f);
  return bytes;
}

std::set<std::string> FolderNames(const std::string& dir) {
  std::set<std::string> names;
  DIR* d = opendir(dir.c_str());
  if (!d) std::abort();
  while (dirent* e = readdir(d))
    if (e->d_name[0] != '.') names.insert(e->d_name);
  closedir(d);
  return names;
}

enum class Target { kExisting, kMissing, kSource };

struct Patch {
  Target target;
  uint32_t start, length, offset;
};

Patch ReadPatch(const uint8_t* p) {
  Patch r;
  r.target = p[0] % 8 == 7 ? Target::kMissing : p[0] % 8 == 6 ? Target::kSource : Target::kExisting;
  r.start = p[1] | p[2] << 8;
  r.length = (p[3] | p[4] << 8) & 0x0FFF;
  // Offsets reach 128K: past the 64K of the image and far past the existing
  // file, which is all the rule distinguishes. Larger ones made each run
  // copy files of up to a megabyte, and the fuzzer spent a third of its
  // time in the kernel.
  r.offset = (p[5] | p[6] << 8 | p[7] << 16) & 0x1FFFF;
  return r;
}

// The image: 64 bytes at $100, zeros elsewhere.
uint8_t KnownByte(int64_t address) {
  return address >= 0x100 && address < 0x140 ? static_cast<uint8_t>(address * 37 + 11) : 0;
}

const char* FileName(Target t) {
  return t == Target::kMissing ? "missing.bin" : t == Target::kSource ? "main.asm" : "target.bin";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeader) return 0;
  const std::string& dir = Scratch();
  std::vector<Patch> patches;
  for (size_t i = 0; i <= data[0] % 3; ++i)
    patches.push_back(ReadPatch(data + 1 + i * kPatchBytes));
  const std::string existing(reinterpret_cast<const char*>(data + kHeader), size - kHeader);
  WriteScratchFile(dir + "/target.bin", existing);

  // Known bytes in the image, imported from a file made once per process
  // (a list of 64 values took a quarter of each run to assemble), and the
  // patches.
  static const bool madeKnown = [&dir] {
    std::string known;
    for (int i = 0; i < 64; ++i) known += static_cast<char>(KnownByte(0x100 + i));
    WriteScratchFile(dir + "/known.bin", known);
    return true;
  }();
  (void)madeKnown;
  std::string source = " ORG $100\n IMPORT_BIN \"known.bin\"\n";
  for (const Patch& p : patches)
    source += " OUTPUT_BIN \"" + std::string(FileName(p.target)) + "\", " +
              std::to_string(p.start) + ", " + std::to_string(p.length) + ", " +
              std::to_string(p.offset) + "\n";
  WriteScratchFile(dir + "/main.asm", source);

  CapturingConsole console;
  FixedClock clock;
  Environment env{&console, &clock, [] { return 12345u; }, dir};
  auto a = std::make_unique<Assembly>(env);
  int exit = AssembleMain(*a, dir + "/main.asm");

  std::string expected = existing;
  int expectedExit = 0;
  for (const Patch& p : patches) {
    if (p.target != Target::kExisting) {
      expectedExit = 1;
      break;
    }
    if (p.length == 0) continue;
    if (expected.size() < static_cast<size_t>(p.offset) + p.length)
      expected.resize(static_cast<size_t>(p.offset) + p.length, '\0');
    for (uint32_t i = 0; i < p.length; ++i)
      expected[p.offset + i] = static_cast<char>(KnownByte(int64_t{p.start} + i));
  }
  if (exit != expectedExit) std::abort();
  if (ReadScratchFile(dir + "/target.bin") != expected) std::abort();
  if (ReadScratchFile(dir + "/main.asm") != source) std::abort();
  if (FolderNames(dir) != std::set<std::string>{"known.bin", "main.asm", "target.bin"})
    std::abort();
  return 0;
}
