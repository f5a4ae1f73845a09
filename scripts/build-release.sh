#!/usr/bin/env bash
# Builds the program as users and the benchmarks get it: optimised across
# files (link-time optimisation) and from a profile of its own runs.
#   scripts/build-release.sh BUILD_DIR [CMAKE_ARGS...]
# Stage 1 builds an instrumented qas in BUILD_DIR-profile and runs it over
# the training sources: the generated benchmark corpus, bench/macro_loops.asm,
# the examples and every end-to-end case source (the cases' own errors
# included: the error paths are part of the profile). Stage 2 builds
# BUILD_DIR from the records; the extra arguments go to its configuration.
# Stage 2 builds qas and the targets named in RELEASE_TARGETS (the tests are
# built by the plain build of `make test`).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${1:?usage: build-release.sh BUILD_DIR [CMAKE_ARGS...]}
shift
jobs=$(nproc)
gen="$out-profile"
records="$root/$gen/records"

cmake -S . -B "$gen" -DCMAKE_BUILD_TYPE=Release -DVELD_PGO=generate \
  -DVELD_PGO_DIR="$records" >/dev/null
cmake --build "$gen" -j "$jobs" --target qas
rm -rf "$records"

train=$(mktemp -d)
trap 'rm -rf "$train"' EXIT
python3 bench/gen_corpus.py 30000 > "$train/corpus.asm"
cp bench/macro_loops.asm "$train/"
(cd "$train" && for f in corpus.asm macro_loops.asm; do "$root/$gen/qas" "$f" >/dev/null 2>&1 || true; done)
for d in examples/*/ tests/cases/*/; do
  name=$(basename "$d")
  mkdir -p "$train/$name"
  cp -r "$d". "$train/$name/"
  for f in "$train/$name"/*.asm; do
    (cd "$train/$name" && "$root/$gen/qas" "$(basename "$f")" >/dev/null 2>&1 || true)
  done
done
[ -n "$(ls -A "$records" 2>/dev/null)" ] || { echo "error: the training runs left no profile" >&2; exit 1; }

cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INTERPROCEDURAL_OPTIMIZATION=ON \
  -DVELD_PGO=use -DVELD_PGO_DIR="$records" "$@" >/dev/null
cmake --build "$out" -j "$jobs" --target qas ${RELEASE_TARGETS:-}
