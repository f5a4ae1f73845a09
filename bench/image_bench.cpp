// Memory image: clearing must cost what was written, not the 2.3M cells the
// image models. Each round writes one byte into N distinct 8K pages, then
// clears; the time per round should grow with N and be tiny for N = 1.

#include <benchmark/benchmark.h>

#include <memory>

#include "assembler/assembly.h"
#include "bench_context.h"

namespace {

void BM_WriteThenClear(benchmark::State& state) {
  BenchContext c;
  Assembly& a = *c.a;
  const int64_t pages = state.range(0);
  ClearImage(a);
  for (auto _ : state) {
    for (int64_t p = 0; p < pages; ++p) StoreImageByte(a, p * 0x2000, 0xC9, true, true);
    ClearImage(a);
  }
  state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_WriteThenClear)
    ->Arg(0)
    ->Arg(1)
    ->Arg(8)
    ->Arg(64)
    ->Arg(286)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
