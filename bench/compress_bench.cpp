// Compressor: the suffix-array search against the plain exhaustive search it
// replaces (same stream, byte for byte). Budgets: a 48 KiB block of code and
// data in under 50 ms, a 64 KiB adversarial block in under 1 s.
//
//   cmake -S . -B build-bench -DVELD_BENCH=ON && cmake --build build-bench --target compress_bench
//   build-bench/compress_bench

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "memtools/compress.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Something like a game: code made of common instruction shapes, text,
// tables of addresses, sprite and font bitmaps, and zero-filled buffers.
Bytes Realistic(size_t size) {
  std::mt19937 rng(48);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const std::vector<Bytes> shapes = {
      {0x3E, 0},       {0x21, 0, 0x80}, {0x11, 0, 0x40}, {0xCD, 0, 0x81}, {0xC9},
      {0x7E},          {0x23},          {0x77},          {0x10, 0xFA},    {0x28, 0x05},
      {0xDD, 0x7E, 0}, {0xFE, 0},       {0xED, 0xB0},    {0xC3, 0, 0x82}, {0xE5},
      {0xE1},          {0x01, 0, 0},    {0x32, 0, 0x90}, {0xAF},          {0x18, 0xF0}};
  const char* words[] = {"the ",   "score ",     "lives ", "press ",  "fire ",
                         "level ", "game over ", "high ",  "player ", "bonus "};
  Bytes b;
  while (b.size() < size) {
    switch (pick(10)) {
      case 0:
      case 1:
      case 2:
      case 3:  // code
        for (int i = 0; i < 200; ++i) {
          Bytes ins = shapes[pick(static_cast<int>(shapes.size()))];
          for (size_t k = 1; k < ins.size(); ++k)
            if (ins[k] == 0) ins[k] = static_cast<uint8_t>(pick(4) ? pick(32) : rng());
          b.insert(b.end(), ins.begin(), ins.end());
        }
        break;
      case 4:  // text
        for (int i = 0; i < 40; ++i) {
          std::string w = words[pick(10)];
          b.insert(b.end(), w.begin(), w.end());
        }
        break;
      case 5: {  // address table
        uint16_t at = static_cast<uint16_t>(0x8000 + pick(0x4000));
        for (int i = 0; i < 64; ++i, at += static_cast<uint16_t>(3 + pick(40))) {
          b.push_back(static_cast<uint8_t>(at));
          b.push_back(static_cast<uint8_t>(at >> 8));
        }
        break;
      }
      case 6:
      case 7:  // 16x16 sprites: a few shapes, shifted copies
        for (int i = 0; i < 8; ++i)
          for (int row = 0; row < 32; ++row)
            b.push_back(static_cast<uint8_t>(((row * 37 + pick(3)) & 0x3C) << (i & 1)));
        break;
      case 8:  // buffer
        b.insert(b.end(), 64 + pick(512), 0);
        break;
      case 9:  // escape values in data
        for (int i = 0; i < 32; ++i) b.push_back(pick(2) ? 0xAA : static_cast<uint8_t>(rng()));
        break;
    }
  }
  b.resize(size);
  return b;
}

// Long near-repeats: one 2 KiB random piece copied again and again with a
// byte changed every few hundred bytes, so every search meets hundreds of
// candidates sharing long prefixes, many of them equally long.
Bytes NearRepeats(size_t size) {
  std::mt19937 rng(64);
  Bytes piece(2048);
  for (auto& x : piece) x = static_cast<uint8_t>(rng());
  Bytes b;
  while (b.size() < size) {
    Bytes copy = piece;
    for (size_t i = rng() % 300; i < copy.size(); i += 200 + rng() % 300)
      copy[i] = static_cast<uint8_t>(rng());
    b.insert(b.end(), copy.begin(), copy.end());
  }
  b.resize(size);
  return b;
}

// A short period: every earlier position in phase matches up to the end.
Bytes Periodic(size_t size) {
  Bytes b(size);
  for (size_t i = 0; i < size; ++i) b[i] = "ABCAB"[i % 5];
  return b;
}

// The exhaustive search, as in the unit test.
BlockMatch Exhaustive(const Bytes& b, int32_t cur) {
  BlockMatch best;
  const int32_t n = static_cast<int32_t>(b.size());
  for (int32_t a = 0; a < cur; ++a) {
    int32_t i = 0;
    while (cur + i < n && b[a + i] == b[cur + i]) ++i;
    if (i > best.length) best = {a, i};
  }
  return best;
}

Bytes Input(int kind, size_t size) {
  switch (kind) {
    case 0:
      return Realistic(size);
    case 1:
      return NearRepeats(size);
    default:
      return Periodic(size);
  }
}

void BM_Fast(benchmark::State& state) {
  Bytes b = Input(static_cast<int>(state.range(0)), static_cast<size_t>(state.range(1)));
  size_t out = 0;
  for (auto _ : state) out = CompressStream(b, 0x8000).size();
  state.counters["stream"] = static_cast<double>(out);
}

void BM_Reference(benchmark::State& state) {
  Bytes b = Input(static_cast<int>(state.range(0)), static_cast<size_t>(state.range(1)));
  size_t out = 0;
  for (auto _ : state)
    out = BuildStream(b, 0x8000, [&](int32_t cur) { return Exhaustive(b, cur); }).size();
  state.counters["stream"] = static_cast<double>(out);
}

// Arguments: kind (0 realistic, 1 near-repeats, 2 periodic), block size.
BENCHMARK(BM_Fast)
    ->Args({0, 48 * 1024})
    ->Args({1, 64 * 1024})
    ->Args({2, 64 * 1024})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reference)
    ->Args({0, 48 * 1024})
    ->Args({1, 64 * 1024})
    ->Args({2, 16 * 1024})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
