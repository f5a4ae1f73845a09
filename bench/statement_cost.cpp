// Cost of one executed statement: assembles each source named on the command
// line in-process (so process start-up is left out), counts the statements
// the statement loop ran over all passes, and prints the CPU time per
// statement, for the whole run and for the passes alone (reading and
// decoding the source is left out: it costs by the byte, not by the
// statement). Comparing a macro- and loop-heavy source with the plain corpus
// shows what repeating text through saved positions costs.
//
// usage: statement_cost SOURCE...   (run in the sources' folder; the ratios
// of the others to the first source follow the figures)

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
    double best = 1e30, bestPasses = 1e30;
    std::vector<double> perStatement;        // each round's CPU time per statement
    std::vector<double> passesPerStatement;  // the same, counting the passes alone
    long long statements = 0;
    int passes = 0;
  };
  std::vector<Source> sources(static_cast<size_t>(argc - 1));
  // The sources are taken in turn, round after round: on a shared machine
  // the speed changes from second to second. Each source's figure is its
  // best round; the ratios to the first source are the median of each
  // round's ratio, its runs having stood side by side.
  constexpr int kRounds = 11;
  for (int round = 0; round < kRounds; ++round) {
    for (size_t i = 0; i < sources.size(); ++i) {
      Source& s = sources[i];
      BenchContext ctx;
      s.statements = 0;
      s.passes = 0;
      double inPasses = 0;
      ctx.a->runPass = [&](Assembly& a) {
        const double passStart = CpuSeconds();
        RunPass(a);
        inPasses += CpuSeconds() - passStart;
        s.statements += a.pass.statementCount;
        ++s.passes;
      };
      const double start = CpuSeconds();
      AssembleMain(*ctx.a, argv[i + 1]);
      const double spent = CpuSeconds() - start;
      s.best = std::min(s.best, spent);
      const auto count = static_cast<double>(std::max(1LL, s.statements));
      s.bestPasses = std::min(s.bestPasses, inPasses);
      s.perStatement.push_back(spent / count);
      s.passesPerStatement.push_back(inPasses / count);
    }
  }
  for (size_t i = 0; i < sources.size(); ++i) {
    const Source& s = sources[i];
    const auto count = static_cast<double>(std::max(1LL, s.statements));
    std::printf(
        "%s: %lld statements in %d passes, %.1f ms CPU, %.0f ns per statement (%.0f ns in the "
        "passes alone)\n",
        argv[i + 1], s.statements, s.passes, s.best * 1e3, s.best * 1e9 / count,
        s.bestPasses * 1e9 / count);
  }
  for (size_t i = 1; i < sources.size(); ++i) {
    auto medianRatio = [&](std::vector<double> Source::*figure) {
      std::vector<double> ratios;
      for (int round = 0; round < kRounds; ++round)
        ratios.push_back((sources[i].*figure)[round] / (sources[0].*figure)[round]);
      std::nth_element(ratios.begin(), ratios.begin() + kRounds / 2, ratios.end());
      return ratios[kRounds / 2];
    };
    std::printf("%s: %.2fx the cost per statement of %s (%.2fx in the passes alone)\n", argv[i + 1],
                medianRatio(&Source::perStatement), argv[1],
                medianRatio(&Source::passesPerStatement));
  }
  return 0;
}
