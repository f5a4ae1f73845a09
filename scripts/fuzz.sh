#!/usr/bin/env bash
# Runs every libFuzzer target of build-fuzz for the given number of seconds
# each, starting from its committed corpus (fuzz/corpus/<name>), with its
# dictionary (fuzz/<name>.dict) when there is one. New inputs go to a work
# copy of the corpus, so the committed one changes only by hand.
#   scripts/fuzz.sh SECONDS [BUILD_DIR]
# With FUZZ_RUNS=N a target also stops after N executions; FUZZ_TARGETS
# ("source lexer") runs only the named targets.
# Exits non-zero when a target finds a crash, a hang (10 s), a leak, a
# sanitizer report or runs out of memory.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
# Absolute paths: the whole-assembler targets work in a scratch folder that
# becomes their current folder, and libFuzzer writes new inputs and findings
# after that.
mkdir -p "${2:-build-fuzz}"
build=$(cd "${2:-build-fuzz}" && pwd)
root=$PWD
status=0
# A freed block waits in the address sanitizer's quarantine (256 MB by
# default) and then stays mapped in its size class's free list. Inputs that
# allocate ever new sizes (pictures of every size) so fill one class after
# another, and the resident memory climbs past the limit in seconds with
# little live: a small quarantine handed back to the system often keeps the
# limit about the inputs' own memory.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=32:allocator_release_to_os_interval_ms=100"
for src in fuzz/*_fuzz.cpp; do
  target=$(basename "$src" .cpp)
  name=${target%_fuzz}
  if [ -n "${FUZZ_TARGETS:-}" ] && [[ " $FUZZ_TARGETS " != *" $name "* ]]; then continue; fi
  corpus=fuzz/corpus/$name
  work=$build/corpus-work/$name
  mkdir -p "$work" "$build/findings"
  [ -d "$corpus" ] && cp -n "$corpus"/* "$work"/ 2>/dev/null || true
  # The whole-assembler and lexer targets also start from every end-to-end
  # case source.
  if [ "$name" = source ] || [ "$name" = lexer ]; then
    for f in tests/cases/*/*.asm; do
      cp -n "$f" "$work/case-$(basename "$(dirname "$f")")-$(basename "$f")"
    done
  fi
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096
        -print_final_stats=1 -artifact_prefix="$build/findings/$name-")
  [ -n "${FUZZ_RUNS:-}" ] && args+=(-runs="$FUZZ_RUNS")
  [ -f "fuzz/$name.dict" ] && args+=(-dict="$root/fuzz/$name.dict")
  echo "== $target for ${seconds}s${FUZZ_RUNS:+ or $FUZZ_RUNS executions}"
  started=$SECONDS
  if ! "$build/$target" "${args[@]}" "$work" 2>"$build/$target.log"; then
    echo "FAILED: $target (see $build/$target.log and $build/findings/)"
    tail -40 "$build/$target.log"
    status=1
  fi
  grep -E 'stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$build/$target.log" || true
  echo "time: $((SECONDS - started)) s"
done
exit $status
