#pragma once
// The assembly context: one object owns all state of an assembler process
// (its runs and passes). Handlers take it explicitly; nothing is global, so
// tests can run many assemblies in one process.

#include <functional>

#include "assembler/conditionals.h"
#include "assembler/data_directives.h"
#include "assembler/line_skip.h"
#include "assembler/macros.h"
#include "assembler/memory_image.h"
#include "assembler/statement_loop.h"
#include "driver/console.h"
#include "driver/diagnostics.h"
#include "driver/pass_driver.h"
#include "driver/source_table.h"
#include "eval/evaluator.h"
#include "eval/mt19937.h"
#include "eval/user_functions.h"
#include "lexer/lexer.h"
#include "lexer/tokens.h"
#include "memtools/compress.h"
#include "output/output_defs.h"
#include "symbols/options.h"
#include "symbols/presets.h"
#include "symbols/symbol_table.h"

struct Assembly {
  explicit Assembly(Environment e);
  Assembly(const Assembly&) = delete;
  Assembly& operator=(const Assembly&) = delete;

  Environment env;
  const DispatchTable& dispatch;  // built once per process, read-only afterwards
  // One pass over the source; tests may put a scripted pass in its place to
  // drive the pass loop's stop rules.
  std::function<void(Assembly&)> runPass = RunPass;

  // Process-wide: carries from run to run.
  RunState run;
  MachineState machine;
  SnapshotCpuState cpu;  // filled from register presets after the final pass
  CpmSettings cpm;

  // Run and pass state.
  PassState pass;
  Diagnostics diag;
  SourceTable sources;
  KeywordTable keywords;
  LexerState lex;
  SymbolTable symbols;
  Options options;
  ControlState control;
  EvalState eval;
  UserFunctionState ufuncs;
  MT19937 random;
  MemoryImage image;
  PlacementState placement;
  StatementState stmt;
  LineSkipState lineSkip;
  CondState cond;
  DataState data;
  MacroState macros;
  OutputDefs outputs;
  CompressState compress;  // VELDCOMPRESS parameters and the planted block's end
};

inline TSegmentEntry& CurSeg(Assembly& a) { return a.placement.segments[a.placement.current]; }
inline const TSegmentEntry& CurSeg(const Assembly& a) {
  return a.placement.segments[a.placement.current];
}
