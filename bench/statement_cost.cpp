// Cost of one executed statement: assembles each source named on the command
// line in-process (so process start-up is left out), counts the statements
// the statement loop ran over all passes, and prints the CPU time per
// statement. Comparing a macro- and loop-heavy source with the plain corpus
// shows what repeating text through saved positions costs.
//
// usage: statement_cost SOURCE...   (run in the sources' folder)

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

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
  for (int i = 1; i < argc; ++i) {
    double best = 1e30;
    long long statements = 0;
    int passes = 0;
    // The best of five runs: the machine may be busy with other work.
    for (int round = 0; round < 5; ++round) {
      BenchContext ctx;
      statements = 0;
      passes = 0;
      ctx.a->runPass = [&](Assembly& a) {
        RunPass(a);
        statements += a.pass.statementCount;
        ++passes;
      };
      const double start = CpuSeconds();
      AssembleMain(*ctx.a, argv[i]);
      best = std::min(best, CpuSeconds() - start);
    }
    std::printf("%s: %lld statements in %d passes, %.1f ms CPU, %.0f ns per statement\n", argv[i],
                statements, passes, best * 1e3, best * 1e9 / static_cast<double>(statements));
  }
  return 0;
}
