// Lexer speed over the 30000-line benchmark corpus: every item of the source,
// the way the statement loop reads it (peek, then next).
//
// The corpus is generated at start-up with gen_corpus.py from the shared
// bench folder (VELD_GEN_CORPUS names the script when it lives elsewhere).

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "assembler/assembly.h"
#include "bench_context.h"

namespace {

namespace fs = std::filesystem;

fs::path FindGenerator() {
  if (const char* env = std::getenv("VELD_GEN_CORPUS")) return env;
  const fs::path root = fs::path(__FILE__).parent_path().parent_path();
  for (const fs::path& p : {root / ".." / "shared" / "bench" / "gen_corpus.py",
                            root / ".." / ".." / "shared" / "bench" / "gen_corpus.py"})
    if (fs::exists(p)) return p;
  return {};
}

std::string RunGenerator(int lines) {
  const fs::path script = FindGenerator();
  if (script.empty()) return {};
  const std::string cmd = "python3 '" + script.string() + "' " + std::to_string(lines);
  std::string out;
  if (FILE* f = popen(cmd.c_str(), "r")) {
    std::array<char, 65536> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), f)) > 0) out.append(buf.data(), n);
    pclose(f);
  }
  return out;
}

const std::string& Corpus() {
  static const std::string text = RunGenerator(30000);
  return text;
}

struct Context : BenchContext {
  Context() {
    BuildKeywordTable(a->keywords);
    TSource& s = a->sources.slots[0];
    DecodeSourceText(FileBytes(Corpus()), s.Lines);
    s.loaded = s.exists = true;
    s.ShortName = "corpus.asm";
  }
};

void BM_LexCorpus(benchmark::State& state) {
  if (Corpus().empty()) {
    state.SkipWithError("gen_corpus.py not found (set VELD_GEN_CORPUS)");
    return;
  }
  Context c;
  Assembly& a = *c.a;
  size_t items = 0;
  for (auto _ : state) {
    LexResetSource(a, 0);
    for (;;) {
      LexPeek(a);
      if (a.lex.pos.Item == I_Null) break;
      LexNext(a);
      ++items;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Corpus().size()));
  state.SetItemsProcessed(static_cast<int64_t>(items));
}
BENCHMARK(BM_LexCorpus)->Unit(benchmark::kMillisecond);

// Saving and restoring positions, as loops and macros do at every round.
void BM_SaveRestore(benchmark::State& state) {
  if (Corpus().empty()) {
    state.SkipWithError("gen_corpus.py not found (set VELD_GEN_CORPUS)");
    return;
  }
  Context c;
  Assembly& a = *c.a;
  LexResetSource(a, 0);
  LexPeek(a);
  for (auto _ : state) {
    TLexPos saved = LexSave(a);
    for (int k = 0; k < 8; ++k) LexNext(a);
    LexRestore(a, saved, false);
    benchmark::DoNotOptimize(a.lex.pos.LPos);
  }
}
BENCHMARK(BM_SaveRestore);

}  // namespace

BENCHMARK_MAIN();
