// Symbol table speed: a source with 100,000 labels must not make look-up slow.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "assembler/assembly.h"
#include "bench_context.h"

namespace {

constexpr int kNames = 100000;

// Names shaped like those of a large program: a few stems with numbers, some
// local labels behind a main label.
std::vector<std::string> MakeNames() {
  static const char* stems[] = {"loop", "draw_sprite", "Next", "tbl", "main.l"};
  std::vector<std::string> names;
  names.reserve(kNames);
  for (int i = 0; i < kNames; ++i) names.push_back(stems[i % 5] + std::to_string(i));
  return names;
}

// Pass 1 of a big source: every name is created and defined once.
void BM_Define100k(benchmark::State& state) {
  BenchContext c;
  Assembly& a = *c.a;
  const auto names = MakeNames();
  for (auto _ : state) {
    ClearSymbols(a);
    a.pass.pass = 1;
    for (int i = 0; i < kNames; ++i) DefineAddress(a, FindOrCreateSymbol(a, names[i]), i);
  }
  state.SetItemsProcessed(state.iterations() * kNames);
}
BENCHMARK(BM_Define100k)->Unit(benchmark::kMillisecond);

// Later passes: every name is looked up (counted) in a table of 100,000.
void BM_LookUp100k(benchmark::State& state) {
  BenchContext c;
  Assembly& a = *c.a;
  const auto names = MakeNames();
  ClearSymbols(a);
  for (int i = 0; i < kNames; ++i) DefineAddress(a, FindOrCreateSymbol(a, names[i]), i);
  for (auto _ : state) {
    for (const auto& n : names) benchmark::DoNotOptimize(FindSymbol(a, n, true));
  }
  state.SetItemsProcessed(state.iterations() * kNames);
}
BENCHMARK(BM_LookUp100k)->Unit(benchmark::kMillisecond);

// Names that are not there walk a whole chain.
void BM_MissingLookUp100k(benchmark::State& state) {
  BenchContext c;
  Assembly& a = *c.a;
  const auto names = MakeNames();
  ClearSymbols(a);
  for (int i = 0; i < kNames; ++i) DefineAddress(a, FindOrCreateSymbol(a, names[i]), i);
  std::vector<std::string> missing;
  for (const auto& n : names) missing.push_back(n + "_x");
  for (auto _ : state) {
    for (const auto& n : missing) benchmark::DoNotOptimize(FindSymbol(a, n, false));
  }
  state.SetItemsProcessed(state.iterations() * kNames);
}
BENCHMARK(BM_MissingLookUp100k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
