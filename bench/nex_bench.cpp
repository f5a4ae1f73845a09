// NEX writer: a program using all 112 banks of the Next with a layer 2
// loading screen from a 256 x 192 bitmap. Budget: 50 ms for the whole file
// (header, palette, screen, 1.75 MiB of banks), built in memory.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "assembler/assembly.h"
#include "bench_context.h"
#include "output/nex_writer.h"

namespace {

void Put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
}

// An uncompressed 8-bit bottom-up bitmap of 256 x 192 pixels.
std::string Layer2Bitmap() {
  const uint32_t offset = 14 + 40 + 1024;
  std::string s(offset + 256 * 192, '\0');
  s[0] = 'B';
  s[1] = 'M';
  Put32(s, 2, static_cast<uint32_t>(s.size()));
  Put32(s, 10, offset);
  Put32(s, 14, 40);
  Put32(s, 18, 256);
  Put32(s, 22, 192);
  s[26] = 1;
  s[28] = 8;
  for (uint32_t i = 0; i < 256; ++i) Put32(s, 54 + 4 * i, i * 0x010203u);
  for (size_t i = offset; i < s.size(); ++i) s[i] = static_cast<char>(i * 7);
  return s;
}

void BM_NexAllBanksLayer2(benchmark::State& state) {
  BenchContext c;
  Assembly& a = *c.a;
  a.machine.model = 17;  // the Next
  ClearImage(a);
  for (int64_t bank = 0; bank < 112; ++bank)
    for (int64_t i = 0; i < 0x4000; i += 0x1000)
      StoreImageByte(a, 0x40000 + bank * 0x4000 + i, static_cast<uint8_t>(bank), true, true);
  const std::string picture =
      (std::filesystem::temp_directory_path() / "veld_nex_bench.bmp").string();
  std::ofstream(picture, std::ios::binary) << Layer2Bitmap();
  TFILE_Def d;
  d.Sort = ftNex;
  d.FileName = "bench.nex";
  d.sNEX_CORE_REQUIRED = "0.0.0";
  d.bNEXHadScreen = true;
  d.bNEXHadScreenFile = true;
  d.NEXScreenFile = picture;
  d.NEXScreenType = nsftImage;
  size_t size = 0;
  for (auto _ : state) {
    std::optional<std::string> file = BuildNexFile(a, d);
    size = file ? file->size() : 0;
    benchmark::DoNotOptimize(size);
  }
  std::remove(picture.c_str());
  state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_NexAllBanksLayer2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
