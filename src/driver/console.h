#pragma once
// The outside world as the assembler sees it. main() wires the real console,
// clock and seed; tests inject their own to capture lines and fix the time.

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Line-oriented output. Each call is one complete line (no terminator).
struct Console {
  virtual ~Console() = default;
  virtual void Out(std::string_view line) = 0;  // standard output
  virtual void Err(std::string_view line) = 0;  // standard error
};

// Local time, a high-resolution counter and sleeping.
struct Clock {
  virtual ~Clock() = default;
  virtual std::tm LocalNow() = 0;
  virtual uint64_t Microseconds() = 0;
  virtual void SleepMs(int ms) = 0;
};

// Writes lines to the process's stdout and stderr.
struct StdConsole : Console {
  void Out(std::string_view line) override;
  void Err(std::string_view line) override;
};

// Keeps every line; tests read them back.
struct CapturingConsole : Console {
  std::vector<std::string> out, err;
  void Out(std::string_view line) override { out.emplace_back(line); }
  void Err(std::string_view line) override { err.emplace_back(line); }
};

struct SystemClock : Clock {
  std::tm LocalNow() override;
  uint64_t Microseconds() override;
  void SleepMs(int ms) override;
};

// A fixed time that never sleeps, for tests.
struct FixedClock : Clock {
  std::tm now{};
  uint64_t micros = 0;
  std::tm LocalNow() override { return now; }
  uint64_t Microseconds() override { return micros; }
  void SleepMs(int) override {}
};

// Bounds that stop runaway sources with error 212 instead of running for
// hours. The program uses these values; the fuzzer lowers them so that each
// of its inputs stays fast.
struct Limits {
  int64_t loopTrips = 1000000;        // rounds of one loop (LOOP/REPT counts too)
  int64_t passLoopRounds = 10000000;  // rounds of all loops of one pass together
  int32_t runs = 1000;                // the largest MULTIPASS count
  int32_t macroDepth = 250;           // active macro expansions (one more is fatal)
  int32_t passStatements = 50000000;  // statements run in one pass, skipped ones included
};

struct Environment {
  Console* console = nullptr;
  Clock* clock = nullptr;
  std::function<uint32_t()> seed;  // a fresh random seed, taken once per run
  std::string exeDir;              // folder of the running program ("" if unknown)
  // A sandboxed assembly (the fuzzer) writes no file and runs no command or
  // file operation: writers build their bytes and stop there.
  bool sandbox = false;
  // Passes before the final one step over lines known to do nothing but move
  // PC (assembler/line_skip.h); tests turn it off to compare.
  bool stepOverSettledLines = true;
  // Items of loop and macro bodies are kept and copied when read again
  // (lexer/item_cache.h); tests turn it off to compare.
  bool cacheRepeatedItems = true;
  Limits limits{};
};
