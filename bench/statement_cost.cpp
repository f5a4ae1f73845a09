// Cost of one executed statement: assembles each source named on the command
// line in-process (so process start-up is left out), counts the statements
// the statement loop ran over all passes, and prints the CPU time per
// statement. Comparing a macro- and loop-heavy source with the plain corpus
// shows what repeating text through saved positions costs.
//
// usage: statement_cost SOURCE...   (run in the sources' folder)

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "assembler/assembly.h"
#include "bench_context.h"

namespace {

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: statement_cost SOURCE...\n");
    return 2;
  }
  struct Source {
    double best = 1e30;
    long long statements = 0;
    int passes = 0;
  };
  std::vector<Source> sources(static_cast<size_t>(argc - 1));
  // The best of nine runs, the sources taken in turn round after round: on a
  // shared machine the speed changes from second to second, and a ratio
  // between sources is only fair when both saw the same spells.
  for (int round = 0; round < 9; ++round) {
    for (size_t i = 0; i < sources.size(); ++i) {
      Source& s = sources[i];
      BenchContext ctx;
      s.statements = 0;
      s.passes = 0;
      ctx.a->runPass = [&](Assembly& a) {
        RunPass(a);
        s.statements += a.pass.statementCount;
        ++s.passes;
      };
      const double start = CpuSeconds();
      AssembleMain(*ctx.a, argv[i + 1]);
      s.best = std::min(s.best, CpuSeconds() - start);
    }
  }
  for (size_t i = 0; i < sources.size(); ++i) {
    const Source& s = sources[i];
    std::printf("%s: %lld statements in %d passes, %.1f ms CPU, %.0f ns per statement\n",
                argv[i + 1], s.statements, s.passes, s.best * 1e3,
                s.best * 1e9 / static_cast<double>(s.statements));
  }
  return 0;
}
