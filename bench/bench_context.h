#pragma once
// An assembly context for benchmarks: captured console, fixed clock.

#include <memory>

#include "assembler/assembly.h"

struct BenchContext {
  CapturingConsole console;
  FixedClock clock;
  std::unique_ptr<Assembly> a =
      std::make_unique<Assembly>(Environment{&console, &clock, [] { return 1u; }, ""});
};
